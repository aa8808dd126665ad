#include "base/png_codec.h"

#include <algorithm>
#include <new>

namespace tessera {

// The codec takes and gives rows top row first; the image keeps them bottom-up, so each is turned over.
std::optional<std::vector<uint8_t>> EncodePng(const BgraImage& image) {
    const size_t stride = static_cast<size_t>(image.Width()) * 4;
    const std::unique_ptr<uint8_t[]> rows(new (std::nothrow) uint8_t[image.ByteCount()]);
    if (!rows) {
        return std::nullopt;
    }
    for (int row = 0; row < image.Height(); ++row) {
        std::copy_n(image.At(0, row), stride, rows.get() + static_cast<size_t>(image.Height() - 1 - row) * stride);
    }
    return EncodePngRows(rows.get(), image.Width(), image.Height(), 4);
}

std::optional<BgraImage> DecodePng(std::span<const uint8_t> bytes) {
    PngFault fault{};
    const std::optional<PngRows> decoded = DecodePngRows(bytes, BgraImage::kMaxSide, fault);
    std::optional<BgraImage> image = decoded ? BgraImage::Make(decoded->width, decoded->height) : std::nullopt;
    if (!image) {
        return std::nullopt;
    }
    const size_t stride = static_cast<size_t>(image->Width()) * 4;
    for (int row = 0; row < image->Height(); ++row) {
        std::copy_n(decoded->bgra.get() + static_cast<size_t>(image->Height() - 1 - row) * stride, stride,
                    image->At(0, row));
    }
    return image;
}

}  // namespace tessera
