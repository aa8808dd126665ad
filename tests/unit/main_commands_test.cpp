#include <gtest/gtest.h>

#include <set>

#include "resources/resource_ids.h"
#include "support/ico_fixtures.h"
#include "ui/main_commands.h"

namespace tessera {
namespace {

TEST(MainCommandsTest, CellsShowEachSlotOnceWithItsMaskAndControl) {
    std::set<int> controls;
    for (int slot = 0; slot < kGridSlotCount; ++slot) {
        const ResourceFormat f = SlotFormat(slot);
        EXPECT_EQ(ResourceGrid::SlotForFormat(f), slot);
        EXPECT_EQ(f.mask, f.depth == 2 ? 1 : 0);
        EXPECT_EQ(f.view, 0);
        const int id = CellControlId(slot);
        controls.insert(id);
        EXPECT_EQ(SlotOfCellControl(id), slot);
    }
    EXPECT_EQ(controls.size(), 12u);
    EXPECT_EQ(*controls.begin(), IDC_CELL_FIRST);
    EXPECT_EQ(*controls.rbegin(), IDC_CELL_LAST);
    EXPECT_EQ(CellControlId(GridSlotAt(3, 2)), 1029);
    EXPECT_EQ(CellControlId(GridSlotAt(1, 0)), 1019);
    EXPECT_FALSE(SlotOfCellControl(IDC_PREVIEW).has_value());
    EXPECT_EQ(CellToolTip(GridSlotAt(1, 2)), "24 x 24 pixels with true color");
    EXPECT_EQ(CellToolTip(GridSlotAt(0, 1)), "16 x 16 pixels with 256 colors");
    EXPECT_EQ(CellToolTip(GridSlotAt(3, 0)), "48 x 48 pixels with 16 colors");
}

// The grid's tool tip names what the grid does not show: none, one, or the first eight of many.
TEST(MainCommandsTest, TheGridsToolTipListsTheKeptImages) {
    const auto keep = [](ResourceGrid& grid, uint8_t side, uint16_t bits, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(grid.Keep(test::KeptImageOf(side, bits, bytes)));
    };
    ResourceGrid grid;
    EXPECT_EQ(KeptImagesToolTip(grid), "");
    keep(grid, 0, 32, test::PngStream(256, 256));
    EXPECT_EQ(KeptImagesToolTip(grid),
              "This icon also holds 1 image the grid does not show; Save keeps it as it is:\r\n"
              "256 x 256 pixels as PNG, 32 bits per pixel");
    for (uint8_t side = 20; side < 29; ++side) {
        keep(grid, side, 24, test::BitmapBlock(side, 2 * side, 24));
    }
    EXPECT_EQ(KeptImagesToolTip(grid),
              "This icon also holds 10 images the grid does not show; Save keeps them as they are:\r\n"
              "256 x 256 pixels as PNG, 32 bits per pixel\r\n20 x 20 pixels, 24 bits per pixel\r\n"
              "21 x 21 pixels, 24 bits per pixel\r\n22 x 22 pixels, 24 bits per pixel\r\n"
              "23 x 23 pixels, 24 bits per pixel\r\n24 x 24 pixels, 24 bits per pixel\r\n"
              "25 x 25 pixels, 24 bits per pixel\r\n26 x 26 pixels, 24 bits per pixel\r\nand 2 more");
}

TEST(MainCommandsTest, HighlightFollowsSizeAndDepth) {
    struct Case {
        ResourceFormat format;
        std::optional<int> slot;
    };
    const Case cases[] = {
        {ResourceFormat(3, 2, 1, 0), 8},  {ResourceFormat(0, 1, 0, 2), 7},  {ResourceFormat(2, 7, 0, 0), 1},
        {ResourceFormat(1, -1, 0, 0), 2}, {ResourceFormat(4, 1, 0, 0), {}}, {ResourceFormat(-1, 0, 0, 0), {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HighlightedSlot(c.format), c.slot) << c.format.size << "," << c.format.depth;
    }
}

TEST(MainCommandsTest, MaskAndDepthAreTied) {
    struct Case {
        bool viaMask;
        int value;
        int startDepth;
        int depth, mask;
    };
    const Case cases[] = {
        {false, 0, 2, 0, 0}, {false, 1, 2, 1, 0}, {false, 2, 0, 2, 1},
        {true, 0, 0, 1, 0},  // Hard while 16 colours moves to 256 colours
        {true, 0, 2, 1, 0},  {true, 1, 0, 2, 1},  {true, 1, 1, 2, 1},
    };
    for (const Case& c : cases) {
        ResourceFormat f(2, c.startDepth, 0, 1);
        if (c.viaMask) {
            SelectMask(f, c.value);
        } else {
            SelectDepth(f, c.value);
        }
        EXPECT_EQ(f.depth, c.depth);
        EXPECT_EQ(f.mask, c.mask);
        EXPECT_EQ(f.size, 2);
        EXPECT_EQ(f.view, 1);
    }
}

TEST(MainCommandsTest, QuickBuildLists) {
    const ResourceFormat large256(2, 1, 0, 0);
    EXPECT_EQ(QuickBuildList(large256, true, false), (std::vector<int>{1, 5, 9}));
    EXPECT_EQ(QuickBuildList(large256, true, true), QuickBuildList(large256, true, false)) << "Shift wins";
    EXPECT_EQ(QuickBuildList(large256, false, true), (std::vector<int>{7, 6, 5, 4}));
    EXPECT_EQ(QuickBuildList(large256, false, false), (std::vector<int>{3, 7, 11, 2, 6, 10, 1, 5, 9, 0, 4, 8}));
}

TEST(MainCommandsTest, CenterForgetsOneOrAllSquares) {
    LayerSquares filled;
    for (auto& r : filled.positions) {
        r = Rect{1, 2, 17, 18};
    }
    struct Case {
        int size;
        bool shift;
        std::array<bool, 4> cleared;
    };
    const Case cases[] = {
        {2, false, {false, false, true, false}},
        {0, false, {true, false, false, false}},
        {9, false, {true, false, false, false}},
        {1, true, {true, true, true, true}},
    };
    for (const Case& c : cases) {
        LayerSquares squares = filled;
        CenterSquares(squares, c.size, c.shift);
        for (size_t i = 0; i < 4; ++i) {
            const Rect& r = squares.positions[i];
            EXPECT_EQ(r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0, c.cleared[i])
                << "size " << c.size << " entry " << i;
        }
    }
}

TEST(MainCommandsTest, SixteenCyclesComeBackToTheFirstCustomColour) {
    WindowOptions options;
    for (int press = 0; press < 16; ++press) {
        CycleBackground(options);
        EXPECT_EQ(options.backgroundColor, kDefaultCustomColors[static_cast<size_t>(press)]);
    }
    EXPECT_EQ(options.cycleIndex, 0);
    CycleBackground(options);
    EXPECT_EQ(options.backgroundColor, 0x3910C4u);
}

TEST(MainCommandsTest, MenuChecksOnlyWhereTheyBelong) {
    WindowOptions options;
    options.currentFormat = ResourceFormat(1, 0, 0, 2);
    options.toolTipsEnabled = 0;
    struct Case {
        int id;
        bool hasRule, checked, enabled;
    };
    const Case cases[] = {
        {ID_FILE_NEW, false, false, true},
        {ID_FILE_SAVE_AS, false, false, true},
        {ID_WEB_HOME, false, false, true},
        {ID_WEB_MAKER_SECOND, false, false, true},
        {ID_LAYER_COPY_BOTH, false, false, true},
        {ID_LAYER_SHOW_SMALL, true, false, true},
        {ID_LAYER_SHOW_MEDIUM, true, true, true},
        {ID_LAYER_SHOW_16, true, true, true},
        {ID_LAYER_SHOW_TRUE, true, false, true},
        {ID_RESOURCE_SHOW_BOTH, true, false, true},
        {ID_RESOURCE_SHOW_MASK, true, true, true},
        {ID_OPTIONS_TOOL_TIPS, true, false, true},
        {ID_OPTIONS_USE_CUSTOM_TABLE, true, false, true},
        {ID_OPTIONS_AUTOMATIC_TABLE, true, false, false},
    };
    for (const Case& c : cases) {
        const auto state = MenuItemUpdate(c.id, options);
        ASSERT_EQ(state.has_value(), c.hasRule) << c.id;
        if (state) {
            EXPECT_EQ(state->checked, c.checked) << c.id;
            EXPECT_EQ(state->enabled, c.enabled) << c.id;
        }
    }
    options.automaticColorTable = 1;
    EXPECT_FALSE(MenuItemUpdate(ID_OPTIONS_AUTOMATIC_TABLE, options)->enabled)
        << "greyed while the custom table is off, whatever its own check";
    options.useCustomColorTable = 1;
    EXPECT_TRUE(MenuItemUpdate(ID_OPTIONS_AUTOMATIC_TABLE, options)->enabled);
    EXPECT_TRUE(MenuItemUpdate(ID_OPTIONS_AUTOMATIC_TABLE, options)->checked);
}

}  // namespace
}  // namespace tessera
