// The automatic table against a plain, literal implementation of median cut over the dense histogram
// (plane-by-plane shrinking, counting every cell of a box), on many random and structured squares:
// the boxes, their order and their colours must be the same. Then the build through the in-process
// host, one build after another on one builder, so that a cell left behind by a build would show.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "color/median_cut.h"
#include "host/layer_square.h"
#include "host/plugin_call.h"
#include "hostapp/layer_host.h"
#include "support/fake_alerts.h"
#include "support/layers.h"
#include "ui/layer_render.h"

namespace tessera {
namespace {

using Histogram = std::vector<uint16_t>;

// ---- The reference: the method as written, slow and obvious. ----

struct RefBox {
    int rMin = 0, rMax = 63, gMin = 0, gMax = 63, bMin = 0, bMax = 63;
    int volume = 0;
    int colorCount = 0;
};

uint16_t CellCount(const Histogram& h, int r, int g, int b) {
    return h[static_cast<size_t>(r + 64 * g + 4096 * b)];
}

// Whether the plane `value` of an axis holds a non-zero cell inside the box's other two ranges.
bool PlaneOccupied(const Histogram& h, const RefBox& box, int axis, int value) {
    for (int u = (axis == 0 ? box.gMin : box.rMin); u <= (axis == 0 ? box.gMax : box.rMax); ++u) {
        for (int v = (axis == 2 ? box.gMin : box.bMin); v <= (axis == 2 ? box.gMax : box.bMax); ++v) {
            const int r = axis == 0 ? value : u;
            const int g = axis == 1 ? value : (axis == 0 ? u : v);
            const int b = axis == 2 ? value : v;
            if (CellCount(h, r, g, b) != 0) {
                return true;
            }
        }
    }
    return false;
}

void RefShrink(const Histogram& h, RefBox& box) {
    int* mins[3] = {&box.rMin, &box.gMin, &box.bMin};
    int* maxs[3] = {&box.rMax, &box.gMax, &box.bMax};
    for (int axis = 0; axis < 3; ++axis) {
        int& lo = *mins[axis];
        int& hi = *maxs[axis];
        if (lo < hi) {
            for (int v = lo; v <= hi; ++v) {
                if (PlaneOccupied(h, box, axis, v)) {
                    lo = v;
                    break;
                }
            }
        }
        if (lo < hi) {
            for (int v = hi; v >= lo; --v) {
                if (PlaneOccupied(h, box, axis, v)) {
                    hi = v;
                    break;
                }
            }
        }
    }
    const int dr = (box.rMax - box.rMin) * 4, dg = (box.gMax - box.gMin) * 4, db = (box.bMax - box.bMin) * 4;
    box.volume = dr * dr + dg * dg + db * db;
    box.colorCount = 0;
    for (int b = box.bMin; b <= box.bMax; ++b) {
        for (int g = box.gMin; g <= box.gMax; ++g) {
            for (int r = box.rMin; r <= box.rMax; ++r) {
                box.colorCount += CellCount(h, r, g, b) != 0 ? 1 : 0;
            }
        }
    }
}

std::vector<RefBox> RefMedianCut(const Histogram& h, int desired) {
    std::vector<RefBox> boxes(1);
    RefShrink(h, boxes[0]);
    while (static_cast<int>(boxes.size()) < desired) {
        const int count = static_cast<int>(boxes.size());
        int chosen = -1;
        int best = 0;
        for (int i = 0; i < count; ++i) {
            const RefBox& box = boxes[static_cast<size_t>(i)];
            if (count * 2 <= desired) {
                if (box.volume > 0 && box.colorCount > best) {
                    best = box.colorCount;
                    chosen = i;
                }
            } else if (box.volume > best) {
                best = box.volume;
                chosen = i;
            }
        }
        if (chosen < 0) {
            break;
        }
        RefBox old = boxes[static_cast<size_t>(chosen)];
        RefBox added = old;
        int length = (old.gMax - old.gMin) * 4;
        int axis = 1;
        if ((old.rMax - old.rMin) * 4 > length) {
            length = (old.rMax - old.rMin) * 4;
            axis = 0;
        }
        if ((old.bMax - old.bMin) * 4 > length) {
            axis = 2;
        }
        int* oldMax[3] = {&old.rMax, &old.gMax, &old.bMax};
        int* addedMin[3] = {&added.rMin, &added.gMin, &added.bMin};
        const int mins[3] = {old.rMin, old.gMin, old.bMin};
        const int m = (*oldMax[axis] + mins[axis]) / 2;
        *oldMax[axis] = m;
        *addedMin[axis] = m + 1;
        RefShrink(h, old);
        RefShrink(h, added);
        boxes[static_cast<size_t>(chosen)] = old;
        boxes.push_back(added);
    }
    return boxes;
}

Rgb RefBoxColor(const Histogram& h, const RefBox& box) {
    uint64_t total = 0, r = 0, g = 0, b = 0;
    for (int z = box.bMin; z <= box.bMax; ++z) {
        for (int y = box.gMin; y <= box.gMax; ++y) {
            for (int x = box.rMin; x <= box.rMax; ++x) {
                const uint64_t c = CellCount(h, x, y, z);
                total += c;
                r += c * static_cast<uint64_t>(4 * x + 2);
                g += c * static_cast<uint64_t>(4 * y + 2);
                b += c * static_cast<uint64_t>(4 * z + 2);
            }
        }
    }
    if (total == 0) {
        return Rgb{};
    }
    return Rgb{static_cast<uint8_t>((r + total / 2) / total), static_cast<uint8_t>((g + total / 2) / total),
               static_cast<uint8_t>((b + total / 2) / total)};
}

ColorTable RefTable(const Histogram& h) {
    ColorTable table;
    const std::vector<RefBox> boxes = RefMedianCut(h, kMaxBoxes);
    for (size_t i = 0; i < boxes.size(); ++i) {
        table.SetEntry(static_cast<int>(i), RefBoxColor(h, boxes[i]));
    }
    return table;
}

// ---- Squares and histograms to try. ----

struct Pixel {
    uint8_t r, g, b, a;
};
using Square = std::vector<Pixel>;  // side x side, top row first

Histogram HistogramOf(const Square& square) {
    Histogram h(kHistogramEntries);
    for (const Pixel& p : square) {
        uint16_t& c = h[HistogramIndex(p.r, p.g, p.b)];
        c = static_cast<uint16_t>(std::min(c + 1, 65535));
    }
    return h;
}

uint8_t Byte(std::mt19937& random) {
    return static_cast<uint8_t>(random() & 0xFF);
}

// Random squares of every icon size in several kinds: noise, a handful of colours, smooth gradients,
// greys, tight clusters, colours on one plane of the cube.
std::vector<Square> SampleSquares() {
    std::mt19937 random(20240611);
    std::vector<Square> squares;
    const int sides[] = {16, 24, 32, 48};
    for (int round = 0; round < 2; ++round) {
        for (const int side : sides) {
            const size_t n = static_cast<size_t>(side * side);
            Square noise(n), few(n), gradient(n), grey(n), cluster(n), plane(n);
            std::vector<Pixel> palette(2 + random() % 40);
            for (Pixel& p : palette) {
                p = Pixel{Byte(random), Byte(random), Byte(random), Byte(random)};
            }
            const Pixel centre{Byte(random), Byte(random), Byte(random), 255};
            for (size_t i = 0; i < n; ++i) {
                const int x = static_cast<int>(i) % side, y = static_cast<int>(i) / side;
                noise[i] = Pixel{Byte(random), Byte(random), Byte(random), Byte(random)};
                few[i] = palette[random() % palette.size()];
                gradient[i] =
                    Pixel{static_cast<uint8_t>(x * 255 / side), static_cast<uint8_t>(y * 200 / side),
                          static_cast<uint8_t>(static_cast<unsigned>((x + y) * 60 / side) + random() % 9), 255};
                const auto v = static_cast<uint8_t>(random() % 256);
                grey[i] = Pixel{v, v, v, 0};
                const auto jitter = [&random](uint8_t c) {
                    return static_cast<uint8_t>(std::clamp(c + static_cast<int>(random() % 33) - 16, 0, 255));
                };
                cluster[i] = Pixel{jitter(centre.r), jitter(centre.g), jitter(centre.b), 255};
                plane[i] = Pixel{200, Byte(random), static_cast<uint8_t>(random() % 64), 255};
            }
            for (Square* s : {&noise, &few, &gradient, &grey, &cluster, &plane}) {
                squares.push_back(*s);
            }
        }
    }
    return squares;
}

// Histograms no square makes: large counts, saturated counts, a regular lattice full of ties.
std::vector<Histogram> SampleHistograms() {
    std::mt19937 random(77);
    std::vector<Histogram> histograms;
    for (const int cells : {1, 2, 255, 256, 257, 3000}) {
        Histogram h(kHistogramEntries);
        for (int i = 0; i < cells; ++i) {
            h[random() % kHistogramEntries] = static_cast<uint16_t>(1 + random() % 65535);
        }
        histograms.push_back(h);
    }
    Histogram lattice(kHistogramEntries);
    for (int b = 0; b < 64; b += 9) {
        for (int g = 0; g < 64; g += 9) {
            for (int r = 0; r < 64; r += 9) {
                lattice[static_cast<size_t>(r + 64 * g + 4096 * b)] = 65535;
            }
        }
    }
    histograms.push_back(lattice);
    histograms.push_back(Histogram(kHistogramEntries));  // no cell at all: one empty box
    return histograms;
}

void ExpectSameAsReference(const Histogram& h) {
    Histogram work = h;
    std::vector<HistogramCell> cells(kHistogramEntries);
    const size_t count = TakeOccupiedCells(work.data(), cells);
    EXPECT_TRUE(std::all_of(work.begin(), work.end(), [](uint16_t c) { return c == 0; }));
    const std::span<HistogramCell> occupied(cells.data(), count);
    std::vector<Box> boxes(kMaxBoxes);
    std::vector<HistogramCell> scratch(count);
    const int boxCount = MedianCut(occupied, scratch, boxes, kMaxBoxes);

    const std::vector<RefBox> expected = RefMedianCut(h, kMaxBoxes);
    ASSERT_EQ(static_cast<int>(expected.size()), boxCount);
    for (int i = 0; i < boxCount; ++i) {
        const RefBox& e = expected[static_cast<size_t>(i)];
        const Box& got = boxes[static_cast<size_t>(i)];
        ASSERT_EQ(e.rMin, got.rMin) << "box " << i;
        ASSERT_EQ(e.rMax, got.rMax) << "box " << i;
        ASSERT_EQ(e.gMin, got.gMin) << "box " << i;
        ASSERT_EQ(e.gMax, got.gMax) << "box " << i;
        ASSERT_EQ(e.bMin, got.bMin) << "box " << i;
        ASSERT_EQ(e.bMax, got.bMax) << "box " << i;
        ASSERT_EQ(e.volume, got.volume) << "box " << i;
        ASSERT_EQ(e.colorCount, got.colorCount) << "box " << i;
        ASSERT_EQ(RefBoxColor(h, e), BoxColor(occupied, got)) << "box " << i;
    }
}

TEST(MedianCut, SameBoxesAndColoursAsThePlainMethodOnSquares) {
    for (const Square& square : SampleSquares()) {
        ExpectSameAsReference(HistogramOf(square));
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST(MedianCut, SameBoxesAndColoursAsThePlainMethodOnUnusualHistograms) {
    for (const Histogram& h : SampleHistograms()) {
        ExpectSameAsReference(h);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST(MedianCut, TakeOccupiedCellsListsCellsInIndexOrder) {
    Histogram h(kHistogramEntries);
    h[kHistogramEntries - 1] = 65535;
    h[6207] = 2;
    h[0] = 1;
    std::vector<HistogramCell> cells(4);
    ASSERT_EQ(3u, TakeOccupiedCells(h.data(), cells));
    const HistogramCell expected[3] = {{0, 0, 0, 1}, {63, 32, 1, 2}, {63, 63, 63, 65535}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(expected[i].r, cells[i].r);
        EXPECT_EQ(expected[i].g, cells[i].g);
        EXPECT_EQ(expected[i].b, cells[i].b);
        EXPECT_EQ(expected[i].count, cells[i].count);
    }
    EXPECT_TRUE(std::all_of(h.begin(), h.end(), [](uint16_t c) { return c == 0; }));
}

TEST(MedianCut, AnEmptyBoxHasNoColourToDivide) {
    std::vector<Box> boxes(kMaxBoxes);
    EXPECT_EQ(1, MedianCut({}, {}, boxes, kMaxBoxes));
    EXPECT_EQ(Rgb{}, BoxColor({}, boxes[0]));
}

// ---- The build through the host. ----

Layer LayerOf(const Square& square, int side, int planes) {
    return test::LayerOfPixels(side, side, planes, [&](int x, int y) {
        const Pixel& p = square[static_cast<size_t>(y * side + x)];
        return test::Rgba{p.r, p.g, p.b, p.a};
    });
}

// One builder on one host, the square moved between builds: every table must be that of the square
// it was built from, so no count may survive from one build into the next.
TEST(AutomaticTable, EachBuildIsTheTableOfItsOwnSquare) {
    std::mt19937 random(5);
    constexpr int kLayerSide = 96;
    Square big(kLayerSide * kLayerSide);
    for (int i = 0; i < kLayerSide * kLayerSide; ++i) {
        const int x = i % kLayerSide, y = i / kLayerSide;
        // Quarters of noise, of smooth colour, of a few flat colours, and of greys.
        if (x < 48 && y < 48) {
            big[static_cast<size_t>(i)] = Pixel{Byte(random), Byte(random), Byte(random), 255};
        } else if (x >= 48 && y < 48) {
            big[static_cast<size_t>(i)] = Pixel{static_cast<uint8_t>(x * 2), static_cast<uint8_t>(y * 5), 90, 128};
        } else if (x < 48) {
            big[static_cast<size_t>(i)] =
                Pixel{static_cast<uint8_t>((x / 12) * 70), 30, static_cast<uint8_t>((y / 12) * 50), 0};
        } else {
            const auto v = static_cast<uint8_t>((x + y) % 256);
            big[static_cast<size_t>(i)] = Pixel{v, v, v, 255};
        }
    }
    LayerHost host(LayerOf(big, kLayerSide, 4));
    ASSERT_TRUE(host.SetSelection(Rect{0, 0, kLayerSide, kLayerSide}));
    test::FakeAlerts alerts;
    PluginCall call(&host.Record(), alerts);
    LayerSquares squares;
    LayerSquareState state;
    for (int step = 0; step < 24; ++step) {
        const int side = 16 + 8 * (step % 5 == 4 ? 3 : step % 4);
        const int sizeIndex = (side - 16) / 8;
        CenterLayerSquare(call, squares, sizeIndex, side, side);
        MoveLayerSquare(call, squares, sizeIndex, static_cast<int>(random() % 21) - 10,
                        static_cast<int>(random() % 21) - 10);
        const Rect scanned = call.layer.square;
        Histogram expected(kHistogramEntries);
        for (int y = scanned.top; y < scanned.bottom; ++y) {
            for (int x = scanned.left; x < scanned.right; ++x) {
                const bool inside = x >= 0 && y >= 0 && x < kLayerSide && y < kLayerSide;
                const Pixel p = inside ? big[static_cast<size_t>(y * kLayerSide + x)] : Pixel{0, 0, 0, 0};
                ++expected[HistogramIndex(p.r, p.g, p.b)];
            }
        }
        RebuildAutomaticTable(call, state);
        ASSERT_EQ(RefTable(expected), state.activeTable) << "step " << step;
        EXPECT_EQ(RefMedianCut(expected, kMaxBoxes).size(), state.automaticBuilder.Boxes().size());
    }
}

struct EdgeCase {
    const char* what;
    std::vector<Pixel> colors;  // the square takes them in turn
    std::vector<Rgb> table;     // the entries before the zero padding
};

TEST(AutomaticTable, EdgeCases) {
    const EdgeCase cases[] = {
        {"one flat colour: the centre of its cell", {{201, 14, 130, 255}}, {{202, 14, 130}}},
        {"pure black and pure white never reach 0 or 255",
         {{0, 0, 0, 255}, {255, 255, 255, 255}},
         {{2, 2, 2}, {254, 254, 254}}},
        {"two colours: the lower half of the split stays first",
         {{250, 10, 10, 255}, {10, 10, 10, 255}},
         {{10, 10, 10}, {250, 10, 10}}},
        {"the two low bits do not tell colours apart", {{100, 100, 100, 255}, {103, 101, 102, 255}}, {{102, 102, 102}}},
        {"transparent pixels count by their colour", {{40, 80, 120, 0}, {40, 80, 120, 255}}, {{42, 82, 122}}},
    };
    for (const EdgeCase& c : cases) {
        Square square(16 * 16);
        for (size_t i = 0; i < square.size(); ++i) {
            square[i] = c.colors[i % c.colors.size()];
        }
        LayerHost host(LayerOf(square, 16, 4));
        ASSERT_TRUE(host.SetSelection(Rect{0, 0, 16, 16}));
        test::FakeAlerts alerts;
        PluginCall call(&host.Record(), alerts);
        LayerSquares squares;
        CenterLayerSquare(call, squares, 0, 16, 16);
        LayerSquareState state;
        RebuildAutomaticTable(call, state);
        ColorTable expected;
        for (size_t i = 0; i < c.table.size(); ++i) {
            expected.SetEntry(static_cast<int>(i), c.table[i]);
        }
        EXPECT_EQ(expected, state.activeTable) << c.what;
    }
}

TEST(AutomaticTable, MoreThan256CellsFillTheWholeTable) {
    Square square(48 * 48);
    for (size_t i = 0; i < square.size(); ++i) {
        // 2304 colours, each in a cell of its own.
        square[i] = Pixel{static_cast<uint8_t>((i % 48) * 4), static_cast<uint8_t>((i / 48) * 4), 128, 255};
    }
    LayerHost host(LayerOf(square, 48, 3));
    ASSERT_TRUE(host.SetSelection(Rect{0, 0, 48, 48}));
    test::FakeAlerts alerts;
    PluginCall call(&host.Record(), alerts);
    LayerSquares squares;
    CenterLayerSquare(call, squares, 3, 48, 48);
    LayerSquareState state;
    RebuildAutomaticTable(call, state);
    EXPECT_EQ(256u, state.automaticBuilder.Boxes().size());
    EXPECT_EQ(RefTable(HistogramOf(square)), state.activeTable);
    for (int i = 0; i < kColorTableEntries; ++i) {
        EXPECT_NE(Rgb{}, state.activeTable.Entry(i)) << i;
    }
}

TEST(AutomaticTable, TheScanNotesEachCellItFillsOnce) {
    Square square(16 * 16, Pixel{9, 9, 9, 255});
    square[5] = Pixel{200, 0, 0, 255};
    square[6] = Pixel{200, 0, 0, 255};
    LayerHost host(LayerOf(square, 16, 4));
    ASSERT_TRUE(host.SetSelection(Rect{0, 0, 16, 16}));
    test::FakeAlerts alerts;
    PluginCall call(&host.Record(), alerts);
    LayerSquares squares;
    CenterLayerSquare(call, squares, 0, 16, 16);
    Histogram h(kHistogramEntries);
    uint32_t noted[1] = {};
    FilledCells filled{noted, 1, 0};
    ScanLayerHistogram(call, h.data(), &filled);
    EXPECT_EQ(2u, filled.count);  // past the capacity: the caller knows the list is short
    EXPECT_EQ(HistogramIndex(9, 9, 9), noted[0]);
    EXPECT_EQ(254, h[HistogramIndex(9, 9, 9)]);
    EXPECT_EQ(2, h[HistogramIndex(200, 0, 0)]);
}

}  // namespace
}  // namespace tessera
