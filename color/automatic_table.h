#pragma once
// The automatic colour table: the colours of the layer square, counted row by row through the host,
// cut into at most 256 boxes by median cut; the table holds the boxes' colours.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "color/color_table.h"
#include "color/median_cut.h"

namespace tessera {

struct PluginCall;

// Rebuilt at every key step and at the end of every drag, so its working memory is kept from one
// build to the next: the histogram is all zero between builds, the scan notes the cells it fills, and
// the build collects and clears just those, never the whole 512 KiB.
class AutomaticTableBuilder {
  public:
    AutomaticTableBuilder() = default;
    AutomaticTableBuilder(const AutomaticTableBuilder&) = delete;
    AutomaticTableBuilder& operator=(const AutomaticTableBuilder&) = delete;

    // Counts every pixel of the requested square (fully transparent ones too, by their colour), has the
    // host deliver the square again, and writes the table: the box colours in box order, then (0, 0, 0).
    // False, with the table as it was, when the working memory cannot be had.
    bool BuildAutomaticTable(PluginCall& call, ColorTable& table);

    // The boxes of the last build.
    [[nodiscard]] std::span<const Box> Boxes() const { return {boxes_.data(), static_cast<size_t>(boxCount_)}; }

  private:
    bool Reserve(size_t cellCount);

    std::unique_ptr<uint16_t[]> histogram_;
    std::unique_ptr<uint32_t[]> filled_;  // the cells a scan filled, in the order it filled them
    std::unique_ptr<HistogramCell[]> cells_;
    size_t cellCapacity_ = 0;
    std::array<Box, kMaxBoxes> boxes_{};
    int boxCount_ = 0;
};

}  // namespace tessera
