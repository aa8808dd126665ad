// How long the colour reduction takes on icon-sized squares: the automatic table (the row-by-row scan
// through the in-process host, the histogram, median cut and box colours) and the conversion of a
// square into a 4- or 8-bit resource.
//
//   tessera_bench [benchmark options]       run the benchmarks (median of repetitions:
//                                           --benchmark_repetitions=15
//                                           --benchmark_report_aggregates_only=true)
//   tessera_bench --dump-squares=FOLDER     write each square as FOLDER/NAME.rgba (48 x 48 RGBA, top
//                                           row first), and the Windows sizes' squares of
//                                           icon_bench.cpp's layer as FOLDER/windows/SIDE.rgba, for
//                                           compare_pillow.py, and stop
//
// The squares: a photograph-like one, drawn icon artwork, uniform noise, and the 48-pixel drawing of
// examples/sample-artwork.png with its anti-aliased edges and soft shadow. OnePass is the floor under
// every stage: each pixel of the square read once and one byte written for it.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/alerts.h"
#include "base/module_resources.h"
#include "bench/bench_support.h"
#include "color/automatic_table.h"
#include "color/convert.h"
#include "color/median_cut.h"
#include "host/layer_square.h"
#include "host/plugin_call.h"
#include "hostapp/layer_host.h"
#include "hostapp/png.h"
#include "icon/resource_grid.h"
#include "resources/resource_ids.h"
#include "ui/layer_render.h"

namespace tessera {
namespace {

constexpr int kSide = 48;

struct Square {
    const char* name;
    std::vector<uint8_t> rgba;  // kSide x kSide, top row first
};

uint32_t NextRandom(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// A photograph-like square: smooth colour changes with grain, so nearly every pixel differs.
Square Photo() {
    Square s{"photo", std::vector<uint8_t>(kSide * kSide * 4)};
    uint32_t seed = 7;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            uint8_t* p = &s.rgba[static_cast<size_t>((y * kSide + x) * 4)];
            const double t = (x + 0.6 * y) / kSide * 3.0;
            const auto grain = [&seed] { return static_cast<double>(NextRandom(seed) % 13) - 6.0; };
            p[0] = Clamp8(140 + 90 * std::sin(t) + grain());
            p[1] = Clamp8(120 + 70 * std::sin(t + 2.1) + y + grain());
            p[2] = Clamp8(90 + 60 * std::sin(1.7 * t + 4.2) + grain());
            p[3] = 255;
        }
    }
    return s;
}

// Icon artwork: a shaded disc and a badge with smooth edges on a transparent ground, with a soft
// shadow: a few flat colours and their blends.
Square Artwork() {
    Square s{"artwork", std::vector<uint8_t>(kSide * kSide * 4)};
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            uint8_t* p = &s.rgba[static_cast<size_t>((y * kSide + x) * 4)];
            const double disc = std::clamp(19.5 - std::hypot(x - 22.0, y - 22.0), 0.0, 1.0);
            const double shadow = std::clamp(21.0 - std::hypot(x - 25.0, y - 26.0), 0.0, 4.0) / 4.0;
            const double badge = std::clamp(std::min({x - 29.5, y - 29.5, 45.5 - x, 45.5 - y}), 0.0, 1.0);
            const double shade = 0.75 + 0.25 * (y < 22 ? 1.0 : 0.0);
            double r = 30 * shade, g = 90 * shade, b = 210 * shade;
            if (badge > 0) {
                r = r * (1 - badge) + 220 * badge;
                g = g * (1 - badge) + 40 * badge;
                b = b * (1 - badge) + 40 * badge;
            }
            const double cover = std::max(disc, badge);
            const double alpha = cover + (1 - cover) * 0.5 * shadow;
            p[0] = Clamp8(cover > 0 ? r : 0);
            p[1] = Clamp8(cover > 0 ? g : 0);
            p[2] = Clamp8(cover > 0 ? b : 0);
            p[3] = Clamp8(255 * alpha);
        }
    }
    return s;
}

