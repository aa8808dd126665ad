#pragma once
// The document: the twelve images of the grid and one true-colour image of each of Windows' own sizes,
// each held byte for byte as an .ico file stores it, with a modified flag per slot. A bitmap block is
// the header, the colour table, the colour rows bottom-up and the mask rows bottom-up; an image of a
// Windows size may be a PNG stream instead.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "icon/image_kind.h"
#include "icon/resource_format.h"

namespace tessera {

struct IconResource {
    int32_t present = 0;
    int32_t modified = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    bool png = false;  // the block is a PNG stream: no header, colour rows or mask rows to point at
    std::unique_ptr<uint8_t[]> image;
    uint32_t imageSize = 0;
    // Views into image; never owned on their own.
    uint8_t* header = nullptr;
    uint8_t* colorBits = nullptr;
    uint8_t* maskBits = nullptr;
};

struct FormatGeometryResult {
    int width;
    int height;
    int bitsPerPixel;
};

// What the drawing, conversion and layer code need to reach one image's pixels.
struct ResourceBits {
    uint8_t* colorRows = nullptr;
    int colorStride = 0;
    uint8_t* maskRows = nullptr;
    int maskStride = 0;
    uint8_t* colorTable = nullptr;  // RGBQUADs right after the header
};

inline constexpr uint32_t kBitmapInfoHeaderSize = 40;

// Row strides of the packed layout.
constexpr int ColorStride(int width, int bitsPerPixel) {
    return ((width * bitsPerPixel + 31) / 32) * 4;
}
constexpr int MaskStride(int width) {
    return ((width + 31) / 32) * 4;
}

// Where the parts of an icon's bitmap block lie, as the block's own header says: the header of biSize
// bytes, the colour table (biClrUsed entries, or 2^bits up to 8 bits), the colour rows, then the mask
// rows, biHeight / 2 of each.
struct BitmapLayout {
    int32_t width = 0;
    int32_t height = 0;  // of the image: half of biHeight
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint64_t colorOffset = 0;
    uint64_t maskOffset = 0;
};

// The layout of a block; none when the block does not hold all of it, or when the header's width or
// height is not 1 to 65,535 pixels or its bit count is above 32 (no icon image is larger or deeper).
std::optional<BitmapLayout> LayOutBitmap(std::span<const uint8_t> block);

// The 40-byte header of an uncompressed icon image of width x height pixels: biHeight counts the
// colour rows and the mask rows, everything after the depth is 0.
void WriteIconImageHeader(uint8_t* p, int width, int height, int bitsPerPixel);

// A side as an icon directory gives it, in one byte: 0 means 256.
constexpr int DirectorySide(uint8_t value) {
    return value == 0 ? 256 : value;
}

// An image of an icon file that no slot can hold (another size, another depth, a PNG stream, the
// earlier of two images of one kind), kept as the file had it so that writing the grid puts it back:
// its directory fields and its bytes. Kept images with the same bytes share one block: a file may name
// one block many times.
struct KeptImage {
    uint8_t width = 0;  // the directory's bWidth and bHeight: 0 means 256
    uint8_t height = 0;
    uint8_t colorCount = 0;
    uint8_t reserved = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    std::shared_ptr<const uint8_t[]> bytes;
    uint32_t size = 0;

    // The pixels a side and per pixel: from the PNG stream's own header, or the directory's.
    [[nodiscard]] bool IsPng() const;
    [[nodiscard]] int PixelWidth() const;
    [[nodiscard]] int PixelHeight() const;
    [[nodiscard]] int BitsPerPixel() const;
};

class ResourceGrid {
  public:
    ResourceGrid() = default;
    ResourceGrid(const ResourceGrid&) = delete;
    ResourceGrid& operator=(const ResourceGrid&) = delete;
    virtual ~ResourceGrid();

    // The slot of a square image of one of the icon's kinds (image_kind.h); else -1.
    static int SlotIndex(int width, int height, int bitsPerPixel);
    // Side and bits per pixel of the format's image; 0 for a size or a depth outside the valid ones, so
    // that such a format names no slot.
    static FormatGeometryResult FormatGeometry(const ResourceFormat& format);
    static int SlotForFormat(const ResourceFormat& format);
    // The size and depth of each slot, as the slot table orders them.
    static FormatGeometryResult SlotGeometry(int slot);

    [[nodiscard]] int CountPresent() const;
    [[nodiscard]] bool IsModified() const;
    void ClearSlot(int slot, int32_t modifiedValue);
    void ClearAll();
    void RemoveSlot(int slot);
    void RemoveResource(const ResourceFormat& format);

    // Fills the views and geometry of a resource from its header. Accepts the block only when it holds
    // the 40-byte header, the colour table, the colour rows and the mask rows the header implies, and
    // when the header describes the image of `slot`; otherwise the resource is left untouched.
    static bool LayoutFromHeader(IconResource* resource, int slot);
    // Whether a block is a PNG stream, by its signature.
    static bool IsPngStream(const uint8_t* block, uint32_t size);
    // Whether a PNG stream decodes in full to the image of a Windows size's slot.
    static bool PngFitsSlot(std::span<const uint8_t> stream, int slot);

    // Gives the named slot a canonical zero-filled block for the caller to fill.
    void PrepareResource(const ResourceFormat& format);
    // Leaves `bits` as it was when the format names no slot; all none when the slot is empty.
    void GetResourceBits(const ResourceFormat& format, ResourceBits& bits) const;

    // Puts a block into a slot, replacing what was there. Fails, and leaves the slot as it was, when
    // LayoutFromHeader rejects the block; a slot of a Windows size also takes a PNG stream, when it
    // decodes in full to an image of the slot's size.
    bool AdoptImage(int slot, std::unique_ptr<uint8_t[]> block, uint32_t size, int32_t modifiedValue);
    // Clears every modified flag (after the grid was written to a file).
    void ClearModifiedFlags();

    // The slot's image; an index that names no slot reads as an empty slot.
    [[nodiscard]] const IconResource& Slot(int slot) const;

    // The images of the file that no slot holds, in the file's order. ClearAll empties them with the
    // slots; nothing else of the grid touches them, and they never count as changes.
    [[nodiscard]] size_t KeptCount() const { return keptCount_; }
    [[nodiscard]] const KeptImage& Kept(size_t index) const { return kept_[index]; }
    // Adds one after the others; false, with nothing added, when memory is short.
    bool Keep(KeptImage image);

  private:
    std::array<IconResource, kImageKindCount> slots_;
    std::unique_ptr<KeptImage[]> kept_;
    size_t keptCount_ = 0;
    size_t keptCapacity_ = 0;
};

}  // namespace tessera
