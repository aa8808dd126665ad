#include "support/ico_fixtures.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "base/byte_reader.h"
#include "base/png_codec.h"

namespace tessera::test {

std::vector<uint8_t> PngStream(uint32_t width, uint32_t height) {
    std::vector<uint8_t> stream = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    stream.resize(80, 0x5A);
    StoreU32BE(stream.data() + 16, width);
    StoreU32BE(stream.data() + 20, height);
    stream[24] = 8;
    stream[25] = 6;
    return stream;
}

std::vector<uint8_t> DecodablePng(int side) {
    std::optional<BgraImage> picture = BgraImage::Make(side, side);
    for (int row = 0; picture && row < side; ++row) {
        for (int x = 0; x < side; ++x) {
            uint8_t* p = picture->At(x, row);
            p[0] = static_cast<uint8_t>(x * 7);
            p[1] = static_cast<uint8_t>(row * 5);
            p[2] = static_cast<uint8_t>(x + row);
            p[3] = static_cast<uint8_t>((x + row) % 3 * 127);
        }
    }
    return picture ? EncodePng(*picture).value_or(std::vector<uint8_t>()) : std::vector<uint8_t>();
}

KeptImage KeptImageOf(uint8_t side, uint16_t bitCount, const std::vector<uint8_t>& bytes) {
    KeptImage image;
    image.width = image.height = side;
    image.planes = 1;
    image.bitCount = bitCount;
    image.size = static_cast<uint32_t>(bytes.size());
    auto copy = std::make_unique<uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), copy.get());
    image.bytes = std::move(copy);
    return image;
}

std::vector<uint8_t> BitmapBlock(int width, int biHeight, int bitCount, uint32_t clrUsed, uint8_t seed) {
    uint32_t entries = clrUsed;
    if (entries == 0 && bitCount <= 8) {
        entries = 1u << bitCount;
    }
    const size_t rows = static_cast<size_t>(std::abs(biHeight / 2));
    const size_t size = kBitmapInfoHeaderSize + 4 * size_t{entries} + rows * size_t(ColorStride(width, bitCount)) +
                        rows * size_t(MaskStride(width));
    std::vector<uint8_t> block(size);
    uint8_t* h = block.data();
    StoreU32LE(h + 0, kBitmapInfoHeaderSize);
    StoreU32LE(h + 4, static_cast<uint32_t>(width));
    StoreU32LE(h + 8, static_cast<uint32_t>(biHeight));
    StoreU16LE(h + 12, 1);
    StoreU16LE(h + 14, static_cast<uint16_t>(bitCount));
    StoreU32LE(h + 32, clrUsed);
    for (size_t i = kBitmapInfoHeaderSize; i < size; ++i) {
        block[i] = static_cast<uint8_t>(seed + i);
    }
    return block;
}

IcoEntry Entry(int side, int bits, uint8_t seed) {
    IcoEntry entry;
    entry.width = static_cast<uint8_t>(side);
    entry.height = static_cast<uint8_t>(side);
    entry.colorCount = static_cast<uint8_t>(bits < 8 ? 1u << bits : 0u);
    entry.bitCount = static_cast<uint16_t>(bits);
    entry.block = BitmapBlock(side, 2 * side, bits, 0, seed);
    return entry;
}

IcoEntry AlphaEntry(int side, uint8_t seed) {
    IcoEntry entry = Entry(side, 32, seed);
    const std::optional<BitmapLayout> layout = LayOutBitmap(entry.block);
    const auto maskStride = static_cast<size_t>(MaskStride(side));
    for (size_t row = 0; row < static_cast<size_t>(side); ++row) {
        const uint8_t* color = entry.block.data() + layout->colorOffset + row * static_cast<size_t>(4 * side);
        uint8_t* mask = entry.block.data() + layout->maskOffset + row * maskStride;
        std::fill(mask, mask + maskStride, 0);
        for (size_t x = 0; x < static_cast<size_t>(side); ++x) {
            mask[x / 8] |= static_cast<uint8_t>(color[4 * x + 3] == 0 ? 0x80u >> (x % 8) : 0u);
        }
    }
    return entry;
}

