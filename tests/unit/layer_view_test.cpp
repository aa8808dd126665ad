#include <gtest/gtest.h>

#include <vector>

#include "resources/resource_ids.h"
#include "ui/layer_view.h"

namespace tessera {
namespace {

TEST(LayerViewTest, KeypadStepsMoveThePictureTowardTheKey) {
    const std::pair<int, SquareStep> cases[] = {
        {1, {-1, 1}}, {2, {-1, 0}}, {3, {-1, -1}}, {4, {0, 1}},  {5, {0, 0}},
        {6, {0, -1}}, {7, {1, 1}},  {8, {1, 0}},   {9, {1, -1}},
    };
    for (const auto& [digit, step] : cases) {
        EXPECT_EQ(KeypadStep(digit), step) << digit;
    }
    EXPECT_FALSE(KeypadStep(0));
    EXPECT_FALSE(KeypadStep(10));
}

struct MenuCase {
    int id;
    ResourceFormat after;  // from (1, 1, 0, 2)
};

TEST(LayerViewTest, MenuEntriesSetDepthWithItsMaskOrSize) {
    const MenuCase cases[] = {
        {ID_VIEW_DEPTH_4, {1, 0, 0, 2}}, {ID_VIEW_DEPTH_8, {1, 1, 0, 2}}, {ID_VIEW_DEPTH_32, {1, 2, 1, 2}},
        {ID_VIEW_SIZE_16, {0, 1, 0, 2}}, {ID_VIEW_SIZE_24, {1, 1, 0, 2}}, {ID_VIEW_SIZE_32, {2, 1, 0, 2}},
        {ID_VIEW_SIZE_48, {3, 1, 0, 2}},
    };
    for (const MenuCase& c : cases) {
        ResourceFormat format(1, 1, 0, 2);
        if (c.id == ID_VIEW_SIZE_24) {
            format.size = 3;
        }
        EXPECT_TRUE(ApplyLayerMenuCommand(c.id, format)) << c.id;
        EXPECT_EQ(format, c.after) << c.id;
    }
    ResourceFormat soft(3, 2, 1, 0);
    ApplyLayerMenuCommand(ID_VIEW_DEPTH_8, soft);
    EXPECT_EQ(soft, ResourceFormat(3, 1, 0, 0));
    ResourceFormat untouched(2, 2, 1, 1);
    EXPECT_FALSE(ApplyLayerMenuCommand(ID_LAYER_SHOW_SMALL, untouched));
    EXPECT_EQ(untouched, ResourceFormat(2, 2, 1, 1));
}

TEST(LayerViewTest, OneDepthAndOneSizeEntryAreChecked) {
    const int ids[] = {ID_VIEW_DEPTH_4, ID_VIEW_DEPTH_8, ID_VIEW_DEPTH_32, ID_VIEW_SIZE_16,
                       ID_VIEW_SIZE_24, ID_VIEW_SIZE_32, ID_VIEW_SIZE_48};
    const std::pair<ResourceFormat, std::vector<int>> cases[] = {
        {ResourceFormat(1, 2, 1, 0), {ID_VIEW_DEPTH_32, ID_VIEW_SIZE_24}},
        {ResourceFormat(3, 0, 0, 2), {ID_VIEW_DEPTH_4, ID_VIEW_SIZE_48}},
        {ResourceFormat(7, 5, 0, 0), {}},
    };
    for (const auto& [format, checked] : cases) {
        for (int id : ids) {
            const bool want = std::find(checked.begin(), checked.end(), id) != checked.end();
            EXPECT_EQ(LayerMenuItemChecked(id, format), want) << id;
        }
    }
    EXPECT_FALSE(LayerMenuItemChecked(ID_FILE_NEW, ResourceFormat()));
}

}  // namespace
}  // namespace tessera
