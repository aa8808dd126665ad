// The plug-in in hosts that fill the record and answer requests otherwise than the photo editor. A whole
// run (QuickBuild with the automatic table, so the scan runs too, Save, Apply) on the in-process host
// with each quirk switched on gives the icon, the layer and the messages of the photo editor's run,
// byte for byte; and no host is ever asked for pixels outside the image. A layer with a layer mask
// gives the run of the layer as the mask shows it, and its mask stays as it was.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/module_resources.h"
#include "host/apply_to_layer.h"
#include "host/parameters_block.h"
#include "host/plugin_call.h"
#include "host/plugin_entry.h"
#include "hostapp/layer_host.h"
#include "icon/ico_file.h"
#include "support/fake_alerts.h"
#include "support/ico_fixtures.h"
#include "support/layers.h"
#include "ui/layer_render.h"
#include "ui/main_commands.h"

namespace tessera {
namespace {

constexpr int kWidth = 70;
constexpr int kHeight = 60;

// Whether the layer mask of the masked sessions hides the pixels of column x: the left half of the layer.
bool Hidden(int x) {
    return x < kWidth / 2;
}

// Colours that change with every pixel and a transparency that runs from clear to opaque; with
// `hideLeft`, fully transparent where a layer mask would hide it.
Layer Artwork(bool hideLeft = false) {
    return test::LayerOfPixels(kWidth, kHeight, 4, [hideLeft](int x, int y) {
        const bool clear = (x + y) % 7 == 0 || (hideLeft && Hidden(x));
        return test::Rgba{static_cast<uint8_t>(x * 3 + y), static_cast<uint8_t>(y * 4),
                          static_cast<uint8_t>(255 - x * 2), static_cast<uint8_t>(clear ? 0 : 60 + 3 * x)};
    });
}

// A layer mask over the artwork that reveals everything or hides the left half.
std::vector<uint8_t> LayerMask(bool hideLeft) {
    std::vector<uint8_t> mask(static_cast<size_t>(kWidth) * kHeight, 255);
    for (size_t i = 0; i < mask.size(); ++i) {
        mask[i] = hideLeft && Hidden(static_cast<int>(i % kWidth)) ? 0 : 255;
    }
    return mask;
}

// The selection of every session, and where Apply writes the 48-pixel image: centred in it.
constexpr Rect kSelection{2, 3, 58, 66};
constexpr Rect kAppliedSquare{6, 10, 54, 58};

// The main window's work, without the window: every slot built by QuickBuild from squares placed
// partly outside the image, the icon saved, and Apply chosen for the 48-pixel true-colour image.
class QuickBuildAndApply final : public PluginPlatform {
  public:
    explicit QuickBuildAndApply(std::string path) : path_(std::move(path)) {}

    void ShowAbout(intptr_t) override {}
    bool IsFirstRun() override { return false; }
    void ShowWelcome(intptr_t) override {}
    int RunMainWindow(PluginCall& call, intptr_t) override {
        LayerSquareState state;
        state.useActiveTable = true;
        state.automaticTable = true;
        state.squares.positions = {Rect{-5, -4, 11, 12}, Rect{40, 50, 64, 74}, Rect{20, 20, 52, 52},
                                   Rect{-10, 30, 38, 78}};
        ResourceGrid grid;
        for (const int slot : QuickBuildList(ResourceFormat(), false, false)) {
            QuickBuildSlot(call, state, grid, SlotFormat(slot), EmbeddedResources());
        }
        if (test::WriteIco(grid, path_, PlatformFileSystem(), alerts) != IcoResult::Ok) {
            return kMainWindowDone;
        }
        ParametersBlock choice;
        choice.size = 3;
        choice.depth = 2;
        choice.mask = 1;
        choice.documentName = "quirks.ico";
        choice.documentPath = path_;
        StoreApplyChoice(*call.record, choice);
        return kMainWindowApply;
    }
    void ApplyToLayer(PluginCall& call) override { tessera::ApplyToLayer(call, PlatformFileSystem()); }
    Alerts& UserAlerts() override { return alerts; }

    test::FakeAlerts alerts;

