#pragma once
// A read-only view of a square of the layer as the artist sees it: red, green, blue and, with four
// bytes a pixel, transparency (where the layer has a layer mask, the transparency under the mask); top
// row first. It stays valid until the host delivers again.

#include <cstdint>

namespace tessera {

struct LayerImage {
    const uint8_t* pixels = nullptr;  // first byte of the top row
    int32_t rowStep = 0;              // bytes from one row to the next
    int32_t pixelStep = 0;            // 3: R, G, B; 4: R, G, B, transparency; other: no transparency
    int side = 0;                     // the square is side x side pixels: 16, 24, 32 or 48 for a slot

    [[nodiscard]] bool HasTransparency() const { return pixelStep == 4; }
    // Pixel (x, y), counted from the left and from the top.
    [[nodiscard]] const uint8_t* At(int x, int y) const {
        return pixels + static_cast<intptr_t>(y) * rowStep + static_cast<intptr_t>(x) * pixelStep;
    }
};

}  // namespace tessera
