#include "color/nearest.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

#include "base/bgra_image.h"
#include "icon/resource_grid.h"

namespace tessera {

namespace {

int32_t Square(int v) {
    return v * v;
}

uint32_t PackedColor(uint8_t red, uint8_t green, uint8_t blue) {
    return uint32_t{red} | (uint32_t{green} << 8) | (uint32_t{blue} << 16);
}

// Eight squared distances, saturated at 65535, of the lanes' colours from the asked colour. Each
// channel's difference squared fits 16 bits exactly, so every distance below 65535 is exact.
__m128i GroupDistances(const int16_t* red, const int16_t* green, const int16_t* blue, const __m128i* asked) {
    const __m128i dr = _mm_sub_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(red)), asked[0]);
    const __m128i dg = _mm_sub_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(green)), asked[1]);
    const __m128i db = _mm_sub_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blue)), asked[2]);
    return _mm_adds_epu16(_mm_adds_epu16(_mm_mullo_epi16(dr, dr), _mm_mullo_epi16(dg, dg)), _mm_mullo_epi16(db, db));
}

}  // namespace

void NearestColor::SetTable(const ColorTable& table, int entryCount) {
    entryCount = std::clamp(entryCount, 1, kColorTableEntries);
    // Entries of one colour are one point, the first of them: the lowest index wins every tie between
    // them, and the zero padding of an automatic table does not make black crowded.
    std::array<uint32_t, 512> seen{};
    slots_ = 0;
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
        const auto slot = static_cast<size_t>(slots_);
        index_[slot] = static_cast<uint8_t>(i);
        points_[slot] = Point{{c.red, c.green, c.blue}, static_cast<uint8_t>(slot)};
        ++slots_;
    }
    size_t lanes = 0;
    Build(1, 0, slots_, lanes);
    // A new generation makes every remembered answer stale; the memory is cleared only when the
    // generations run out.
    generation_ = (generation_ + 1) & 0xFF;
    if (generation_ == 0) {
        memoKey_.fill(0);
        generation_ = 1;
    }
}

void NearestColor::Build(size_t node, int lo, int hi, size_t& lanes) {
    Point* first = points_.data() + lo;
    Point* last = points_.data() + hi;
    if (hi - lo <= kLeafPoints) {
        // By slot, so that the first lane at the least distance is the lowest table index.
        std::sort(first, last, [](const Point& x, const Point& y) { return x.slot < y.slot; });
        const size_t count = (static_cast<size_t>(hi - lo) + kGroup - 1) / kGroup * kGroup;
        nodes_[node] = Node{0, 0, 0, true, static_cast<uint16_t>(lanes), static_cast<uint16_t>(count)};
        for (size_t k = 0; k < count; ++k, ++lanes) {
            const Point& p = first + k < last ? first[k] : last[-1];
            laneRed_[lanes] = p.channel[0];
            laneGreen_[lanes] = p.channel[1];
            laneBlue_[lanes] = p.channel[2];
            laneSlot_[lanes] = p.slot;
        }
        return;
    }
    uint8_t low[3] = {255, 255, 255};
    uint8_t high[3] = {0, 0, 0};
    for (const Point* p = first; p != last; ++p) {
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], p->channel[a]);
            high[a] = std::max(high[a], p->channel[a]);
        }
    }
    uint8_t axis = 0;
    for (uint8_t a = 1; a < 3; ++a) {
        if (high[a] - low[a] > high[axis] - low[axis]) {
            axis = a;
        }
    }
    const auto byAxis = [axis](const Point& x, const Point& y) { return x.channel[axis] < y.channel[axis]; };
    const int mid = (lo + hi) / 2;
    Point* middle = points_.data() + mid;
    std::nth_element(first, middle, last, byAxis);
    const Point* lowerMax = std::max_element(first, middle, byAxis);
    nodes_[node] = Node{axis, lowerMax->channel[axis], middle->channel[axis], false, 0, 0};
    Build(2 * node, lo, mid, lanes);
    Build(2 * node + 1, mid, hi, lanes);
}

