#include <gtest/gtest.h>

#include <vector>

#include "host/plugin_call.h"
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

TEST(LayerViewTest, OnlyAWholeDeliveredSquareOfTheSideIsShown) {
    uint8_t pixels[48 * 4 * 48] = {};
    const auto delivered = [&](Rect rect, int32_t rowStep, int32_t pixelStep) {
        return LayerImage{.pixels = pixels, .rowStep = rowStep, .pixelStep = pixelStep, .side = 0, .position = rect};
    };
    const struct {
        LayerImage image;
        int side;
        bool shown;
    } cases[] = {
        {delivered(Rect{10, 20, 26, 36}, 64, 4), 16, true}, {delivered(Rect{10, 20, 26, 36}, 48, 3), 16, true},
        {delivered(Rect{0, 0, 48, 48}, 192, 4), 16, false}, {delivered(Rect{0, 0, 16, 16}, 32, 2), 16, false},
        {delivered(Rect{0, 0, 16, 16}, 60, 4), 16, false},  {delivered(Rect{0, 0, 16, 16}, 64, 4), 0, false},
    };
    for (const auto& c : cases) {
        PluginCall call;
        call.layer.delivered = c.image;
        EXPECT_EQ(DeliveredSquare(call, c.side).has_value(), c.shown)
            << c.image.position.right - c.image.position.left << " wide, step " << c.image.pixelStep;
    }
    EXPECT_FALSE(DeliveredSquare(PluginCall(), 16));
}

}  // namespace
}  // namespace tessera
