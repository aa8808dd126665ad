// Writing a resource back into the host's selection, and Apply as a whole: the parameters block, the
// saved icon file and every way it can fail. Run against the in-process host.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "base/byte_reader.h"
#include "base/texts.h"
#include "host/apply_to_layer.h"
#include "host/layer_square.h"
#include "host/parameters_block.h"
#include "host/plugin_call.h"
#include "hostapp/layer_host.h"
#include "icon/ico_file.h"
#include "support/fake_alerts.h"
#include "support/ico_fixtures.h"
#include "support/layers.h"

namespace tessera {
namespace {

constexpr const char* kTooSmall =
    "The layer selection is too small for the 16 x 16 pixel icon data.\n\nPlease try running Tessera again "
    "with a larger selection.";

// The layer before anything is written: every byte says where it is.
Layer PaintedLayer(int width, int height, int planes) {
    return test::LayerOfPixels(width, height, planes, [](int x, int y) {
        return test::Rgba{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 9, 77};
    });
}

// What the test resources hold at square pixel (x, y), counted from the top left.
uint8_t IndexAt(int x, int y, int bits) {
    return static_cast<uint8_t>(bits == 4 ? (x + y) % 16 : (x * 16 + y) % 256);
}
bool MaskedAt(int x, int y) {
    return (x + 2 * y) % 3 == 0;
}
// Palette entry i as blue, green, red.
uint8_t TableBlue(int i) {
    return static_cast<uint8_t>(i);
}
uint8_t TableGreen(int i) {
    return static_cast<uint8_t>(255 - i);
}
uint8_t TableRed(int i) {
    return static_cast<uint8_t>(i * 3);
}
// The 32-bit test image: blue x, green y, red x + y, alpha varying, 128 at (1, 1).
uint8_t AlphaAt(int x, int y) {
    return x == 1 && y == 1 ? 128 : static_cast<uint8_t>(x * 5 + y);
}

// Fills the grid's slot for `format` with the test image; 32-bit images get every mask bit set, which
// must change nothing.
void PaintResource(ResourceGrid& grid, const ResourceFormat& format) {
    grid.PrepareResource(format);
    ResourceBits rb;
    grid.GetResourceBits(format, rb);
    const int side = format.PixelSize();
    const int bits = ResourceGrid::FormatGeometry(format).bitsPerPixel;
    if (bits <= 8) {
        for (int i = 0; i < (1 << bits); ++i) {
            rb.colorTable[i * 4 + 0] = TableBlue(i);
            rb.colorTable[i * 4 + 1] = TableGreen(i);
            rb.colorTable[i * 4 + 2] = TableRed(i);
        }
    }
    for (int y = 0; y < side; ++y) {
        uint8_t* row = rb.colorRows + (side - 1 - y) * rb.colorStride;
        uint8_t* mask = rb.maskRows + (side - 1 - y) * rb.maskStride;
        for (int x = 0; x < side; ++x) {
            if (bits == 32) {
                uint8_t* p = row + x * 4;
                p[0] = static_cast<uint8_t>(x);
                p[1] = static_cast<uint8_t>(y);
                p[2] = static_cast<uint8_t>(x + y);
                p[3] = AlphaAt(x, y);
            } else if (bits == 8) {
                row[x] = IndexAt(x, y, 8);
            } else {
                row[x / 2] = static_cast<uint8_t>(row[x / 2] | (IndexAt(x, y, 4) << (x % 2 == 0 ? 4 : 0)));
            }
            if (bits == 32 || MaskedAt(x, y)) {
                mask[x / 8] = static_cast<uint8_t>(mask[x / 8] | (0x80 >> (x % 8)));
            }
        }
    }
}

// The bytes the layer must hold at square pixel (x, y) after the test image was written.
std::vector<uint8_t> Expected(int x, int y, int bits, int planes) {
    std::vector<uint8_t> p(static_cast<size_t>(planes));
    if (bits == 32) {
        p[0] = static_cast<uint8_t>(x + y);
        p[1] = static_cast<uint8_t>(y);
        p[2] = static_cast<uint8_t>(x);
        if (planes == 4) {
            p[3] = AlphaAt(x, y);
        }
        return p;
    }
    const int i = IndexAt(x, y, bits);
    const bool masked = MaskedAt(x, y);
    p[0] = TableRed(i);
    p[1] = TableGreen(i);
    p[2] = TableBlue(i);
    if (planes == 4) {
        p[3] = masked ? 0 : 255;
    } else if (masked) {
        p[0] = p[1] = p[2] = 255;
    }
    return p;
}

// Every layer pixel is the written image inside the square at (left, top) and as painted elsewhere.
void ExpectLayer(const Layer& layer, int left, int top, int side, int bits) {
    Layer untouched = PaintedLayer(layer.width, layer.height, layer.planes);
    for (int y = 0; y < layer.height; ++y) {
        for (int x = 0; x < layer.width; ++x) {
            const bool inSquare = x >= left && x < left + side && y >= top && y < top + side;
            const std::vector<uint8_t> want =
                inSquare ? Expected(x - left, y - top, bits, layer.planes)
                         : std::vector<uint8_t>(untouched.At(x, y), untouched.At(x, y) + layer.planes);
            ASSERT_EQ(0, std::memcmp(want.data(), layer.At(x, y), want.size())) << "at " << x << ", " << y;
        }
    }
}

// The request Apply makes: the whole selection in and out.
void RequestSelection(LayerHost& host) {
    FilterRecord& r = host.Record();
    r.inRect = r.outRect = r.filterRect;
    r.inLoPlane = r.outLoPlane = 0;
    r.inHiPlane = r.outHiPlane = static_cast<int16>(r.planes - 1);
    r.inputPadding = r.outputPadding = 0;
    ASSERT_EQ(noErr, host.AdvanceState());
}

struct WriteCase {
    int planes;
    int rowPadding;
    Rect selection;
    int size;
    int depth;
    int left;  // where the square lands in the layer
    int top;
};

class WriteResource : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteResource, LandsCentredAndTouchesNothingElse) {
    const WriteCase c = GetParam();
    LayerHost host(PaintedLayer(101, 60, c.planes), LayerHostOptions{.rowPadding = c.rowPadding});
    ASSERT_TRUE(host.SetSelection(c.selection));
    RequestSelection(host);
    ResourceGrid grid;
    const ResourceFormat format(c.size, c.depth, 1, 0);
    PaintResource(grid, format);
    test::FakeAlerts alerts;
    PluginCall call(&host.Record(), alerts);

