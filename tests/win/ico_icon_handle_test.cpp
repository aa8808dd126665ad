// The platform's own icon code takes every image we read and write: our full grid, and every icon
// group of the system's shell32.dll (icons nobody here made, their 256-pixel PNG images among them),
// read, written and read again; and from a file of ours it picks and draws each Windows size's own image,
// and the image Windows' rule takes for a size the icon lacks, scaled.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "base/layer_image.h"
#include "base/win_handles_win.h"
#include "canvas.h"
#include "color/convert.h"
#include "icon/ico_file.h"
#include "icon/icon_handle_win.h"
#include "icon/windows_scales.h"
#include "support/fake_alerts.h"
#include "support/fake_files.h"
#include "support/ico_fixtures.h"

namespace tessera {
namespace {

// The bitmaps of an icon, which GetIconInfo hands to its caller to delete; none when it has no info.
struct IconBitmaps {
    explicit IconBitmaps(HICON icon) {
        ICONINFO info{};
        if (icon != nullptr && GetIconInfo(icon, &info)) {
            color.reset(info.hbmColor);
            mask.reset(info.hbmMask);
        }
    }
    UniqueGdiObj<HBITMAP> color;
    UniqueGdiObj<HBITMAP> mask;
};

LONG WidthOf(HBITMAP bitmap) {
    BITMAP header{};
    return GetObjectA(bitmap, sizeof header, &header) != 0 ? header.bmWidth : 0;
}

// What the platform makes of a slot's block, asked for at the slot's own size.
testing::AssertionResult PlatformTakesSlot(const ResourceGrid& grid, int slot) {
    const IconResource& r = grid.Slot(slot);
    UniqueHicon icon(CreateIconFromResourceEx(const_cast<PBYTE>(r.image.get()), r.imageSize, TRUE, 0x00030000, r.width,
                                              r.height, LR_DEFAULTCOLOR));
    if (!icon) {
        return testing::AssertionFailure() << "CreateIconFromResourceEx refused slot " << slot;
    }
    const IconBitmaps bitmaps(icon.get());
    if (!bitmaps.mask) {
        return testing::AssertionFailure() << "no icon info for slot " << slot;
    }
    if (WidthOf(bitmaps.mask.get()) != r.width) {
        return testing::AssertionFailure()
               << "slot " << slot << " became " << WidthOf(bitmaps.mask.get()) << " pixels wide";
    }
    if (!CreateIconHandle(grid, slot)) {
        return testing::AssertionFailure() << "CreateIconHandle refused slot " << slot;
    }
    return testing::AssertionSuccess();
}

// An .ico file as the platform holds an icon group: the file's directory as a group directory, each
// entry's index + 1 as its id in place of its offset, and each entry's image apart.
struct IconGroup {
    std::vector<uint8_t> directory;
    std::vector<std::vector<uint8_t>> images;

    // The directory entry of an id, as LookupIconIdFromDirectoryEx answers it.
    [[nodiscard]] const uint8_t* Entry(int id) const { return directory.data() + 6 + 14 * static_cast<size_t>(id - 1); }
};

// None, with a failure added, when an entry lies beyond the file.
std::optional<IconGroup> GroupOfFile(const std::vector<uint8_t>& file) {
    ByteReader reader(file);
    reader.Skip(4);
    const uint16_t count = reader.U16LE();
    IconGroup group;
    group.directory = {0, 0, 1, 0, static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8)};
    for (uint16_t i = 0; i < count && reader.Ok(); ++i) {
        const size_t at = group.directory.size();
        group.directory.resize(at + 14);
        for (size_t k = 0; k < 12; ++k) {
            group.directory[at + k] = reader.U8();
        }
        StoreU16LE(group.directory.data() + at + 12, static_cast<uint16_t>(i + 1));
        const uint32_t offset = reader.U32LE();
        const uint32_t size = LoadU32LE(group.directory.data() + at + 8);
        if (offset > file.size() || size > file.size() - offset) {
            ADD_FAILURE() << "entry " << i << " lies beyond the file";
            return std::nullopt;
        }
        group.images.emplace_back(file.data() + offset, file.data() + offset + size);
    }
    return group;
}

// The icon the platform makes for side x side pixels from a group, as it makes it from a module's
// icon group: the id of the entry it picks (0 when it picks none) and that entry's image as an icon.
struct PlatformIcon {
    int id = 0;
    UniqueHicon icon;
};

PlatformIcon PlatformIconOf(IconGroup& group, int side) {
    PlatformIcon made;
    const int id = LookupIconIdFromDirectoryEx(group.directory.data(), TRUE, side, side, LR_DEFAULTCOLOR);
    if (id < 1 || static_cast<size_t>(id) > group.images.size()) {
        return made;
    }
    made.id = id;
    std::vector<uint8_t>& image = group.images[static_cast<size_t>(id - 1)];
    made.icon.reset(CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE, 0x00030000, side,
                                             side, LR_DEFAULTCOLOR));
    return made;
}

