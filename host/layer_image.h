#pragma once
// A read-only view of the square of the layer that the host last delivered into its input buffer.
// Not a copy: it stays valid until the next call that makes the host deliver.

#include <cstdint>

#include "host/filter_record.h"

namespace tessera {

struct LayerImage {
    const uint8_t* pixels = nullptr;  // first byte of the top row; none when nothing was delivered
    int32_t rowStep = 0;              // bytes from one row to the next
    int32_t pixelStep = 0;            // 3: R, G, B; 4: R, G, B, transparency; other: no transparency
    int side = 0;                     // 16, 24, 32 or 48
    Rect position{};                  // where the square lies in the image

    [[nodiscard]] bool HasTransparency() const { return pixelStep == 4; }
    // Pixel (x, y), counted from the left and from the top.
    [[nodiscard]] const uint8_t* At(int x, int y) const {
        return pixels + static_cast<intptr_t>(y) * rowStep + static_cast<intptr_t>(x) * pixelStep;
    }
};

}  // namespace tessera
