#include "icon/resource_grid.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/byte_reader.h"
#include "base/checked.h"
#include "base/png_codec.h"
#include "icon/image_kind.h"
#include "icon/png_header.h"

namespace tessera {

namespace {

uint32_t ColorTableBytes(int bitsPerPixel) {
    return bitsPerPixel <= 8 ? 4u << bitsPerPixel : 0u;
}

// The signature, the IHDR chunk's length and type, then its width and height (big-endian), bit depth
// and colour type.
constexpr size_t kPngHeaderBytes = 8 + 8 + 13;

}  // namespace

std::optional<BitmapLayout> LayOutBitmap(std::span<const uint8_t> block) {
    // Sides and depths this small keep every row's size well inside an int.
    constexpr int32_t kMaxSide = 65535;
    constexpr uint16_t kMaxBitCount = 32;
    ByteReader reader(block);
    const uint32_t biSize = reader.U32LE();
    BitmapLayout layout;
    layout.width = reader.I32LE();
    layout.height = reader.I32LE() / 2;
    layout.planes = reader.U16LE();
    layout.bitCount = reader.U16LE();
    reader.Skip(16);  // compression, image size, resolutions
    const uint32_t biClrUsed = reader.U32LE();
    if (!reader.Ok() || biSize < kBitmapInfoHeaderSize || layout.width < 1 || layout.width > kMaxSide ||
        layout.height < 1 || layout.height > kMaxSide || layout.bitCount > kMaxBitCount) {
        return std::nullopt;
    }

    uint32_t entries = biClrUsed & 0xFFFFu;
    if (entries == 0) {
        switch (layout.bitCount) {
            case 1:
                entries = 2;
                break;
            case 4:
                entries = 16;
                break;
            case 8:
                entries = 256;
                break;
            default:
                break;
        }
    }
    const uint64_t tableBytes = (4u * entries) % 65536u;
    layout.colorOffset = uint64_t{biSize} + tableBytes;
    const uint64_t colorBytes = uint64_t(layout.height) * uint64_t(ColorStride(layout.width, layout.bitCount));
    const uint64_t maskBytes = uint64_t(layout.height) * uint64_t(MaskStride(layout.width));
    layout.maskOffset = layout.colorOffset + colorBytes;
    if (!RangeFits(layout.colorOffset, colorBytes, block.size()) ||
        !RangeFits(layout.maskOffset, maskBytes, block.size())) {
        return std::nullopt;
    }
    return layout;
}

void WriteIconImageHeader(uint8_t* p, int width, int height, int bitsPerPixel) {
    std::memset(p, 0, kBitmapInfoHeaderSize);
    StoreU32LE(p + 0, kBitmapInfoHeaderSize);
    StoreU32LE(p + 4, static_cast<uint32_t>(width));
    StoreU32LE(p + 8, static_cast<uint32_t>(2 * height));
    StoreU16LE(p + 12, 1);
    StoreU16LE(p + 14, static_cast<uint16_t>(bitsPerPixel));
}

ResourceGrid::~ResourceGrid() {
    ClearAll();
}

int ResourceGrid::SlotIndex(int width, int height, int bitsPerPixel) {
    return width == height ? SlotOfKind(ImageKind{width, bitsPerPixel}) : -1;
}

FormatGeometryResult ResourceGrid::FormatGeometry(const ResourceFormat& format) {
    // A size or depth outside the valid ones names no slot, so its geometry is 0: such a format names no
    // image for anyone who asks, instead of the smallest one for some and a square of side 0 for others.
    const ImageKind kind = KindOfSlot(GridSlotAt(format.size, format.depth));
    return {kind.side, kind.side, kind.bitsPerPixel};
}

const IconResource& ResourceGrid::Slot(int slot) const {
    static const IconResource kNoSlot;
    return slot >= 0 && slot < kImageKindCount ? slots_[static_cast<size_t>(slot)] : kNoSlot;
}

int ResourceGrid::SlotForFormat(const ResourceFormat& format) {
    const FormatGeometryResult g = FormatGeometry(format);
    return SlotIndex(g.width, g.height, g.bitsPerPixel);
}

FormatGeometryResult ResourceGrid::SlotGeometry(int slot) {
    const ImageKind kind = KindOfSlot(slot);
    return {kind.side, kind.side, kind.bitsPerPixel};
}

int ResourceGrid::CountPresent() const {
    int count = 0;
    for (const IconResource& r : slots_) {
        count += r.present != 0 ? 1 : 0;
    }
    return count;
}

bool ResourceGrid::IsModified() const {
    for (const IconResource& r : slots_) {
        if (r.modified != 0) {
            return true;
        }
    }
    return false;
}

void ResourceGrid::ClearSlot(int slot, int32_t modifiedValue) {
    if (slot < 0 || slot >= kImageKindCount) {
        return;
    }
    IconResource& r = slots_[static_cast<size_t>(slot)];
    if (r.present != 0) {
        r.image.reset();
        r.imageSize = 0;
        r.present = 0;
        r.png = false;
        r.header = nullptr;
        r.colorBits = nullptr;
        r.maskBits = nullptr;
    }
    r.modified = modifiedValue;
}

void ResourceGrid::ClearAll() {
    for (int slot = 0; slot < kImageKindCount; ++slot) {
        ClearSlot(slot, 0);
    }
    kept_.reset();
    keptCount_ = 0;
    keptCapacity_ = 0;
}

bool ResourceGrid::Keep(KeptImage image) {
    if (keptCount_ == keptCapacity_) {
        // Doubling: a file of thousands of entries is kept in linear time.
        const size_t capacity = std::max<size_t>(4, 2 * keptCapacity_);
        std::unique_ptr<KeptImage[]> more(new (std::nothrow) KeptImage[capacity]);
        if (!more) {
            return false;
        }
        std::move(kept_.get(), kept_.get() + keptCount_, more.get());
        kept_ = std::move(more);
        keptCapacity_ = capacity;
    }
    kept_[keptCount_++] = std::move(image);
    return true;
}

bool ResourceGrid::IsPngStream(const uint8_t* block, uint32_t size) {
    return size >= kPngHeaderBytes && StartsWithPngSignature({block, size});
}

bool ResourceGrid::PngFitsSlot(std::span<const uint8_t> stream, int slot) {
    const ImageKind kind = KindOfSlot(slot);
    const std::optional<BgraImage> pixels = IsWindowsSlot(slot) ? DecodePng(stream) : std::nullopt;
    return pixels && pixels->Width() == kind.side && pixels->Height() == kind.side;
}

bool KeptImage::IsPng() const {
    return ResourceGrid::IsPngStream(bytes.get(), size);
}

int KeptImage::PixelWidth() const {
    return IsPng() ? static_cast<int>(std::min<uint32_t>(LoadU32BE(bytes.get() + 16), INT32_MAX))
                   : DirectorySide(width);
}

int KeptImage::PixelHeight() const {
    return IsPng() ? static_cast<int>(std::min<uint32_t>(LoadU32BE(bytes.get() + 20), INT32_MAX))
                   : DirectorySide(height);
}

int KeptImage::BitsPerPixel() const {
    if (IsPng()) {
        return PngBitsPerPixel(bytes[24], bytes[25]);
    }
    return static_cast<int>(std::min<uint32_t>(uint32_t{planes} * bitCount, INT32_MAX));
}

void ResourceGrid::RemoveSlot(int slot) {
    ClearSlot(slot, 1);
}

void ResourceGrid::RemoveResource(const ResourceFormat& format) {
    const int slot = SlotForFormat(format);
    if (slot != -1) {
        RemoveSlot(slot);
    }
}

bool ResourceGrid::LayoutFromHeader(IconResource* resource, int slot) {
    if (resource == nullptr || resource->image == nullptr || slot < 0 || slot >= kImageKindCount) {
        return false;
    }
    const std::optional<BitmapLayout> layout = LayOutBitmap({resource->image.get(), resource->imageSize});
    const FormatGeometryResult expected = SlotGeometry(slot);
    if (!layout || layout->planes != 1 || layout->bitCount != expected.bitsPerPixel ||
        layout->width != expected.width || layout->height != expected.height) {
        return false;
    }

    uint8_t* block = resource->image.get();
    resource->header = block;
    resource->width = layout->width;
    resource->height = layout->height;
    resource->bitsPerPixel = layout->bitCount;
    resource->colorBits = block + layout->colorOffset;
    resource->maskBits = block + layout->maskOffset;
    return true;
}

void ResourceGrid::PrepareResource(const ResourceFormat& format) {
    const int slot = SlotForFormat(format);
    if (slot == -1) {
        return;
    }
    const FormatGeometryResult g = FormatGeometry(format);
    IconResource& r = slots_[static_cast<size_t>(slot)];
    r.width = g.width;
    r.height = g.height;
    r.bitsPerPixel = g.bitsPerPixel;

    const uint32_t tableBytes = ColorTableBytes(g.bitsPerPixel);
    const uint32_t colorStride = static_cast<uint32_t>(ColorStride(g.width, g.bitsPerPixel));
    const uint32_t maskStride = static_cast<uint32_t>(MaskStride(g.width));
    const uint32_t canonicalSize =
        kBitmapInfoHeaderSize + tableBytes + uint32_t(g.height) * colorStride + uint32_t(g.height) * maskStride;

    if (r.present == 0 || r.imageSize != canonicalSize) {
        std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[canonicalSize]);
        if (!block) {
            return;
        }
        r.image = std::move(block);
        r.imageSize = canonicalSize;
    }
    std::memset(r.image.get(), 0, canonicalSize);
    r.present = 1;
    r.modified = 1;

