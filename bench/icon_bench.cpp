// How long the icon's own paths take on the sample artwork: QuickBuild of all twelve slots through the
// in-process host, with the built-in and with the automatic 256-colour table, and the icon that build
// gives written and read back with our .ico writer and reader, beside the same bytes written and read
// whole through the same file calls. Then the sizes Windows draws above 100%, on a generated layer that
// holds a square of each: all ten built from the layer and written as an icon, and the 256-pixel image,
// stored as a PNG stream, built alone. Registered here; color_bench.cpp runs them.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "base/files.h"
#include "base/module_resources.h"
#include "bench/bench_support.h"
#include "cli/stream_alerts.h"
#include "host/plugin_call.h"
#include "hostapp/layer_host.h"
#include "hostapp/png.h"
#include "icon/ico_file.h"
#include "icon/image_kind.h"
#include "icon/resource_grid.h"
#include "ui/layer_render.h"
#include "ui/main_commands.h"

namespace tessera {
namespace {

// The square of each size on its drawing (examples/README.md), sizes 16, 24, 32, 48; top, left, bottom,
// right.
constexpr LayerSquares kDrawings{
    {Rect{32, 168, 48, 184}, Rect{28, 128, 52, 152}, Rect{24, 80, 56, 112}, Rect{16, 16, 64, 64}}};

// A layer on an in-process host, each square on its drawing, as the window has them when QuickBuild is
// clicked. Messages go to stderr, so a failing build is seen.
class ArtworkHost {
  public:
    ArtworkHost(Layer artwork, const LayerSquares& squares, const WindowsSquares& windowsSquares, bool automaticTable)
        : host_(std::move(artwork)), call_(&host_.Record(), alerts_) {
        state_.squares = squares;
        state_.windowsSquares = windowsSquares;
        state_.useActiveTable = automaticTable;
        state_.automaticTable = automaticTable;
    }

    // All twelve slots in QuickBuild's order; false when one could not be built.
    bool QuickBuild(ResourceGrid& grid) {
        for (const int slot : QuickBuildList(ResourceFormat(), false, false)) {
            if (QuickBuildSlot(call_, state_, grid, SlotFormat(slot), EmbeddedResources()) == 0) {
                return false;
            }
        }
        return true;
    }

    // The image of a Windows size from its square; false when it could not be built.
    bool BuildWindowsSize(ResourceGrid& grid, int slot) { return BuildWindowsSlot(call_, state_, grid, slot) != 0; }

    // All ten in ascending size; false when one could not be built.
    bool BuildWindowsSizes(ResourceGrid& grid) {
        for (int slot = kGridSlotCount; slot < kImageKindCount; ++slot) {
            if (!BuildWindowsSize(grid, slot)) {
                return false;
            }
        }
        return true;
    }

