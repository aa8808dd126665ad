// The colour tables: the built-in ones against their rules, which table each depth reduces to, and
// .act files.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <vector>

#include "base/module_resources.h"
#include "color/act_file.h"
#include "color/color_table.h"
#include "resources/resource_ids.h"
#include "support/fake_files.h"

namespace tessera {
namespace {

// Module resources with chosen COLORTABLE contents; an id without contents is missing.
class TableResources final : public ModuleResources {
  public:
    std::map<int, std::vector<uint8_t>> tables;
    std::optional<std::vector<uint8_t>> Load(const char* type, int id) const override {
        const auto it = tables.find(id);
        if (std::string(type) != "COLORTABLE" || it == tables.end()) {
            return std::nullopt;
        }
        return it->second;
    }
};

ColorTable BuiltIn(int id) {
    const std::optional<ColorTable> table = LoadBuiltInTable(EmbeddedResources(), id);
    EXPECT_TRUE(table);
    return table.value_or(ColorTable{});
}

TEST(ColorTable, BuiltInSixteenColours) {
    const ColorTable table = BuiltIn(IDT_TABLE_16);
    const Rgb expected[16] = {{0xFF, 0, 0xFF},    {0x80, 0, 0x80},    {0, 0, 0xFF},       {0, 0, 0x80},
                              {0, 0xFF, 0xFF},    {0, 0x80, 0x80},    {0, 0xFF, 0},       {0, 0x80, 0},
                              {0xFF, 0xFF, 0},    {0x80, 0x80, 0},    {0xFF, 0, 0},       {0x80, 0, 0},
                              {0xFF, 0xFF, 0xFF}, {0xC0, 0xC0, 0xC0}, {0x80, 0x80, 0x80}, {0, 0, 0}};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(expected[i], table.Entry(i)) << i;
    }
    for (int i = 16; i < kColorTableEntries; ++i) {
        EXPECT_EQ(Rgb{}, table.Entry(i)) << i;
    }
}

TEST(ColorTable, BuiltIn256ColoursFollowTheCubeAndTheRamps) {
    const ColorTable table = BuiltIn(IDT_TABLE_256);
    for (int i = 0; i < 215; ++i) {
        const Rgb cube{static_cast<uint8_t>(255 - 51 * (i / 36)), static_cast<uint8_t>(255 - 51 * ((i / 6) % 6)),
                       static_cast<uint8_t>(255 - 51 * (i % 6))};
        EXPECT_EQ(cube, table.Entry(i)) << i;
    }
    EXPECT_EQ((Rgb{0xFF, 0xFF, 0xCC}), table.Entry(1));
    EXPECT_EQ((Rgb{0, 0, 0x33}), table.Entry(214));
    const uint8_t ramp[10] = {0xEE, 0xDD, 0xBB, 0xAA, 0x88, 0x77, 0x55, 0x44, 0x22, 0x11};
    for (int k = 0; k < 10; ++k) {
        const uint8_t v = ramp[k];
        EXPECT_EQ((Rgb{v, 0, 0}), table.Entry(215 + k));
        EXPECT_EQ((Rgb{0, v, 0}), table.Entry(225 + k));
        EXPECT_EQ((Rgb{0, 0, v}), table.Entry(235 + k));
        EXPECT_EQ((Rgb{v, v, v}), table.Entry(245 + k));
    }
    EXPECT_EQ(Rgb{}, table.Entry(255));
}

TEST(ColorTable, BuiltInTableMustBeThereAndExactly768Bytes) {
    TableResources resources;
    EXPECT_FALSE(LoadBuiltInTable(resources, IDT_TABLE_16));
    for (const size_t size : {0u, 767u, 769u, 1024u}) {
        resources.tables[IDT_TABLE_16] = std::vector<uint8_t>(size, 7);
        EXPECT_FALSE(LoadBuiltInTable(resources, IDT_TABLE_16)) << size;
    }
    resources.tables[IDT_TABLE_16] = std::vector<uint8_t>(768, 7);
    const std::optional<ColorTable> table = LoadBuiltInTable(resources, IDT_TABLE_16);
    ASSERT_TRUE(table);
    EXPECT_EQ((Rgb{7, 7, 7}), table->Entry(255));
}

TEST(ColorTable, RgbQuadsAreBlueGreenRedAndZero) {
    ColorTable table;
    table.SetEntry(0, Rgb{1, 2, 3});
    table.SetEntry(1, Rgb{250, 128, 0});
    uint8_t quads[12];
    std::fill(std::begin(quads), std::end(quads), uint8_t{0xAA});
    WriteRgbQuads(table, 2, quads);
    const uint8_t expected[12] = {3, 2, 1, 0, 0, 128, 250, 0, 0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), quads));
}