    WriteResourceToLayer(call, format, grid);
    host.CommitOutput();

    EXPECT_TRUE(alerts.Shown().empty());
    EXPECT_EQ(noErr, call.result);
    EXPECT_EQ(0, host.PaddingWrites());
    ExpectLayer(host.GetLayer(), c.left, c.top, format.PixelSize(), ResourceGrid::FormatGeometry(format).bitsPerPixel);
}

INSTANTIATE_TEST_SUITE_P(Selections,
                         WriteResource,
                         ::testing::Values(
                             // 48 x 48 into the whole 101 x 60 layer: three planes make 303 bytes a row.
                             WriteCase{3, 0, Rect{0, 0, 60, 101}, 3, 2, 26, 6},
                             WriteCase{4, 0, Rect{0, 0, 60, 101}, 3, 2, 26, 6},
                             // A selection exactly the icon's size, away from the image's corner.
                             WriteCase{4, 3, Rect{20, 30, 36, 46}, 0, 0, 30, 20},
                             WriteCase{3, 1, Rect{20, 30, 36, 46}, 0, 0, 30, 20},
                             // Odd extents: the halves round down.
                             WriteCase{4, 2, Rect{10, 5, 41, 46}, 1, 1, 5 + 20 - 12, 10 + 15 - 12},
                             WriteCase{3, 0, Rect{1, 1, 59, 100}, 2, 1, 1 + 49 - 16, 1 + 29 - 16},
                             WriteCase{3, 5, Rect{0, 0, 60, 101}, 2, 0, 50 - 16, 30 - 16}));

TEST(WriteResourceToLayer, TooSmallSelectionIsRefusedWithAMessage) {
    for (const Rect selection : {Rect{0, 0, 40, 15}, Rect{0, 0, 15, 40}}) {
        LayerHost host(PaintedLayer(50, 50, 4));
        ASSERT_TRUE(host.SetSelection(selection));
        RequestSelection(host);
        ResourceGrid grid;
        const ResourceFormat format(0, 2, 1, 0);
        PaintResource(grid, format);
        test::FakeAlerts alerts;
        PluginCall call(&host.Record(), alerts);

        WriteResourceToLayer(call, format, grid);
        host.CommitOutput();

        ASSERT_EQ(1u, alerts.Shown().size());
        const Alert& alert = alerts.Shown()[0];
        EXPECT_EQ(kTooSmall, alert.text);
        EXPECT_EQ(AlertCaption::Product, alert.caption);
        EXPECT_EQ(AlertIcon::Warning, alert.icon);
        EXPECT_EQ(AlertButtons::Ok, alert.buttons);
        EXPECT_EQ(noErr, call.result);
        ExpectLayer(host.GetLayer(), 0, 0, 0, 32);
    }
}

TEST(WriteResourceToLayer, WritesNothingWithoutAnImageOrAnOutputBuffer) {
    ResourceGrid painted;
    PaintResource(painted, ResourceFormat(0, 1, 1, 0));
    PaintResource(painted, ResourceFormat(0, 0, 1, 0));
    struct Case {
        const char* name;
        const ResourceGrid& grid;
        ResourceFormat format;
        bool requestOutput;
        Rect selection;
    };
    const ResourceGrid empty;
    const Case cases[] = {
        {"empty slot", painted, ResourceFormat(0, 2, 1, 0), true, Rect{0, 0, 30, 30}},
        {"empty slot, small selection", empty, ResourceFormat(0, 1, 1, 0), true, Rect{0, 0, 8, 8}},
        {"no slot of that format", painted, ResourceFormat(9, 1, 1, 0), true, Rect{0, 0, 30, 30}},
        {"a depth outside the three", painted, ResourceFormat(0, 7, 1, 0), true, Rect{0, 0, 30, 30}},
        {"no output buffer", painted, ResourceFormat(0, 1, 1, 0), false, Rect{0, 0, 30, 30}},
    };
    for (const Case& c : cases) {
        LayerHost host(PaintedLayer(30, 30, 4));
        ASSERT_TRUE(host.SetSelection(c.selection));
        if (c.requestOutput) {
            RequestSelection(host);
        }
        test::FakeAlerts alerts;
        PluginCall call(&host.Record(), alerts);
        WriteResourceToLayer(call, c.format, c.grid);
        host.CommitOutput();
        EXPECT_TRUE(alerts.Shown().empty()) << c.name;
        ExpectLayer(host.GetLayer(), 0, 0, 0, 32);
    }
}

TEST(WriteResourceToLayer, IndicesPastAShortColourTableReadAsBlack) {
    // An 8-bit 16 x 16 image whose header says it uses 16 colours: the table holds 16 entries only.
    constexpr uint32_t kSize = 40 + 16 * 4 + 16 * 16 + 16 * 4;
    std::unique_ptr<uint8_t[]> block(new uint8_t[kSize]());
    StoreU32LE(block.get(), 40);
    StoreU32LE(block.get() + 4, 16);
    StoreU32LE(block.get() + 8, 32);
    StoreU16LE(block.get() + 12, 1);
    StoreU16LE(block.get() + 14, 8);
    StoreU32LE(block.get() + 32, 16);
    uint8_t* table = block.get() + 40;
    table[3 * 4 + 2] = 200;  // entry 3 is red 200
    uint8_t* rows = table + 16 * 4;
    const int top = 15 * 16;  // the top square row is stored last
    rows[top + 0] = 3;
    rows[top + 1] = 200;  // far past the table
    ResourceGrid grid;
    const ResourceFormat format(0, 1, 1, 0);
    ASSERT_TRUE(grid.AdoptImage(ResourceGrid::SlotForFormat(format), std::move(block), kSize, 0));

    LayerHost host(PaintedLayer(16, 16, 4));
    RequestSelection(host);
    test::FakeAlerts alerts;
    PluginCall call(&host.Record(), alerts);
    WriteResourceToLayer(call, format, grid);
    host.CommitOutput();
    const uint8_t* first = host.GetLayer().At(0, 0);
    const uint8_t* second = host.GetLayer().At(1, 0);
    EXPECT_EQ((std::vector<uint8_t>{200, 0, 0, 255}), std::vector<uint8_t>(first, first + 4));
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 255}), std::vector<uint8_t>(second, second + 4));
}