  private:
    cli::StreamAlerts alerts_{stderr};
    LayerHost host_;
    PluginCall call_;
    LayerSquareState state_;
};

// A host on the sample artwork; none, with the benchmark skipped, when the picture cannot be read.
std::unique_ptr<ArtworkHost> SampleHost(benchmark::State& state, bool automaticTable) {
    std::string error;
    std::optional<Layer> artwork = ReadPngLayer(TESSERA_SOURCE_DIR "/examples/sample-artwork.png", error);
    if (!artwork) {
        state.SkipWithError(error.c_str());
        return nullptr;
    }
    return std::make_unique<ArtworkHost>(std::move(*artwork), kDrawings, WindowsSquares{}, automaticTable);
}

void QuickBuildAll(benchmark::State& state) {
    const bool automaticTable = state.range(0) == 1;
    state.SetLabel(automaticTable ? "automatic table" : "built-in table");
    const std::unique_ptr<ArtworkHost> artwork = SampleHost(state, automaticTable);
    if (!artwork) {
        return;
    }
    ResourceGrid grid;
    for (auto _ : state) {
        if (!artwork->QuickBuild(grid)) {
            state.SkipWithError("QuickBuild left a slot empty");
            break;
        }
    }
}

// The icon of QuickBuild with the built-in table, written once to a temporary file, the label naming its
// size; false, with the benchmark skipped, when it could not be made.
bool WriteSampleIcon(benchmark::State& state, ResourceGrid& grid, const std::string& path) {
    const std::unique_ptr<ArtworkHost> artwork = SampleHost(state, false);
    if (!artwork) {
        return false;
    }
    if (!artwork->QuickBuild(grid)) {
        state.SkipWithError("QuickBuild left a slot empty");
        return false;
    }
    const IcoStatus status = WriteIcoFile(grid, path, PlatformFileSystem());
    if (!status.Ok()) {
        state.SkipWithError(("cannot write " + path).c_str());
        return false;
    }
    std::error_code error;
    state.SetLabel(std::to_string(std::filesystem::file_size(path, error)) + " bytes");
    return true;
}

std::string TemporaryIconPath() {
    std::error_code error;
    return (std::filesystem::temp_directory_path(error) / "tessera_icon_bench.ico").string();
}

void IcoWriteRead(benchmark::State& state) {
    const std::string path = TemporaryIconPath();
    ResourceGrid grid;
    if (!WriteSampleIcon(state, grid, path)) {
        return;
    }
    ResourceGrid read;
    for (auto _ : state) {
        IcoStatus status = WriteIcoFile(grid, path, PlatformFileSystem());
        if (status.Ok()) {
            status = ReadIcoFile(read, path, PlatformFileSystem());
        }
        if (!status.Ok()) {
            state.SkipWithError(IcoFailureText(status).c_str());
            break;
        }
    }
    std::error_code error;
    std::filesystem::remove(path, error);
}

// The whole file in one read, into `bytes`, which has the file's size.
bool ReadBlock(const std::string& path, std::vector<uint8_t>& bytes) {
    std::unique_ptr<File> in = PlatformFileSystem().OpenExisting(path);
    return in && in->Size() == bytes.size() && in->Read(bytes.data(), bytes.size()) == bytes.size() && in->Close();
}

// The floor under the writer and the reader: the file's bytes in one block, written to a temporary
// file put in the place of the icon, then read whole, as the writer and the reader reach the disk.
bool WriteReadBlock(const std::string& path, const std::vector<uint8_t>& bytes, std::vector<uint8_t>& back) {
    FileSystem& files = PlatformFileSystem();
    std::string tempPath;
    std::unique_ptr<File> out = files.CreateTemporaryBeside(path, tempPath);
    return out && out->Write(bytes.data(), bytes.size()) && out->Close() && files.Replace(tempPath, path) &&
           ReadBlock(path, back);
}

void FileWriteRead(benchmark::State& state) {
    const std::string path = TemporaryIconPath();
    ResourceGrid grid;
    if (!WriteSampleIcon(state, grid, path)) {
        return;
    }
    std::error_code error;
    std::vector<uint8_t> bytes(static_cast<size_t>(std::filesystem::file_size(path, error)));
    std::vector<uint8_t> back(bytes.size());
    if (!ReadBlock(path, bytes)) {
        state.SkipWithError(("cannot read " + path).c_str());
        return;
    }
    for (auto _ : state) {
        if (!WriteReadBlock(path, bytes, back)) {
            state.SkipWithError(("cannot write or read " + path).c_str());
            break;
        }
    }
    std::filesystem::remove(path, error);
}

// The sample artwork has no drawing above 48 pixels, so the Windows sizes are built from a layer of our
// own: a square of each size side by side from the left in ascending size, at the top of the layer,
// each with an icon drawn to fit it: a disc of smooth colour with grain, as a photograph gives, its edge
// anti-aliased, with a soft drop shadow, on a transparent ground.
struct WindowsArtwork {
    Layer layer;
    WindowsSquares squares;
};

void DrawIcon(const Layer& layer, int left, int side) {
    std::minstd_rand grain(static_cast<uint32_t>(side));
    const auto noise = [&grain] { return static_cast<double>(grain() % 13) - 6.0; };
    const double centre = 0.46 * side;
    const double radius = 0.4 * side;
    const double offset = 0.05 * side;  // of the shadow, down and to the right
    const double blur = std::max(1.0, 0.04 * side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double cx = x + 0.5;
            const double cy = y + 0.5;
            const double cover = std::clamp(radius + 0.5 - std::hypot(cx - centre, cy - centre), 0.0, 1.0);
            const double shadow = std::clamp(
                (radius + blur - std::hypot(cx - centre - offset, cy - centre - offset)) / (2 * blur), 0.0, 1.0);
            const double t = (cx + 0.6 * cy) / side * 3.0;
            uint8_t* p = layer.At(left + x, y);
            if (cover > 0) {
                p[0] = Clamp8(140 + 90 * std::sin(t) + noise());
                p[1] = Clamp8(120 + 70 * std::sin(t + 2.1) + 60 * cy / side + noise());
                p[2] = Clamp8(90 + 60 * std::sin(1.7 * t + 4.2) + noise());
            }
            p[3] = Clamp8(255 * (cover + (1 - cover) * 0.5 * shadow));
        }
    }
}

std::optional<WindowsArtwork> MakeWindowsArtwork() {
    int width = 0;
    for (const int side : kWindowsSides) {
        width += side;
    }
    std::optional<Layer> layer = MakeLayer(width, *std::ranges::max_element(kWindowsSides), 4);
    if (!layer) {
        return std::nullopt;
    }
    WindowsArtwork artwork{.layer = std::move(*layer), .squares = {}};
    int left = 0;
    for (size_t i = 0; i < kWindowsSides.size(); ++i) {
        const int side = kWindowsSides[i];
        DrawIcon(artwork.layer, left, side);
        artwork.squares.positions[i] =
            Rect{0, static_cast<int16>(left), static_cast<int16>(side), static_cast<int16>(left + side)};
        left += side;
    }
    return artwork;
}

// A host on the generated layer, each Windows size's square on its drawing; none, with the benchmark
// skipped, when memory is short.
std::unique_ptr<ArtworkHost> WindowsHost(benchmark::State& state) {
    std::optional<WindowsArtwork> artwork = MakeWindowsArtwork();
    if (!artwork) {
        state.SkipWithError("not enough memory for the layer");
        return nullptr;
    }
    return std::make_unique<ArtworkHost>(std::move(artwork->layer), LayerSquares{}, artwork->squares, false);
}

// All ten Windows sizes from their squares, the 256-pixel one as a PNG stream, written as an icon: what
// `tessera build --sizes` does once the layer is read. The counter is the icon's size.
void WindowsIcon(benchmark::State& state) {
    const std::unique_ptr<ArtworkHost> artwork = WindowsHost(state);
    if (!artwork) {
        return;
    }
    const std::string path = TemporaryIconPath();
    ResourceGrid grid;
    for (auto _ : state) {
        if (!artwork->BuildWindowsSizes(grid)) {
            state.SkipWithError("a Windows size could not be built");
            break;
        }
        const IcoStatus status = WriteIcoFile(grid, path, PlatformFileSystem());
        if (!status.Ok()) {
            state.SkipWithError(IcoFailureText(status).c_str());
            break;
        }
    }
    std::error_code error;
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path, error));
    std::filesystem::remove(path, error);
}

