#pragma once
// Nearest colour: each pixel goes to the table entry at the least squared distance in red, green and
// blue, the lowest index winning a tie. The match is ours on every platform, so a reduction gives the
// same indices on Windows and elsewhere; equal colours always get the same index, and there is no
// dithering.

#include <array>
#include <cstddef>
#include <cstdint>

#include "color/color_table.h"

namespace tessera {

class BgraImage;

// Answers nearest-entry questions for one table. The search keeps, for each region of the colour cube
// it has been asked about, the entries that can be nearest there, sorted by how close they can come;
// regions are worked out on first use, so a small picture pays only for the colours it holds.
class NearestColor {
  public:
    // The first `entryCount` (1..256) entries of the table take part.
    NearestColor(const ColorTable& table, int entryCount);
    NearestColor(const NearestColor&) = delete;
    NearestColor& operator=(const NearestColor&) = delete;

    uint8_t Find(uint8_t red, uint8_t green, uint8_t blue);

  private:
    // One entry that can be nearest in a region: `key` is (least squared distance from the region) << 8
    // | slot, so sorting by key puts the closest first and, among equals, the lowest table index.
    struct Candidate {
        uint32_t key;
        uint8_t red;
        uint8_t green;
        uint8_t blue;
        uint8_t slot;
    };
    struct Region {
        uint32_t first = 0;
        uint16_t count = 0;
        bool ready = false;
    };

    // The regions halve the cube per level: 1, 8, 64, then 512 regions of 32 x 32 x 32 colours.
    static constexpr int kLevels = 4;
    static constexpr int kRegionCount = 1 + 8 + 64 + 512;
    static constexpr size_t kCandidateCapacity = 8192;
    static constexpr int kMemoBits = 14;
    static constexpr size_t kMemoSize = size_t{1} << kMemoBits;

    const Region& RegionAt(int level, int r, int g, int b);
    // The best key among a region's candidates for one colour.
    [[nodiscard]] uint32_t Search(const Region& region, int red, int green, int blue) const;

    int slots_ = 0;                     // distinct colours of the table
    std::array<uint8_t, 256> index_{};  // table index of each slot: the first entry of its colour
    std::array<Rgb, 256> slotColor_{};
    std::array<Region, kRegionCount> regions_{};
    std::array<Candidate, kCandidateCapacity> candidates_;
    size_t used_ = 0;
    // The answers already given, by colour: pictures repeat colours far more often than not.
    std::array<uint32_t, kMemoSize> memoColor_{};
    std::array<uint8_t, kMemoSize> memoIndex_{};
};

// Maps every pixel of the picture (its blue, green, red; the fourth byte plays no part) to its nearest
// entry among the first 16 (4 bits per pixel) or 256 (8 bits) entries of the table. The indexed rows
// keep the picture's row order; each is padded with zeros to a multiple of 4 bytes, and at 4 bits the
// left pixel of a pair takes the high nibble. `indexed` holds ColorStride(width, bits) * height bytes.
// False, with `indexed` untouched, when the bit count is neither 4 nor 8, the buffer is too small or
// the working memory cannot be had. The matcher of the last table of each bit count is kept for the
// next call (some 150 KiB each, for the life of the module), so calls belong on one thread, as all of
// the plug-in's work does.
bool ReduceToTable(const BgraImage& image,
                   const ColorTable& table,
                   int bitsPerPixel,
                   uint8_t* indexed,
                   size_t indexedSize);

}  // namespace tessera
