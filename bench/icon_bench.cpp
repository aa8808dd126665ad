// How long the icon's own paths take on the sample artwork: QuickBuild of all twelve slots through the
// in-process host, with the built-in and with the automatic 256-colour table, and the icon that build
// gives written and read back with our .ico writer and reader, beside the same bytes written and read
// whole through the same file calls. Registered here; color_bench.cpp runs them.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "base/files.h"
#include "base/module_resources.h"
#include "cli/stream_alerts.h"
#include "host/plugin_call.h"
#include "hostapp/layer_host.h"
#include "hostapp/png.h"
#include "icon/ico_file.h"
#include "icon/resource_grid.h"
#include "ui/layer_render.h"
#include "ui/main_commands.h"

namespace tessera {
namespace {

// The square of each size on its drawing (examples/README.md), sizes 16, 24, 32, 48; top, left, bottom,
// right.
constexpr LayerSquares kDrawings{
    {Rect{32, 168, 48, 184}, Rect{28, 128, 52, 152}, Rect{24, 80, 56, 112}, Rect{16, 16, 64, 64}}};

// The sample artwork on an in-process host, each square on its drawing, as the window has them when
// QuickBuild is clicked. Messages go to stderr, so a failing build is seen.
class ArtworkHost {
  public:
    ArtworkHost(Layer artwork, bool automaticTable) : host_(std::move(artwork)), call_(&host_.Record(), alerts_) {
        state_.squares = kDrawings;
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
    return std::make_unique<ArtworkHost>(std::move(*artwork), automaticTable);
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

BENCHMARK(QuickBuildAll)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(IcoWriteRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(FileWriteRead)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tessera
