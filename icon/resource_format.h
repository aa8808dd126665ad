#pragma once
// Names one slot of the grid (size and depth) and the two display choices that travel with it.

#include <cstdint>

namespace tessera {

struct ResourceFormat {
    int32_t size = 3;   // 0..3 = 16, 24, 32, 48 pixels
    int32_t depth = 2;  // 0..2 = 4, 8, 32 bits per pixel
    int32_t mask = 1;   // 0 Hard, 1 Soft
    int32_t view = 0;   // 0 Both, 1 Data, 2 Mask

    ResourceFormat() = default;
    ResourceFormat(int32_t size_, int32_t depth_, int32_t mask_, int32_t view_)
        : size(size_), depth(depth_), mask(mask_), view(view_) {}
    ResourceFormat(const ResourceFormat&) = default;
    ResourceFormat& operator=(const ResourceFormat&) = default;
    virtual ~ResourceFormat() = default;

    void CopySelection(const ResourceFormat& other, int includeView);
    void Set(int32_t size_, int32_t depth_, int32_t mask_, int32_t view_);
    // 16, 24, 32, 48 for size 0..3; 0 for any other size.
    [[nodiscard]] int PixelSize() const;

    // The radio button of the main window that shows each field.
    [[nodiscard]] int SizeButton() const;
    [[nodiscard]] int DepthButton() const;
    [[nodiscard]] int MaskButton() const;
    [[nodiscard]] int ViewButton() const;

    bool operator==(const ResourceFormat& other) const {
        return size == other.size && depth == other.depth && mask == other.mask && view == other.view;
    }
};

}  // namespace tessera
