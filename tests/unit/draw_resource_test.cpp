#include <gtest/gtest.h>

#include <vector>

#include "color/convert.h"
#include "icon/draw_resource.h"

namespace tessera {
namespace {

constexpr Rgb kRed{200, 10, 30};

TEST(DrawResourceTest, ViewValuesOtherThanDataAndMaskShowBoth) {
    const std::pair<int32_t, ResourceView> cases[] = {
        {0, ResourceView::Both}, {1, ResourceView::Data}, {2, ResourceView::Mask},
        {3, ResourceView::Both}, {5, ResourceView::Both}, {-1, ResourceView::Both},
    };
    for (const auto& [value, view] : cases) {
        EXPECT_EQ(ViewOf(value), view) << value;
    }
}

TEST(DrawResourceTest, ColorRefKeepsRedInTheLowByte) {
    EXPECT_EQ(RgbOf(0x00C0FF), (Rgb{255, 192, 0}));
    EXPECT_EQ(RgbOf(0x12345678), (Rgb{0x78, 0x56, 0x34}));
}

// Opaque and fully transparent pixels must come out exact for every channel value and background,
// whatever rounding the blend goes through.
TEST(DrawResourceTest, BothViewIsExactAtFullAndNoCoverage) {
    for (int c = 0; c < 256; ++c) {
        for (int b = 0; b < 256; ++b) {
            const Rgb color{uint8_t(c), uint8_t(255 - c), uint8_t(c / 2)};
            const Rgb back{uint8_t(b), uint8_t(b / 3), uint8_t(255 - b)};
            ASSERT_EQ(ShowPixel(ResourceView::Both, color, 255 / 255.0, back), color) << c << " " << b;
            ASSERT_EQ(ShowPixel(ResourceView::Both, color, 0 / 255.0, back), back) << c << " " << b;
        }
    }
}

TEST(DrawResourceTest, BothViewBlendsByCoverageAndTruncates) {
    // (200 * 128 + 100 * 127) / 255 = 150.19; (10 * 128 + 0 * 127) / 255 = 5.02; (30 * 128 + 255 * 127) / 255 = 142.07
    EXPECT_EQ(ShowPixel(ResourceView::Both, kRed, 128 / 255.0, Rgb{100, 0, 255}), (Rgb{150, 5, 142}));
}

TEST(DrawResourceTest, MaskViewGreyIsOneMinusCoverageTruncated) {
    const std::pair<int, uint8_t> cases[] = {{0, 255}, {1, 254}, {127, 128}, {128, 127}, {254, 0}, {255, 0}};
    for (const auto& [alpha, grey] : cases) {
        EXPECT_EQ(ShowPixel(ResourceView::Mask, kRed, alpha / 255.0, Rgb{9, 9, 9}), (Rgb{grey, grey, grey})) << alpha;
    }
}

TEST(DrawResourceTest, DataViewIgnoresCoverageAndBackground) {
    for (int alpha : {0, 1, 128, 255}) {
        EXPECT_EQ(ShowPixel(ResourceView::Data, kRed, alpha / 255.0, Rgb{1, 2, 3}), kRed) << alpha;
    }
}

class ComposeTest : public testing::Test {
  protected:
    // A 16 x 16 true-colour resource whose pixel (x, row) has blue x, green row, red 7 and alpha from a
    // repeating list, so every view has something different to show.
    void SetUp() override {
        grid.PrepareResource(kFormat);
        ResourceBits bits;
        grid.GetResourceBits(kFormat, bits);
        ASSERT_NE(bits.colorRows, nullptr);
        for (int row = 0; row < 16; ++row) {
            for (int x = 0; x < 16; ++x) {
                uint8_t* p = bits.colorRows + row * bits.colorStride + x * 4;
                p[0] = uint8_t(x * 16);
                p[1] = uint8_t(row * 16);
                p[2] = 7;
                p[3] = kAlphas[(row * 16 + x) % 4];
            }
        }
        // Mask rows all ones would hide everything if they were used.
        for (int i = 0; i < 16 * bits.maskStride; ++i) {
            bits.maskRows[i] = 0xFF;
        }
    }

    const IconResource& Resource() const { return grid.Slot(ResourceGrid::SlotForFormat(kFormat)); }

    static constexpr uint8_t kAlphas[4] = {0, 255, 128, 1};
    const ResourceFormat kFormat{0, 2, 1, 0};
    ResourceGrid grid;
};

TEST_F(ComposeTest, EachViewFollowsThePixelRuleRowForRow) {
    const uint32_t background = 0x336699;
    for (int32_t view : {0, 1, 2, 5}) {
        const std::optional<BgraImage> picture = ComposeTrueColorResource(Resource(), view, background);
        ASSERT_TRUE(picture) << view;
        ASSERT_EQ(picture->Width(), 16);
        ASSERT_EQ(picture->Height(), 16);
        for (int row = 0; row < 16; ++row) {
            for (int x = 0; x < 16; ++x) {
                const Rgb color{7, uint8_t(row * 16), uint8_t(x * 16)};
                const Rgb want = ShowPixel(ViewOf(view), color, kAlphas[(row * 16 + x) % 4] / 255.0, RgbOf(background));
                const uint8_t* p = picture->At(x, row);
                ASSERT_EQ((Rgb{p[2], p[1], p[0]}), want) << "view " << view << " at " << x << "," << row;
                ASSERT_EQ(p[3], 0);
            }
        }
    }
}

TEST_F(ComposeTest, TheLargestWindowsSizeComposesFromItsPngStream) {
    // The 256-pixel image of a layer square whose pixel (x, y) has red 7, green y, blue x and the
    // repeating alphas.
    std::vector<uint8_t> pixels(256 * 256 * 4);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            uint8_t* p = &pixels[static_cast<size_t>((y * 256 + x) * 4)];
            p[0] = 7;
            p[1] = uint8_t(y);
            p[2] = uint8_t(x);
            p[3] = kAlphas[(y * 256 + x) % 4];
        }
    }
    const int slot = kImageKindCount - 1;
    ASSERT_EQ(ConvertLayerToWindowsSlot(LayerImage{pixels.data(), 256 * 4, 4, 256}, grid, slot), 1);
    ASSERT_TRUE(grid.Slot(slot).png);
    const uint32_t background = 0x336699;
    const std::optional<BgraImage> picture = ComposeTrueColorResource(grid.Slot(slot), 0, background);
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->Width(), 256);
    ASSERT_EQ(picture->Height(), 256);
    for (int row = 0; row < 256; ++row) {
        for (int x = 0; x < 256; ++x) {
            const int y = 255 - row;
            const Rgb want = ShowPixel(ResourceView::Both, Rgb{7, uint8_t(y), uint8_t(x)},
                                       kAlphas[(y * 256 + x) % 4] / 255.0, RgbOf(background));
            const uint8_t* p = picture->At(x, row);
            ASSERT_EQ((Rgb{p[2], p[1], p[0]}), want) << x << "," << row;
        }
    }
}

TEST_F(ComposeTest, OnlyPresentTrueColorResourcesAreComposed) {
    EXPECT_FALSE(ComposeTrueColorResource(grid.Slot(ResourceGrid::SlotForFormat(ResourceFormat(1, 2, 1, 0))), 0, 0));
    const ResourceFormat fourBit(0, 0, 0, 0);
    grid.PrepareResource(fourBit);
    EXPECT_FALSE(ComposeTrueColorResource(grid.Slot(ResourceGrid::SlotForFormat(fourBit)), 0, 0));
}

}  // namespace
}  // namespace tessera