// The pixels the platform makes for a 256-pixel icon from an .ico file, its colour bitmap top row
// first. Empty, with a failure added, when it picks no 256-pixel image or cannot make the icon.
std::vector<uint32_t> LargestAsThePlatformMakesIt(const std::vector<uint8_t>& file) {
    std::optional<IconGroup> group = GroupOfFile(file);
    if (!group) {
        return {};
    }
    const PlatformIcon made = PlatformIconOf(*group, 256);
    if (made.id == 0 || group->Entry(made.id)[0] != 0) {
        ADD_FAILURE() << "the platform picked entry " << made.id << ", not a 256-pixel one";
        return {};
    }
    const IconBitmaps bitmaps(made.icon.get());
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), 256, -256, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> pixels(256 * 256);
    const UniqueHdc dc(CreateCompatibleDC(nullptr));
    if (!bitmaps.color || !dc ||
        GetDIBits(dc.get(), bitmaps.color.get(), 0, 256, pixels.data(), &format, DIB_RGB_COLORS) != 256) {
        ADD_FAILURE() << "entry " << made.id << " has no 256-pixel colour bitmap";
        return {};
    }
    return pixels;
}

struct Taken {
    int slots = 0;
    int large = 0;  // files whose 256-pixel image the platform made from our copy, not blank
};

// Reads bytes as a file, writes the grid, reads that again; every slot of both grids must be taken,
// every kept image must come back byte for byte, and from a 256-pixel one the platform must still make
// the large icon it makes from the original.
Taken ExpectEverySlotTaken(const std::vector<uint8_t>& file, const std::string& what) {
    test::MemoryFileSystem files;
    files.Put("in.ico", file);
    test::FakeAlerts alerts;
    ResourceGrid grid;
    EXPECT_EQ(test::ReadIco(grid, "in.ico", files, alerts), IcoResult::Ok) << what;
    EXPECT_EQ(test::WriteIco(grid, "out.ico", files, alerts), IcoResult::Ok) << what;
    ResourceGrid again;
    EXPECT_EQ(test::ReadIco(again, "out.ico", files, alerts), IcoResult::Ok) << what;
    EXPECT_TRUE(alerts.Shown().empty()) << what << ": " << alerts.Shown().front().text;
    EXPECT_EQ(again.CountPresent(), grid.CountPresent()) << what;
    Taken taken;
    for (int slot = 0; slot < kGridSlotCount; ++slot) {
        if (grid.Slot(slot).present != 0) {
            EXPECT_TRUE(PlatformTakesSlot(grid, slot)) << what << " as read";
            EXPECT_TRUE(PlatformTakesSlot(again, slot)) << what << " as written";
            ++taken.slots;
        }
    }
    EXPECT_EQ(again.KeptCount(), grid.KeptCount()) << what;
    bool large = false;
    for (size_t i = 0; i < std::min(grid.KeptCount(), again.KeptCount()); ++i) {
        const KeptImage& read = grid.Kept(i);
        const KeptImage& written = again.Kept(i);
        EXPECT_TRUE(std::equal(read.bytes.get(), read.bytes.get() + read.size, written.bytes.get(),
                               written.bytes.get() + written.size))
            << what << ": kept image " << i;
        large = large || read.width == 0;
    }
    if (large) {
        const std::vector<uint32_t> original = LargestAsThePlatformMakesIt(file);
        const std::vector<uint32_t> copy = LargestAsThePlatformMakesIt(*files.Get("out.ico"));
        EXPECT_TRUE(original == copy) << what << ": the 256-pixel icon differs";
        if (std::any_of(copy.begin(), copy.end(), [](uint32_t p) { return p != 0; })) {
            ++taken.large;
        }
    }
    return taken;
}