    uint8_t* block = r.image.get();
    WriteIconImageHeader(block, g.width, g.height, g.bitsPerPixel);
    r.header = block;
    r.colorBits = block + kBitmapInfoHeaderSize + tableBytes;
    r.maskBits = r.colorBits + uint32_t(g.height) * colorStride;
}

void ResourceGrid::GetResourceBits(const ResourceFormat& format, ResourceBits& bits) const {
    const int slot = SlotForFormat(format);
    if (slot == -1) {
        return;
    }
    const IconResource& r = slots_[static_cast<size_t>(slot)];
    if (r.present == 0) {
        bits = ResourceBits{};
        return;
    }
    bits.colorRows = r.colorBits;
    bits.colorStride = ColorStride(r.width, r.bitsPerPixel);
    bits.maskRows = r.maskBits;
    bits.maskStride = MaskStride(r.width);
    // The table follows the header, whose size the block itself states (40 in every block we make).
    bits.colorTable = r.header + LoadU32LE(r.header);
}

bool ResourceGrid::AdoptImage(int slot, std::unique_ptr<uint8_t[]> block, uint32_t size, int32_t modifiedValue) {
    if (slot < 0 || slot >= kImageKindCount || !block) {
        return false;
    }
    IconResource candidate;
    candidate.image = std::move(block);
    candidate.imageSize = size;
    if (IsWindowsSlot(slot) && IsPngStream(candidate.image.get(), size)) {
        if (!PngFitsSlot({candidate.image.get(), size}, slot)) {
            return false;
        }
        const ImageKind kind = KindOfSlot(slot);
        candidate.png = true;
        candidate.width = kind.side;
        candidate.height = kind.side;
        candidate.bitsPerPixel = kind.bitsPerPixel;
    } else if (!LayoutFromHeader(&candidate, slot)) {
        return false;
    }
    candidate.present = 1;
    candidate.modified = modifiedValue;
    slots_[static_cast<size_t>(slot)] = std::move(candidate);
    return true;
}

void ResourceGrid::ClearModifiedFlags() {
    for (IconResource& r : slots_) {
        r.modified = 0;
    }
}

}  // namespace tessera