// Uniform noise: every pixel a colour of its own, the worst case for every stage.
Square Noise() {
    Square s{"noise", std::vector<uint8_t>(kSide * kSide * 4)};
    uint32_t seed = 99;
    for (size_t i = 0; i < s.rgba.size(); ++i) {
        s.rgba[i] = (i % 4 == 3) ? 255 : static_cast<uint8_t>(NextRandom(seed));
    }
    return s;
}

// The 48-pixel drawing of the sample artwork, as the layer view's square on it holds it; all clear
// (and said on stderr) when the picture cannot be read.
Square Sample() {
    Square s{"sample", std::vector<uint8_t>(kSide * kSide * 4)};
    std::string error;
    const std::optional<Layer> artwork = ReadPngLayer(TESSERA_SOURCE_DIR "/examples/sample-artwork.png", error);
    if (!artwork || artwork->planes != 4 || artwork->width < 16 + kSide || artwork->height < 16 + kSide) {
        std::fprintf(stderr, "sample square: %s\n", artwork ? "the picture is too small" : error.c_str());
        return s;
    }
    for (int y = 0; y < kSide; ++y) {
        std::memcpy(&s.rgba[static_cast<size_t>(y * kSide * 4)], artwork->At(16, 16 + y), kSide * 4);
    }
    return s;
}

const std::vector<Square>& Squares() {
    static const std::vector<Square> squares = {Photo(), Artwork(), Noise(), Sample()};
    return squares;
}

