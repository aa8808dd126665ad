#pragma once
// The automatic colour table: the colours of the layer square, counted into a histogram, cut into at
// most 256 boxes by median cut; the table holds the boxes' colours.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "color/color_table.h"
#include "color/histogram.h"
#include "color/median_cut.h"

namespace tessera {

// Rebuilt at every key step and at the end of every drag, so its working memory is kept from one
// build to the next: the histogram is all zero between builds, the count notes the cells it fills, and
// the build collects and clears just those, never the whole 512 KiB.
class AutomaticTableBuilder {
  public:
    AutomaticTableBuilder() = default;
    AutomaticTableBuilder(const AutomaticTableBuilder&) = delete;
    AutomaticTableBuilder& operator=(const AutomaticTableBuilder&) = delete;

    // Where to count the colours of a square of `pixels` pixels (fully transparent ones too, by their
    // colour): the histogram, all zero, and the list of the cells the count fills. None when the
    // working memory cannot be had.
    struct Count {
        uint16_t* histogram = nullptr;
        FilledCells filled;
    };
    std::optional<Count> StartCount(size_t pixels);
    // The table of what was counted: the box colours in box order, then (0, 0, 0). The histogram is all
    // zero again.
    ColorTable FinishCount(const Count& count);

    // The boxes of the last build.
    [[nodiscard]] std::span<const Box> Boxes() const { return {boxes_.data(), static_cast<size_t>(boxCount_)}; }

  private:
    bool Reserve(size_t cellCount);

    std::unique_ptr<uint16_t[]> histogram_;
    std::unique_ptr<uint32_t[]> filled_;  // the cells a count filled, in the order it filled them
    std::unique_ptr<HistogramCell[]> cells_;
    std::unique_ptr<HistogramCell[]> scratch_;  // where the median cut deals the cells of a split
    size_t cellCapacity_ = 0;
    std::array<Box, kMaxBoxes> boxes_{};
    int boxCount_ = 0;
};

}  // namespace tessera
