#include "color/median_cut.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "color/histogram.h"

namespace tessera {

namespace {

// One bit per coordinate, looked up rather than shifted: a shift by a variable count costs several
// instructions on the processors we build for.
constexpr std::array<uint64_t, 64> kBit = [] {
    std::array<uint64_t, 64> bits{};
    for (size_t i = 0; i < bits.size(); ++i) {
        bits[i] = uint64_t{1} << i;
    }
    return bits;
}();

// The coordinates present along each axis, one bit per coordinate: the bounds of a set of cells are
// the lowest and the highest bit.
struct Occupied {
    uint64_t r = 0;
    uint64_t g = 0;
    uint64_t b = 0;

    void Add(const HistogramCell& c) {
        r |= kBit[c.r & 63];
        g |= kBit[c.g & 63];
        b |= kBit[c.b & 63];
    }
};

int32_t Volume(const Box& box) {
    const int32_t dr = (box.rMax - box.rMin) * 4;
    const int32_t dg = (box.gMax - box.gMin) * 4;
    const int32_t db = (box.bMax - box.bMin) * 4;
    return dr * dr + dg * dg + db * db;
}

// Makes the box the smallest box around its cells (a box without cells keeps its bounds) and sets
// its figures.
void ShrinkBox(const Occupied& occupied, Box& box) {
    if (box.firstCell < box.endCell) {
        box.rMin = std::countr_zero(occupied.r);
        box.rMax = 63 - std::countl_zero(occupied.r);
        box.gMin = std::countr_zero(occupied.g);
        box.gMax = 63 - std::countl_zero(occupied.g);
        box.bMin = std::countr_zero(occupied.b);
        box.bMax = 63 - std::countl_zero(occupied.b);
    }
    box.volume = Volume(box);
    box.colorCount = static_cast<int32_t>(box.endCell - box.firstCell);
}

// What a box is chosen by, with the box number folded in so that the greatest score is the greatest
// figure and, among equals, the earliest box. A score whose figure is 0 is never chosen. By count,
// only boxes with a length to split take part.
uint32_t Score(const Box& box, int number, bool byCount) {
    const int32_t figure = byCount ? (box.volume > 0 ? box.colorCount : 0) : box.volume;
    return (static_cast<uint32_t>(figure) << 8) | static_cast<uint32_t>(255 - number);
}

// The scores of the boxes in a tournament: each inner node holds the greater of its two children, so
// the root is the box to split and a changed score costs eight comparisons.
class Tournament {
  public:
    void Set(int box, uint32_t score) {
        size_t node = kMaxBoxes + static_cast<size_t>(box);
        nodes_[node] = score;
        for (node /= 2; node >= 1; node /= 2) {
            nodes_[node] = std::max(nodes_[2 * node], nodes_[2 * node + 1]);
        }
    }
    [[nodiscard]] uint32_t Best() const { return nodes_[1]; }

