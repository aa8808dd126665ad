#pragma once
// Layers made to order for the tests: every pixel a function of its place. No test-framework dependency.

#include <array>
#include <cstdint>
#include <functional>

#include "hostapp/layer_host.h"

namespace tessera::test {

// Red, green, blue and transparency of one pixel; a layer of three planes drops the transparency.
using Rgba = std::array<uint8_t, 4>;

// A width x height layer of `planes` planes (3 or 4) whose pixel (x, y) is pixel(x, y).
inline Layer LayerOfPixels(int width, int height, int planes, const std::function<Rgba(int x, int y)>& pixel) {
    Layer layer = *MakeLayer(width, height, planes);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgba p = pixel(x, y);
            uint8_t* at = layer.At(x, y);
            for (int plane = 0; plane < planes; ++plane) {
                at[plane] = p[static_cast<size_t>(plane)];
            }
        }
    }
    return layer;
}

}  // namespace tessera::test
