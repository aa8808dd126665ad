// tessera build LAYER.png -o OUT.ico: the icon the window's QuickBuild and Save make from the same layer,
// squares and colour table. The PNG becomes the layer of an in-process host, and the plug-in's own code
// places each square, fetches it through advanceState and converts it, slot by slot in QuickBuild's
// order. Each --add image then goes in as it is, and the grid is written with the plug-in's .ico writer.

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/console.h"
#include "base/module_resources.h"
#include "cli/commands.h"
#include "color/act_file.h"
#include "color/convert.h"
#include "host/plugin_call.h"
#include "hostapp/layer_host.h"
#include "hostapp/png.h"
#include "icon/image_kind.h"
#include "ui/layer_render.h"
#include "ui/main_commands.h"

namespace tessera::cli {

const char* const kBuildUsage =
    "tessera build LAYER.png -o OUT.ico [--selection LEFT,TOP,RIGHT,BOTTOM] [--square SIZE:LEFT,TOP ...]\n"
    "              [--sizes 16,20,24,...,256] [--depths 4,8,32] [--table builtin|auto|FILE.act]\n"
    "              [--add IMAGE.png ...]";

const char* const kBuildHelp =
    "Makes the icon the window's QuickBuild and Save make from LAYER.png, whose alpha is the layer's\n"
    "transparency, and writes it as OUT.ico.\n"
    "\n"
    "  -o, --output OUT.ico            the icon to write\n"
    "  --selection LEFT,TOP,RIGHT,BOTTOM\n"
    "                                  the selection the squares are centred in (the whole image)\n"
    "  --square SIZE:LEFT,TOP          places the square of one size by its top-left pixel;\n"
    "                                  repeatable; a size not placed is centred in the selection\n"
    "  --sizes 16,24,32,48             the sizes to build: any of 16, 20, 24, 30, 32, 36, 40, 48,\n"
    "                                  60, 64, 72, 80, 96 and 256 (16, 24, 32, 48). 16, 24, 32 and\n"
    "                                  48 come at each of --depths; the others, the sizes Windows\n"
    "                                  draws at display scales above 100%, at 32 bits per pixel,\n"
    "                                  256 stored as PNG\n"
    "  --depths 4,8,32                 the bits per pixel of 16, 24, 32 and 48 (all)\n"
    "  --table builtin|auto|FILE.act   the 256-color table: built in, made from each square, or a\n"
    "                                  Photoshop color table (builtin)\n"
    "  --add IMAGE.png                 adds a square image of up to 256 pixels as it is, at 32 bits per\n"
    "                                  pixel: stored as PNG above 64 pixels, as a bitmap with its mask\n"
    "                                  otherwise; at a size the icon builds it takes that size's\n"
    "                                  true-color image, which must then not be built; repeatable\n"
    "\n"
    "An icon sharp at every Windows display scale, from a layer with each size drawn (place each\n"
    "square on its drawing with --square):\n"
    "  tessera build art.png -o app.ico --sizes 16,20,24,30,32,36,40,48,60,64,72,80,96,256\n"
    "\n"
    "Any file name works, whatever the system's code page: names are read and printed as Unicode.\n"
    "Exits with 0 when the icon is written, 1 when it could not be, as when a square holds no visible pixel\n"
    "(the reason is on stderr), 2 when the command line is wrong.\n";

namespace {

enum class TableChoice { BuiltIn, Automatic, File };

struct BuildOptions {
    std::string layer;
    std::string output;
    std::optional<Rect> selection;
    LayerSquares squares;
    WindowsSquares windowsSquares;
    std::array<bool, kGridSides.size()> sizes = {true, true, true, true};
    std::array<bool, kWindowsSides.size()> windowsSizes{};
    std::array<bool, kGridDepths.size()> depths = {true, true, true};
    TableChoice table = TableChoice::BuiltIn;
    std::string tablePath;
    std::vector<std::string> added;
};

// The largest image --add takes: the largest an icon directory can name.
constexpr int kLargestAddedSide = 256;
// Above this side an added image is stored as PNG, as Windows expects of its large icon images.
constexpr int kLargestBitmapSide = 64;

// The fields of `text` between commas.
std::vector<std::string_view> Fields(std::string_view text) {
    std::vector<std::string_view> fields;
    for (size_t comma = text.find(','); comma != std::string_view::npos; comma = text.find(',')) {
        fields.push_back(text.substr(0, comma));
        text.remove_prefix(comma + 1);
    }
    fields.push_back(text);
    return fields;
}

// A whole decimal number, sign allowed; false for anything else, or for one too large for 64 bits.
bool Number(std::string_view text, int64_t& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// The index of the number `text` in `choices`; -1 when it is not one of them.
template <size_t N>
int IndexOf(const std::array<int, N>& choices, std::string_view text) {
    int64_t value = 0;
    if (Number(text, value)) {
        for (size_t i = 0; i < N; ++i) {
            if (value == choices[i]) {
                return static_cast<int>(i);
            }
        }
    }
    return -1;
}

// "16,24" into the flags of the sizes (or depths) it names.
template <size_t N>
bool ParseChoices(std::string_view text, const std::array<int, N>& choices, std::array<bool, N>& chosen) {
    chosen.fill(false);
    for (const std::string_view field : Fields(text)) {
        const int index = IndexOf(choices, field);
        if (index < 0) {
            return false;
        }
        chosen[static_cast<size_t>(index)] = true;
    }
    return true;
}

// Every size the icon builds from the layer, as --sizes and --square name them.
constexpr std::array<int, kGridSides.size() + kWindowsSides.size()> kBuildSides = [] {
    std::array<int, kGridSides.size() + kWindowsSides.size()> sides{};
    std::copy(kWindowsSides.begin(), kWindowsSides.end(),
              std::copy(kGridSides.begin(), kGridSides.end(), sides.begin()));
    std::sort(sides.begin(), sides.end());
    return sides;
}();

// The remembered square of a size the icon builds, a grid size's or a Windows size's.
Rect& SquareOfSide(BuildOptions& options, int side) {
    const auto grid = std::find(kGridSides.begin(), kGridSides.end(), side);
    if (grid != kGridSides.end()) {
        return options.squares.positions[static_cast<size_t>(grid - kGridSides.begin())];
    }
    const auto windows = std::find(kWindowsSides.begin(), kWindowsSides.end(), side);
    return options.windowsSquares.positions[static_cast<size_t>(windows - kWindowsSides.begin())];
}

// "16,20,256" into the grid sizes and the Windows sizes it names.
bool ParseSizes(std::string_view text, BuildOptions& options) {
    options.sizes.fill(false);
    options.windowsSizes.fill(false);
    for (const std::string_view field : Fields(text)) {
        const int grid = IndexOf(kGridSides, field);
        const int windows = IndexOf(kWindowsSides, field);
        if (grid >= 0) {
            options.sizes[static_cast<size_t>(grid)] = true;
        } else if (windows >= 0) {
            options.windowsSizes[static_cast<size_t>(windows)] = true;
        } else {
            return false;
        }
    }
    return true;
}

// SIZE:LEFT,TOP. The square must be a 16-bit rectangle, as the host's record holds it; it may lie
// partly or wholly outside the image, as the window lets it.
bool ParseSquare(std::string_view text, BuildOptions& options, CommandContext& context) {
    const size_t colon = text.find(':');
    const std::vector<std::string_view> corner =
        Fields(colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1));
    const int size = colon == std::string_view::npos ? -1 : IndexOf(kBuildSides, text.substr(0, colon));
    int64_t left = 0;
    int64_t top = 0;
    if (size < 0 || corner.size() != 2 || !Number(corner[0], left) || !Number(corner[1], top)) {
        Print(context.err, "tessera: --square needs SIZE:LEFT,TOP with SIZE one of the sizes --sizes takes, not %.*s\n",
              static_cast<int>(text.size()), text.data());
        return false;
    }
    const int side = kBuildSides[static_cast<size_t>(size)];
    const auto fits = [side](int64_t v) { return v >= INT16_MIN && v <= INT16_MAX - side; };
    if (!fits(left) || !fits(top)) {
        Print(context.err, "tessera: the square %.*s does not fit a 16-bit rectangle (%d..%d)\n",
              static_cast<int>(text.size()), text.data(), INT16_MIN, INT16_MAX);
        return false;
    }
    SquareOfSide(options, side) = Rect{static_cast<int16>(top), static_cast<int16>(left),
                                       static_cast<int16>(top + side), static_cast<int16>(left + side)};
    return true;
}

// Whether `text` is the lower-case `word` in any letter case: "Auto" means the automatic table, as it
// does to anyone who types it, not a file of that name.
bool IsWord(std::string_view text, std::string_view word) {
    return std::ranges::equal(text, word,
                              [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// Reads the command line; on a mistake says what it was and answers none.
std::optional<BuildOptions> ParseArguments(const std::vector<std::string>& args, CommandContext& context) {
    BuildOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool takesValue = arg == "-o" || arg == "--output" || arg == "--selection" || arg == "--square" ||
                                arg == "--sizes" || arg == "--depths" || arg == "--table" || arg == "--add";
        if (takesValue && i + 1 == args.size()) {
            Print(context.err, "tessera: %s needs a value\n", args[i].c_str());
            return std::nullopt;
        }
        const std::string_view value = takesValue ? std::string_view(args[++i]) : std::string_view();
        bool good = true;
        if (arg == "-o" || arg == "--output") {
            options.output = value;
        } else if (arg == "--selection") {
            options.selection = ParseSelection(value);
            good = options.selection.has_value();
            if (!good) {
                Print(context.err, "tessera: --selection needs LEFT,TOP,RIGHT,BOTTOM, each 0..%d\n", kMaxLayerSide);
            }
        } else if (arg == "--square") {
            good = ParseSquare(value, options, context);
        } else if (arg == "--sizes") {
            good = ParseSizes(value, options);
            if (!good) {
                Print(context.err,
                      "tessera: --sizes takes 16, 20, 24, 30, 32, 36, 40, 48, 60, 64, 72, 80, 96 and 256, "
                      "separated by commas\n");
            }
        } else if (arg == "--depths") {
            good = ParseChoices(value, kGridDepths, options.depths);
            if (!good) {
                Print(context.err, "tessera: --depths takes 4, 8 and 32, separated by commas\n");
            }
        } else if (arg == "--table") {
            options.table = IsWord(value, "builtin") ? TableChoice::BuiltIn
                            : IsWord(value, "auto")  ? TableChoice::Automatic
                                                     : TableChoice::File;
            options.tablePath = value;
        } else if (arg == "--add") {
            options.added.emplace_back(value);
        } else if (arg.starts_with("-")) {
            Print(context.err, "tessera: unknown option %s\n", args[i].c_str());
            good = false;
        } else if (options.layer.empty()) {
            options.layer = arg;
        } else {
            Print(context.err, "tessera: more than one layer given\n");
            good = false;
        }
        if (!good) {
            return std::nullopt;
        }
    }
    if (options.layer.empty() || options.output.empty()) {
        Print(context.err, "tessera: build needs a layer and -o OUT.ico\n");
        return std::nullopt;
    }
    return options;
}

// The 256-colour table the layer view would hold: the custom table from a file, read as the window's
// "Set Custom Color Table" reads it.
bool ReadTable(const BuildOptions& options, LayerSquareState& state, CommandContext& context) {
    state.useActiveTable = options.table != TableChoice::BuiltIn;
    state.automaticTable = options.table == TableChoice::Automatic;
    if (options.table != TableChoice::File) {
        return true;
    }
    const ActReadResult read = ReadActFile(context.files, options.tablePath, state.activeTable);
    if (read != ActReadResult::Accepted) {
        // Named as the .ico files are: the caption is the file's path.
        Alert alert;
        alert.text = ActRejectedMessage(read);
        alert.caption = AlertCaption::Path;
        alert.path = options.tablePath;
        context.alerts.Show(alert);
        return false;
    }
    return true;
}

// Whether the icon already gets a `side` pixel image at 32 bits per pixel: from the layer, or from an
// earlier --add.
bool AlreadyInTheIcon(const BuildOptions& options, const std::vector<Layer>& added, int side) {
    for (size_t size = 0; size < kGridSides.size(); ++size) {
        if (kGridSides[size] == side && options.sizes[size] && options.depths[2]) {
            return true;
        }
    }
    for (size_t size = 0; size < kWindowsSides.size(); ++size) {
        if (kWindowsSides[size] == side && options.windowsSizes[size]) {
            return true;
        }
    }
    return std::any_of(added.begin(), added.end(), [side](const Layer& layer) { return layer.width == side; });
}

// The --add images, read and checked before anything is built: square, at most 256 pixels, each size
// once. On a refusal says why and answers none.
std::optional<std::vector<Layer>> ReadAddedImages(const BuildOptions& options, CommandContext& context) {
    std::vector<Layer> added;
    for (const std::string& path : options.added) {
        std::string error;
        std::optional<Layer> image = ReadPngLayer(path, error);
        if (!image) {
            Print(context.err, "tessera: %s\n", error.c_str());
            return std::nullopt;
        }
        const int side = image->width;
        if (image->height != side) {
            Print(context.err, "tessera: %s is %d x %d pixels; an icon image must be square\n", path.c_str(),
                  image->width, image->height);
            return std::nullopt;
        }
        if (side > kLargestAddedSide) {
            Print(context.err, "tessera: %s is %d pixels a side; an icon image has at most %d\n", path.c_str(), side,
                  kLargestAddedSide);
            return std::nullopt;
        }
        if (AlreadyInTheIcon(options, added, side)) {
            Print(context.err, "tessera: %s would be a second %d x %d image at 32 bits per pixel in the icon\n",
                  path.c_str(), side, side);
            return std::nullopt;
        }
        added.push_back(std::move(*image));
    }
    return added;
}

// Puts one added image into the grid: into the true-colour slot of its size when it has one, else
// kept after the slots, as PNG when it is large.
bool AddImage(ResourceGrid& grid, const Layer& image, std::string& error) {
    const int side = image.width;
    const LayerImage square{image.pixels.get(), side * image.planes, image.planes, side};
    const int slot = ResourceGrid::SlotIndex(side, side, 32);
    uint32_t size = 0;
    std::unique_ptr<uint8_t[]> bytes;
    if (side > kLargestBitmapSide) {
        const std::optional<std::vector<uint8_t>> png = EncodePngRgba(image, error);
        if (!png) {
            return false;
        }
        bytes.reset(new (std::nothrow) uint8_t[png->size()]);
        if (bytes) {
            std::copy(png->begin(), png->end(), bytes.get());
            size = static_cast<uint32_t>(png->size());
        }
    } else {
        bytes = TrueColorBlock(square, size);
    }
    if (!bytes) {
        error = "not enough memory";
        return false;
    }
    bool stored = false;
    if (slot != -1) {
        stored = grid.AdoptImage(slot, std::move(bytes), size, 1);
    } else {
        KeptImage kept;
        kept.width = static_cast<uint8_t>(side);  // 256 is written as 0
        kept.height = kept.width;
        kept.planes = 1;
        kept.bitCount = 32;
        kept.bytes = std::move(bytes);
        kept.size = size;
        stored = grid.Keep(std::move(kept));
    }
    if (!stored) {
        error = "not enough memory";
    }
    return stored;
}

}  // namespace

int RunBuildCommand(const std::vector<std::string>& args, CommandContext& context) {
    const std::optional<BuildOptions> options = ParseArguments(args, context);
    if (!options) {
        return kExitUsage;
    }
    std::string error;
    std::optional<Layer> layer = ReadPngLayer(options->layer, error);
    if (!layer) {
        Print(context.err, "tessera: %s\n", error.c_str());
        return kExitFailed;
    }
    LayerSquareState state;
    state.squares = options->squares;
    state.windowsSquares = options->windowsSquares;
    if (!ReadTable(*options, state, context)) {
        return kExitFailed;
    }
    const std::optional<std::vector<Layer>> added = ReadAddedImages(*options, context);
    if (!added) {
        return kExitFailed;
    }
    LayerHost host(std::move(*layer));
    if (options->selection && !host.SetSelection(*options->selection)) {
        const Rect& s = *options->selection;
        Print(context.err, "tessera: the selection %d,%d,%d,%d is empty or not inside the %d x %d image\n", s.left,
              s.top, s.right, s.bottom, host.GetLayer().width, host.GetLayer().height);
        return kExitUsage;
    }

    std::vector<int> slots = QuickBuildList(ResourceFormat(), false, false);
    std::erase_if(slots, [&](int slot) {
        const GridPlace place = *GridPlaceOf(slot);
        return !options->sizes[static_cast<size_t>(place.size)] || !options->depths[static_cast<size_t>(place.depth)];
    });
    for (size_t i = 0; i < kWindowsSides.size(); ++i) {
        if (options->windowsSizes[i]) {
            slots.push_back(kGridSlotCount + static_cast<int>(i));
        }
    }
    const bool progress = IsTerminal(context.err);
    PluginCall call(&host.Record(), context.alerts);
    ResourceGrid grid;
    for (size_t i = 0; i < slots.size(); ++i) {
        const int slot = slots[i];
        if (progress) {
            Print(context.err, "tessera: %s (%d/%d)\n", CellToolTip(slot).c_str(), static_cast<int>(i + 1),
                  static_cast<int>(slots.size()));
        }
        // In the window a failed slot stays as the copy left it and the build goes on; here the icon
        // would come out wrong without anyone noticing, so nothing is written.
        const int built = IsGridSlot(slot) ? QuickBuildSlot(call, state, grid, SlotFormat(slot), EmbeddedResources())
                                           : BuildWindowsSlot(call, state, grid, slot);
        if (built == 0) {
            Print(context.err, "tessera: %s could not be built; nothing was written\n", CellToolTip(slot).c_str());
            return kExitFailed;
        }
        // The window leaves the image of a square without a visible pixel out, in sight of the grid; here
        // the icon would lack a size it was asked for, which Windows then scales from another.
        if (grid.Slot(slot).present == 0) {
            const int side = KindOfSlot(slot).side;
            const Rect& square = call.layer.square;
            Print(context.err,
                  "tessera: the square %d:%d,%d holds no visible pixel; place it on the drawing with --square or "
                  "leave %d out of --sizes; nothing was written\n",
                  side, square.left, square.top, side);
            return kExitFailed;
        }
    }
    for (size_t i = 0; i < added->size(); ++i) {
        if (!AddImage(grid, (*added)[i], error)) {
            Print(context.err, "tessera: %s could not be added (%s); nothing was written\n", options->added[i].c_str(),
                  error.c_str());
            return kExitFailed;
        }
    }
    return SaveGrid(grid, options->output, context);
}

}  // namespace tessera::cli