IcoEntry PngEntry(int side) {
    IcoEntry entry;
    entry.width = entry.height = static_cast<uint8_t>(side);
    entry.bitCount = 32;
    entry.block = PngStream(static_cast<uint32_t>(side), static_cast<uint32_t>(side));
    return entry;
}

std::vector<uint8_t> BuildIco(const std::vector<IcoEntry>& entries, const IcoHeader& header) {
    std::vector<uint8_t> file(6 + 16 * entries.size());
    StoreU16LE(&file[0], header.reserved);
    StoreU16LE(&file[2], header.type);
    StoreU16LE(&file[4], header.count.value_or(static_cast<uint16_t>(entries.size())));
    for (size_t i = 0; i < entries.size(); ++i) {
        const IcoEntry& e = entries[i];
        uint8_t* d = &file[6 + 16 * i];
        d[0] = e.width;
        d[1] = e.height;
        d[2] = e.colorCount;
        d[3] = e.reserved;
        StoreU16LE(d + 4, e.planes);
        StoreU16LE(d + 6, e.bitCount);
        StoreU32LE(d + 8, e.bytesInRes.value_or(static_cast<uint32_t>(e.block.size())));
        StoreU32LE(d + 12, e.imageOffset.value_or(static_cast<uint32_t>(file.size())));
        file.insert(file.end(), e.block.begin(), e.block.end());
    }
    return file;
}

std::string BrokenSlotPromise(const ResourceGrid& grid) {
    for (int slot = 0; slot < kImageKindCount; ++slot) {
        const IconResource& r = grid.Slot(slot);
        if (r.present == 0) {
            continue;
        }
        const std::string where = "slot " + std::to_string(slot) + ": ";
        const FormatGeometryResult g = ResourceGrid::SlotGeometry(slot);
        if (r.width != g.width || r.height != g.height || r.bitsPerPixel != g.bitsPerPixel) {
            return where + "geometry of another slot";
        }
        if (r.png) {
            if (!IsWindowsSlot(slot) || !ResourceGrid::PngFitsSlot({r.image.get(), r.imageSize}, slot)) {
                return where + "a PNG stream that is not the slot's image";
            }
            continue;
        }
        const uint8_t* begin = r.image.get();
        const uint8_t* end = begin + r.imageSize;
        if (begin == nullptr || r.header != begin || r.imageSize < kBitmapInfoHeaderSize) {
            return where + "no room for the header";
        }
        const size_t colorBytes = size_t(r.height) * size_t(ColorStride(r.width, r.bitsPerPixel));
        const size_t maskBytes = size_t(r.height) * size_t(MaskStride(r.width));
        if (r.colorBits < begin + kBitmapInfoHeaderSize || r.colorBits > end ||
            size_t(end - r.colorBits) < colorBytes) {
            return where + "colour rows outside the block";
        }
        if (r.maskBits != r.colorBits + colorBytes || size_t(end - r.maskBits) < maskBytes) {
            return where + "mask rows outside the block";
        }
    }
    return {};
}

void FillCanonical(ResourceGrid& grid, const ResourceFormat& format, uint8_t seed) {
    grid.PrepareResource(format);
    ResourceBits bits;
    grid.GetResourceBits(format, bits);
    const IconResource& r = grid.Slot(ResourceGrid::SlotForFormat(format));
    for (uint32_t i = kBitmapInfoHeaderSize; i < r.imageSize; ++i) {
        bits.colorTable[i - kBitmapInfoHeaderSize] = static_cast<uint8_t>(seed + i);
    }
}

void FillAllSlots(ResourceGrid& grid) {
    for (int size = 0; size < 4; ++size) {
        for (int depth = 0; depth < 3; ++depth) {
            const ResourceFormat format(size, depth, 0, 0);
            FillCanonical(grid, format, static_cast<uint8_t>(ResourceGrid::SlotForFormat(format)));
        }
    }
}

}  // namespace tessera::test