// Apply as the Start call runs it: the parameters block names a saved file and a resource in it.
class ApplyToLayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("tessera_apply_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir_);
        icoPath_ = (dir_ / "saved.ico").string();
        ResourceGrid grid;
        PaintResource(grid, ResourceFormat(2, 1, 1, 0));  // 32 x 32 at 8 bits
        test::FakeAlerts alerts;
        ASSERT_EQ(IcoResult::Ok, test::WriteIco(grid, icoPath_, PlatformFileSystem(), alerts));
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static std::vector<uint8_t> Block(const std::string& path, int size, int depth) {
        ParametersBlock block;
        block.marker = 1;
        block.size = size;
        block.depth = depth;
        block.mask = 1;
        block.documentName = "saved.ico";
        block.documentPath = path;
        std::vector<uint8_t> bytes(kParametersBlockSize);
        EncodeParametersBlock(block, std::span<uint8_t, kParametersBlockSize>(bytes.data(), kParametersBlockSize));
        return bytes;
    }

    std::filesystem::path dir_;
    std::string icoPath_;
};

TEST_F(ApplyToLayerTest, WritesTheSavedResourceCentredAndEndsTheRequest) {
    LayerHost host(PaintedLayer(50, 40, 4), LayerHostOptions{.rowPadding = 1, .haveMask = true});
    ASSERT_TRUE(host.SetParameters(Block(icoPath_, 2, 1)));
    test::FakeAlerts alerts;
    PluginCall call(&host.Record(), alerts);

    ApplyToLayer(call, PlatformFileSystem());
    const FilterRecord& r = host.Record();
    EXPECT_EQ(noErr, call.result);
    EXPECT_TRUE(alerts.Shown().empty());
    EXPECT_EQ(0, host.LockedHandles());
    for (const Rect& rect : {r.inRect, r.outRect, r.maskRect}) {
        EXPECT_TRUE(rect.top == 0 && rect.left == 0 && rect.bottom == 0 && rect.right == 0);
    }
    host.CommitOutput();
    ExpectLayer(host.GetLayer(), 25 - 16, 20 - 16, 32, 8);
}

