#include "color/convert.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "base/bgra_image.h"
#include "base/png_codec.h"
#include "color/nearest.h"
#include "icon/resource_grid.h"

namespace tessera {

namespace {

bool AnyVisiblePixel(const LayerImage& layer) {
    if (!layer.HasTransparency()) {
        return true;
    }
    for (int y = 0; y < layer.side; ++y) {
        const uint8_t* p = layer.At(0, y);
        for (int x = 0; x < layer.side; ++x, p += 4) {
            if (p[3] != 0) {
                return true;
            }
        }
    }
    return false;
}

// Resource row k (k = 0 at the bottom) comes from square row side - 1 - k.
const uint8_t* SquareRow(const LayerImage& layer, int k) {
    return layer.At(0, layer.side - 1 - k);
}

void CopyTrueColor(const LayerImage& layer, const ResourceBits& bits, bool copyData, bool copyMask) {
    for (int k = 0; k < layer.side; ++k) {
        uint8_t* out = bits.colorRows + static_cast<ptrdiff_t>(k) * bits.colorStride;
        const uint8_t* p = SquareRow(layer, k);
        for (int x = 0; x < layer.side; ++x, out += 4, p += layer.pixelStep) {
            if (copyData) {
                // As the layer holds it: not premultiplied, and kept under transparent pixels too.
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
            }
            if (copyMask) {
                out[3] = layer.HasTransparency() ? p[3] : 255;
            }
        }
    }
}

// Each lane of four 4-byte pixels all ones where the pixel is fully transparent.
__m128i ClearLanes(__m128i rgba) {
    return _mm_cmpeq_epi32(_mm_srli_epi32(rgba, 24), _mm_setzero_si128());
}

__m128i LoadFour(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Bit i of a byte as bit 7 - i.
constexpr std::array<uint8_t, 256> kReversedBits = [] {
    std::array<uint8_t, 256> reversed{};
    for (unsigned i = 0; i < 256; ++i) {
        for (unsigned bit = 0; bit < 8; ++bit) {
            reversed[i] = static_cast<uint8_t>(reversed[i] | (((i >> bit) & 1u) << (7 - bit)));
        }
    }
    return reversed;
}();

// Sets the mask bit of every fully transparent pixel, the leftmost pixel of eight in the top bit; a
// layer without transparency leaves the mask clear. Eight pixels are looked at at once.
void CopyMask(const LayerImage& layer, const ResourceBits& bits) {
    if (!layer.HasTransparency()) {
        return;
    }
    for (int k = 0; k < layer.side; ++k) {
        uint8_t* out = bits.maskRows + static_cast<ptrdiff_t>(k) * bits.maskStride;
        const uint8_t* p = SquareRow(layer, k);
        int x = 0;
        for (; x + 8 <= layer.side; x += 8, p += 32) {
            const int clear = _mm_movemask_ps(_mm_castsi128_ps(ClearLanes(LoadFour(p)))) |
                              (_mm_movemask_ps(_mm_castsi128_ps(ClearLanes(LoadFour(p + 16)))) << 4);
            out[x / 8] = kReversedBits[static_cast<size_t>(clear)];
        }
        if (x < layer.side) {
            unsigned byte = 0;
            for (int i = x; i < layer.side; ++i, p += 4) {
                byte = (byte << 1) | (p[3] == 0 ? 1u : 0u);
            }
            out[x / 8] = static_cast<uint8_t>(byte << (8 - (layer.side - x)));
        }
    }
}

// One pixel of the opaque picture: blue, green, red and 255, black where the pixel is fully
// transparent however its colour bytes read.
uint32_t OpaquePixel(const uint8_t* p, bool transparency) {
    const uint32_t colour = uint32_t{p[2]} | (uint32_t{p[1]} << 8) | (uint32_t{p[0]} << 16);
    const uint32_t keep = transparency && p[3] == 0 ? 0 : 0xFFFFFFu;
    return (colour & keep) | 0xFF000000u;
}

// Four red, green, blue, transparency pixels as four pixels of the opaque picture.
__m128i OpaqueFour(__m128i rgba) {
    const __m128i redBlue = _mm_and_si128(rgba, _mm_set1_epi32(0x00FF00FF));
    const __m128i blueRed = _mm_or_si128(_mm_slli_epi32(redBlue, 16), _mm_srli_epi32(redBlue, 16));
    const __m128i colour = _mm_or_si128(blueRed, _mm_and_si128(rgba, _mm_set1_epi32(0x0000FF00)));
    return _mm_or_si128(_mm_andnot_si128(ClearLanes(rgba), colour), _mm_set1_epi32(static_cast<int>(0xFF000000u)));
}

// The square as an opaque picture, bottom row first; fully transparent pixels become black and every
// other pixel keeps its full colour, however transparent. Pixels of four bytes go four at a time.
std::optional<BgraImage> OpaquePicture(const LayerImage& layer) {
    std::optional<BgraImage> picture = BgraImage::Make(layer.side, layer.side);
    if (!picture) {
        return std::nullopt;
    }
    const bool transparency = layer.HasTransparency();
    for (int k = 0; k < layer.side; ++k) {
        uint8_t* out = picture->At(0, k);
        const uint8_t* p = SquareRow(layer, k);
        int x = 0;
        if (transparency) {
            for (; x + 4 <= layer.side; x += 4, out += 16, p += 16) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), OpaqueFour(LoadFour(p)));
            }
        }
        for (; x < layer.side; ++x, out += 4, p += layer.pixelStep) {
            const uint32_t pixel = OpaquePixel(p, transparency);
            std::memcpy(out, &pixel, sizeof pixel);
        }
    }
    return picture;
}

