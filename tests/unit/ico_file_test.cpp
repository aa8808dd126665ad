#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>

#include "base/byte_reader.h"
#include "icon/ico_file.h"
#include "support/fake_alerts.h"
#include "support/fake_files.h"
#include "support/ico_fixtures.h"

namespace tessera {
namespace {

using test::BitmapBlock;
using test::BuildIco;
using test::Entry;
using test::FakeAlerts;
using test::IcoEntry;
using test::IcoHeader;
using test::MemoryFileSystem;

constexpr const char* kPath = "C:\\icons\\app.ico";

struct ReadOutcome {
    IcoResult result;
    std::vector<Alert> alerts;
    int openFiles;
};

ReadOutcome ReadBytes(ResourceGrid& grid, std::vector<uint8_t> bytes) {
    MemoryFileSystem files;
    files.Put(kPath, std::move(bytes));
    FakeAlerts alerts;
    const IcoResult result = test::ReadIco(grid, kPath, files, alerts);
    return {result, alerts.Shown(), files.OpenCount()};
}

std::vector<uint8_t> WriteToBytes(ResourceGrid& grid) {
    MemoryFileSystem files;
    FakeAlerts alerts;
    EXPECT_EQ(test::WriteIco(grid, kPath, files, alerts), IcoResult::Ok);
    EXPECT_TRUE(alerts.Shown().empty());
    return files.Get(kPath).value_or(std::vector<uint8_t>());
}

std::vector<uint8_t> BlockOf(const ResourceGrid& grid, int slot) {
    const IconResource& r = grid.Slot(slot);
    return std::vector<uint8_t>(r.image.get(), r.image.get() + r.imageSize);
}

std::vector<uint8_t> WithZeroSizeImage(std::vector<uint8_t> block) {
    std::fill(block.begin() + 20, block.begin() + 24, 0);
    return block;
}

std::set<int> SlotsWhere(const ResourceGrid& grid, int32_t IconResource::*field) {
    std::set<int> slots;
    for (int slot = 0; slot < kImageKindCount; ++slot) {
        if (grid.Slot(slot).*field != 0) {
            slots.insert(slot);
        }
    }
    return slots;
}

// Every message about a file names the file, with the error icon and one OK button.
void ExpectFileMessage(const Alert& alert, const std::string& text) {
    EXPECT_EQ(alert.text, text);
    EXPECT_EQ(alert.caption, AlertCaption::Path);
    EXPECT_EQ(alert.path, kPath);
    EXPECT_EQ(alert.icon, AlertIcon::Error);
    EXPECT_EQ(alert.buttons, AlertButtons::Ok);
}

TEST(IcoFileTest, FullGridIsTheByteExact29926ByteFile) {
    const auto grid = std::make_unique<ResourceGrid>();
    test::FillAllSlots(*grid);
    const std::vector<uint8_t> file = WriteToBytes(*grid);
    ASSERT_EQ(file.size(), 29926u);
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 6), (std::vector<uint8_t>{0, 0, 1, 0, 12, 0}));

    const uint32_t sizes[kGridSlotCount] = {1640, 744, 488, 296, 3752, 2216, 1736, 1384, 9640, 4264, 2440, 1128};
    const uint32_t offsets[kGridSlotCount] = {198,  1838,  2582,  3070,  3366,  7118,
                                              9334, 11070, 12454, 22094, 26358, 28798};
    for (int slot = 0; slot < kGridSlotCount; ++slot) {
        SCOPED_TRACE(testing::Message() << "slot " << slot);
        const FormatGeometryResult g = ResourceGrid::SlotGeometry(slot);
        const uint8_t* e = &file[6 + 16 * static_cast<size_t>(slot)];
        EXPECT_EQ(e[0], g.width);
        EXPECT_EQ(e[1], g.height);
        EXPECT_EQ(e[2], g.bitsPerPixel == 4 ? 16 : 0);
        EXPECT_EQ(e[3], 0);
        EXPECT_EQ(LoadU16LE(e + 4), 1);
        EXPECT_EQ(LoadU16LE(e + 6), g.bitsPerPixel);
        EXPECT_EQ(LoadU32LE(e + 8), sizes[slot]);
        EXPECT_EQ(LoadU32LE(e + 12), offsets[slot]);
        EXPECT_EQ(ImageOffset(*grid, slot), offsets[slot]);
        const auto from = file.begin() + static_cast<ptrdiff_t>(offsets[slot]);
        const std::vector<uint8_t> written(from, from + static_cast<ptrdiff_t>(sizes[slot]));
        EXPECT_EQ(written, BlockOf(*grid, slot));
    }