TEST_F(ApplyToLayerTest, FailuresAndWhatTheyShow) {
    struct Case {
        const char* name;
        std::function<void(LayerHost&)> setUp;
        OSErr result;
        std::vector<std::string> messages;
        AlertCaption caption;
    };
    const auto params = [](const std::string& path, int size, int depth) {
        return [=](LayerHost& host) { ASSERT_TRUE(host.SetParameters(Block(path, size, depth))); };
    };
    const std::string missing = (dir_ / "missing.ico").string();
    const std::string malformed = (dir_ / "malformed.ico").string();
    std::ofstream(malformed, std::ios::binary) << "not an icon";
    const Case cases[] = {
        {"no parameters handle", [](LayerHost&) {}, nilHandleErr, {"DoFilterRect failed!"}, AlertCaption::Module},
        {"lock fails",
         [&](LayerHost& host) {
             params(icoPath_, 2, 1)(host);
             host.SetLockFails(true);
         },
         paramErr,
         {"DoFilterRect failed!"},
         AlertCaption::Module},
        {"no lock callback",
         [&](LayerHost& host) {
             params(icoPath_, 2, 1)(host);
             host.Procs().numHandleProcs = 4;
         },
         paramErr,
         {"DoFilterRect failed!"},
         AlertCaption::Module},
        {"host cannot deliver the selection",
         [&](LayerHost& host) {
             params(icoPath_, 2, 1)(host);
             host.SetAdvanceStateError(memFullErr);
         },
         memFullErr,
         {},
         AlertCaption::Module},
        {"file cannot be opened", params(missing, 2, 1), noErr, {}, AlertCaption::Module},
        {"file is not an icon", params(malformed, 2, 1), noErr, {"Error reading .ICO file header"}, AlertCaption::Path},
        {"no image of that kind in the file", params(icoPath_, 0, 1), noErr, {}, AlertCaption::Module},
        {"a path longer than the block keeps",
         params(icoPath_ + std::string(1100, 'p'), 2, 1),
         noErr,
         {texts::kStoredPathTooLong},
         AlertCaption::Product},
#ifndef _WIN32
        {"a stored path that is no text",
         [&](LayerHost& host) {
             std::vector<uint8_t> bytes = Block("C:\\a.ico", 2, 1);
             bytes[280 + 3] = 0x81;  // neither UTF-8 nor Windows-1252
             ASSERT_TRUE(host.SetParameters(bytes));
         },
         noErr,
         {texts::kStoredPathNotText},
         AlertCaption::Product},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LayerHost host(PaintedLayer(50, 40, 3));
        c.setUp(host);
        test::FakeAlerts alerts;
        PluginCall call(&host.Record(), alerts);
        ApplyToLayer(call, PlatformFileSystem());
        EXPECT_EQ(c.result, call.result);
        ASSERT_EQ(c.messages.size(), alerts.Shown().size());
        for (size_t i = 0; i < c.messages.size(); ++i) {
            EXPECT_EQ(c.messages[i], alerts.Shown()[i].text);
            EXPECT_EQ(c.caption, alerts.Shown()[i].caption);
            if (c.caption == AlertCaption::Module) {
                EXPECT_EQ(AlertIcon::Warning, alerts.Shown()[i].icon);
            }
        }
        EXPECT_TRUE(RectIsEmpty(host.Record().outRect));
        EXPECT_EQ(0, host.LockedHandles());
        host.CommitOutput();
        ExpectLayer(host.GetLayer(), 0, 0, 0, 32);
    }
}