// The colour rows of a 32-bit block (bottom-up blue, green, red, alpha: the picture type's own layout)
// as a PNG stream; none when memory is short or the encoder fails. `size` becomes the stream's.
std::unique_ptr<uint8_t[]> PngStreamOf(const uint8_t* block, int side, uint32_t& size) {
    std::optional<BgraImage> picture = BgraImage::Make(side, side);
    if (!picture) {
        return nullptr;
    }
    std::memcpy(picture->Bytes(), block + kBitmapInfoHeaderSize, picture->ByteCount());
    const std::optional<std::vector<uint8_t>> png = EncodePng(*picture);
    std::unique_ptr<uint8_t[]> stream(png ? new (std::nothrow) uint8_t[png->size()] : nullptr);
    if (!stream) {
        return nullptr;
    }
    std::memcpy(stream.get(), png->data(), png->size());
    size = static_cast<uint32_t>(png->size());
    return stream;
}

}  // namespace

ConvertResult ConvertLayerToResource(const std::optional<LayerImage>& layer,
                                     ResourceGrid& grid,
                                     const ResourceFormat& format,
                                     bool copyData,
                                     bool copyMask,
                                     bool useActiveTable,
                                     const ColorTable& activeTable,
                                     const ModuleResources& resources) {
    const int side = format.PixelSize();
    if (!layer || layer->pixels == nullptr || side == 0 || layer->side != side) {
        return {};
    }
    grid.RemoveResource(format);
    if (!AnyVisiblePixel(*layer)) {
        return {.done = 1};
    }
    grid.PrepareResource(format);
    ResourceBits bits;
    grid.GetResourceBits(format, bits);
    if (bits.colorRows == nullptr) {
        return {};
    }
    ConvertResult result{.done = 1};
    const int bitsPerPixel = ResourceGrid::FormatGeometry(format).bitsPerPixel;
    if (bitsPerPixel == 32) {
        CopyTrueColor(*layer, bits, copyData, copyMask);
    } else if (copyData) {
        const int depth = bitsPerPixel == 4 ? 0 : 1;
        const std::optional<ReductionTable> table = SelectReductionTable(resources, depth, useActiveTable, activeTable);
        if (table) {
            const std::optional<BgraImage> picture = OpaquePicture(*layer);
            const size_t rowBytes = static_cast<size_t>(bits.colorStride) * static_cast<size_t>(side);
            if (!picture || !ReduceToTable(*picture, table->table, bitsPerPixel, bits.colorRows, rowBytes)) {
                grid.RemoveResource(format);
                return {};
            }
            WriteRgbQuads(table->table, table->entryCount, bits.colorTable);
        } else {
            result.noTable = true;
        }
    }
    if (copyMask) {
        CopyMask(*layer, bits);
    }
    return result;
}

int ConvertLayerToWindowsSlot(const std::optional<LayerImage>& layer, ResourceGrid& grid, int slot) {
    const ImageKind kind = KindOfSlot(slot);
    if (!IsWindowsSlot(slot) || !layer || layer->pixels == nullptr || layer->side != kind.side) {
        return 0;
    }
    grid.RemoveSlot(slot);
    if (!AnyVisiblePixel(*layer)) {
        return 1;
    }
    uint32_t size = 0;
    std::unique_ptr<uint8_t[]> block = TrueColorBlock(*layer, size);
    if (block && kind.side == kPngSide) {
        block = PngStreamOf(block.get(), kind.side, size);
    }
    return block && grid.AdoptImage(slot, std::move(block), size, 1) ? 1 : 0;
}

std::unique_ptr<uint8_t[]> TrueColorBlock(const LayerImage& square, uint32_t& size) {
    const int colorStride = ColorStride(square.side, 32);
    const int maskStride = MaskStride(square.side);
    const size_t bytes = kBitmapInfoHeaderSize + static_cast<size_t>(square.side) * size_t(colorStride + maskStride);
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[bytes]());
    if (!block) {
        return nullptr;
    }
    WriteIconImageHeader(block.get(), square.side, square.side, 32);
    ResourceBits bits;
    bits.colorRows = block.get() + kBitmapInfoHeaderSize;
    bits.colorStride = colorStride;
    bits.maskRows = bits.colorRows + static_cast<ptrdiff_t>(square.side) * colorStride;
    bits.maskStride = maskStride;
    CopyTrueColor(square, bits, true, true);
    CopyMask(square, bits);
    size = static_cast<uint32_t>(bytes);
    return block;
}

}  // namespace tessera