    ResourceGrid again;
    const ReadOutcome read = ReadBytes(again, file);
    EXPECT_EQ(read.result, IcoResult::Ok);
    EXPECT_TRUE(read.alerts.empty());
    EXPECT_FALSE(again.IsModified());
    for (int slot = 0; slot < kGridSlotCount; ++slot) {
        EXPECT_EQ(BlockOf(again, slot), BlockOf(*grid, slot)) << "slot " << slot;
    }
}

TEST(IcoFileTest, SingleSixteenPixelImageIsTheByteExact318ByteFile) {
    ResourceGrid grid;
    test::FillCanonical(grid, ResourceFormat(0, 0, 0, 0), 0x40);
    const std::vector<uint8_t> file = WriteToBytes(grid);
    ASSERT_EQ(file.size(), 318u);
    const std::vector<uint8_t> expectedStart = {
        // ICONDIR
        0x00, 0x00,  // idReserved
        0x01, 0x00,  // idType: icon
        0x01, 0x00,  // idCount
        // ICONDIRENTRY
        16, 16,                  // bWidth, bHeight
        16,                      // bColorCount: 2^(1 plane x 4 bits)
        0,                       // bReserved
        0x01, 0x00,              // wPlanes
        0x04, 0x00,              // wBitCount
        0x28, 0x01, 0x00, 0x00,  // dwBytesInRes: 296
        0x16, 0x00, 0x00, 0x00,  // dwImageOffset: 22, right after the one entry
        // BITMAPINFOHEADER
        0x28, 0x00, 0x00, 0x00,  // biSize: 40
        0x10, 0x00, 0x00, 0x00,  // biWidth: 16
        0x20, 0x00, 0x00, 0x00,  // biHeight: 32, colour rows and mask rows together
        0x01, 0x00,              // biPlanes
        0x04, 0x00,              // biBitCount
        0x00, 0x00, 0x00, 0x00,  // biCompression: BI_RGB
        0x00, 0x00, 0x00, 0x00,  // biSizeImage
        0x00, 0x00, 0x00, 0x00,  // biXPelsPerMeter
        0x00, 0x00, 0x00, 0x00,  // biYPelsPerMeter
        0x00, 0x00, 0x00, 0x00,  // biClrUsed: the full 16-entry table follows
        0x00, 0x00, 0x00, 0x00,  // biClrImportant
    };
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 62), expectedStart);
    // Colour table (64), colour rows (16 x 8) and mask rows (16 x 4) follow as the slot holds them.
    for (size_t i = 62; i < file.size(); ++i) {
        ASSERT_EQ(file[i], static_cast<uint8_t>(0x40 + (i - 22))) << "byte " << i;
    }
}

TEST(IcoFileTest, EmptyGridIsSixBytesAndAnEmptyFileReadsBack) {
    ResourceGrid grid;
    grid.RemoveSlot(4);
    const std::vector<uint8_t> file = WriteToBytes(grid);
    EXPECT_EQ(file, (std::vector<uint8_t>{0, 0, 1, 0, 0, 0}));
    EXPECT_FALSE(grid.IsModified()) << "a successful write clears every flag, also of empty slots";

    test::FillCanonical(grid, ResourceFormat(), 1);
    const ReadOutcome read = ReadBytes(grid, file);
    EXPECT_EQ(read.result, IcoResult::Ok);
    EXPECT_EQ(grid.CountPresent(), 0);
    EXPECT_FALSE(grid.IsModified());
}