// The 256-pixel image alone: the square fetched through the host, made a true-colour image and encoded
// as a PNG stream, which the document checks by decoding it. The counter is the stream's size.
void WindowsSlot256(benchmark::State& state) {
    const std::unique_ptr<ArtworkHost> artwork = WindowsHost(state);
    if (!artwork) {
        return;
    }
    const int slot = SlotOfKind(ImageKind{kPngSide, kWindowsBitsPerPixel});
    ResourceGrid grid;
    for (auto _ : state) {
        if (!artwork->BuildWindowsSize(grid, slot)) {
            state.SkipWithError("the 256-pixel image could not be built");
            break;
        }
    }
    state.counters["bytes"] = grid.Slot(slot).imageSize;
}

BENCHMARK(QuickBuildAll)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(IcoWriteRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(FileWriteRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(WindowsIcon)->Unit(benchmark::kMicrosecond);
BENCHMARK(WindowsSlot256)->Unit(benchmark::kMicrosecond);

}  // namespace

bool DumpWindowsSquares(const std::string& folder) {
    const std::optional<WindowsArtwork> artwork = MakeWindowsArtwork();
    std::error_code error;
    std::filesystem::create_directories(folder + "/windows", error);
    if (!artwork || error) {
        std::fprintf(stderr, "cannot make the Windows sizes' squares in %s/windows\n", folder.c_str());
        return false;
    }
    for (size_t i = 0; i < kWindowsSides.size(); ++i) {
        const Rect& square = artwork->squares.positions[i];
        const int side = kWindowsSides[i];
        const size_t rowBytes = static_cast<size_t>(side) * 4;
        std::vector<uint8_t> rgba(rowBytes * static_cast<size_t>(side));
        for (int y = 0; y < side; ++y) {
            const uint8_t* row = artwork->layer.At(square.left, square.top + y);
            std::copy_n(row, rowBytes, rgba.begin() + static_cast<ptrdiff_t>(rowBytes * static_cast<size_t>(y)));
        }
        if (!WriteDumpFile(folder + "/windows/" + std::to_string(side) + ".rgba", rgba)) {
            return false;
        }
    }
    return true;
}

}  // namespace tessera
