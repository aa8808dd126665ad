#include <gtest/gtest.h>

#include <cstring>

#include "base/byte_reader.h"
#include "icon/resource_grid.h"
#include "resources/resource_ids.h"

namespace tessera {
namespace {

struct SlotCase {
    int width, height, bits, slot;
};

TEST(ResourceGridTest, SlotIndexCoversTheIconsKindsAndNothingElse) {
    const SlotCase cases[] = {
        {48, 48, 4, 0},   {32, 32, 4, 1},     {24, 24, 4, 2},   {16, 16, 4, 3},     {48, 48, 8, 4},   {32, 32, 8, 5},
        {24, 24, 8, 6},   {16, 16, 8, 7},     {48, 48, 32, 8},  {32, 32, 32, 9},    {24, 24, 32, 10}, {16, 16, 32, 11},
        {20, 20, 32, 12}, {30, 30, 32, 13},   {36, 36, 32, 14}, {40, 40, 32, 15},   {60, 60, 32, 16}, {64, 64, 32, 17},
        {72, 72, 32, 18}, {80, 80, 32, 19},   {96, 96, 32, 20}, {256, 256, 32, 21}, {32, 16, 4, -1},  {32, 32, 24, -1},
        {20, 20, 8, -1},  {128, 128, 32, -1}, {16, 16, 1, -1},  {16, 16, 16, -1},   {0, 0, 4, -1},    {64, 64, 8, -1},
    };
    for (const SlotCase& c : cases) {
        EXPECT_EQ(ResourceGrid::SlotIndex(c.width, c.height, c.bits), c.slot)
            << c.width << "x" << c.height << "@" << c.bits;
    }
}

TEST(ResourceGridTest, FormatsNameSlotsDepthFirstLargestSizeFirst) {
    for (int size = 0; size < 4; ++size) {
        for (int depth = 0; depth < 3; ++depth) {
            EXPECT_EQ(ResourceGrid::SlotForFormat(ResourceFormat(size, depth, 0, 0)), 4 * depth + (3 - size));
        }
    }
}

TEST(ResourceGridTest, OutOfRangeFormatsNameNoImageAndShowTheFirstButtons) {
    const ResourceFormat odd(7, 9, 5, 5);
    EXPECT_EQ(odd.PixelSize(), 0);
    EXPECT_EQ(odd.SizeButton(), IDC_SIZE_SMALL);
    EXPECT_EQ(odd.DepthButton(), IDC_DEPTH_16);
    EXPECT_EQ(odd.MaskButton(), IDC_MASK_HARD);
    EXPECT_EQ(odd.ViewButton(), IDC_VIEW_BOTH);
    for (const ResourceFormat& format : {odd, ResourceFormat(-1, 0, 0, 0), ResourceFormat(0, 3, 0, 0)}) {
        SCOPED_TRACE(testing::Message() << "size " << format.size << " depth " << format.depth);
        const FormatGeometryResult g = ResourceGrid::FormatGeometry(format);
        EXPECT_EQ(g.width, 0);
        EXPECT_EQ(g.height, 0);
        EXPECT_EQ(g.bitsPerPixel, 0);
        EXPECT_EQ(ResourceGrid::SlotForFormat(format), -1);
    }
}

TEST(ResourceGridTest, FormatDefaultsAndSelectionCopy) {
    ResourceFormat format;
    EXPECT_EQ(format, ResourceFormat(3, 2, 1, 0));
    format.CopySelection(ResourceFormat(0, 1, 0, 2), 0);
    EXPECT_EQ(format, ResourceFormat(0, 1, 0, 0));
    format.CopySelection(ResourceFormat(1, 0, 1, 2), 1);
    EXPECT_EQ(format, ResourceFormat(1, 0, 1, 2));
}

struct LayoutCase {
    int size, depth;
    uint32_t blockSize, colorOffset, maskOffset;
};

TEST(ResourceGridTest, PrepareResourceGivesCanonicalBlocks) {
    const LayoutCase cases[] = {
        {0, 0, 296, 104, 232},    {1, 0, 488, 104, 392},    {2, 0, 744, 104, 616},    {3, 0, 1640, 104, 1256},
        {0, 1, 1384, 1064, 1320}, {1, 1, 1736, 1064, 1640}, {2, 1, 2216, 1064, 2088}, {3, 1, 3752, 1064, 3368},
        {0, 2, 1128, 40, 1064},   {1, 2, 2440, 40, 2344},   {2, 2, 4264, 40, 4136},   {3, 2, 9640, 40, 9256},
    };
    for (const LayoutCase& c : cases) {
        ResourceGrid grid;
        const ResourceFormat format(c.size, c.depth, 0, 0);
        grid.PrepareResource(format);
        const IconResource& r = grid.Slot(ResourceGrid::SlotForFormat(format));
        SCOPED_TRACE(testing::Message() << "size " << c.size << " depth " << c.depth);
        ASSERT_EQ(r.present, 1);
        EXPECT_EQ(r.modified, 1);
        EXPECT_EQ(r.imageSize, c.blockSize);
        EXPECT_EQ(r.colorBits - r.image.get(), c.colorOffset);
        EXPECT_EQ(r.maskBits - r.image.get(), c.maskOffset);
        const FormatGeometryResult g = ResourceGrid::FormatGeometry(format);
        const uint8_t* h = r.header;
        EXPECT_EQ(LoadU32LE(h + 0), 40u);
        EXPECT_EQ(LoadU32LE(h + 4), uint32_t(g.width));
        EXPECT_EQ(LoadU32LE(h + 8), uint32_t(2 * g.height));
        EXPECT_EQ(LoadU16LE(h + 12), 1u);
        EXPECT_EQ(LoadU16LE(h + 14), uint32_t(g.bitsPerPixel));
        for (int i = 16; i < 40; ++i) {
            EXPECT_EQ(h[i], 0) << "header byte " << i;
        }
        for (uint32_t i = 40; i < r.imageSize; ++i) {
            ASSERT_EQ(r.image[i], 0) << "block byte " << i;
        }
        ResourceBits bits;
        grid.GetResourceBits(format, bits);
        EXPECT_EQ(bits.colorRows, r.colorBits);
        EXPECT_EQ(bits.maskRows, r.maskBits);
        EXPECT_EQ(bits.colorTable, r.header + 40);
        EXPECT_EQ(bits.colorStride, ColorStride(g.width, g.bitsPerPixel));
        EXPECT_EQ(bits.maskStride, MaskStride(g.width));
    }
}

TEST(ResourceGridTest, ResourceBitsOfEmptyAndUnnamedSlots) {
    ResourceGrid grid;
    ResourceBits bits;
    bits.colorStride = 77;
    grid.GetResourceBits(ResourceFormat(0, 0, 0, 0), bits);
    EXPECT_EQ(bits.colorRows, nullptr);
    EXPECT_EQ(bits.colorTable, nullptr);
    EXPECT_EQ(bits.colorStride, 0);

    grid.PrepareResource(ResourceFormat(0, 0, 0, 0));
    grid.RemoveResource(ResourceFormat(0, 0, 0, 0));
    grid.GetResourceBits(ResourceFormat(0, 0, 0, 0), bits);
    EXPECT_EQ(bits.colorTable, nullptr) << "an emptied slot must not point into its old block";
}

TEST(ResourceGridTest, ModifiedFlagsFollowPrepareRemoveAndClear) {
    ResourceGrid grid;
    EXPECT_FALSE(grid.IsModified());
    grid.RemoveSlot(5);
    EXPECT_TRUE(grid.IsModified()) << "removing an empty slot is a change";
    EXPECT_EQ(grid.CountPresent(), 0);
    grid.ClearAll();
    EXPECT_FALSE(grid.IsModified());
    grid.PrepareResource(ResourceFormat(1, 1, 0, 0));
    grid.PrepareResource(ResourceFormat(3, 2, 1, 0));
    EXPECT_EQ(grid.CountPresent(), 2);
    EXPECT_TRUE(grid.IsModified());
    grid.ClearModifiedFlags();
    EXPECT_FALSE(grid.IsModified());
    EXPECT_EQ(grid.CountPresent(), 2);
    grid.ClearSlot(ResourceGrid::SlotForFormat(ResourceFormat(1, 1, 0, 0)), 0);
    EXPECT_EQ(grid.CountPresent(), 1);
    EXPECT_FALSE(grid.IsModified());
}

// A block as a file would carry it: header fields set by the caller, followed by `payload` bytes.
std::unique_ptr<uint8_t[]> MakeBlock(uint32_t size,
                                     int width,
                                     int biHeight,
                                     int bits,
                                     uint32_t clrUsed,
                                     uint32_t biSize = 40) {
    auto block = std::make_unique<uint8_t[]>(size);
    std::memset(block.get(), 0, size);
    StoreU32LE(block.get(), biSize);
    StoreU32LE(block.get() + 4, static_cast<uint32_t>(width));
    StoreU32LE(block.get() + 8, static_cast<uint32_t>(biHeight));
    StoreU16LE(block.get() + 12, 1);
    StoreU16LE(block.get() + 14, static_cast<uint16_t>(bits));
    StoreU32LE(block.get() + 32, clrUsed);
    return block;
}

TEST(ResourceGridTest, LayoutFromHeaderHonoursAShortColourTable) {
    ResourceGrid grid;
    // 16x16 at 4 bits with two table entries: 40 + 8 + 128 + 64.
    ASSERT_TRUE(grid.AdoptImage(3, MakeBlock(240, 16, 32, 4, 2), 240, 0));
    const IconResource& r = grid.Slot(3);
    EXPECT_EQ(r.colorBits - r.image.get(), 48);
    EXPECT_EQ(r.maskBits - r.image.get(), 176);
    EXPECT_EQ(r.width, 16);
    EXPECT_EQ(r.height, 16);
    EXPECT_EQ(r.bitsPerPixel, 4);
}

struct RejectCase {
    const char* what;
    uint32_t size;
    int width, biHeight, bits;
    uint32_t clrUsed, biSize;
    int slot;
};

TEST(ResourceGridTest, LayoutFromHeaderRejectsBlocksThatDoNotHoldTheirImage) {
    const RejectCase cases[] = {
        {"shorter than the header", 39, 16, 32, 4, 0, 40, 3},
        {"biSize below 40", 296, 16, 32, 4, 0, 12, 3},
        {"mask rows cut by one byte", 295, 16, 32, 4, 0, 40, 3},
        {"width of another slot", 296, 24, 48, 4, 0, 40, 3},
        {"depth of another slot", 296, 16, 32, 8, 0, 40, 3},
        {"negative height", 296, 16, -32, 4, 0, 40, 3},
        {"colour table larger than the block", 296, 16, 32, 4, 0xFFFF, 40, 3},
        {"huge biSize", 296, 16, 32, 4, 0, 0xFFFFFFF0u, 3},
    };
    for (const RejectCase& c : cases) {
        ResourceGrid grid;
        EXPECT_FALSE(grid.AdoptImage(
            c.slot, MakeBlock(std::max<uint32_t>(c.size, 40), c.width, c.biHeight, c.bits, c.clrUsed, c.biSize), c.size,
            1))
            << c.what;
        EXPECT_EQ(grid.Slot(c.slot).present, 0) << c.what;
        EXPECT_FALSE(grid.IsModified()) << c.what;
    }
}

}  // namespace
}  // namespace tessera

namespace tessera {
namespace {

TEST(ResourceGridTest, ColourTableFollowsALongerHeader) {
    // A 16x16 4-bit block with a 108-byte header: 108 + 64 + 128 + 64.
    ResourceGrid grid;
    ASSERT_TRUE(grid.AdoptImage(3, MakeBlock(364, 16, 32, 4, 0, 108), 364, 0));
    ResourceBits bits;
    grid.GetResourceBits(ResourceFormat(0, 0, 0, 0), bits);
    const IconResource& r = grid.Slot(3);
    EXPECT_EQ(bits.colorTable - r.image.get(), 108);
    EXPECT_EQ(bits.colorRows - r.image.get(), 172);
}

}  // namespace
}  // namespace tessera
