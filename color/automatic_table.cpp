#include "color/automatic_table.h"

#include <algorithm>
#include <new>

namespace tessera {

bool AutomaticTableBuilder::Reserve(size_t cellCount) {
    if (histogram_ == nullptr) {
        histogram_.reset(new (std::nothrow) uint16_t[kHistogramEntries]);
        if (histogram_ == nullptr) {
            return false;
        }
        ClearHistogram(histogram_.get(), kHistogramEntries);
    }
    if (cellCapacity_ < cellCount) {
        filled_.reset(new (std::nothrow) uint32_t[cellCount]);
        cells_.reset(new (std::nothrow) HistogramCell[cellCount]);
        scratch_.reset(new (std::nothrow) HistogramCell[cellCount]);
        cellCapacity_ = filled_ != nullptr && cells_ != nullptr && scratch_ != nullptr ? cellCount : 0;
    }
    return cellCapacity_ >= cellCount;
}

std::optional<AutomaticTableBuilder::Count> AutomaticTableBuilder::StartCount(size_t pixels) {
    // Each pixel fills at most one cell, so the square's pixel count bounds the cells it can fill.
    const size_t cellBound = std::min(pixels, kHistogramEntries);
    if (!Reserve(cellBound)) {
        return std::nullopt;
    }
    return Count{histogram_.get(), FilledCells{filled_.get(), cellBound, 0}};
}

ColorTable AutomaticTableBuilder::FinishCount(const Count& count) {
    const FilledCells& filled = count.filled;
    size_t cellCount = 0;
    if (filled.count <= filled.capacity) {
        for (size_t i = 0; i < filled.count; ++i) {
            const uint32_t index = filled_[i];
            cells_[cellCount++] = CellAt(index, histogram_[index]);
            histogram_[index] = 0;
        }
    } else {
        // More cells than the square has pixels: the count went wrong somewhere, so look at them all.
        cellCount = TakeOccupiedCells(histogram_.get(), {cells_.get(), filled.capacity});
    }
    const std::span<HistogramCell> cells(cells_.get(), cellCount);
    boxCount_ = MedianCut(cells, {scratch_.get(), cellCount}, boxes_, kMaxBoxes);
    return TableOfBoxes(cells, boxes_, boxCount_);
}

}  // namespace tessera