TEST(IcoFileTest, ForeignFileRoundTripsBlockForBlockButBiSizeImageAndKeepsWhatTheGridCannotHold) {
    // Written by someone else: entries out of slot order, biSizeImage filled in, a short colour table.
    IcoEntry large = Entry(48, 32, 3);
    StoreU32LE(large.block.data() + 20, 9216 + 384);
    IcoEntry small;
    small.width = small.height = 16;
    small.bitCount = 4;
    small.block = BitmapBlock(16, 32, 4, 12, 9);
    StoreU32LE(small.block.data() + 20, 0xDEADBEEF);
    IcoEntry middle = Entry(24, 8, 5);
    // What no slot holds: a 256-pixel PNG stream with odd directory fields, a 64-pixel image whose
    // biSizeImage is not ours to clear, a 24-bit image.
    IcoEntry png = Entry(0, 32);
    png.block = test::PngStream(256, 256);
    png.colorCount = 3;
    png.reserved = 9;
    IcoEntry sixtyFour = Entry(64, 8, 6);
    StoreU32LE(sixtyFour.block.data() + 20, 0x1234);
    const IcoEntry twenty = Entry(20, 24, 8);
    const IcoEntry keptEntries[] = {png, sixtyFour, twenty};

    ResourceGrid grid;
    ASSERT_EQ(ReadBytes(grid, BuildIco({png, large, small, sixtyFour, middle, twenty})).result, IcoResult::Ok);
    EXPECT_EQ(SlotsWhere(grid, &IconResource::present), (std::set<int>{3, 6, 8}));
    EXPECT_EQ(BlockOf(grid, 3), small.block) << "held byte for byte, biSizeImage included";
    EXPECT_EQ(grid.KeptCount(), 3u);
    EXPECT_FALSE(grid.IsModified());

    const std::vector<uint8_t> file = WriteToBytes(grid);
    ASSERT_EQ(LoadU16LE(&file[4]), 6);
    for (size_t i = 0; i < 3; ++i) {
        const IcoEntry& kept = keptEntries[i];
        const uint8_t* e = &file[6 + 16 * (3 + i)];
        const uint8_t fields[8] = {kept.width, kept.height, kept.colorCount, kept.reserved, 0, 0, 0, 0};
        EXPECT_EQ(0, std::memcmp(e, fields, 4)) << "kept entry " << i;
        EXPECT_EQ(LoadU16LE(e + 4), kept.planes) << "kept entry " << i;
        EXPECT_EQ(LoadU16LE(e + 6), kept.bitCount) << "kept entry " << i;
        const auto from = file.begin() + static_cast<ptrdiff_t>(LoadU32LE(e + 12));
        EXPECT_EQ(std::vector<uint8_t>(from, from + static_cast<ptrdiff_t>(LoadU32LE(e + 8))), kept.block)
            << "kept entry " << i << ", its bytes as they were";
    }
    EXPECT_EQ(LoadU32LE(grid.Slot(3).header + 20), 0xDEADBEEFu) << "the grid's own header is not touched";
    const int order[] = {3, 6, 8};
    const std::vector<uint8_t>* blocks[] = {&small.block, &middle.block, &large.block};
    for (size_t i = 0; i < 3; ++i) {
        const uint8_t* e = &file[6 + 16 * i];
        const uint32_t offset = LoadU32LE(e + 12);
        EXPECT_EQ(offset, ImageOffset(grid, order[i]));
        const auto from = file.begin() + static_cast<ptrdiff_t>(offset);
        const std::vector<uint8_t> written(from, from + static_cast<ptrdiff_t>(LoadU32LE(e + 8)));
        EXPECT_EQ(written, WithZeroSizeImage(*blocks[i])) << "entry " << i;
    }
    grid.RemoveSlot(3);
    EXPECT_EQ(grid.KeptCount(), 3u) << "clearing a slot leaves the kept images";
    grid.ClearAll();
    EXPECT_EQ(grid.KeptCount(), 0u) << "a new document has none";
}

