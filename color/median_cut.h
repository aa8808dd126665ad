#pragma once
// Median cut over the occupied cells of a colour histogram (six bits per channel, red fastest): the
// cube is split into at most 256 boxes, each the smallest box around its cells, and each box gives
// the count-weighted mean of its cells' centres as a colour.
//
// The boxes and their order are those of the dense method (shrink by scanning planes of the cube,
// split by cell count while at most half the boxes exist, then by volume), but the work is done on
// the list of occupied cells, so it costs what the square holds and not what the cube could hold.

#include <cstddef>
#include <cstdint>
#include <span>

#include "color/color_table.h"

namespace tessera {

// One non-zero histogram cell by its coordinates (each 0..63, the channel value divided by 4).
struct HistogramCell {
    uint8_t r;
    uint8_t g;
    uint8_t b;
    uint32_t count;
};

// The cell at a histogram index (r + 64 * g + 4096 * b).
constexpr HistogramCell CellAt(uint32_t index, uint32_t count) {
    return HistogramCell{static_cast<uint8_t>(index & 63), static_cast<uint8_t>((index >> 6) & 63),
                         static_cast<uint8_t>((index >> 12) & 63), count};
}

struct Box {
    int32_t rMin = 0;
    int32_t rMax = 63;
    int32_t gMin = 0;
    int32_t gMax = 63;
    int32_t bMin = 0;
    int32_t bMax = 63;
    int32_t volume = 0;      // squared diagonal in 8-bit units: each side's length times 4
    int32_t colorCount = 0;  // occupied cells inside
    uint32_t firstCell = 0;  // the box's cells are cells[firstCell, endCell)
    uint32_t endCell = 0;
};

inline constexpr int kMaxBoxes = 256;

// Moves the non-zero cells of the histogram (kHistogramEntries counts) into `cells`, in index order,
// and zeroes every one of them in the histogram. Returns how many it listed: all of them when `cells`
// has the room.
size_t TakeOccupiedCells(uint16_t* histogram, std::span<HistogramCell> cells);

// Splits the cells into at most `desired` boxes (1..boxes.size()) and returns how many it made: the
// smaller of `desired` and the number of cells, or 1 when there are no cells. Reorders `cells` so
// that each box's cells lie together, working in `scratch`, which must have room for as many cells
// (0 boxes when it has not).
int MedianCut(std::span<HistogramCell> cells, std::span<HistogramCell> scratch, std::span<Box> boxes, int desired);

// The mean of the box's cell centres (4 * coordinate + 2), weighted by count, rounded half up;
// (0, 0, 0) for a box without cells.
Rgb BoxColor(std::span<const HistogramCell> cells, const Box& box);

// Entry i the colour of box i for i < boxCount, (0, 0, 0) after.
ColorTable TableOfBoxes(std::span<const HistogramCell> cells, std::span<const Box> boxes, int boxCount);

}  // namespace tessera