TEST(ApplyToLayer, AHostThatDeliversNothingIsToldOnceAndTakesNothingBack) {
    LayerHost host(PaintedLayer(50, 40, 4), LayerHostOptions{.quirks = {.noBuffers = true}});
    test::FakeAlerts alerts;
    PluginCall call(&host.Record(), alerts);
    LayerSquares squares;
    CenterLayerSquare(call, squares, 0, 16, 16);
    EXPECT_FALSE(FetchLayerSquare(call));
    EXPECT_FALSE(FetchLayerSquare(call));
    EXPECT_EQ(noErr, call.result);
    EXPECT_FALSE(CurrentLayerImage(call, 16));

    ApplyToLayer(call, PlatformFileSystem());
    EXPECT_EQ(userCanceledErr, call.result);
    ASSERT_EQ(1u, alerts.Shown().size());
    EXPECT_EQ(texts::kHostDeliversNoPixels, alerts.Shown()[0].text);
    EXPECT_EQ(AlertCaption::Product, alerts.Shown()[0].caption);
    EXPECT_EQ(AlertIcon::Warning, alerts.Shown()[0].icon);
    host.CommitOutput();
    ExpectLayer(host.GetLayer(), 0, 0, 0, 32);
}

}  // namespace
}  // namespace tessera
