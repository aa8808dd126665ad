#include "color/automatic_table.h"

#include <algorithm>
#include <new>

#include "host/layer_square.h"
#include "host/plugin_call.h"

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
        cellCapacity_ = filled_ != nullptr && cells_ != nullptr ? cellCount : 0;
    }
    return cellCapacity_ >= cellCount;
}

bool AutomaticTableBuilder::BuildAutomaticTable(PluginCall& call, ColorTable& table) {
    // Each row of the scan adds one count per column, so the square's pixel count bounds the number
    // of cells it can fill.
    const Rect square = call.layer.square;
    const int64_t rows = std::max(0, square.bottom - square.top);
    const int64_t columns = std::max(0, square.right - square.left);
    const auto cellBound = static_cast<size_t>(std::min<int64_t>(rows * columns, kHistogramEntries));
    if (!Reserve(cellBound)) {
        return false;
    }
    FilledCells filled{filled_.get(), cellBound, 0};
    ScanLayerHistogram(call, histogram_.get(), &filled);
    size_t count = 0;
    if (filled.count <= filled.capacity) {
        for (size_t i = 0; i < filled.count; ++i) {
            const uint32_t index = filled_[i];
            cells_[count++] = CellAt(index, histogram_[index]);
            histogram_[index] = 0;
        }
    } else {
        // More cells than the square has pixels: the count went wrong somewhere, so look at them all.
        count = TakeOccupiedCells(histogram_.get(), {cells_.get(), cellBound});
    }
    const std::span<HistogramCell> cells(cells_.get(), count);
    boxCount_ = MedianCut(cells, boxes_, kMaxBoxes);
    table = TableOfBoxes(cells, boxes_, boxCount_);
    return true;
}

}  // namespace tessera
