#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <vector>

#include "base/module_resources.h"
#include "resources/resource_ids.h"
#include "support/missing_resource.h"
#include "ui/layer_preview.h"

namespace tessera {
namespace {

constexpr Rgb kColor{200, 10, 30};
constexpr Rgb kBack{100, 0, 255};

struct PixelCase {
    int alpha;  // -1: a layer without transparency (the fourth byte then means nothing)
    int32_t mask;
    ResourceView view;
    Rgb shown;
};

TEST(LayerPreviewTest, PixelsFollowTheMaskKindAndTheViewMode) {
    const PixelCase cases[] = {
        // Hard counts any transparency above 0 as opaque; Soft blends A = 1 almost into the background.
        {1, 0, ResourceView::Both, kColor},
        {1, 1, ResourceView::Both, Rgb{100, 0, 254}},
        {0, 0, ResourceView::Both, kBack},
        {255, 1, ResourceView::Both, kColor},
        // Soft greys are (1 - A / 255) * 255 truncated: A = 254 falls just below 1 and shows black.
        {128, 1, ResourceView::Mask, Rgb{127, 127, 127}},
        {1, 1, ResourceView::Mask, Rgb{254, 254, 254}},
        {254, 1, ResourceView::Mask, Rgb{0, 0, 0}},
        {0, 1, ResourceView::Mask, Rgb{255, 255, 255}},
        {1, 0, ResourceView::Mask, Rgb{0, 0, 0}},
        {0, 0, ResourceView::Mask, Rgb{255, 255, 255}},
        {0, 1, ResourceView::Data, kColor},
        {128, 0, ResourceView::Data, kColor},
        // Without a transparency plane every pixel is opaque in every mode.
        {-1, 1, ResourceView::Mask, Rgb{0, 0, 0}},
        {-1, 0, ResourceView::Both, kColor},
    };
    for (const PixelCase& c : cases) {
        const uint8_t pixel[4] = {kColor.red, kColor.green, kColor.blue, uint8_t(c.alpha < 0 ? 0 : c.alpha)};
        const Rgb shown = PreviewPixel(pixel, c.alpha >= 0, c.mask, c.view, kBack);
        EXPECT_EQ(shown, c.shown) << "A " << c.alpha << " mask " << c.mask << " view " << int(c.view) << ": "
                                  << int(shown.red) << "," << int(shown.green) << "," << int(shown.blue);
    }
}

// A square of the layer as the host delivers it: top row first, rows padded by a few bytes.
class Square {
  public:
    Square(int side, int pixelStep, const std::function<std::array<uint8_t, 4>(int, int)>& pixel)
        : side_(side), step_(pixelStep), rowStep_(side * pixelStep + 5) {
        bytes_.resize(static_cast<size_t>(rowStep_ * side));
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const std::array<uint8_t, 4> p = pixel(x, y);
                std::copy(p.begin(), p.begin() + pixelStep, bytes_.begin() + y * rowStep_ + x * pixelStep);
            }
        }
    }
    [[nodiscard]] std::optional<LayerImage> Image() const {
        return LayerImage{.pixels = bytes_.data(), .rowStep = rowStep_, .pixelStep = step_, .side = side_};
    }

  private:
    int side_;
    int step_;
    int rowStep_;
    std::vector<uint8_t> bytes_;
};

class RenderTest : public testing::Test {
  protected:
    LayerPreview Render(const Square& square, const ResourceFormat& format, uint32_t background = 0x808080) {
        return RenderLayerPreview(square.Image(), format, background, useActiveTable, activeTable, resources);
    }
    static Rgb At(const BgraImage& picture, int x, int row) {
        const uint8_t* p = picture.At(x, row);
        return Rgb{p[2], p[1], p[0]};
    }

    test::MissingResource resources{EmbeddedResources(), 0};
    bool useActiveTable = false;
    ColorTable activeTable = GreyRampTable();
};