struct SelectCase {
    int depth;
    bool useActiveTable;
    int expectedBits;  // 0: no table
    int expectedCount;
    int expectedSource;  // IDT_TABLE_16, IDT_TABLE_256 or 0 for the active table
};

TEST(ColorTable, SelectReductionTable) {
    // 16 colours never take the custom or automatic table; true colour has no table.
    const SelectCase cases[] = {
        {0, false, 4, 16, IDT_TABLE_16},
        {0, true, 4, 16, IDT_TABLE_16},
        {1, false, 8, 256, IDT_TABLE_256},
        {1, true, 8, 256, 0},
        {2, false, 0, 0, 0},
        {2, true, 0, 0, 0},
    };
    ColorTable active = GreyRampTable();
    active.SetEntry(3, Rgb{9, 8, 7});
    for (const SelectCase& c : cases) {
        const std::optional<ReductionTable> chosen =
            SelectReductionTable(EmbeddedResources(), c.depth, c.useActiveTable, active);
        if (c.expectedBits == 0) {
            EXPECT_FALSE(chosen);
            continue;
        }
        ASSERT_TRUE(chosen);
        EXPECT_EQ(c.expectedBits, chosen->bitsPerPixel);
        EXPECT_EQ(c.expectedCount, chosen->entryCount);
        EXPECT_EQ(c.expectedSource == 0 ? active : BuiltIn(c.expectedSource), chosen->table)
            << "depth " << c.depth << " active " << c.useActiveTable;
    }
}

TEST(ColorTable, AMissingBuiltInTableGivesNoneEvenWhenTheActiveTableWouldServe) {
    for (const int depth : {0, 1}) {
        for (const bool useActive : {false, true}) {
            TableResources resources;
            resources.tables[IDT_TABLE_16] = std::vector<uint8_t>(768);
            resources.tables[IDT_TABLE_256] = std::vector<uint8_t>(768);
            resources.tables[depth == 0 ? IDT_TABLE_16 : IDT_TABLE_256].resize(700);
            EXPECT_FALSE(SelectReductionTable(resources, depth, useActive, GreyRampTable()));
        }
    }
}

struct ActCase {
    size_t size;
    ActReadResult expected;
};

TEST(ActFile, LengthDecides) {
    const ActCase cases[] = {{0, ActReadResult::WrongLength},
                             {767, ActReadResult::WrongLength},
                             {768, ActReadResult::Accepted},
                             {772, ActReadResult::Accepted}};
    for (const ActCase& c : cases) {
        std::vector<uint8_t> bytes(c.size);
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<uint8_t>(i * 7 + 3);
        }
        test::MemoryFileSystem files;
        files.Put("C:\\tables\\t.act", bytes);
        ColorTable table = GreyRampTable();
        EXPECT_EQ(c.expected, ReadActFile(files, "C:\\tables\\t.act", table)) << c.size;
        if (c.expected == ActReadResult::Accepted) {
            // Any content as it stands; the tail of a longer file (count, transparent index) is left.
            EXPECT_TRUE(std::equal(table.bytes.begin(), table.bytes.end(), bytes.begin())) << c.size;
        } else {
            // A rejected file leaves the table as it was, not its first bytes.
            EXPECT_EQ(GreyRampTable(), table) << c.size;
        }
        EXPECT_EQ(0, files.OpenCount());
    }
}

TEST(ActFile, UnreadableFilesLeaveTheTable) {
    test::MemoryFileSystem files;
    ColorTable table = GreyRampTable();
    EXPECT_EQ(ActReadResult::CannotOpen, ReadActFile(files, "C:\\missing.act", table));

    files.Put("C:\\t.act", std::vector<uint8_t>(768, 1));
    files.faults.failOpen = true;
    EXPECT_EQ(ActReadResult::CannotOpen, ReadActFile(files, "C:\\t.act", table));
    files.faults.failOpen = false;
    files.faults.failReadAfter = 500;
    EXPECT_EQ(ActReadResult::WrongLength, ReadActFile(files, "C:\\t.act", table));
    EXPECT_EQ(GreyRampTable(), table);
    EXPECT_EQ(0, files.OpenCount());
}

}  // namespace
}  // namespace tessera
