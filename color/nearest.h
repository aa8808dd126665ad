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

// Answers nearest-entry questions for one table. The table's distinct colours are held in a k-d tree
// (split at the median of the widest channel) whose leaves hold up to 32 colours, compared with the
// asked colour eight at a time; the answers already given are remembered by colour. Setting a new
// table costs a partial sort of at most 256 colours: the memory is kept, and what was learnt of the
// last table is forgotten without clearing it.
class NearestColor {
  public:
    NearestColor() = default;
    // The first `entryCount` (1..256) entries of the table take part.
    NearestColor(const ColorTable& table, int entryCount) { SetTable(table, entryCount); }
    NearestColor(const NearestColor&) = delete;
    NearestColor& operator=(const NearestColor&) = delete;

    void SetTable(const ColorTable& table, int entryCount);
    uint8_t Find(uint8_t red, uint8_t green, uint8_t blue);

  private:
    // One distinct colour of the table; `slot` numbers the colours in the order of their first entry,
    // so among colours at one distance the lowest slot is the lowest table index.
    struct Point {
        uint8_t channel[3];  // red, green, blue
        uint8_t slot;
    };
    // A node of the tree holds the points [lo, hi). An inner node splits them at mid = (lo + hi) / 2
    // on `axis`; the lower half's greatest and the upper half's least coordinate on that axis bound
    // the halves. A leaf's points lie in lanes [firstLane, firstLane + laneCount), by slot.
    struct Node {
        uint8_t axis;
        uint8_t lowerMax;
        uint8_t upperMin;
        bool leaf;
        uint16_t firstLane;
        uint16_t laneCount;
    };

    static constexpr int kLeafPoints = 32;
    static constexpr size_t kGroup = 8;  // lanes compared at once
    // Halving at most 256 points down to leaves of at most 32 takes at most 3 levels: 8 leaves, nodes
    // 1 to 15.
    static constexpr size_t kMaxDepth = 3;
    static constexpr size_t kNodes = 16;
    // Leaves are padded to whole groups: at most 256 points and 7 lanes for each leaf.
    static constexpr size_t kLanes = 256 + 7 * 8;
    static constexpr int kMemoBits = 14;
    static constexpr size_t kMemoSize = size_t{1} << kMemoBits;

    void Build(size_t node, int lo, int hi, size_t& lanes);
    // The best key, (squared distance << 8) | slot, among all points.
    [[nodiscard]] int32_t Search(const int* color) const;
    // The better of `best` and the best key among the leaf's points.
    [[nodiscard]] int32_t SearchLeaf(const Node& leaf, const int* color, int32_t best) const;

    int slots_ = 0;                     // distinct colours of the table
    std::array<uint8_t, 256> index_{};  // table index of each slot: the first entry of its colour
    std::array<Point, 256> points_{};
    std::array<Node, kNodes> nodes_{};  // node k's halves are nodes 2k and 2k + 1; the root is node 1
    // The leaves' points a channel to an array, in groups of eight lanes; a leaf's last group is
    // filled up with copies of its last point.
    std::array<int16_t, kLanes> laneRed_{};
    std::array<int16_t, kLanes> laneGreen_{};
    std::array<int16_t, kLanes> laneBlue_{};
    std::array<uint8_t, kLanes> laneSlot_{};
    // The answers already given, by colour, each key holding the generation of the table it was
    // answered for: pictures repeat colours far more often than not.
    uint32_t generation_ = 0;
    std::array<uint32_t, kMemoSize> memoKey_{};
    std::array<uint8_t, kMemoSize> memoIndex_{};
};

// Maps every pixel of the picture (its blue, green, red; the fourth byte plays no part) to its nearest
// entry among the first 16 (4 bits per pixel) or 256 (8 bits) entries of the table. The indexed rows
// keep the picture's row order; each is padded with zeros to a multiple of 4 bytes, and at 4 bits the
// left pixel of a pair takes the high nibble. `indexed` holds ColorStride(width, bits) * height bytes.
// False, with `indexed` untouched, when the bit count is neither 4 nor 8, the buffer is too small or
// the working memory cannot be had. The matcher of the last table of each bit count is kept for the
// next call (some 22 KiB each, for the life of the module), so calls belong on one thread, as all of
// the plug-in's work does.
bool ReduceToTable(const BgraImage& image,
                   const ColorTable& table,
                   int bitsPerPixel,
                   uint8_t* indexed,
                   size_t indexedSize);

}  // namespace tessera