  private:
    std::array<uint32_t, 2 * kMaxBoxes> nodes_{};
};

template <int Axis>
uint8_t Coordinate(const HistogramCell& c) {
    if constexpr (Axis == 0) {
        return c.r;
    } else if constexpr (Axis == 1) {
        return c.g;
    } else {
        return c.b;
    }
}

// Moves the box's cells whose coordinate on the axis is at most `middle` to its front and returns
// where the others begin. No branch depends on the data: every cell is swapped, and the counter alone
// decides where.
template <int Axis>
uint32_t Partition(std::span<HistogramCell> cells, const Box& box, int middle) {
    uint32_t divide = box.firstCell;
    for (uint32_t i = box.firstCell; i < box.endCell; ++i) {
        const HistogramCell c = cells[i];
        cells[i] = cells[divide];
        cells[divide] = c;
        divide += static_cast<uint32_t>(Coordinate<Axis>(c) - middle - 1) >> 31;
    }
    return divide;
}

// Shrinks a box around the cells it holds.
void ShrinkAround(std::span<const HistogramCell> cells, Box& box) {
    Occupied occupied;
    for (uint32_t i = box.firstCell; i < box.endCell; ++i) {
        occupied.Add(cells[i]);
    }
    ShrinkBox(occupied, box);
}

// Splits the chosen (shrunk) box at the middle of its longest side, ties going to green, then red,
// then blue: the chosen box keeps the lower half and `split` takes the upper. Both halves hold cells,
// because a box with a length to split was shrunk around cells at both of its ends.
void SplitBox(std::span<HistogramCell> cells, Box& chosen, Box& split) {
    split = chosen;
    int axis = 1;
    int length = chosen.gMax - chosen.gMin;
    if (chosen.rMax - chosen.rMin > length) {
        axis = 0;
        length = chosen.rMax - chosen.rMin;
    }
    if (chosen.bMax - chosen.bMin > length) {
        axis = 2;
    }
    int32_t* chosenMax[3] = {&chosen.rMax, &chosen.gMax, &chosen.bMax};
    int32_t* splitMin[3] = {&split.rMin, &split.gMin, &split.bMin};
    const int32_t mins[3] = {chosen.rMin, chosen.gMin, chosen.bMin};
    // The middle of the range, not the median of the pixels.
    const int middle = (*chosenMax[axis] + mins[axis]) / 2;
    *chosenMax[axis] = middle;
    *splitMin[axis] = middle + 1;

    uint32_t divide = 0;
    if (axis == 0) {
        divide = Partition<0>(cells, chosen, middle);
    } else if (axis == 1) {
        divide = Partition<1>(cells, chosen, middle);
    } else {
        divide = Partition<2>(cells, chosen, middle);
    }
    chosen.endCell = divide;
    split.firstCell = divide;
    ShrinkAround(cells, chosen);
    ShrinkAround(cells, split);
}

}  // namespace

size_t TakeOccupiedCells(uint16_t* histogram, std::span<HistogramCell> cells) {
    size_t count = 0;
    // Squares fill a few hundred cells of 262,144: look at 32 cells at a time and only into blocks
    // that hold something.
    constexpr size_t kBlock = 32;
    for (size_t base = 0; base < kHistogramEntries; base += kBlock) {
        uint64_t words[kBlock / 4];
        std::memcpy(words, histogram + base, sizeof words);
        uint64_t any = 0;
        for (uint64_t w : words) {
            any |= w;
        }
        if (any == 0) {
            continue;
        }
        for (size_t w = 0; w < kBlock / 4; ++w) {
            if (words[w] == 0) {
                continue;
            }
            for (size_t index = base + 4 * w; index < base + 4 * w + 4; ++index) {
                if (histogram[index] != 0) {
                    if (count < cells.size()) {
                        cells[count++] = CellAt(static_cast<uint32_t>(index), histogram[index]);
                    }
                    histogram[index] = 0;
                }
            }
        }
    }
    return count;
}

int MedianCut(std::span<HistogramCell> cells, std::span<Box> boxes, int desired) {
    desired = std::clamp(desired, 1, static_cast<int>(std::min<size_t>(boxes.size(), kMaxBoxes)));
    boxes[0] = Box{};
    boxes[0].endCell = static_cast<uint32_t>(cells.size());
    ShrinkAround(cells, boxes[0]);
    int boxCount = 1;

    Tournament scores;
    bool byCount = true;
    scores.Set(0, Score(boxes[0], 0, byCount));
    while (boxCount < desired) {
        // The first half of the run splits the box with the most cells, the second the longest.
        if (byCount && boxCount * 2 > desired) {
            byCount = false;
            for (int i = 0; i < boxCount; ++i) {
                scores.Set(i, Score(boxes[static_cast<size_t>(i)], i, byCount));
            }
        }
        const uint32_t best = scores.Best();
        if ((best >> 8) == 0) {
            break;
        }
        const auto chosen = static_cast<size_t>(255 - static_cast<int>(best & 0xFF));
        const auto added = static_cast<size_t>(boxCount);
        SplitBox(cells, boxes[chosen], boxes[added]);
        scores.Set(static_cast<int>(chosen), Score(boxes[chosen], static_cast<int>(chosen), byCount));
        scores.Set(boxCount, Score(boxes[added], boxCount, byCount));
        ++boxCount;
    }
    return boxCount;
}

Rgb BoxColor(std::span<const HistogramCell> cells, const Box& box) {
    uint64_t total = 0;
    uint64_t red = 0;
    uint64_t green = 0;
    uint64_t blue = 0;
    for (uint32_t i = box.firstCell; i < box.endCell; ++i) {
        const HistogramCell& c = cells[i];
        total += c.count;
        red += uint64_t{c.count} * (4u * c.r + 2u);
        green += uint64_t{c.count} * (4u * c.g + 2u);
        blue += uint64_t{c.count} * (4u * c.b + 2u);
    }
    if (total == 0) {
        return Rgb{};
    }
    const auto mean = [total](uint64_t sum) { return static_cast<uint8_t>((sum + total / 2) / total); };
    return Rgb{mean(red), mean(green), mean(blue)};
}

ColorTable TableOfBoxes(std::span<const HistogramCell> cells, std::span<const Box> boxes, int boxCount) {
    ColorTable table;
    for (int i = 0; i < boxCount && i < kColorTableEntries; ++i) {
        table.SetEntry(i, BoxColor(cells, boxes[static_cast<size_t>(i)]));
    }
    return table;
}

}  // namespace tessera
