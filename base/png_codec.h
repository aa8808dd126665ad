#pragma once
// PNG streams in memory, encoded and decoded by the platform's own codec: libpng here, the Windows
// Imaging Component on Windows, which is part of the system, so the plug-in carries no codec of its own.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "base/bgra_image.h"

namespace tessera {

// The image as an 8-bit PNG with red, green, blue and alpha (not premultiplied), exactly its pixels, as
// an icon file holds its large images. None when the codec fails.
std::optional<std::vector<uint8_t>> EncodePng(const BgraImage& image);

// Any PNG (palette, grey, 16-bit, interlaced, with or without transparency) as 8-bit pixels, alpha 255
// where the stream has no transparency. None unless the bytes decode completely, to an image of at most
// BgraImage::kMaxSide a side.
std::optional<BgraImage> DecodePng(std::span<const uint8_t> bytes);

// The same codec for pictures far larger than an icon, and for pictures without transparency, as a host
// opens and saves its layers.

// Rows top row first, packed: 3 bytes a pixel (blue, green, red) or, with `channels` 4, alpha after them,
// not premultiplied. Written with an alpha channel exactly when there are 4 channels. None when the codec
// fails.
std::optional<std::vector<uint8_t>> EncodePngRows(const uint8_t* rows, int width, int height, int channels);

// A decoded stream: blue, green, red and alpha, rows top row first, packed.
struct PngRows {
    int width = 0;
    int height = 0;
    bool transparent = false;  // the stream has an alpha channel or a transparent colour
    std::unique_ptr<uint8_t[]> bgra;
};

enum class PngFault {
    NotPng,    // the bytes are not a PNG stream at all
    TooLarge,  // a side exceeds the caller's limit, or the stream is more than the codec takes
    Damaged,   // a PNG stream whose pixels do not decode completely
    NoMemory,
    NoCodec,  // the platform's codec cannot be started
};

// Decodes as DecodePng does, up to `maxSide` pixels a side; on none, `fault` says why.
std::optional<PngRows> DecodePngRows(std::span<const uint8_t> bytes, int maxSide, PngFault& fault);

}  // namespace tessera