TEST(IcoFileTest, AnEarlierImageOfAKindStaysKeptAndTheLaterShownAfterASave) {
    const IcoEntry earlier = Entry(16, 4, 1);
    const IcoEntry later = Entry(16, 4, 2);
    ResourceGrid grid;
    ASSERT_EQ(ReadBytes(grid, BuildIco({earlier, Entry(64, 8), later})).result, IcoResult::Ok);
    ResourceGrid again;
    ASSERT_EQ(ReadBytes(again, WriteToBytes(grid)).result, IcoResult::Ok);
    EXPECT_EQ(BlockOf(again, 3), later.block);
    ASSERT_EQ(again.KeptCount(), 2u);
    EXPECT_TRUE(std::equal(earlier.block.begin(), earlier.block.end(), again.Kept(0).bytes.get()));
    EXPECT_EQ(again.Kept(1).width, 64);
    EXPECT_FALSE(again.IsModified());
}

TEST(IcoFileTest, ShortColourTablesMoveTheRows) {
    struct Case {
        int bits;
        uint32_t clrUsed;
        ptrdiff_t colorOffset;
    };
    const Case cases[] = {{4, 0, 104}, {4, 12, 88}, {4, 2, 48}, {8, 256, 1064}, {8, 0, 1064}, {8, 17, 108}};
    for (const Case& c : cases) {
        IcoEntry entry = Entry(16, c.bits);
        entry.block = BitmapBlock(16, 32, c.bits, c.clrUsed);
        ResourceGrid grid;
        ASSERT_EQ(ReadBytes(grid, BuildIco({entry})).result, IcoResult::Ok) << c.clrUsed;
        const IconResource& r = grid.Slot(ResourceGrid::SlotIndex(16, 16, c.bits));
        EXPECT_EQ(r.colorBits - r.image.get(), c.colorOffset) << c.clrUsed;
        EXPECT_EQ(r.maskBits - r.colorBits, 16 * ColorStride(16, c.bits)) << c.clrUsed;
    }
}

IcoEntry WithDepth(IcoEntry entry, uint16_t planes, uint16_t bitCount) {
    entry.planes = planes;
    entry.bitCount = bitCount;
    entry.colorCount = 0;
    return entry;
}

IcoEntry WithoutDepth(IcoEntry entry) {
    return WithDepth(std::move(entry), 0, 0);
}

std::vector<uint8_t> WithHeaderDepth(std::vector<uint8_t> block, uint16_t planes, uint16_t bitCount) {
    StoreU16LE(block.data() + 12, planes);
    StoreU16LE(block.data() + 14, bitCount);
    return block;
}

IcoEntry WithBlock(IcoEntry entry, std::vector<uint8_t> block) {
    entry.block = std::move(block);
    return entry;
}

IcoEntry WithBytes(IcoEntry entry, uint32_t bytesInRes) {
    entry.bytesInRes = bytesInRes;
    return entry;
}

IcoEntry AtOffset(IcoEntry entry, uint32_t offset) {
    entry.imageOffset = offset;
    return entry;
}

// An entry naming the bytes another entry's block has at `offset`, with no block of its own.
IcoEntry SameBytesAs(IcoEntry entry, uint32_t offset) {
    return AtOffset(WithBytes(WithBlock(entry, {}), static_cast<uint32_t>(entry.block.size())), offset);
}

std::vector<uint8_t> Cut(std::vector<uint8_t> file, size_t dropped) {
    file.resize(file.size() - dropped);
    return file;
}

std::vector<uint8_t> Head(std::vector<uint8_t> file, size_t kept) {
    file.resize(kept);
    return file;
}

struct ReadCase {
    const char* what;
    std::vector<uint8_t> file;
    IcoResult result;
    std::string message;  // empty: no message
    std::set<int> present;
    std::set<int> modified;
    std::function<void(const ResourceGrid&)> more;
    size_t kept = 0;  // images set aside for no slot
};

