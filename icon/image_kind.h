#pragma once
// The kinds of image an icon of ours holds, in one table. First the twelve of the grid, four sizes by
// three depths, in the order an icon file of ours holds them: by depth, and within a depth from the
// largest size down. Then the sizes Windows 10 and 11 draw at display scales above 100% that the grid
// has not, in true colour, ascending. A slot is a position in this table; the window's size and depth
// indices, pixel sizes, file order, cell controls and their tool tips all derive from it.

#include <array>
#include <optional>

namespace tessera {

struct ImageKind {
    int side = 0;          // pixels; every image is square
    int bitsPerPixel = 0;  // 4, 8 or 32

    constexpr bool operator==(const ImageKind&) const = default;
};

// The grid's sides and depths as the window's format counts them: size 0..3, depth 0..2.
inline constexpr std::array<int, 4> kGridSides = {16, 24, 32, 48};
inline constexpr std::array<int, 3> kGridDepths = {4, 8, 32};
// Windows' own sizes beyond the grid's, one true-colour image each.
inline constexpr std::array<int, 10> kWindowsSides = {20, 30, 36, 40, 60, 64, 72, 80, 96, 256};
inline constexpr int kWindowsBitsPerPixel = 32;
// The side whose image we store as a PNG stream, as Windows expects of its largest image.
inline constexpr int kPngSide = 256;

inline constexpr int kGridSlotCount = static_cast<int>(kGridSides.size() * kGridDepths.size());
inline constexpr int kWindowsSlotCount = static_cast<int>(kWindowsSides.size());
inline constexpr int kImageKindCount = kGridSlotCount + kWindowsSlotCount;

// Where a grid slot stands in the window's format: its size and depth indices.
struct GridPlace {
    int size = 0;
    int depth = 0;

    constexpr bool operator==(const GridPlace&) const = default;
};

inline constexpr std::array<GridPlace, kGridSlotCount> kGridPlaces = [] {
    std::array<GridPlace, kGridSlotCount> places{};
    size_t slot = 0;
    for (int depth = 0; depth < static_cast<int>(kGridDepths.size()); ++depth) {
        for (int size = static_cast<int>(kGridSides.size()) - 1; size >= 0; --size) {
            places[slot++] = GridPlace{size, depth};
        }
    }
    return places;
}();

inline constexpr std::array<ImageKind, kImageKindCount> kImageKinds = [] {
    std::array<ImageKind, kImageKindCount> kinds{};
    size_t slot = 0;
    for (const GridPlace& place : kGridPlaces) {
        kinds[slot++] =
            ImageKind{kGridSides[static_cast<size_t>(place.size)], kGridDepths[static_cast<size_t>(place.depth)]};
    }
    for (const int side : kWindowsSides) {
        kinds[slot++] = ImageKind{side, kWindowsBitsPerPixel};
    }
    return kinds;
}();

constexpr bool IsGridSlot(int slot) {
    return slot >= 0 && slot < kGridSlotCount;
}
constexpr bool IsWindowsSlot(int slot) {
    return slot >= kGridSlotCount && slot < kImageKindCount;
}

// The slot of a kind; -1 when the icon holds no such image.
constexpr int SlotOfKind(ImageKind kind) {
    for (int slot = 0; slot < kImageKindCount; ++slot) {
        if (kImageKinds[static_cast<size_t>(slot)] == kind) {
            return slot;
        }
    }
    return -1;
}

// The grid slot at a size and depth index; -1 when either is out of range.
constexpr int GridSlotAt(int size, int depth) {
    for (int slot = 0; slot < kGridSlotCount; ++slot) {
        if (kGridPlaces[static_cast<size_t>(slot)] == GridPlace{size, depth}) {
            return slot;
        }
    }
    return -1;
}

// The size and depth indices of a grid slot; none for any other slot.
constexpr std::optional<GridPlace> GridPlaceOf(int slot) {
    if (!IsGridSlot(slot)) {
        return std::nullopt;
    }
    return kGridPlaces[static_cast<size_t>(slot)];
}

// The kind of a slot; a kind of side 0 for a number that names no slot.
constexpr ImageKind KindOfSlot(int slot) {
    return slot >= 0 && slot < kImageKindCount ? kImageKinds[static_cast<size_t>(slot)] : ImageKind{};
}

}  // namespace tessera
