#pragma once
// Icon files made to order for the reader's tests and fuzz harnesses: images whose layout their own
// header implies, directories that may lie, and a check of what every image in a grid must satisfy.
// No test-framework dependency.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/alerts.h"
#include "base/files.h"
#include "icon/ico_file.h"
#include "icon/resource_grid.h"

namespace tessera::test {

// The reader and the writer as the window uses them: a failure is shown through `alerts`.
inline IcoResult ReadIco(ResourceGrid& grid, const std::string& path, FileSystem& files, Alerts& alerts) {
    const IcoStatus status = ReadIcoFile(grid, path, files);
    ShowIcoFailure(alerts, path, status);
    return status.result;
}
inline IcoResult WriteIco(ResourceGrid& grid, const std::string& path, FileSystem& files, Alerts& alerts) {
    const IcoStatus status = WriteIcoFile(grid, path, files);
    ShowIcoFailure(alerts, path, status);
    return status.result;
}

// A packed image as an .ico file holds it: a 40-byte header with these fields, the colour table the
// header implies (biClrUsed entries, or 2^bits up to 8 bits), the colour rows and the mask rows of
// |biHeight| / 2 rows. Every byte after the header is (seed + its offset) & 0xFF, so blocks differ.
std::vector<uint8_t> BitmapBlock(int width, int biHeight, int bitCount, uint32_t clrUsed = 0, uint8_t seed = 0);

// The start of a PNG stream as icon files hold their compressed images: the signature and the image
// header chunk (`width`, `height`, 8 bits per sample, colour type 6: RGBA), then filler to 80 bytes.
std::vector<uint8_t> PngStream(uint32_t width, uint32_t height);
// A PNG stream of a side x side picture in 8-bit red, green, blue and alpha that decodes in full, as
// the codec writes it: a pattern of colours, with transparent, half and fully opaque pixels.
std::vector<uint8_t> DecodablePng(int side);

// An image kept beside the slots with these directory fields (planes 1) and a copy of `bytes`.
KeptImage KeptImageOf(uint8_t side, uint16_t bitCount, const std::vector<uint8_t>& bytes);

// One directory entry and the block it points at. By default the entry describes the block honestly
// and its offset is where BuildIco places the block.
struct IcoEntry {
    uint8_t width = 0;
    uint8_t height = 0;
    uint8_t colorCount = 0;
    uint8_t reserved = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    std::vector<uint8_t> block;
    std::optional<uint32_t> bytesInRes;   // instead of the block's size
    std::optional<uint32_t> imageOffset;  // instead of the block's place in the file
};

// An honest entry for a square image of `side` pixels (256 is written as 0) at `bits` per pixel.
IcoEntry Entry(int side, int bits, uint8_t seed = 0);

// An honest entry for a 32-bit bitmap of `side` pixels whose mask is transparent exactly where its alpha
// is 0, as Windows wants it.
IcoEntry AlphaEntry(int side, uint8_t seed = 0);
// An honest entry for PngStream(side, side).
IcoEntry PngEntry(int side);

struct IcoHeader {
    uint16_t reserved = 0;
    uint16_t type = 1;
    std::optional<uint16_t> count;  // instead of the number of entries
};

// Header, directory, then the blocks back to back in entry order.
std::vector<uint8_t> BuildIco(const std::vector<IcoEntry>& entries, const IcoHeader& header = {});

// The first promise the grid breaks about a present slot's image (geometry of the slot, views inside
// the block), or empty when it keeps them all.
std::string BrokenSlotPromise(const ResourceGrid& grid);

// Gives the slot of `format` a canonical block (as the layer conversion would) whose table, colour rows
// and mask rows hold (seed + offset) & 0xFF.
void FillCanonical(ResourceGrid& grid, const ResourceFormat& format, uint8_t seed);
// FillCanonical for all twelve slots, each seeded with its slot index.
void FillAllSlots(ResourceGrid& grid);

}  // namespace tessera::test