std::vector<ReadCase> ReadCases() {
    const std::string convert16x4 = "Error converting format of icon with 16 x 16 pixels, 4 bits per pixel";
    const std::string readAll16x4 = "Error reading all of icon with 16 x 16 pixels, 4 bits per pixel";
    const std::string shortDirectory = "Error reading all icon directory entries from file";
    const std::string header = "Error reading .ICO file header";
    const IcoEntry first = Entry(16, 4, 1);
    const IcoEntry second = Entry(16, 4, 2);
    const auto sixtyFourBytes = static_cast<uint32_t>(Entry(64, 8).block.size());
    std::vector<ReadCase> cases = {
        {"no entries", BuildIco({}), IcoResult::Ok, "", {}, {}, {}},
        {"planes and bits 0: the image header places the image",
         BuildIco({WithoutDepth(Entry(32, 8)), WithoutDepth(Entry(16, 32))}),
         IcoResult::Ok,
         "",
         {5, 11},
         {5, 11},
         {}},
        {"a cursor file is read as icons, all of them changed",
         BuildIco({Entry(16, 4), Entry(32, 32)}, IcoHeader{0, 2, {}}),
         IcoResult::Ok,
         "",
         {3, 9},
         {3, 9},
         {}},
        {"once adjusted, every later image counts as changed",
         BuildIco({Entry(48, 4), WithoutDepth(Entry(16, 8)), Entry(24, 32)}),
         IcoResult::Ok,
         "",
         {0, 7, 10},
         {7, 10},
         {}},
        {"a directory that lies about the depth",
         BuildIco({WithBlock(Entry(32, 4), BitmapBlock(32, 64, 8))}),
         IcoResult::Failed,
         "Error converting format of icon with 32 x 32 pixels, 4 bits per pixel",
         {},
         {},
         {}},
        {"a directory that lies about the size",
         BuildIco({WithBlock(Entry(48, 32), BitmapBlock(32, 64, 32))}),
         IcoResult::Failed,
         "Error converting format of icon with 48 x 48 pixels, 32 bits per pixel",
         {},
         {},
         {}},
        {"biClrUsed 12 at 4 bits and 256 at 8 bits",
         BuildIco({WithBlock(Entry(16, 4), BitmapBlock(16, 32, 4, 12)),
                   WithBlock(Entry(32, 8), BitmapBlock(32, 64, 8, 256))}),
         IcoResult::Ok,
         "",
         {3, 5},
         {},
         {}},
        {"Windows sizes' images, bitmap or PNG, are the icon's own",
         BuildIco({Entry(256, 32), Entry(16, 32), Entry(20, 32), WithBlock(Entry(96, 32), test::DecodablePng(96))}),
         IcoResult::Ok,
         "",
         {11, 12, 20, 21},
         {},
         [](const ResourceGrid& grid) {
             EXPECT_FALSE(grid.Slot(21).png);
             EXPECT_TRUE(grid.Slot(20).png);
         }},
        {"a Windows size's PNG stream that does not decode is kept",
         BuildIco({WithBlock(Entry(256, 32), test::PngStream(256, 256)), Entry(16, 32)}),
         IcoResult::Ok,
         "",
         {11},
         {},
         {},
         1},
        {"a Windows size's image that lies beyond the file is a damaged slot entry",
         BuildIco({Entry(16, 32), AtOffset(Entry(20, 32), 100000)}),
         IcoResult::Failed,
         "Error reading all of icon with 20 x 20 pixels, 32 bits per pixel",
         {11},
         {},
         {}},
        {"PNG entry without planes and bits",
         BuildIco({WithoutDepth(WithBlock(Entry(256, 32), test::PngStream(256, 256)))}),
         IcoResult::Ok,
         "",
         {},
         {},
         {},
         1},
        {"PNG entry that claims a grid kind keeps the earlier image",
         BuildIco({Entry(48, 32, 7), WithBlock(Entry(48, 32), test::PngStream(256, 256))}),
         IcoResult::Ok,
         "",
         {8},
         {},
         [](const ResourceGrid& grid) { EXPECT_EQ(grid.Slot(8).image[40], 7 + 40); },
         1},
        {"images of no grid kind are kept silently",
         BuildIco({Entry(64, 8), Entry(32, 1), Entry(32, 24), WithoutDepth(Entry(48, 24)),
                   WithoutDepth(WithBlock(Entry(16, 4), BitmapBlock(16, 64, 4)))}),
         IcoResult::Ok,
         "",
         {},
         {},
         {},
         5},
        {"two entries of one kind: the later wins, the earlier is kept",
         BuildIco({first, second}),
         IcoResult::Ok,
         "",
         {3},
         {},
         [first, second](const ResourceGrid& grid) {
             EXPECT_TRUE(std::equal(second.block.begin(), second.block.end(), grid.Slot(3).image.get()));
             ASSERT_EQ(grid.KeptCount(), 1u);
             EXPECT_TRUE(std::equal(first.block.begin(), first.block.end(), grid.Kept(0).bytes.get()));
         },
         1},
        {"entries in any order",
         BuildIco({Entry(16, 32), Entry(48, 4), Entry(24, 8), Entry(32, 8)}),
         IcoResult::Ok,
         "",
         {0, 5, 6, 11},
         {},
         {}},
        {"two entries share one block",
         BuildIco({first, AtOffset(WithoutDepth(second), 6 + 2 * 16)}),
         IcoResult::Ok,
         "",
         {3},
         {3},
         {},
         1},
        {"planes times bits beyond an int in the directory",
         BuildIco({WithDepth(Entry(16, 4), 0xFF01, 0xFFFF)}),
         IcoResult::Ok,
         "",
         {3},
         {3},
         {}},
        {"planes times bits beyond an int in the image header",
         BuildIco({WithoutDepth(WithBlock(Entry(16, 4), WithHeaderDepth(BitmapBlock(16, 32, 4), 52684, 53031)))}),
         IcoResult::Ok,
         "",
         {},
         {},
         {},
         1},
        {"header cut short", {0, 0, 1, 0, 1}, IcoResult::Failed, header, {}, {}, {}},
        {"idReserved not 0", BuildIco({Entry(16, 4)}, IcoHeader{1, 1, {}}), IcoResult::Failed, header, {}, {}, {}},
        {"directory cut short",
         Head(BuildIco({first, second}), 6 + 16 + 9),
         IcoResult::Failed,
         shortDirectory,
         {},
         {},
         {}},
        {"idCount 65535 in a short file",
         BuildIco({first}, IcoHeader{0, 1, 65535}),
         IcoResult::Failed,
         shortDirectory,
         {},
         {},
         {}},
        {"colour table cut short",
         BuildIco({WithBytes(Entry(16, 8), 40 + 100)}),
         IcoResult::Failed,
         "Error converting format of icon with 16 x 16 pixels, 8 bits per pixel",
         {},
         {},
         {}},
        {"colour rows cut short",
         BuildIco({WithBytes(Entry(16, 8), 40 + 1024 + 100)}),
         IcoResult::Failed,
         "Error converting format of icon with 16 x 16 pixels, 8 bits per pixel",
         {},
         {},
         {}},
        {"mask rows cut by one byte",
         BuildIco({WithBytes(Entry(16, 4), 295)}),
         IcoResult::Failed,
         convert16x4,
         {},
         {},
         {}},
        {"file ends inside the image", Cut(BuildIco({first}), 10), IcoResult::Failed, readAll16x4, {}, {}, {}},
        {"dwBytesInRes beyond the end of the file",
         BuildIco({WithBytes(Entry(16, 4), 0xFFFFFFFF)}),
         IcoResult::Failed,
         readAll16x4,
         {},
         {},
         {}},
        {"dwImageOffset beyond the end of the file",
         BuildIco({AtOffset(Entry(32, 4), 100000)}),
         IcoResult::Failed,
         "Error reading all of icon with 32 x 32 pixels, 4 bits per pixel",
         {},
         {},
         {}},
        {"offset and size that wrap in 32 bits",
         BuildIco({WithBytes(AtOffset(Entry(16, 4), 0xFFFFFF00u), 0x200)}),
         IcoResult::Failed,
         readAll16x4,
         {},
         {},
         {}},
        {"odd biHeight rounds down",
         BuildIco({WithBlock(Entry(16, 4), BitmapBlock(16, 33, 4))}),
         IcoResult::Ok,
         "",
         {3},
         {},
         {}},
        {"negative biHeight",
         BuildIco({WithBlock(Entry(16, 4), BitmapBlock(16, -32, 4))}),
         IcoResult::Failed,
         convert16x4,
         {},
         {},
         {}},
        {"header too short to place an image",
         BuildIco({WithBytes(WithoutDepth(Entry(16, 4)), 20)}),
         IcoResult::Failed,
         "Error converting format of icon with 16 x 16 pixels, 0 bits per pixel",
         {},
         {},
         {}},
        {"image to be placed by its header lies beyond the file",
         BuildIco({AtOffset(WithoutDepth(Entry(16, 4)), 5000)}),
         IcoResult::Failed,
         "Error reading all of temporary icon with 16 x 16 pixels, 0 bits per pixel",
         {},
         {},
         {}},
        {"an image of no grid kind that lies beyond the file",
         BuildIco({Entry(16, 32), AtOffset(Entry(64, 8), 100000)}),
         IcoResult::Failed,
         "Error reading all of temporary icon with 64 x 64 pixels, 8 bits per pixel",
         {11},
         {},
         {}},
        {"images of no grid kind that share bytes are kept, and the grid's images read",
         BuildIco({Entry(64, 8), SameBytesAs(Entry(64, 8), 70), SameBytesAs(Entry(64, 8), 70), Entry(16, 32)}),
         IcoResult::Ok,
         "",
         {11},
         {},
         {},
         3},
        {"images of no grid kind beyond the file's size are dropped silently",
         BuildIco({Entry(64, 8), AtOffset(WithBytes(WithBlock(Entry(64, 8), {}), sixtyFourBytes - 1), 54 + 1),
                   Entry(16, 32)}),
         IcoResult::Ok,
         "",
         {11},
         {},
         {},
         1},
        {"a failure keeps the slots read before it",
         BuildIco({Entry(48, 4), WithBytes(Entry(16, 4), 295)}),
         IcoResult::Failed,
         convert16x4,
         {0},
         {},
         {}},
        {"a failure empties the slot it was for",
         BuildIco({first, WithBytes(second, 295)}),
         IcoResult::Failed,
         convert16x4,
         {},
         {},
         {},
         1},
    };
    return cases;
}

