#include "color/median_cut.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

#include "color/histogram.h"

namespace tessera {

namespace {

// Cells are read as bytes, red, green and blue first, two cells to a 16-byte load.
static_assert(sizeof(HistogramCell) == 8 && offsetof(HistogramCell, r) == 0 && offsetof(HistogramCell, g) == 1 &&
              offsetof(HistogramCell, b) == 2);

int32_t Volume(const Box& box) {
    const int32_t dr = (box.rMax - box.rMin) * 4;
    const int32_t dg = (box.gMax - box.gMin) * 4;
    const int32_t db = (box.bMax - box.bMin) * 4;
    return dr * dr + dg * dg + db * db;
}

// Makes the box the smallest box around its cells (a box without cells keeps its bounds) and sets
// its figures. The least and the greatest coordinates are taken in every byte of the cells at once.
void ShrinkBox(std::span<const HistogramCell> cells, Box& box) {
    if (box.firstCell < box.endCell) {
        __m128i low = _mm_set1_epi8(-1);
        __m128i high = _mm_setzero_si128();
        uint32_t i = box.firstCell;
        for (; i + 2 <= box.endCell; i += 2) {
            const __m128i two = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells.data() + i));
            low = _mm_min_epu8(low, two);
            high = _mm_max_epu8(high, two);
        }
        if (i < box.endCell) {
            const __m128i one = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(cells.data() + i));
            low = _mm_min_epu8(low, _mm_unpacklo_epi64(one, one));
            high = _mm_max_epu8(high, one);
        }
        const auto lows = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_min_epu8(low, _mm_srli_si128(low, 8))));
        const auto highs = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_max_epu8(high, _mm_srli_si128(high, 8))));
        box.rMin = static_cast<int32_t>(lows & 0xFF);
        box.rMax = static_cast<int32_t>(highs & 0xFF);
        box.gMin = static_cast<int32_t>((lows >> 8) & 0xFF);
        box.gMax = static_cast<int32_t>((highs >> 8) & 0xFF);
        box.bMin = static_cast<int32_t>((lows >> 16) & 0xFF);
        box.bMax = static_cast<int32_t>((highs >> 16) & 0xFF);
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
        // Each parent's new score is the greater of the child just set and its sibling, carried up
        // rather than read back.
        for (; node > 1; node /= 2) {
            score = std::max(score, nodes_[node ^ 1]);
            nodes_[node / 2] = score;
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
// where the others begin. Each cell is written both to the next place of the lower ones, which it
// has already passed, and to the next place of the upper ones in `scratch`, which are copied back
// behind the lower ones: no branch depends on the data, and no cell is read from where one was just
// written.
template <int Axis>
uint32_t Partition(std::span<HistogramCell> cells, std::span<HistogramCell> scratch, const Box& box, int middle) {
    HistogramCell* lower = cells.data() + box.firstCell;
    HistogramCell* upper = scratch.data();
    for (uint32_t i = box.firstCell; i < box.endCell; ++i) {
        const HistogramCell c = cells[i];
        const auto below = static_cast<uint32_t>(Coordinate<Axis>(c) - middle - 1) >> 31;
        *lower = c;
        *upper = c;
        lower += below;
        upper += 1 - below;
    }
    std::memcpy(lower, scratch.data(), static_cast<size_t>(upper - scratch.data()) * sizeof(HistogramCell));
    return static_cast<uint32_t>(lower - cells.data());
}

// Splits the chosen (shrunk) box at the middle of its longest side, ties going to green, then red,
// then blue: the chosen box keeps the lower half and `split` takes the upper. Both halves hold cells,
// because a box with a length to split was shrunk around cells at both of its ends.
void SplitBox(std::span<HistogramCell> cells, std::span<HistogramCell> scratch, Box& chosen, Box& split) {
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
        divide = Partition<0>(cells, scratch, chosen, middle);
    } else if (axis == 1) {
        divide = Partition<1>(cells, scratch, chosen, middle);
    } else {
        divide = Partition<2>(cells, scratch, chosen, middle);
    }
    chosen.endCell = divide;
    split.firstCell = divide;
    ShrinkBox(cells, chosen);
    ShrinkBox(cells, split);
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

int MedianCut(std::span<HistogramCell> cells, std::span<HistogramCell> scratch, std::span<Box> boxes, int desired) {
    if (scratch.size() < cells.size()) {
        return 0;
    }
    desired = std::clamp(desired, 1, static_cast<int>(std::min<size_t>(boxes.size(), kMaxBoxes)));
    boxes[0] = Box{};
    boxes[0].endCell = static_cast<uint32_t>(cells.size());
    ShrinkBox(cells, boxes[0]);
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
        SplitBox(cells, scratch, boxes[chosen], boxes[added]);
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
