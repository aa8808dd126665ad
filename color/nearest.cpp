#include "color/nearest.h"

#include <algorithm>
#include <memory>
#include <new>

#include "base/bgra_image.h"
#include "icon/resource_grid.h"

namespace tessera {

namespace {

constexpr int kLevelOffset[4] = {0, 1, 9, 73};

uint32_t Square(int v) {
    return static_cast<uint32_t>(v * v);
}

// The least and the greatest squared distance along one axis from c to the range lo..hi.
uint32_t AxisNearest(int c, int lo, int hi) {
    return Square(std::max({lo - c, c - hi, 0}));
}
uint32_t AxisFarthest(int c, int lo, int hi) {
    return Square(std::max(c - lo, hi - c));
}

uint32_t PackedColor(uint8_t red, uint8_t green, uint8_t blue) {
    return uint32_t{red} | (uint32_t{green} << 8) | (uint32_t{blue} << 16);
}

}  // namespace

NearestColor::NearestColor(const ColorTable& table, int entryCount) {
    entryCount = std::clamp(entryCount, 1, kColorTableEntries);
    // Entries of one colour are one candidate, the first of them: the lowest index wins every tie
    // between them, and the zero padding of an automatic table does not make black crowded.
    std::array<uint32_t, 512> seen{};
    Region& root = regions_[0];
    for (int i = 0; i < entryCount; ++i) {
        const Rgb c = table.Entry(i);
        const uint32_t key = PackedColor(c.red, c.green, c.blue) + 1;
        uint32_t h = (key * 2654435761u) >> 23;
        while (seen[h] != 0 && seen[h] != key) {
            h = (h + 1) & 511;
        }
        if (seen[h] == key) {
            continue;
        }
        seen[h] = key;
        const auto slot = static_cast<uint8_t>(slots_);
        index_[static_cast<size_t>(slots_)] = static_cast<uint8_t>(i);
        slotColor_[static_cast<size_t>(slots_)] = c;
        // Every candidate of the whole cube is at distance 0 from it; the keys still sort by index.
        candidates_[used_++] = Candidate{slot, c.red, c.green, c.blue, slot};
        ++slots_;
    }
    root.first = 0;
    root.count = static_cast<uint16_t>(slots_);
    root.ready = true;
}

uint32_t NearestColor::Search(const Region& region, int red, int green, int blue) const {
    uint32_t best = UINT32_MAX;
    const Candidate* c = candidates_.data() + region.first;
    for (uint16_t k = 0; k < region.count; ++k, ++c) {
        // The rest lie farther from the region than the best is from the colour: none can win or tie.
        if ((c->key >> 8) > (best >> 8)) {
            break;
        }
        const uint32_t d = Square(red - c->red) + Square(green - c->green) + Square(blue - c->blue);
        best = std::min(best, (d << 8) | c->slot);
    }
    return best;
}

const NearestColor::Region& NearestColor::RegionAt(int level, int r, int g, int b) {
    Region& region = regions_[static_cast<size_t>(kLevelOffset[level] + (r | (g << level) | (b << (2 * level))))];
    if (region.ready) {
        return region;
    }
    const Region& parent = RegionAt(level - 1, r >> 1, g >> 1, b >> 1);
    const int shift = 8 - level;
    const int extent = (1 << shift) - 1;
    const int lo[3] = {r << shift, g << shift, b << shift};
    // Any entry's greatest distance from the region bounds the nearest distance of every colour in it;
    // the entry nearest the region's centre gives a tight bound. Entries that cannot come closer than
    // that bound are never nearest here.
    const Rgb centre = slotColor_[Search(parent, lo[0] + extent / 2, lo[1] + extent / 2, lo[2] + extent / 2) & 0xFF];
    const uint32_t bound = AxisFarthest(centre.red, lo[0], lo[0] + extent) +
                           AxisFarthest(centre.green, lo[1], lo[1] + extent) +
                           AxisFarthest(centre.blue, lo[2], lo[2] + extent);
    if (kCandidateCapacity - used_ < parent.count) {
        // No room left: the parent's list is a correct, if longer, answer for this region too.
        region = parent;
        return region;
    }
    const Candidate* from = candidates_.data() + parent.first;
    Candidate* out = candidates_.data() + used_;
    uint16_t count = 0;
    for (uint16_t k = 0; k < parent.count; ++k) {
        Candidate c = from[k];
        // The parent's keys grow, and a sub-region is never closer than its parent.
        if ((c.key >> 8) > bound) {
            break;
        }
        const uint32_t nearest = AxisNearest(c.red, lo[0], lo[0] + extent) +
                                 AxisNearest(c.green, lo[1], lo[1] + extent) +
                                 AxisNearest(c.blue, lo[2], lo[2] + extent);
        c.key = (nearest << 8) | c.slot;
        out[count] = c;
        count = static_cast<uint16_t>(count + (nearest <= bound ? 1 : 0));
    }
    std::sort(out, out + count, [](const Candidate& x, const Candidate& y) { return x.key < y.key; });
    region = Region{static_cast<uint32_t>(used_), count, true};
    used_ += count;
    return region;
}

uint8_t NearestColor::Find(uint8_t red, uint8_t green, uint8_t blue) {
    const uint32_t color = PackedColor(red, green, blue) + 1;
    const uint32_t memo = (color * 2654435761u) >> (32 - kMemoBits);
    if (memoColor_[memo] == color) {
        return memoIndex_[memo];
    }
    constexpr int kShift = 8 - (kLevels - 1);
    const Region& region = RegionAt(kLevels - 1, red >> kShift, green >> kShift, blue >> kShift);
    const uint8_t index = index_[Search(region, red, green, blue) & 0xFF];
    memoColor_[memo] = color;
    memoIndex_[memo] = index;
    return index;
}

namespace {

// The matcher of the last table used at each bit count. The built-in tables never change and the
// active table changes only with the user's choice or the square, so a matcher usually serves many
// reductions, with the regions it has worked out and the colours it has answered.
NearestColor* MatcherFor(const ColorTable& table, int bitsPerPixel) {
    struct Cached {
        ColorTable table;
        std::unique_ptr<NearestColor> matcher;
    };
    static std::array<Cached, 2> cache;
    Cached& cached = cache[bitsPerPixel == 4 ? 0 : 1];
    if (cached.matcher == nullptr || cached.table != table) {
        cached.matcher.reset(new (std::nothrow) NearestColor(table, bitsPerPixel == 4 ? 16 : kColorTableEntries));
        cached.table = table;
    }
    return cached.matcher.get();
}

}  // namespace

bool ReduceToTable(const BgraImage& image,
                   const ColorTable& table,
                   int bitsPerPixel,
                   uint8_t* indexed,
                   size_t indexedSize) {
    if (bitsPerPixel != 4 && bitsPerPixel != 8) {
        return false;
    }
    const int width = image.Width();
    const int height = image.Height();
    const auto stride = static_cast<size_t>(ColorStride(width, bitsPerPixel));
    if (indexed == nullptr || indexedSize / stride < static_cast<size_t>(height)) {
        return false;
    }
    NearestColor* nearest = MatcherFor(table, bitsPerPixel);
    if (nearest == nullptr) {
        return false;
    }
    for (int row = 0; row < height; ++row) {
        uint8_t* out = indexed + static_cast<size_t>(row) * stride;
        std::fill(out, out + stride, uint8_t{0});
        const uint8_t* p = image.At(0, row);
        for (int x = 0; x < width; ++x, p += 4) {
            const uint8_t index = nearest->Find(p[2], p[1], p[0]);
            if (bitsPerPixel == 8) {
                out[x] = index;
            } else {
                out[x / 2] = static_cast<uint8_t>(out[x / 2] | ((x % 2 == 0) ? index << 4 : index));
            }
        }
    }
    return true;
}

}  // namespace tessera
