#pragma once
// The start of a PNG stream, as icon files hold their compressed images: the signature, then the image
// header chunk (IHDR) with the image's size and the kind of its pixels.

#include <cstdint>
#include <optional>
#include <span>

namespace tessera {

inline constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Whether `bytes` start with the PNG signature.
bool StartsWithPngSignature(std::span<const uint8_t> bytes);

// Bits per pixel of a PNG image: bits per sample times samples per pixel, by the colour type; 0 for a
// colour type PNG does not have.
int PngBitsPerPixel(uint8_t bitDepth, uint8_t colorType);

struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitDepth = 0;
    uint8_t colorType = 0;

    // 32-bit RGBA: eight bits for each of red, green, blue and alpha.
    [[nodiscard]] bool IsRgba32() const { return bitDepth == 8 && colorType == 6; }
};

// The image header of the PNG stream that `bytes` start with; none when they do not start with the
// signature followed by a whole 13-byte IHDR chunk whose sides are 1 to 2^31 - 1 pixels and whose
// colour type is one PNG has.
std::optional<PngHeader> ReadPngHeader(std::span<const uint8_t> bytes);

}  // namespace tessera