TEST(IcoIconHandleTest, EverySlotOfOurFullGrid) {
    ResourceGrid grid;
    test::FillAllSlots(grid);
    test::MemoryFileSystem files;
    test::FakeAlerts alerts;
    ASSERT_EQ(test::WriteIco(grid, "full.ico", files, alerts), IcoResult::Ok);
    EXPECT_EQ(ExpectEverySlotTaken(*files.Get("full.ico"), "full grid").slots, kGridSlotCount);
}

// A solid colour of its own for each Windows size.
COLORREF ColorOfSide(int side) {
    return RGB(side % 251, 255 - side / 2, 3 * side % 256);
}

// Whether an icon is side x side pixels and draws at that size in nothing but `color`.
testing::AssertionResult IsIconOfColor(HICON icon, int side, COLORREF color) {
    const IconBitmaps bitmaps(icon);
    BITMAP header{};
    if (!bitmaps.color || GetObjectA(bitmaps.color.get(), sizeof header, &header) == 0) {
        return testing::AssertionFailure() << "no icon, or no colour bitmap";
    }
    if (header.bmWidth != side || header.bmHeight != side) {
        return testing::AssertionFailure() << "an icon of " << header.bmWidth << " x " << header.bmHeight;
    }
    test::Canvas canvas(side, side, RGB(0, 0, 0));
    if (!canvas.Ok() || !DrawIconEx(canvas.Dc(), 0, 0, icon, side, side, 0, nullptr, DI_NORMAL)) {
        return testing::AssertionFailure() << "not drawn";
    }
    const RECT off = canvas.BoundsNotOf(color);
    if (!IsRectEmpty(&off)) {
        return testing::AssertionFailure() << "pixels not of its colour from (" << off.left << ", " << off.top
                                           << ") to (" << off.right << ", " << off.bottom << ")";
    }
    return testing::AssertionSuccess();
}

// Windows 10 and 11 draw at these sizes above 100%; from a file we made of the layer, with every image
// the grid and the Windows sizes hold, the platform must pick the image of exactly that size (not scale
// a neighbour) and draw it as the layer had it; the 256-pixel one is a PNG stream.
TEST(IcoIconHandleTest, ThePlatformDrawsEachWindowsSizeFromItsOwnImage) {
    ResourceGrid grid;
    test::FillAllSlots(grid);
    for (int slot = kGridSlotCount; slot < kImageKindCount; ++slot) {
        const int side = KindOfSlot(slot).side;
        const COLORREF color = ColorOfSide(side);
        std::vector<uint8_t> pixels;
        for (int i = 0; i < side * side; ++i) {
            pixels.insert(pixels.end(), {GetRValue(color), GetGValue(color), GetBValue(color), 255});
        }
        const LayerImage square{.pixels = pixels.data(), .rowStep = 4 * side, .pixelStep = 4, .side = side};
        ASSERT_EQ(ConvertLayerToWindowsSlot(square, grid, slot), 1) << side;
    }
    test::MemoryFileSystem files;
    test::FakeAlerts alerts;
    ASSERT_EQ(test::WriteIco(grid, "windows.ico", files, alerts), IcoResult::Ok);
    std::optional<IconGroup> group = GroupOfFile(*files.Get("windows.ico"));
    ASSERT_TRUE(group);
    for (const int side : {20, 30, 36, 40, 64, 256}) {
        const PlatformIcon made = PlatformIconOf(*group, side);
        ASSERT_NE(made.id, 0) << side;
        const uint8_t* entry = group->Entry(made.id);
        EXPECT_EQ(DirectorySide(entry[0]), side) << "picked for " << side;
        EXPECT_EQ(LoadU16LE(entry + 6), 32) << "bits per pixel picked for " << side;
        const std::vector<uint8_t>& image = group->images[static_cast<size_t>(made.id - 1)];
        EXPECT_EQ(ResourceGrid::IsPngStream(image.data(), static_cast<uint32_t>(image.size())), side == kPngSide)
            << side;
        EXPECT_TRUE(IsIconOfColor(made.icon.get(), side, ColorOfSide(side))) << side;
    }

    // Where the icon has no image of a side, the Test dialog takes the one Windows' rule takes (not the
    // nearest, which LookupIconIdFromDirectoryEx takes: 80 for 84) and has the platform scale it.
    std::array<bool, kImageKindCount> present{};
    for (int slot = 0; slot < kImageKindCount; ++slot) {
        present[static_cast<size_t>(slot)] = grid.Slot(slot).present != 0;
    }
    for (const auto& [target, from] : {std::pair{28, 30}, {84, 96}, {128, 256}, {1024, 256}}) {
        const int slot = SlotWindowsDraws(present, target);
        ASSERT_EQ(KindOfSlot(slot).side, from) << target;
        const UniqueHicon icon = CreateIconAtSide(grid, slot, target);
        EXPECT_TRUE(IsIconOfColor(icon.get(), target, ColorOfSide(from))) << target;
    }
}