  private:
    std::string path_;
};

QuickBuildAndApply* g_platform = nullptr;

void Entry(int16 selector, void* record, intptr_t* data, int16* result) {
    PluginEntry(selector, record, data, result, *g_platform);
}

struct Outcome {
    OSErr result = noErr;
    std::vector<uint8_t> icon;
    std::vector<uint8_t> layer;
    std::vector<std::string> messages;
    int outsideRequests = 0;
};

// A layer mask as the host keeps it: none, one that reveals everything or hides the left half, and
// perhaps a plane after it.
struct MaskPlanes {
    bool present = false;
    bool hideLeft = false;
    bool planeAfter = false;
};

Outcome RunSession(const HostQuirks& quirks, const std::string& path, Layer artwork, const MaskPlanes& mask) {
    std::filesystem::remove(path);
    QuickBuildAndApply platform(path);
    g_platform = &platform;
    LayerHost host(std::move(artwork),
                   LayerHostOptions{.rowPadding = 3,
                                    .haveMask = true,
                                    .quirks = quirks,
                                    .layerMask = mask.present ? LayerMask(mask.hideLeft) : std::vector<uint8_t>{},
                                    .planeAfterMask = mask.planeAfter});
    EXPECT_TRUE(host.SetSelection(kSelection));
    const std::vector<uint8_t> planesAfter = host.PlanesAfterLayer();
    Outcome outcome;
    outcome.result = host.RunFilter(&Entry).result;
    EXPECT_EQ(mask.present, !planesAfter.empty());
    EXPECT_TRUE(planesAfter == host.PlanesAfterLayer());  // Apply never writes the mask or what follows it
    std::ifstream file(path, std::ios::binary);
    outcome.icon.assign(std::istreambuf_iterator<char>(file), {});
    const Layer& layer = host.GetLayer();
    outcome.layer.assign(layer.pixels.get(), layer.pixels.get() + layer.ByteCount());
    for (const Alert& alert : platform.alerts.Shown()) {
        outcome.messages.push_back(alert.text);
    }
    outcome.outsideRequests = host.OutsideRequests();
    g_platform = nullptr;
    return outcome;
}

TEST(HostQuirks, EveryQuirkGivesThePhotoEditorsIconAndLayer) {
    const std::string path = (std::filesystem::path(::testing::TempDir()) / "tessera_quirks.ico").string();
    const Layer artwork = Artwork();
    const Outcome expected = RunSession(HostQuirks{}, path, Artwork(), {});
    ASSERT_EQ(noErr, expected.result);
    EXPECT_TRUE(expected.messages.empty());
    EXPECT_EQ(0, expected.outsideRequests);
    ASSERT_NE(std::vector<uint8_t>(artwork.pixels.get(), artwork.pixels.get() + artwork.ByteCount()), expected.layer);
    ResourceGrid saved;
    test::FakeAlerts alerts;
    ASSERT_EQ(IcoResult::Ok, test::ReadIco(saved, path, PlatformFileSystem(), alerts));
    EXPECT_EQ(kGridSlotCount, saved.CountPresent());
    // What the artist sees of the layer with its left half hidden by a mask: the icon of that half made
    // transparent, and Apply writing it over the layer, whose own planes the mask leaves as they were.
    Outcome hidden = RunSession(HostQuirks{}, path, Artwork(true), {});
    ASSERT_TRUE(expected.icon != hidden.icon);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (!(x >= kAppliedSquare.left && x < kAppliedSquare.right && y >= kAppliedSquare.top &&
                  y < kAppliedSquare.bottom)) {
                const auto at = (static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)) * 4;
                std::memcpy(&hidden.layer[at], artwork.At(x, y), 4);
            }
        }
    }

    const struct {
        const char* what;
        HostQuirks quirks;
        MaskPlanes mask{};
    } cases[] = {
        {"no padding", {.noPadding = true}},
        {"no pixel steps", {.zeroColumnBytes = true}},
        {"no absolute layer planes", {.noAbsoluteLayerPlanes = true}},
        {"rectangles clamped in place", {.clampRectsInPlace = true}},
        {"new buffers at every call", {.newBuffersEveryCall = true}},
        {"a fresh output surface", {.freshOutput = true}},
        {"no Parameters call", {.skipParameters = true}},
        {"handle sizes unknown", {.handleSizesUnknown = true}},
        {"all at once",
         {.noPadding = true,
          .zeroColumnBytes = true,
          .noAbsoluteLayerPlanes = true,
          .clampRectsInPlace = true,
          .newBuffersEveryCall = true,
          .freshOutput = true,
          .skipParameters = true,
          .handleSizesUnknown = true}},
        // A layer mask comes as a plane after the transparency; what it reveals is what the icon shows.
        {"a layer mask that reveals everything", {}, {.present = true}},
        {"a layer mask that hides the left half", {}, {.present = true, .hideLeft = true}},
        {"a plane after the layer mask", {}, {.present = true, .planeAfter = true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = RunSession(c.quirks, path, Artwork(), c.mask);
        const Outcome& seen = c.mask.hideLeft ? hidden : expected;
        EXPECT_EQ(seen.result, outcome.result);
        EXPECT_EQ(seen.messages, outcome.messages);
        EXPECT_EQ(0, outcome.outsideRequests);
        EXPECT_TRUE(seen.icon == outcome.icon);
        EXPECT_TRUE(seen.layer == outcome.layer);
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace tessera