TEST_F(RenderTest, TrueColourIsShownBottomRowFirstWithTheFourthByteUnused) {
    // Red along the top row, blue elsewhere, half transparent on the right half.
    const Square square(16, 4, [](int x, int y) {
        return std::array<uint8_t, 4>{uint8_t(y == 0 ? 255 : 0), 0, uint8_t(y == 0 ? 0 : 255),
                                      uint8_t(x < 8 ? 255 : 128)};
    });
    const LayerPreview preview = Render(square, ResourceFormat(0, 2, 1, 0), 0x00FF00);
    ASSERT_TRUE(preview.picture);
    EXPECT_FALSE(preview.failed);
    ASSERT_EQ(preview.picture->Width(), 16);
    EXPECT_EQ(At(*preview.picture, 0, 15), (Rgb{255, 0, 0}));
    EXPECT_EQ(At(*preview.picture, 0, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(At(*preview.picture, 15, 0), (Rgb{0, 127, 128}));
    EXPECT_EQ(preview.picture->At(3, 3)[3], 0);
}

TEST_F(RenderTest, OnlyASquareOfTheFormatsSideIsShown) {
    const Square square(24, 4, [](int, int) { return std::array<uint8_t, 4>{1, 2, 3, 255}; });
    for (const ResourceFormat& format : {ResourceFormat(0, 2, 1, 0), ResourceFormat(9, 2, 1, 0)}) {
        const LayerPreview preview = Render(square, format);
        EXPECT_FALSE(preview.picture);
        EXPECT_FALSE(preview.failed);
    }
    const LayerPreview none =
        RenderLayerPreview(std::nullopt, ResourceFormat(1, 1, 0, 0), 0, false, activeTable, resources);
    EXPECT_FALSE(none.picture);
    EXPECT_FALSE(none.failed);
}

TEST_F(RenderTest, ALayerWithoutTransparencyShowsAnAllBlackMask) {
    const Square square(32, 3, [](int x, int y) { return std::array<uint8_t, 4>{uint8_t(x), uint8_t(y), 9, 0}; });
    const LayerPreview preview = Render(square, ResourceFormat(2, 2, 1, 2));
    ASSERT_TRUE(preview.picture);
    for (int row = 0; row < 32; ++row) {
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(At(*preview.picture, x, row), (Rgb{0, 0, 0}));
        }
    }
}

struct ReducedCase {
    int32_t depth;
    int32_t view;
    Rgb transparent;  // what a pixel with A = 0 shows
    Rgb faint;        // a near-red pixel with A = 1 (Hard: full colour, then the nearest entry)
};

// Fully transparent pixels in the left column, faint near-red pixels elsewhere. The background
// (0x563412) is in neither built-in table.
TEST_F(RenderTest, ReducedColoursTreatFullyTransparentPixelsByView) {
    const Square square(16, 4, [](int x, int) {
        return x == 0 ? std::array<uint8_t, 4>{0x77, 0x66, 0x55, 0} : std::array<uint8_t, 4>{250, 5, 3, 1};
    });
    const Rgb back = RgbOf(0x563412);
    const ReducedCase cases[] = {
        {1, 0, back, Rgb{255, 0, 0}}, {1, 1, Rgb{0, 0, 0}, Rgb{255, 0, 0}}, {1, 2, Rgb{255, 255, 255}, Rgb{0, 0, 0}},
        {0, 0, back, Rgb{255, 0, 0}}, {0, 1, Rgb{0, 0, 0}, Rgb{255, 0, 0}}, {0, 5, back, Rgb{255, 0, 0}},
    };
    for (const ReducedCase& c : cases) {
        const LayerPreview preview = Render(square, ResourceFormat(0, c.depth, 0, c.view), 0x563412);
        ASSERT_TRUE(preview.picture) << c.depth << " " << c.view;
        for (int row = 0; row < 16; ++row) {
            EXPECT_EQ(At(*preview.picture, 0, row), c.transparent) << "depth " << c.depth << " view " << c.view;
            EXPECT_EQ(At(*preview.picture, 9, row), c.faint) << "depth " << c.depth << " view " << c.view;
        }
    }
}

TEST_F(RenderTest, TheActiveTableServes256ColoursOnly) {
    const Square square(16, 4, [](int, int) { return std::array<uint8_t, 4>{200, 100, 50, 255}; });
    useActiveTable = true;
    const LayerPreview grey = Render(square, ResourceFormat(0, 1, 0, 0));
    ASSERT_TRUE(grey.picture);
    EXPECT_EQ(At(*grey.picture, 4, 4), (Rgb{117, 117, 117}));
    const LayerPreview sixteen = Render(square, ResourceFormat(0, 0, 0, 0));
    ASSERT_TRUE(sixteen.picture);
    EXPECT_EQ(At(*sixteen.picture, 4, 4), (Rgb{0x80, 0x80, 0x00}));  // olive, entry 9 of the 16-colour table
}

TEST_F(RenderTest, WithoutItsBuiltInTableTheReducedPreviewIsLeftUndrawn) {
    const Square square(16, 4, [](int, int) { return std::array<uint8_t, 4>{1, 2, 3, 255}; });
    for (int32_t depth : {0, 1}) {
        resources.missingId = depth == 0 ? IDT_TABLE_16 : IDT_TABLE_256;
        const LayerPreview preview = Render(square, ResourceFormat(0, depth, 0, 0));
        EXPECT_FALSE(preview.picture);
        EXPECT_FALSE(preview.failed);
        EXPECT_TRUE(preview.noTable);
    }
    EXPECT_TRUE(Render(square, ResourceFormat(0, 2, 1, 0)).picture);
}

}  // namespace
}  // namespace tessera