// The bytes of one resource of a module loaded as data.
std::vector<uint8_t> ResourceBytes(HMODULE module, LPCSTR name, LPCSTR type) {
    HRSRC info = FindResourceA(module, name, type);
    HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
    const auto* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    return bytes ? std::vector<uint8_t>(bytes, bytes + SizeofResource(module, info)) : std::vector<uint8_t>();
}

// An icon group as an .ico file, as icon extractors make it: the group's directory with each image's
// bytes in place of its resource id.
std::vector<uint8_t> IcoFromGroup(HMODULE module, const std::vector<uint8_t>& group) {
    ByteReader reader(group);
    reader.Skip(4);  // reserved, type
    const uint16_t count = reader.U16LE();
    std::vector<test::IcoEntry> entries;
    for (uint16_t i = 0; i < count && reader.Ok(); ++i) {
        test::IcoEntry entry;
        entry.width = reader.U8();
        entry.height = reader.U8();
        entry.colorCount = reader.U8();
        entry.reserved = reader.U8();
        entry.planes = reader.U16LE();
        entry.bitCount = reader.U16LE();
        reader.Skip(4);  // the image resource's size
        const uint16_t id = reader.U16LE();
        entry.block = ResourceBytes(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3) /* RT_ICON */);
        entries.push_back(std::move(entry));
    }
    return test::BuildIco(entries);
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
    // Names are ids or strings; a string is only valid during the enumeration, so it is copied.
    auto* list = reinterpret_cast<std::vector<std::string>*>(names);
    list->push_back(IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(name)) : name);
    return TRUE;
}

TEST(IcoIconHandleTest, EveryIconGroupOfShell32) {
    HMODULE module = LoadLibraryExA("shell32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    std::vector<std::string> names;
    EnumResourceNamesA(module, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, CollectName,
                       reinterpret_cast<LONG_PTR>(&names));
    Taken taken;
    for (const std::string& name : names) {
        // "#123" is how FindResourceA names an id.
        const std::vector<uint8_t> group = ResourceBytes(module, name.c_str(), MAKEINTRESOURCEA(14));
        const Taken inGroup = ExpectEverySlotTaken(IcoFromGroup(module, group), "group " + name);
        taken.slots += inGroup.slots;
        taken.large += inGroup.large;
    }
    EXPECT_GT(names.size(), 100u);
    EXPECT_GT(taken.slots, 1000) << "slots taken from " << names.size() << " groups";
    EXPECT_GT(taken.large, 10) << "groups with a 256-pixel image drawn from our copy";
}

}  // namespace
}  // namespace tessera
