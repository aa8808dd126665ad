#include "color/convert.h"

#include <algorithm>
#include <new>

#include "base/bgra_image.h"
#include "color/nearest.h"
#include "icon/resource_grid.h"

namespace tessera {

namespace {

bool AnyVisiblePixel(const LayerImage& layer) {
    if (!layer.HasTransparency()) {
        return true;
    }
    for (int y = 0; y < layer.side; ++y) {
        for (int x = 0; x < layer.side; ++x) {
            if (layer.At(x, y)[3] != 0) {
                return true;
            }
        }
    }
    return false;
}

bool IsTransparent(const LayerImage& layer, int x, int y) {
    return layer.HasTransparency() && layer.At(x, y)[3] == 0;
}

// Resource row k (k = 0 at the bottom) comes from square row side - 1 - k.
int SquareRow(const LayerImage& layer, int k) {
    return layer.side - 1 - k;
}

void CopyTrueColor(const LayerImage& layer, const ResourceBits& bits, bool copyData, bool copyMask) {
    for (int k = 0; k < layer.side; ++k) {
        uint8_t* out = bits.colorRows + static_cast<ptrdiff_t>(k) * bits.colorStride;
        for (int x = 0; x < layer.side; ++x, out += 4) {
            const uint8_t* p = layer.At(x, SquareRow(layer, k));
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

void CopyMask(const LayerImage& layer, const ResourceBits& bits) {
    for (int k = 0; k < layer.side; ++k) {
        uint8_t* out = bits.maskRows + static_cast<ptrdiff_t>(k) * bits.maskStride;
        for (int x = 0; x < layer.side; ++x) {
            if (IsTransparent(layer, x, SquareRow(layer, k))) {
                out[x / 8] = static_cast<uint8_t>(out[x / 8] | (0x80 >> (x % 8)));
            }
        }
    }
}

// The square as an opaque picture, bottom row first; fully transparent pixels become black and every
// other pixel keeps its full colour, however transparent.
std::optional<BgraImage> OpaquePicture(const LayerImage& layer) {
    std::optional<BgraImage> picture = BgraImage::Make(layer.side, layer.side);
    if (!picture) {
        return std::nullopt;
    }
    for (int k = 0; k < layer.side; ++k) {
        uint8_t* out = picture->At(0, k);
        for (int x = 0; x < layer.side; ++x, out += 4) {
            const int y = SquareRow(layer, k);
            const uint8_t* p = layer.At(x, y);
            const bool black = IsTransparent(layer, x, y);
            out[0] = black ? 0 : p[2];
            out[1] = black ? 0 : p[1];
            out[2] = black ? 0 : p[0];
            out[3] = 255;
        }
    }
    return picture;
}

}  // namespace

int ConvertLayerToResource(const std::optional<LayerImage>& layer,
                           ResourceGrid& grid,
                           const ResourceFormat& format,
                           bool copyData,
                           bool copyMask,
                           bool useActiveTable,
                           const ColorTable& activeTable,
                           const ModuleResources& resources,
                           Alerts& alerts) {
    const int side = format.PixelSize();
    if (!layer || layer->pixels == nullptr || side == 0 || layer->side != side) {
        return 0;
    }
    grid.RemoveResource(format);
    if (!AnyVisiblePixel(*layer)) {
        return 1;
    }
    grid.PrepareResource(format);
    ResourceBits bits;
    grid.GetResourceBits(format, bits);
    if (bits.colorRows == nullptr) {
        return 0;
    }
    const int bitsPerPixel = ResourceGrid::FormatGeometry(format).bitsPerPixel;
    if (bitsPerPixel == 32) {
        CopyTrueColor(*layer, bits, copyData, copyMask);
    } else if (copyData) {
        const int depth = bitsPerPixel == 4 ? 0 : 1;
        const std::optional<ReductionTable> table =
            SelectReductionTable(resources, alerts, depth, useActiveTable, activeTable);
        if (table) {
            const std::optional<BgraImage> picture = OpaquePicture(*layer);
            const size_t rowBytes = static_cast<size_t>(bits.colorStride) * static_cast<size_t>(side);
            if (!picture || !ReduceToTable(*picture, table->table, bitsPerPixel, bits.colorRows, rowBytes)) {
                grid.RemoveResource(format);
                return 0;
            }
            WriteRgbQuads(table->table, table->entryCount, bits.colorTable);
        }
    }
    if (copyMask) {
        CopyMask(*layer, bits);
    }
    return 1;
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