TEST(IcoFileTest, ReaderTakesWhatFitsAndRefusesWhatDoesNot) {
    for (const ReadCase& c : ReadCases()) {
        SCOPED_TRACE(c.what);
        ResourceGrid grid;
        test::FillCanonical(grid, ResourceFormat(1, 1, 0, 0), 0);  // the previous document
        KeptImage previous;
        previous.width = 64;
        ASSERT_TRUE(grid.Keep(std::move(previous)));
        const ReadOutcome read = ReadBytes(grid, c.file);
        EXPECT_EQ(read.result, c.result);
        if (c.message.empty()) {
            EXPECT_TRUE(read.alerts.empty());
        } else if (read.alerts.size() == 1) {
            ExpectFileMessage(read.alerts[0], c.message);
        } else {
            ADD_FAILURE() << read.alerts.size() << " messages instead of one";
        }
        EXPECT_EQ(SlotsWhere(grid, &IconResource::present), c.present);
        EXPECT_EQ(SlotsWhere(grid, &IconResource::modified), c.modified);
        EXPECT_EQ(grid.KeptCount(), c.kept);
        EXPECT_EQ(test::BrokenSlotPromise(grid), "");
        EXPECT_EQ(read.openFiles, 0);
        if (c.more) {
            c.more(grid);
        }
    }
}

