// `tessera build`: PNG layers made here go through the command, and the icon it writes is read back
// with the plug-in's reader: which slots are filled, what their pixels, masks and tables hold, and how
// the command refuses what it cannot do.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <png.h>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "base/png_codec.h"
#include "base/rgb.h"
#include "cli/commands.h"
#include "color/convert.h"
#include "hostapp/png.h"
#include "icon/ico_file.h"
#include "icon/resource_grid.h"
#include "support/fake_alerts.h"
#include "support/ico_fixtures.h"
#include "support/layers.h"
#include "ui/main_commands.h"

namespace tessera {
namespace {

namespace fs = std::filesystem;
using cli::RunBuildCommand;

struct Pixel {
    uint8_t r, g, b, a;
};

// A layer whose pixel (x, y) is `pixel(x, y)`; the transparency plane only with four planes.
Layer MakeTestLayer(int width, int height, int planes, const std::function<Pixel(int, int)>& pixel) {
    return test::LayerOfPixels(width, height, planes, [&](int x, int y) {
        const Pixel p = pixel(x, y);
        return test::Rgba{p.r, p.g, p.b, p.a};
    });
}

// Writes the layer as a PNG with the platform's own library, as any drawing program would.
bool WriteLayerPng(const Layer& layer, const std::string& path) {
    std::string error;
    return WritePngLayer(layer, path, error);
}

// One slot of a written icon, read back; rows count from the bottom, as the icon stores them.
class SlotBits {
  public:
    SlotBits(const ResourceGrid& grid, int size, int depth) : format_(SlotFormat(GridSlotAt(size, depth))) {
        present_ = grid.Slot(ResourceGrid::SlotForFormat(format_)).present != 0;
        grid.GetResourceBits(format_, bits_);
    }
    [[nodiscard]] bool Present() const { return present_; }
    [[nodiscard]] const uint8_t* Bgra(int x, int k) const { return bits_.colorRows + k * bits_.colorStride + 4 * x; }
    [[nodiscard]] int Index8(int x, int k) const { return bits_.colorRows[k * bits_.colorStride + x]; }
    [[nodiscard]] int MaskBit(int x, int k) const {
        return (bits_.maskRows[k * bits_.maskStride + x / 8] >> (7 - x % 8)) & 1;
    }
    [[nodiscard]] Rgb Entry(int i) const {
        const uint8_t* quad = bits_.colorTable + 4 * i;
        return Rgb{quad[2], quad[1], quad[0]};
    }
    [[nodiscard]] bool MaskEmpty() const {
        const int side = format_.PixelSize();
        for (int k = 0; k < side; ++k) {
            for (int x = 0; x < side; ++x) {
                if (MaskBit(x, k) != 0) {
                    return false;
                }
            }
        }
        return true;
    }

  private:
    ResourceFormat format_;
    bool present_ = false;
    ResourceBits bits_;
};

struct Outcome {
    int code = -1;
    std::string err;  // everything the command printed on its error stream
};

class BuildCommandTest : public testing::Test {
  protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("tessera-build-") + info->test_suite_name() + "-" + info->name();
        std::replace(name.begin(), name.end(), '/', '-');
        folder_ = fs::temp_directory_path() / name;
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(folder_, error);
    }

    [[nodiscard]] std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

    std::string WriteLayer(const Layer& layer) {
        const std::string path = PathOf("layer.png");
        EXPECT_TRUE(WriteLayerPng(layer, path));
        return path;
    }