// The floor: every pixel of the square read once, one byte written for it.
void OnePass(benchmark::State& state) {
    const Square& square = Squares()[static_cast<size_t>(state.range(0))];
    state.SetLabel(square.name);
    std::vector<uint8_t> out(kSide * kSide);
    for (auto _ : state) {
        const uint8_t* p = square.rgba.data();
        for (uint8_t& o : out) {
            o = static_cast<uint8_t>(p[0] ^ p[1] ^ p[2]);
            p += 4;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

class SilentAlerts final : public Alerts {
  public:
    AlertAnswer Show(const Alert&) override { return AlertAnswer::Ok; }
};

// A host whose layer is the square, with the square requested.
struct SquareHost {
    explicit SquareHost(const Square& square) : host(MakeSquareLayer(square)), call(&host.Record(), alerts) {
        host.SetSelection(Rect{0, 0, kSide, kSide});
        CenterLayerSquare(call, squares, 3, kSide, kSide);
    }
    static Layer MakeSquareLayer(const Square& square) {
        Layer layer = *MakeLayer(kSide, kSide, 4);
        std::memcpy(layer.pixels.get(), square.rgba.data(), square.rgba.size());
        return layer;
    }
    LayerSquares squares;
    LayerHost host;
    SilentAlerts alerts;
    PluginCall call;
};

LayerImage ViewOf(const Square& square) {
    return LayerImage{.pixels = square.rgba.data(), .rowStep = kSide * 4, .pixelStep = 4, .side = kSide};
}

void AutomaticTable(benchmark::State& state) {
    const Square& square = Squares()[static_cast<size_t>(state.range(0))];
    state.SetLabel(square.name);
    SquareHost fake(square);
    LayerSquareState view;
    for (auto _ : state) {
        RebuildAutomaticTable(fake.call, view);
        benchmark::DoNotOptimize(view.activeTable);
    }
}

// The automatic table without the host: the pixels counted straight from the square, noting the cells
// they fill, then the same collection, median cut and box colours as the build.
void AutomaticTableWithoutHost(benchmark::State& state) {
    const Square& square = Squares()[static_cast<size_t>(state.range(0))];
    state.SetLabel(square.name);
    std::vector<uint16_t> histogram(kHistogramEntries);
    std::vector<uint32_t> filled(kSide * kSide);
    std::vector<HistogramCell> cells(kSide * kSide);
    std::vector<HistogramCell> scratch(kSide * kSide);
    std::vector<Box> boxes(kMaxBoxes);
    for (auto _ : state) {
        size_t count = 0;
        for (size_t i = 0; i < square.rgba.size(); i += 4) {
            const size_t index = HistogramIndex(square.rgba[i], square.rgba[i + 1], square.rgba[i + 2]);
            if (histogram[index]++ == 0) {
                filled[count++] = static_cast<uint32_t>(index);
            }
        }
        for (size_t i = 0; i < count; ++i) {
            cells[i] = CellAt(filled[i], histogram[filled[i]]);
            histogram[filled[i]] = 0;
        }
        const std::span<HistogramCell> occupied(cells.data(), count);
        const int boxCount = MedianCut(occupied, scratch, boxes, kMaxBoxes);
        ColorTable table = TableOfBoxes(occupied, boxes, boxCount);
        benchmark::DoNotOptimize(table);
    }
}

enum class TableUse {
    BuiltIn,     // the built-in table of the depth, the same at every conversion
    NewBuiltIn,  // the built-in 256 colours, but as a table not seen at the conversion before
    Automatic,   // the square's automatic table, new at every conversion as it is after each move
};

// A table that differs from `table` in entry 255 alone, so that the reduction meets it as new.
ColorTable Variant(ColorTable table, int turn) {
    table.SetEntry(255, Rgb{static_cast<uint8_t>(turn % 2), 0, 0});
    return table;
}

// Conversion of the square into the 48 x 48 slot of the depth (0 or 1), mask included. The reduction
// keeps what it learnt about the last table of each depth, so the tables are chosen to show both the
// steady case (one table throughout) and the first use of a table.
void Convert(benchmark::State& state, int depth, TableUse use) {
    const Square& square = Squares()[static_cast<size_t>(state.range(0))];
    state.SetLabel(square.name);
    ColorTable table = *LoadBuiltInTable(EmbeddedResources(), IDT_TABLE_256);
    if (use == TableUse::Automatic) {
        SquareHost fake(square);
        LayerSquareState view;
        RebuildAutomaticTable(fake.call, view);
        table = view.activeTable;
    }
    const std::array<ColorTable, 2> tables = {Variant(table, 0), Variant(table, 1)};
    const std::optional<LayerImage> layer = ViewOf(square);
    ResourceGrid grid;
    const ResourceFormat format(3, depth, 0, 0);
    const bool useActive = use != TableUse::BuiltIn;
    int turn = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ConvertLayerToResource(layer, grid, format, true, true, useActive,
                                                        tables[static_cast<size_t>(turn++ % 2)], EmbeddedResources()));
    }
}

void Convert4(benchmark::State& state) {
    Convert(state, 0, TableUse::BuiltIn);
}
void Convert8(benchmark::State& state) {
    Convert(state, 1, TableUse::BuiltIn);
}
void Convert8NewTable(benchmark::State& state) {
    Convert(state, 1, TableUse::NewBuiltIn);
}
void Convert8Automatic(benchmark::State& state) {
    Convert(state, 1, TableUse::Automatic);
}

BENCHMARK(OnePass)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(AutomaticTable)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(AutomaticTableWithoutHost)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(Convert4)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(Convert8)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(Convert8NewTable)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(Convert8Automatic)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

bool DumpSquares(const std::string& folder) {
    for (const Square& square : Squares()) {
        if (!WriteDumpFile(folder + "/" + square.name + ".rgba", square.rgba)) {
            return false;
        }
    }
    return DumpWindowsSquares(folder);
}

}  // namespace

bool WriteDumpFile(const std::string& path, std::span<const uint8_t> bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace tessera

int main(int argc, char** argv) {
    const std::string dump = "--dump-squares=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], dump.c_str(), dump.size()) == 0) {
            return tessera::DumpSquares(argv[i] + dump.size()) ? 0 : 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
