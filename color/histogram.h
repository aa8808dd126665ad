#pragma once
// The colours of a layer square counted into a flat histogram: 262,144 saturating counts, six bits per
// channel, index = R/4 + 64 * (G/4) + 4096 * (B/4).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace tessera {

inline constexpr size_t kHistogramEntries = 262144;
using ColorHistogram = std::array<uint16_t, kHistogramEntries>;

constexpr size_t HistogramIndex(uint8_t red, uint8_t green, uint8_t blue) {
    return size_t{red} / 4 + 64 * (size_t{green} / 4) + 4096 * (size_t{blue} / 4);
}

// Where a count notes each cell it finds at 0 and fills, so that a caller who keeps the histogram from
// one count to the next reads and clears only those cells. `count` goes past `capacity` when more
// cells were filled than fit; the caller must then look at the whole histogram.
struct FilledCells {
    uint32_t* cells = nullptr;
    size_t capacity = 0;
    size_t count = 0;
};

inline void ClearHistogram(uint16_t* histogram, size_t count) {
    if (histogram != nullptr) {
        std::fill_n(histogram, count, uint16_t{0});
    }
}

// Adds `count` pixels to the cell at `index` (a count that reaches 65535 stays there), noting the
// cell when it was empty.
inline void AddToHistogram(uint16_t* histogram, size_t index, uint32_t count, FilledCells* filled) {
    if (count == 0) {
        return;
    }
    if (histogram[index] == 0 && filled != nullptr) {
        if (filled->count < filled->capacity) {
            filled->cells[filled->count] = static_cast<uint32_t>(index);
        }
        ++filled->count;
    }
    histogram[index] = static_cast<uint16_t>(std::min<uint32_t>(histogram[index] + count, UINT16_MAX));
}

}  // namespace tessera