    void Put(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream out(PathOf(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    // Runs `tessera build` with its streams in files of the test's folder.
    Outcome Build(const std::vector<std::string>& args) const {
        Outcome outcome;
        std::FILE* out = std::fopen(PathOf("stdout.txt").c_str(), "w+");
        std::FILE* err = std::fopen(PathOf("stderr.txt").c_str(), "w+");
        if (out == nullptr || err == nullptr) {
            ADD_FAILURE() << "cannot make the command's streams";
        } else {
            cli::StreamAlerts alerts(err);
            cli::CommandContext context{PlatformFileSystem(), alerts, out, err};
            outcome.code = RunBuildCommand(args, context);
            std::fflush(err);
            std::rewind(err);
            for (int c = std::fgetc(err); c != EOF; c = std::fgetc(err)) {
                outcome.err.push_back(static_cast<char>(c));
            }
        }
        for (std::FILE* stream : {out, err}) {
            if (stream != nullptr) {
                std::fclose(stream);
            }
        }
        return outcome;
    }

    // Builds from `layer` into out.ico and reads the icon back; the command must succeed quietly.
    void BuildInto(ResourceGrid& grid, const std::string& layer, std::vector<std::string> options) const {
        std::vector<std::string> args{layer, "-o", PathOf("out.ico")};
        args.insert(args.end(), options.begin(), options.end());
        const Outcome outcome = Build(args);
        ASSERT_EQ(cli::kExitOk, outcome.code) << outcome.err;
        EXPECT_EQ("", outcome.err) << "stderr is not a terminal: no progress, no message";
        test::FakeAlerts alerts;
        ASSERT_EQ(IcoResult::Ok, test::ReadIco(grid, PathOf("out.ico"), PlatformFileSystem(), alerts));
    }

    // The (size, depth) of every filled slot, in slot order.
    static std::vector<std::pair<int, int>> Filled(const ResourceGrid& grid) {
        std::vector<std::pair<int, int>> filled;
        for (int size = 0; size < 4; ++size) {
            for (int depth = 0; depth < 3; ++depth) {
                if (SlotBits(grid, size, depth).Present()) {
                    filled.emplace_back(size, depth);
                }
            }
        }
        return filled;
    }

    fs::path folder_;
};

// Every pixel tells where it came from: red = 4x, green = 5y, blue 9, opaque.
Pixel Numbered(int x, int y) {
    return Pixel{static_cast<uint8_t>(4 * x), static_cast<uint8_t>(5 * y), 9, 255};
}

struct CutCase {
    const char* name;
    int side;
    std::vector<std::string> options;
    int left;  // where the square lands in the 60 x 50 layer
    int top;
};

class BuildCut : public BuildCommandTest, public testing::WithParamInterface<CutCase> {};

// The true-colour image of the size holds exactly the layer's pixels under the square, bottom row
// first; what lies outside the image is transparent there, in the alpha and in the mask. The largest
// Windows size is a PNG stream that decodes to those pixels.
TEST_P(BuildCut, TheSquareIsCutWhereItWasPut) {
    const CutCase& c = GetParam();
    const std::string layer = WriteLayer(MakeTestLayer(60, 50, 4, Numbered));
    std::vector<std::string> options{"--sizes", std::to_string(c.side), "--depths", "32"};
    options.insert(options.end(), c.options.begin(), c.options.end());
    ResourceGrid grid;
    BuildInto(grid, layer, options);
    const IconResource& slot = grid.Slot(ResourceGrid::SlotIndex(c.side, c.side, 32));
    ASSERT_EQ(1, slot.present);
    ASSERT_EQ(c.side == 256, slot.png);
    const std::optional<BgraImage> decoded = slot.png ? DecodePng({slot.image.get(), slot.imageSize}) : std::nullopt;
    ASSERT_EQ(slot.png, decoded.has_value());
    const int maskStride = MaskStride(c.side);
    for (int k = 0; k < c.side; ++k) {
        for (int j = 0; j < c.side; ++j) {
            const int x = c.left + j;
            const int y = c.top + c.side - 1 - k;
            const bool inside = x >= 0 && x < 60 && y >= 0 && y < 50;
            const Pixel p = inside ? Numbered(x, y) : Pixel{0, 0, 0, 0};
            const uint8_t* out = decoded ? decoded->At(j, k) : slot.colorBits + 4 * (k * c.side + j);
            ASSERT_EQ((std::vector<int>{p.b, p.g, p.r, p.a}), (std::vector<int>{out[0], out[1], out[2], out[3]}))
                << "layer pixel " << x << "," << y;
            if (!decoded) {
                ASSERT_EQ(inside ? 0 : 1, (slot.maskBits[k * maskStride + j / 8] >> (7 - j % 8)) & 1)
                    << "layer pixel " << x << "," << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Squares,
    BuildCut,
    testing::Values(CutCase{"CentredInTheImage", 16, {}, 30 - 8, 25 - 8},
                    CutCase{"Placed", 16, {"--square", "16:5,9"}, 5, 9},
                    CutCase{"PlacedForAnotherSizeOnly", 16, {"--square", "48:0,0"}, 22, 17},
                    CutCase{"LastPlacementWins", 16, {"--square", "16:1,1", "--square", "16:40,30"}, 40, 30},
                    CutCase{"CentredInTheSelection", 16, {"--selection", "10,10,30,20"}, 20 - 8, 15 - 8},
                    CutCase{"PartlyOutsideTheImage", 16, {"--square", "16:-4,40"}, -4, 40},
                    CutCase{"AWindowsSizePartlyOutsideTheImage", 20, {"--square", "20:-4,40"}, -4, 40},
                    CutCase{"AWindowsSizeCentred", 36, {"--square", "20:0,0"}, 30 - 18, 25 - 18},
                    CutCase{"TheLargestAsPng", 256, {"--square", "256:-100,-3"}, -100, -3}),
    [](const testing::TestParamInfo<CutCase>& param) { return std::string(param.param.name); });

TEST_F(BuildCommandTest, ALayerWithoutTransparencyGivesAlpha255AndEmptyMasks) {
    const std::string layer = WriteLayer(MakeTestLayer(70, 60, 3, [](int x, int y) {
        return Pixel{static_cast<uint8_t>(x * 3), static_cast<uint8_t>(y * 4), static_cast<uint8_t>(x + y), 0};
    }));
    ResourceGrid grid;
    BuildInto(grid, layer, {});
    ASSERT_EQ(12, grid.CountPresent());
    for (int size = 0; size < 4; ++size) {
        for (int depth = 0; depth < 3; ++depth) {
            EXPECT_TRUE(SlotBits(grid, size, depth).MaskEmpty()) << "size " << size << " depth " << depth;
        }
        const SlotBits trueColour(grid, size, 2);
        const int side = kGridSides[static_cast<size_t>(size)];
        for (int k = 0; k < side; ++k) {
            for (int x = 0; x < side; ++x) {
                ASSERT_EQ(255, trueColour.Bgra(x, k)[3]) << "size " << size;
            }
        }
    }
}

TEST_F(BuildCommandTest, SizesAndDepthsChooseTheSlots) {
    const std::string layer = WriteLayer(MakeTestLayer(64, 64, 4, Numbered));
    ResourceGrid grid;
    BuildInto(grid, layer, {"--sizes", "48,24", "--depths", "32,4"});
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, 0}, {1, 2}, {3, 0}, {3, 2}}), Filled(grid));
    ResourceGrid windows;
    BuildInto(windows, layer, {"--sizes", "256,30,16", "--depths", "8"});
    EXPECT_EQ((std::vector<std::pair<int, int>>{{0, 1}}), Filled(windows)) << "--depths is for the grid's sizes";
    EXPECT_EQ(3, windows.CountPresent()) << "the Windows sizes at 32 bits per pixel";
    EXPECT_EQ(1, windows.Slot(ResourceGrid::SlotIndex(30, 30, 32)).present);
    EXPECT_EQ(1, windows.Slot(ResourceGrid::SlotIndex(256, 256, 32)).present);
}

// One flat colour: the automatic table is that colour's cell centre and nothing else; the 16-colour
// slot keeps the built-in table whatever the 256-colour table is. The tables' names are taken in any
// letter case.
TEST_F(BuildCommandTest, TheAutomaticTableOfOneColourIsItsCellCentre) {
    const std::string layer = WriteLayer(MakeTestLayer(40, 40, 4, [](int, int) { return Pixel{201, 77, 14, 255}; }));
    ResourceGrid grid;
    BuildInto(grid, layer, {"--table", "Auto", "--sizes", "16", "--depths", "4,8"});
    const SlotBits colours256(grid, 0, 1);
    ASSERT_TRUE(colours256.Present());
    EXPECT_EQ((Rgb{202, 78, 14}), colours256.Entry(0));
    for (int i = 1; i < 256; ++i) {
        ASSERT_EQ((Rgb{0, 0, 0}), colours256.Entry(i)) << "entry " << i;
    }
    for (int k = 0; k < 16; ++k) {
        for (int x = 0; x < 16; ++x) {
            ASSERT_EQ(0, colours256.Index8(x, k));
        }
    }
    const SlotBits colours16(grid, 0, 0);
    EXPECT_EQ((Rgb{255, 0, 255}), colours16.Entry(0));
    EXPECT_EQ((Rgb{0, 0, 0}), colours16.Entry(15));

    ResourceGrid builtIn;
    BuildInto(builtIn, layer, {"--table", "BUILTIN", "--sizes", "16", "--depths", "8"});
    EXPECT_EQ((Rgb{255, 255, 255}), SlotBits(builtIn, 0, 1).Entry(0));
}

// A .act table is used as the file holds it; a longer file gives its first 768 bytes.
TEST_F(BuildCommandTest, ACustomTableIsTakenFromTheFile) {
    std::vector<uint8_t> act(772, 0);
    for (size_t i = 0; i < 768; ++i) {
        act[i] = static_cast<uint8_t>(i * 7);
    }
    act[15] = 201;  // entry 5: the layer's colour exactly
    act[16] = 77;
    act[17] = 14;
    Put("table.act", act);
    const std::string layer = WriteLayer(MakeTestLayer(40, 40, 4, [](int, int) { return Pixel{201, 77, 14, 255}; }));
    ResourceGrid grid;
    BuildInto(grid, layer, {"--table", PathOf("table.act"), "--sizes", "24", "--depths", "8"});
    const SlotBits slot(grid, 1, 1);
    for (size_t i = 0; i < 256; ++i) {
        ASSERT_EQ((Rgb{act[3 * i], act[3 * i + 1], act[3 * i + 2]}), slot.Entry(static_cast<int>(i))) << "entry " << i;
    }
    EXPECT_EQ(5, slot.Index8(0, 0));
    EXPECT_EQ(5, slot.Index8(23, 23));
}

// Each --add image goes in as it is: the 256 and 64 pixel ones into their Windows sizes' slots, the
// first as a PNG that decodes to its pixels, the second as the block a true-colour slot of its side
// would hold; a 16 pixel one takes the true-colour 16 slot, which was not built; a 128 pixel one, of no
// size the icon has, after the slots as a PNG.
TEST_F(BuildCommandTest, AddedImagesGoInAsTheyAre) {
    const std::string layer = WriteLayer(MakeTestLayer(60, 50, 4, Numbered));
    const auto shaded = [](int x, int y) {
        return Pixel{static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(x ^ y),
                     static_cast<uint8_t>((x + 2 * y) % 256)};
    };
    std::vector<Layer> images;
    for (const int side : {256, 64, 16, 128}) {
        images.push_back(MakeTestLayer(side, side, 4, shaded));
        ASSERT_TRUE(WriteLayerPng(images.back(), PathOf("a" + std::to_string(side) + ".png")));
    }
    ResourceGrid grid;
    BuildInto(grid, layer,
              {"--depths", "4,8", "--add", PathOf("a256.png"), "--add", PathOf("a64.png"), "--add", PathOf("a16.png"),
               "--add", PathOf("a128.png")});
    EXPECT_EQ(11, grid.CountPresent());
    ASSERT_EQ(1u, grid.KeptCount());

    const IconResource& large = grid.Slot(ResourceGrid::SlotIndex(256, 256, 32));
    ASSERT_TRUE(large.png);
    Put("large.png", std::vector<uint8_t>(large.image.get(), large.image.get() + large.imageSize));
    std::string error;
    const std::optional<Layer> decoded = ReadPngLayer(PathOf("large.png"), error);
    ASSERT_TRUE(decoded) << error;
    ASSERT_EQ(4, decoded->planes);
    EXPECT_TRUE(std::equal(decoded->pixels.get(), decoded->pixels.get() + 256 * 256 * 4, images[0].pixels.get()));

    const auto blockOf = [](const Layer& image) {
        uint32_t size = 0;
        const std::unique_ptr<uint8_t[]> block =
            TrueColorBlock(LayerImage{image.pixels.get(), image.width * 4, 4, image.width}, size);
        return std::vector<uint8_t>(block.get(), block.get() + size);
    };
    for (const auto& [side, image] : {std::pair{64, &images[1]}, std::pair{16, &images[2]}}) {
        const IconResource& slot = grid.Slot(ResourceGrid::SlotIndex(side, side, 32));
        EXPECT_FALSE(slot.png);
        EXPECT_EQ(blockOf(*image), std::vector<uint8_t>(slot.image.get(), slot.image.get() + slot.imageSize));
    }
    const KeptImage& kept = grid.Kept(0);
    EXPECT_TRUE(kept.IsPng());
    EXPECT_EQ((std::vector<int>{128, 128, 0, 0, 1, 32}),
              (std::vector<int>{kept.width, kept.height, kept.colorCount, kept.reserved, kept.planes, kept.bitCount}));
}

struct RefusalCase {
    const char* name;
    std::vector<std::string> args;  // "LAYER" is the test's layer, "OUT" the icon, "@x" the file x
    int code;
    const char* says;  // what the error stream must hold
};

class BuildRefusal : public BuildCommandTest, public testing::WithParamInterface<RefusalCase> {};

// Each mistake is named on the error stream, gets its exit code, and leaves no icon behind.
TEST_P(BuildRefusal, SaysWhyAndWritesNothing) {
    const RefusalCase& c = GetParam();
    const std::string layer = WriteLayer(MakeTestLayer(60, 50, 4, Numbered));
    Put("short.act", std::vector<uint8_t>(767, 1));
    // The colour under the transparency is not black: only the transparency makes a square empty.
    const Layer clear = MakeTestLayer(40, 40, 4, [](int, int) { return Pixel{200, 100, 50, 0}; });
    ASSERT_TRUE(WriteLayerPng(clear, PathOf("clear.png")));
    Put("text.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g', '\n'});
    for (const auto& [name, side] :
         {std::pair{"wide.png", 0}, std::pair{"big.png", 257}, std::pair{"a48.png", 48}, std::pair{"a64.png", 64}}) {
        ASSERT_TRUE(
            WriteLayerPng(MakeTestLayer(side == 0 ? 20 : side, side == 0 ? 16 : side, 4, Numbered), PathOf(name)));
    }
    std::vector<std::string> args;
    for (const std::string& arg : c.args) {
        args.push_back(arg == "LAYER"  ? layer
                       : arg == "OUT"  ? PathOf("out.ico")
                       : arg[0] == '@' ? PathOf(arg.substr(1))
                                       : arg);
    }
    const Outcome outcome = Build(args);
    EXPECT_EQ(c.code, outcome.code);
    EXPECT_NE(std::string::npos, outcome.err.find(c.says)) << outcome.err;
    EXPECT_FALSE(fs::exists(PathOf("out.ico")));
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes,
    BuildRefusal,
    testing::Values(
        RefusalCase{"MissingLayer", {"@none.png", "-o", "OUT"}, cli::kExitFailed, "cannot open"},
        RefusalCase{"NotAPng", {"@text.png", "-o", "OUT"}, cli::kExitFailed, "is not a PNG image"},
        RefusalCase{"ShortTable",
                    {"LAYER", "-o", "OUT", "--table", "@short.act"},
                    cli::kExitFailed,
                    "short.act: There was a problem reading the color table file: the number of color table "
                    "entries is incorrect.\n"},
        RefusalCase{"MissingTable",
                    {"LAYER", "-o", "OUT", "--table", "@none.act"},
                    cli::kExitFailed,
                    "none.act: Can't open color table file\n"},
        RefusalCase{"SelectionOutsideTheImage",
                    {"LAYER", "-o", "OUT", "--selection", "10,10,61,20"},
                    cli::kExitUsage,
                    "not inside the 60 x 50 image"},
        RefusalCase{"EmptySelection", {"LAYER", "-o", "OUT", "--selection", "10,10,10,20"}, cli::kExitUsage, "empty"},
        RefusalCase{"SelectionOfThreeNumbers",
                    {"LAYER", "-o", "OUT", "--selection", "1,2,3"},
                    cli::kExitUsage,
                    "--selection needs"},
        RefusalCase{"SquarePastTheLargestRectangle",
                    {"LAYER", "-o", "OUT", "--square", "48:32720,0"},
                    cli::kExitUsage,
                    "does not fit a 16-bit rectangle"},
        RefusalCase{"SquareBeforeTheSmallestRectangle",
                    {"LAYER", "-o", "OUT", "--square", "16:0,-32769"},
                    cli::kExitUsage,
                    "does not fit a 16-bit rectangle"},
        RefusalCase{"DefaultSizeOnATransparentArea",
                    {"@clear.png", "-o", "OUT"},
                    cli::kExitFailed,
                    "tessera: the square 16:12,12 holds no visible pixel; place it on the drawing with --square or "
                    "leave 16 out of --sizes; nothing was written\n"},
        RefusalCase{"WindowsSizeJustOffTheImage",
                    {"LAYER", "-o", "OUT", "--sizes", "16,20", "--square", "20:60,0"},
                    cli::kExitFailed,
                    "the square 20:60,0 holds no visible pixel"},
        // The last square that still fits a 16-bit rectangle passes the command line, far off the image.
        RefusalCase{"LastSquareThatFitsOffTheImage",
                    {"LAYER", "-o", "OUT", "--sizes", "48", "--square", "48:32719,-32768"},
                    cli::kExitFailed,
                    "the square 48:32719,-32768 holds no visible pixel"},
        RefusalCase{"SquareOfNoIconSize", {"LAYER", "-o", "OUT", "--square", "28:0,0"}, cli::kExitUsage, "--square"},
        RefusalCase{"SquareWithoutCorner", {"LAYER", "-o", "OUT", "--square", "16"}, cli::kExitUsage, "--square"},
        RefusalCase{"NoIconSize", {"LAYER", "-o", "OUT", "--sizes", "16,28"}, cli::kExitUsage, "--sizes"},
        RefusalCase{"NoIconDepth", {"LAYER", "-o", "OUT", "--depths", "24"}, cli::kExitUsage, "--depths"},
        RefusalCase{"NoOutput", {"LAYER"}, cli::kExitUsage, "-o OUT.ico"},
        RefusalCase{"OptionWithoutValue", {"LAYER", "-o", "OUT", "--table"}, cli::kExitUsage, "needs a value"},
        RefusalCase{"UnknownOption", {"LAYER", "-o", "OUT", "--dither"}, cli::kExitUsage, "unknown option"},
        RefusalCase{"TwoLayers", {"LAYER", "LAYER", "-o", "OUT"}, cli::kExitUsage, "more than one layer"},
        RefusalCase{"MissingAddedImage", {"LAYER", "-o", "OUT", "--add", "@none.png"}, cli::kExitFailed, "cannot open"},
        RefusalCase{"AddedImageNotSquare",
                    {"LAYER", "-o", "OUT", "--add", "@wide.png"},
                    cli::kExitFailed,
                    "wide.png is 20 x 16 pixels; an icon image must be square\n"},
        RefusalCase{"AddedImageTooLarge",
                    {"LAYER", "-o", "OUT", "--add", "@big.png"},
                    cli::kExitFailed,
                    "big.png is 257 pixels a side; an icon image has at most 256\n"},
        RefusalCase{"AddedImageOfABuiltSlot",
                    {"LAYER", "-o", "OUT", "--add", "@a48.png"},
                    cli::kExitFailed,
                    "a48.png would be a second 48 x 48 image at 32 bits per pixel in the icon\n"},
        RefusalCase{"AddedImageOfABuiltWindowsSize",
                    {"LAYER", "-o", "OUT", "--sizes", "16,64", "--add", "@a64.png"},
                    cli::kExitFailed,
                    "a64.png would be a second 64 x 64 image at 32 bits per pixel in the icon\n"},
        RefusalCase{"AddedImageTwice",
                    {"LAYER", "-o", "OUT", "--add", "@a64.png", "--add", "@a64.png"},
                    cli::kExitFailed,
                    "a64.png would be a second 64 x 64 image at 32 bits per pixel in the icon\n"}),
    [](const testing::TestParamInfo<RefusalCase>& param) { return std::string(param.param.name); });

#ifndef _WIN32
// The kinds of PNG a drawing program writes besides 8-bit RGB and RGBA, decoded as a photo editor
// opens them: no gamma applied, grey as three equal channels, a transparent colour as transparency.
struct DecodeCase {
    const char* name;
    png_uint_32 format;            // libpng's simplified format of the samples below
    std::vector<uint8_t> samples;  // one pixel, or a colour-map index with `colormap`
    std::vector<uint8_t> colormap;
    int planes;
    Pixel expected;
};

class PngDecoding : public BuildCommandTest, public testing::WithParamInterface<DecodeCase> {};

TEST_P(PngDecoding, GivesTheLayerAPhotoEditorWouldOpen) {
    const DecodeCase& c = GetParam();
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 1;
    image.height = 1;
    image.format = c.format;
    image.colormap_entries = static_cast<png_uint_32>(c.colormap.size() / 4);
    const std::string path = PathOf("decode.png");
    ASSERT_NE(0, png_image_write_to_file(&image, path.c_str(), 0, c.samples.data(), 0,
                                         c.colormap.empty() ? nullptr : c.colormap.data()))
        << image.message;
    std::string error;
    const std::optional<Layer> layer = ReadPngLayer(path, error);
    ASSERT_TRUE(layer) << error;
    ASSERT_EQ(c.planes, layer->planes);
    const uint8_t* p = layer->At(0, 0);
    EXPECT_EQ((std::vector<int>{c.expected.r, c.expected.g, c.expected.b}), (std::vector<int>{p[0], p[1], p[2]}));
    if (c.planes == 4) {
        EXPECT_EQ(c.expected.a, p[3]);
    }
    // The codec the icons use decodes the same stream to the same pixel, opaque where it has no alpha.
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::optional<BgraImage> decoded = DecodePng(bytes);
    ASSERT_TRUE(decoded);
    const uint8_t* q = decoded->At(0, 0);
    EXPECT_EQ((std::vector<int>{c.expected.b, c.expected.g, c.expected.r, c.planes == 4 ? c.expected.a : 255}),
              (std::vector<int>{q[0], q[1], q[2], q[3]}));
}

// 16-bit samples are little-endian in memory for libpng's simplified writer on this machine.
std::vector<uint8_t> Samples16(std::initializer_list<uint16_t> values) {
    std::vector<uint8_t> bytes;
    for (const uint16_t v : values) {
        bytes.push_back(static_cast<uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds,
    PngDecoding,
    testing::Values(DecodeCase{"Grey", PNG_FORMAT_GRAY, {90}, {}, 3, Pixel{90, 90, 90, 0}},
                    DecodeCase{"GreyWithAlpha", PNG_FORMAT_GA, {90, 30}, {}, 4, Pixel{90, 90, 90, 30}},
                    DecodeCase{"PaletteWithTransparentEntry",
                               PNG_FORMAT_RGBA_COLORMAP,
                               {1},
                               {10, 20, 30, 255, 40, 50, 60, 0},
                               4,
                               Pixel{40, 50, 60, 0}},
                    // Written as linear light with a gamma chunk of 1.0; the samples are taken as they are.
                    DecodeCase{"SixteenBitsScaledWithoutGamma",
                               PNG_FORMAT_LINEAR_RGB,
                               Samples16({25700, 65535, 0}),
                               {},
                               3,
                               Pixel{100, 255, 0, 0}}),
    [](const testing::TestParamInfo<DecodeCase>& param) { return std::string(param.param.name); });

TEST_F(BuildCommandTest, ATruncatedPngIsDamaged) {
    const std::string layer = WriteLayer(MakeTestLayer(60, 50, 4, Numbered));
    const auto size = fs::file_size(layer);
    fs::resize_file(layer, size / 2);
    std::string error;
    EXPECT_FALSE(ReadPngLayer(layer, error));
    EXPECT_NE(std::string::npos, error.find("is damaged")) << error;
}
#endif

}  // namespace
}  // namespace tessera