struct FaultCase {
    const char* what;
    std::vector<uint8_t> file;
    MemoryFileSystem::Faults faults;
    IcoResult result;
    std::string message;
};

MemoryFileSystem::Faults Faults(std::function<void(MemoryFileSystem::Faults&)> set) {
    MemoryFileSystem::Faults faults;
    set(faults);
    return faults;
}

TEST(IcoFileTest, ReaderReportsEveryFailingStep) {
    const std::vector<uint8_t> honest = BuildIco({Entry(16, 4)});
    const std::vector<uint8_t> placedByHeader = BuildIco({WithoutDepth(Entry(16, 4))});
    const FaultCase cases[] = {
        {"cannot be opened", honest, Faults([](auto& f) { f.failOpen = true; }), IcoResult::NotOpened, ""},
        {"size unknown", honest, Faults([](auto& f) { f.failSize = true; }), IcoResult::Failed,
         "Error reading .ICO file header"},
        {"header read fails", honest, Faults([](auto& f) { f.failReadAfter = 3; }), IcoResult::Failed,
         "Error reading .ICO file header"},
        {"directory read fails", honest, Faults([](auto& f) { f.failReadAfter = 6; }), IcoResult::Failed,
         "Error reading icon directory entries from file"},
        {"image cannot be located", honest, Faults([](auto& f) { f.failSeek = true; }), IcoResult::Failed,
         "Error locating icon with 16 x 16 pixels, 4 bits per pixel"},
        {"image read fails", honest, Faults([](auto& f) { f.failReadAfter = 22 + 100; }), IcoResult::Failed,
         "Error reading icon with 16 x 16 pixels, 4 bits per pixel"},
        {"image to place cannot be located", placedByHeader, Faults([](auto& f) { f.failSeek = true; }),
         IcoResult::Failed, "Error locating temporary icon with 16 x 16 pixels, 0 bits per pixel"},
        {"image to place cannot be read", placedByHeader, Faults([](auto& f) { f.failReadAfter = 30; }),
         IcoResult::Failed, "Error reading temporary icon with 16 x 16 pixels, 0 bits per pixel"},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryFileSystem files;
        files.Put(kPath, c.file);
        files.faults = c.faults;
        FakeAlerts alerts;
        ResourceGrid grid;
        test::FillCanonical(grid, ResourceFormat(), 0);
        EXPECT_EQ(test::ReadIco(grid, kPath, files, alerts), c.result);
        if (c.message.empty()) {
            EXPECT_TRUE(alerts.Shown().empty());
        } else {
            ASSERT_EQ(alerts.Shown().size(), 1u);
            ExpectFileMessage(alerts.Shown()[0], c.message);
        }
        EXPECT_EQ(grid.CountPresent(), 0) << "the previous document is gone either way";
        EXPECT_FALSE(grid.IsModified());
        EXPECT_EQ(files.OpenCount(), 0);
    }
}

TEST(IcoFileTest, FileIsHeldUnsharedOnlyWhileItIsRead) {
    MemoryFileSystem files;
    files.Put(kPath, BuildIco({Entry(16, 4)}));
    FakeAlerts alerts;
    ResourceGrid grid;
    {
        std::unique_ptr<File> other = files.OpenExisting(kPath);
        ASSERT_NE(other, nullptr);
        EXPECT_EQ(test::ReadIco(grid, kPath, files, alerts), IcoResult::NotOpened) << "someone else holds it";
    }
    EXPECT_EQ(test::ReadIco(grid, kPath, files, alerts), IcoResult::Ok);
    EXPECT_NE(files.OpenExisting(kPath), nullptr) << "released after the read";
    EXPECT_TRUE(alerts.Shown().empty());
}

}  // namespace
}  // namespace tessera
