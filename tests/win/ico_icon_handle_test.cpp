// The platform's own icon code takes every image we read and write: our full grid, and every icon
// group of the system's shell32.dll (icons nobody here made), read, written and read again.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "base/win_handles_win.h"
#include "icon/ico_file.h"
#include "icon/icon_handle_win.h"
#include "support/fake_alerts.h"
#include "support/fake_files.h"
#include "support/ico_fixtures.h"

namespace tessera {
namespace {

// What the platform makes of a slot's block, asked for at the slot's own size.
testing::AssertionResult PlatformTakesSlot(const ResourceGrid& grid, int slot) {
    const IconResource& r = grid.Slot(slot);
    UniqueHicon icon(CreateIconFromResourceEx(const_cast<PBYTE>(r.image.get()), r.imageSize, TRUE, 0x00030000, r.width,
                                              r.height, LR_DEFAULTCOLOR));
    if (!icon) {
        return testing::AssertionFailure() << "CreateIconFromResourceEx refused slot " << slot;
    }
    ICONINFO info{};
    if (!GetIconInfo(icon.get(), &info)) {
        return testing::AssertionFailure() << "no icon info for slot " << slot;
    }
    const UniqueGdiObj<HBITMAP> color(info.hbmColor);
    const UniqueGdiObj<HBITMAP> mask(info.hbmMask);
    BITMAP bitmap{};
    GetObjectA(mask.get(), sizeof bitmap, &bitmap);
    if (bitmap.bmWidth != r.width) {
        return testing::AssertionFailure() << "slot " << slot << " became " << bitmap.bmWidth << " pixels wide";
    }
    if (!CreateIconHandle(grid, slot)) {
        return testing::AssertionFailure() << "CreateIconHandle refused slot " << slot;
    }
    return testing::AssertionSuccess();
}

// Reads bytes as a file, writes the grid, reads that again; every slot of both grids must be taken.
int ExpectEverySlotTaken(const std::vector<uint8_t>& file, const std::string& what) {
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
    int taken = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (grid.Slot(slot).present != 0) {
            EXPECT_TRUE(PlatformTakesSlot(grid, slot)) << what << " as read";
            EXPECT_TRUE(PlatformTakesSlot(again, slot)) << what << " as written";
            ++taken;
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
    EXPECT_EQ(ExpectEverySlotTaken(*files.Get("full.ico"), "full grid"), kSlotCount);
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
        reader.Skip(1);
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
    int taken = 0;
    for (const std::string& name : names) {
        // "#123" is how FindResourceA names an id.
        const std::vector<uint8_t> group = ResourceBytes(module, name.c_str(), MAKEINTRESOURCEA(14));
        taken += ExpectEverySlotTaken(IcoFromGroup(module, group), "group " + name);
    }
    EXPECT_GT(names.size(), 100u);
    EXPECT_GT(taken, 1000) << "slots taken from " << names.size() << " groups";
}

}  // namespace
}  // namespace tessera
