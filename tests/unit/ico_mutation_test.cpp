// Hostile bytes for the reader, deterministically, so that the Windows run under Wine sees them too
// (the fuzzer runs natively only): every byte of the header and directory set to 0, 0xFF and flipped,
// bytes of the images flipped, and the file cut at many lengths.

#include <gtest/gtest.h>

#include "icon/ico_file.h"
#include "support/fake_alerts.h"
#include "support/fake_files.h"
#include "support/ico_fixtures.h"

namespace tessera {
namespace {

using test::Entry;

void ExpectSafeRead(const std::vector<uint8_t>& bytes, const std::string& mutation) {
    test::MemoryFileSystem files;
    files.Put("m.ico", bytes);
    test::FakeAlerts alerts;
    ResourceGrid grid;
    const IcoResult result = test::ReadIco(grid, "m.ico", files, alerts);
    ASSERT_NE(result, IcoResult::NotOpened) << mutation;
    ASSERT_EQ(result == IcoResult::Ok, alerts.Shown().empty()) << mutation;
    ASSERT_EQ(test::BrokenSlotPromise(grid), "") << mutation;
    ASSERT_EQ(files.OpenCount(), 0) << mutation;
}

void Sweep(const std::vector<uint8_t>& original, size_t structureBytes) {
    for (size_t i = 0; i < original.size(); i += i < structureBytes ? 1 : 61) {
        for (const int kind : {0, 1, 2}) {
            std::vector<uint8_t> bytes = original;
            bytes[i] = kind == 0 ? 0 : kind == 1 ? 0xFF : static_cast<uint8_t>(bytes[i] ^ 0x80);
            ExpectSafeRead(bytes, "byte " + std::to_string(i) + " kind " + std::to_string(kind));
        }
    }
    for (size_t length = 0; length < original.size(); length += length < structureBytes ? 1 : 13) {
        ExpectSafeRead(std::vector<uint8_t>(original.begin(), original.begin() + static_cast<ptrdiff_t>(length)),
                       "cut at " + std::to_string(length));
    }
}

TEST(IcoMutationTest, OurOwnFullGrid) {
    ResourceGrid grid;
    test::FillAllSlots(grid);
    test::MemoryFileSystem files;
    test::FakeAlerts alerts;
    ASSERT_EQ(test::WriteIco(grid, "full.ico", files, alerts), IcoResult::Ok);
    Sweep(*files.Get("full.ico"), 6 + 12 * 16 + 40);
}

TEST(IcoMutationTest, ForeignFileWithHeaderPlacedImages) {
    test::IcoEntry placed = Entry(32, 8, 1);
    placed.planes = 0;
    placed.bitCount = 0;
    test::IcoEntry shortTable = Entry(16, 4, 2);
    shortTable.block = test::BitmapBlock(16, 32, 4, 3, 2);
    Sweep(test::BuildIco({placed, shortTable, Entry(24, 32, 3)}), 6 + 3 * 16 + 40);
}

}  // namespace
}  // namespace tessera
