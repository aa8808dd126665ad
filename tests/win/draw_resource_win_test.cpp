// DrawResource and DrawFormat, with the pixels read back from a memory DC.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "canvas.h"
#include "icon/draw_resource.h"
#include "icon/draw_resource_win.h"

namespace tessera {
namespace {

using test::Canvas;

constexpr COLORREF kBackground = RGB(10, 200, 30);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

int SideOf(int size) {
    return ResourceFormat(size, 0, 0, 0).PixelSize();
}

// Fills a slot through its bits. `color` gives the pixel at (x, y) counted from the top left; at 4 and
// 8 bits it is an index into a table whose entry i is (i * 16, 255 - i, 3 * i) except the three entries
// the tests name: 0 black, 1 red and 2 blue. `transparent` sets the mask bit.
void FillSlot(ResourceGrid& grid,
              const ResourceFormat& format,
              const std::function<uint32_t(int, int)>& color,
              const std::function<bool(int, int)>& transparent) {
    grid.PrepareResource(format);
    ResourceBits bits;
    grid.GetResourceBits(format, bits);
    ASSERT_NE(bits.colorRows, nullptr);
    const FormatGeometryResult g = ResourceGrid::FormatGeometry(format);
    if (g.bitsPerPixel <= 8) {
        for (int i = 0; i < (1 << g.bitsPerPixel); ++i) {
            RGBQUAD quad{uint8_t(3 * i), uint8_t(255 - i), uint8_t(i * 16), 0};
            if (i == 0) {
                quad = RGBQUAD{0, 0, 0, 0};
            } else if (i == 1) {
                quad = RGBQUAD{0, 0, 255, 0};
            } else if (i == 2) {
                quad = RGBQUAD{255, 0, 0, 0};
            }
            memcpy(bits.colorTable + 4 * i, &quad, 4);
        }
    }
    for (int y = 0; y < g.height; ++y) {
        uint8_t* row = bits.colorRows + (g.height - 1 - y) * bits.colorStride;
        uint8_t* maskRow = bits.maskRows + (g.height - 1 - y) * bits.maskStride;
        for (int x = 0; x < g.width; ++x) {
            const uint32_t c = color(x, y);
            if (g.bitsPerPixel == 32) {
                row[4 * x] = uint8_t(c >> 16);  // c is 0xAABBGGRR
                row[4 * x + 1] = uint8_t(c >> 8);
                row[4 * x + 2] = uint8_t(c);
                row[4 * x + 3] = uint8_t(c >> 24);
            } else if (g.bitsPerPixel == 8) {
                row[x] = uint8_t(c);
            } else {
                row[x / 2] |= uint8_t((c & 15) << (x % 2 == 0 ? 4 : 0));
            }
            if (transparent(x, y)) {
                maskRow[x / 8] |= uint8_t(0x80 >> (x % 8));
            }
        }
    }
}

const auto kOpaque = [](int, int) { return false; };

TEST(DrawResourceWinTest, AnEmptySlotDrawsNothingAndFails) {
    ResourceGrid grid;
    Canvas canvas(54, 54, kBackground);
    ASSERT_TRUE(canvas.Ok());
    const RECT area{3, 3, 51, 51};
    for (int slot = -1; slot <= kGridSlotCount; ++slot) {
        EXPECT_FALSE(DrawResource(canvas.Dc(), area, 0, false, kBackground, grid, slot)) << slot;
    }
    EXPECT_FALSE(DrawFormat(canvas.Dc(), area, 0, true, kBackground, grid, ResourceFormat(0, 2, 1, 0)));
    const RECT untouched = canvas.BoundsNotOf(kBackground);
    EXPECT_TRUE(IsRectEmpty(&untouched));
}

struct PlacementCase {
    int size;
    int depth;
    int view;
    RECT drawn;
};

// Opaque images at their own size sit in the middle of the 48 x 48 area that starts at (3, 3).
TEST(DrawResourceWinTest, NativeImagesAreCentredInTheArea) {
    const PlacementCase cases[] = {
        {0, 2, 0, {19, 19, 35, 35}}, {3, 2, 0, {3, 3, 51, 51}},   {1, 2, 1, {15, 15, 39, 39}},
        {2, 2, 2, {11, 11, 43, 43}}, {0, 0, 0, {19, 19, 35, 35}}, {3, 0, 1, {3, 3, 51, 51}},
        {0, 1, 2, {19, 19, 35, 35}}, {2, 1, 0, {11, 11, 43, 43}},
    };
    for (const PlacementCase& c : cases) {
        ResourceGrid grid;
        const ResourceFormat format(c.size, c.depth, 0, c.view);
        FillSlot(
            grid, format, [](int, int) { return 0xFF0000FFu; }, kOpaque);
        Canvas canvas(54, 54, kBackground);
        EXPECT_TRUE(DrawFormat(canvas.Dc(), RECT{3, 3, 51, 51}, c.view, false, kBackground, grid, format));
        const RECT drawn = canvas.BoundsNotOf(kBackground);
        EXPECT_TRUE(EqualRect(&drawn, &c.drawn))
            << "size " << c.size << " depth " << c.depth << " view " << c.view << ": " << drawn.left << "," << drawn.top
            << "," << drawn.right << "," << drawn.bottom;
    }
}

// Every pixel of the 192 x 192 area shows the image pixel it was enlarged from, by 12, 8, 6 or 4.
TEST(DrawResourceWinTest, StretchedImagesAreEnlargedIntoWholeBlocks) {
    for (int size = 0; size < 4; ++size) {
        for (int depth : {0, 1, 2}) {
            for (int view : {0, 1}) {
                ResourceGrid grid;
                const ResourceFormat format(size, depth, 0, view);
                const auto color = [depth](int x, int y) -> uint32_t {
                    if (depth == 2) {
                        return 0xFF000000u | uint32_t(x * 5) | uint32_t(y * 5) << 8 | 0x770000u;
                    }
                    return uint32_t((x + 3 * y) % (depth == 0 ? 16 : 256));
                };
                FillSlot(grid, format, color, kOpaque);
                Canvas canvas(198, 198, kBackground);
                ASSERT_TRUE(DrawFormat(canvas.Dc(), RECT{3, 3, 195, 195}, view, true, kBackground, grid, format));
                Canvas reference(SideOf(size), SideOf(size), kBackground);
                ASSERT_TRUE(DrawFormat(reference.Dc(), RECT{0, 0, SideOf(size), SideOf(size)}, view, false, kBackground,
                                       grid, format));
                const int factor = 192 / SideOf(size);
                int wrong = 0;
                for (int y = 0; y < 192; ++y) {
                    for (int x = 0; x < 192; ++x) {
                        wrong += canvas.Pixel(3 + x, 3 + y) != reference.Pixel(x / factor, y / factor) ? 1 : 0;
                    }
                }
                EXPECT_EQ(wrong, 0) << "size " << size << " depth " << depth << " view " << view;
                const RECT drawn = canvas.BoundsNotOf(kBackground);
                const RECT whole{3, 3, 195, 195};
                EXPECT_TRUE(EqualRect(&drawn, &whole));
            }
        }
    }
}

// A 4-bit image as the conversion makes it: transparent on its left half, where its colour is black,
// and red on its right half.
TEST(DrawResourceWinTest, FourBitViewsShowColourRowsMaskRowsOrBoth) {
    ResourceGrid grid;
    const ResourceFormat format(0, 0, 0, 0);
    FillSlot(
        grid, format, [](int x, int) { return x < 8 ? 0u : 1u; }, [](int x, int) { return x < 8; });
    const struct {
        int view;
        COLORREF left;
        COLORREF right;
    } cases[] = {
        {0, kBackground, kRed},
        {5, kBackground, kRed},
        {1, RGB(0, 0, 0), kRed},
        {2, RGB(255, 255, 255), RGB(0, 0, 0)},
    };
    for (const auto& c : cases) {
        Canvas canvas(16, 16, kBackground);
        EXPECT_TRUE(DrawFormat(canvas.Dc(), RECT{0, 0, 16, 16}, c.view, false, kBackground, grid, format));
        for (int y = 0; y < 16; ++y) {
            EXPECT_EQ(canvas.Pixel(3, y), c.left) << "view " << c.view << " row " << y;
            EXPECT_EQ(canvas.Pixel(12, y), c.right) << "view " << c.view << " row " << y;
        }
    }
}

// The top row of the image is the last row of the block; drawing must not turn it upside down.
TEST(DrawResourceWinTest, ImagesAreDrawnTopRowUp) {
    for (int depth : {0, 1, 2}) {
        for (int view : {0, 1}) {
            ResourceGrid grid;
            const ResourceFormat format(0, depth, 0, view);
            const auto color = [depth](int, int y) -> uint32_t {
                const bool top = y < 4;
                if (depth == 2) {
                    return top ? 0xFF0000FFu : 0xFFFF0000u;
                }
                return top ? 1u : 2u;
            };
            FillSlot(grid, format, color, kOpaque);
            Canvas canvas(16, 16, kBackground);
            EXPECT_TRUE(DrawFormat(canvas.Dc(), RECT{0, 0, 16, 16}, view, false, kBackground, grid, format));
            EXPECT_EQ(canvas.Pixel(8, 0), kRed) << depth << " " << view;
            EXPECT_EQ(canvas.Pixel(8, 15), kBlue) << depth << " " << view;
        }
    }
}

// A block from a file whose header names a compression no icon uses: the platform makes no icon of it,
// so the Both view draws nothing and says so; the Data view reads the rows as the plain rows they are.
TEST(DrawResourceWinTest, ABlockThePlatformRefusesDrawsNothingInTheBothView) {
    ResourceGrid made;
    const ResourceFormat format(0, 0, 0, 0);
    FillSlot(
        made, format, [](int, int) { return 1u; }, kOpaque);
    const IconResource& r = made.Slot(ResourceGrid::SlotForFormat(format));
    std::unique_ptr<uint8_t[]> block(new uint8_t[r.imageSize]);
    memcpy(block.get(), r.image.get(), r.imageSize);
    block[16] = 77;  // biCompression
    ResourceGrid grid;
    ASSERT_TRUE(grid.AdoptImage(ResourceGrid::SlotForFormat(format), std::move(block), r.imageSize, 0));

    Canvas canvas(16, 16, kBackground);
    EXPECT_FALSE(DrawFormat(canvas.Dc(), RECT{0, 0, 16, 16}, 0, false, kBackground, grid, format));
    const RECT untouched = canvas.BoundsNotOf(kBackground);
    EXPECT_TRUE(IsRectEmpty(&untouched));
    EXPECT_TRUE(DrawFormat(canvas.Dc(), RECT{0, 0, 16, 16}, 1, false, kBackground, grid, format));
    EXPECT_EQ(canvas.Pixel(5, 5), kRed);
}

TEST(DrawResourceWinTest, TrueColourPixelsReachTheDcAsComposited) {
    ResourceGrid grid;
    const ResourceFormat format(0, 2, 1, 0);
    const uint8_t alphas[] = {0, 1, 127, 128, 254, 255};
    FillSlot(
        grid, format, [&](int x, int) { return uint32_t(alphas[x % 6]) << 24 | 0x204080u; }, kOpaque);
    for (int view : {0, 1, 2}) {
        Canvas canvas(16, 16, RGB(0, 0, 0));
        EXPECT_TRUE(DrawFormat(canvas.Dc(), RECT{0, 0, 16, 16}, view, false, kBackground, grid, format));
        for (int x = 0; x < 6; ++x) {
            const Rgb want = ShowPixel(ViewOf(view), Rgb{0x80, 0x40, 0x20}, alphas[x] / 255.0, RgbOf(kBackground));
            EXPECT_EQ(canvas.Pixel(x, 5), RGB(want.red, want.green, want.blue))
                << "view " << view << " alpha " << int(alphas[x]);
        }
    }
}

}  // namespace
}  // namespace tessera