int32_t NearestColor::SearchLeaf(const Node& leaf, const int* color, int32_t best) const {
    const __m128i asked[3] = {_mm_set1_epi16(static_cast<int16_t>(color[0])),
                              _mm_set1_epi16(static_cast<int16_t>(color[1])),
                              _mm_set1_epi16(static_cast<int16_t>(color[2]))};
    const size_t groups = leaf.laneCount / kGroup;
    // SSE2 compares 16-bit lanes as signed numbers only: flipping the top bit orders unsigned ones alike.
    const __m128i unsignedBias = _mm_set1_epi16(static_cast<int16_t>(0x8000));
    __m128i distances[kLeafPoints / kGroup];
    __m128i lowest = _mm_set1_epi16(INT16_MAX);
    for (size_t g = 0; g < groups; ++g) {
        const size_t lane = leaf.firstLane + g * kGroup;
        distances[g] = GroupDistances(&laneRed_[lane], &laneGreen_[lane], &laneBlue_[lane], asked);
        lowest = _mm_min_epi16(lowest, _mm_xor_si128(distances[g], unsignedBias));
    }
    lowest = _mm_min_epi16(lowest, _mm_shuffle_epi32(lowest, _MM_SHUFFLE(1, 0, 3, 2)));
    lowest = _mm_min_epi16(lowest, _mm_shuffle_epi32(lowest, _MM_SHUFFLE(2, 3, 0, 1)));
    lowest = _mm_min_epi16(lowest, _mm_shufflelo_epi16(lowest, _MM_SHUFFLE(2, 3, 0, 1)));
    const auto least = static_cast<int32_t>((_mm_cvtsi128_si32(lowest) ^ 0x8000) & 0xFFFF);
    if (least == 0xFFFF) {
        // Every point lies at a squared distance of 65535 or more, beyond what 16 bits hold: rare
        // enough to count again exactly.
        for (size_t lane = leaf.firstLane; lane < size_t{leaf.firstLane} + leaf.laneCount; ++lane) {
            const int32_t d = Square(color[0] - laneRed_[lane]) + Square(color[1] - laneGreen_[lane]) +
                              Square(color[2] - laneBlue_[lane]);
            best = std::min(best, (d << 8) | laneSlot_[lane]);
        }
        return best;
    }
    if ((least << 8) > best) {
        return best;
    }
    // The first lane at the least distance has the lowest slot of them: two bits a lane, the groups
    // one after the other.
    const __m128i target = _mm_set1_epi16(static_cast<int16_t>(least));
    uint64_t hits = 0;
    for (size_t g = 0; g < groups; ++g) {
        hits |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(distances[g], target)))} << (16 * g);
    }
    const size_t hit = leaf.firstLane + static_cast<size_t>(std::countr_zero(hits)) / 2;
    return std::min(best, (least << 8) | laneSlot_[hit]);
}

int32_t NearestColor::Search(const int* color) const {
    // The halves passed over on the way down, each with the least squared distance any of its points
    // can have: at most one a level.
    struct Pending {
        size_t node;
        int32_t bound;
    };
    std::array<Pending, kMaxDepth> pending;
    size_t waiting = 0;
    int32_t best = INT32_MAX;
    size_t node = 1;
    int32_t bound = 0;
    for (;;) {
        while (!nodes_[node].leaf) {
            const Node& n = nodes_[node];
            const int c = color[n.axis];
            // How far the colour lies from each half along the axis; the half it lies nearer to first.
            const int belowGap = std::max(0, c - n.lowerMax);
            const int aboveGap = std::max(0, n.upperMin - c);
            const bool belowFirst = belowGap <= aboveGap;
            const int farGap = belowFirst ? aboveGap : belowGap;
            pending[waiting++] = Pending{belowFirst ? 2 * node + 1 : 2 * node, std::max(bound, Square(farGap))};
            node = belowFirst ? 2 * node : 2 * node + 1;
        }
        best = SearchLeaf(nodes_[node], color, best);
        // A half is worth a look while one of its points could still beat or tie the best: a tie may
        // be won by a lower slot.
        do {
            if (waiting == 0) {
                return best;
            }
            --waiting;
        } while ((pending[waiting].bound << 8) >= best);
        node = pending[waiting].node;
        bound = pending[waiting].bound;
    }
}

uint8_t NearestColor::Find(uint8_t red, uint8_t green, uint8_t blue) {
    const uint32_t color = PackedColor(red, green, blue);
    const uint32_t key = color | (generation_ << 24);
    const uint32_t memo = (color * 2654435761u) >> (32 - kMemoBits);
    if (memoKey_[memo] == key) {
        return memoIndex_[memo];
    }
    const int channels[3] = {red, green, blue};
    const int32_t best = Search(channels);
    const uint8_t index = index_[static_cast<size_t>(best & 0xFF)];
    memoKey_[memo] = key;
    memoIndex_[memo] = index;
    return index;
}

namespace {

// The matcher of the last table used at each bit count. The built-in tables never change and the
// active table changes only with the user's choice or the square, so a matcher usually serves many
// reductions, with the colours it has answered.
NearestColor* MatcherFor(const ColorTable& table, int bitsPerPixel) {
    struct Cached {
        ColorTable table;
        std::unique_ptr<NearestColor> matcher;
    };
    static std::array<Cached, 2> cache;
    Cached& cached = cache[bitsPerPixel == 4 ? 0 : 1];
    if (cached.matcher == nullptr) {
        cached.matcher.reset(new (std::nothrow) NearestColor);
        if (cached.matcher == nullptr) {
            return nullptr;
        }
    } else if (cached.table == table) {
        return cached.matcher.get();
    }
    cached.matcher->SetTable(table, bitsPerPixel == 4 ? 16 : kColorTableEntries);
    cached.table = table;
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
        // Neighbours often share a colour: the last answer serves again without a look-up.
        uint32_t lastColor = UINT32_MAX;
        uint8_t index = 0;
        for (int x = 0; x < width; ++x, p += 4) {
            uint32_t pixel = 0;
            std::memcpy(&pixel, p, sizeof pixel);
            const uint32_t color = pixel & 0xFFFFFFu;  // the fourth byte plays no part
            if (color != lastColor) {
                index = nearest->Find(p[2], p[1], p[0]);
                lastColor = color;
            }
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
