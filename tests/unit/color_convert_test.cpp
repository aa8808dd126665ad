// Layer square to resource: what lands in the colour rows, the colour table and the mask for each
// depth and each pair of flags.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <vector>

#include "base/module_resources.h"
#include "color/convert.h"
#include "color/nearest.h"
#include "icon/resource_grid.h"
#include "resources/resource_ids.h"
#include "support/missing_resource.h"

namespace tessera {
namespace {

struct Pixel {
    uint8_t r, g, b, a;
};

// A square held the way the host delivers it: rows top first, with spare bytes after each row.
class Square {
  public:
    Square(int side, int pixelStep) : side_(side), step_(pixelStep), rowStep_(side * pixelStep + 5) {
        bytes_.assign(static_cast<size_t>(rowStep_ * side), 0xCD);
    }
    void Set(int x, int y, Pixel p) {
        uint8_t* at = &bytes_[static_cast<size_t>(y * rowStep_ + x * step_)];
        at[0] = p.r;
        at[1] = p.g;
        at[2] = p.b;
        if (step_ >= 4) {
            at[3] = p.a;
        }
    }
    void Fill(Pixel p) {
        for (int y = 0; y < side_; ++y) {
            for (int x = 0; x < side_; ++x) {
                Set(x, y, p);
            }
        }
    }
    [[nodiscard]] std::optional<LayerImage> View() const {
        return LayerImage{.pixels = bytes_.data(), .rowStep = rowStep_, .pixelStep = step_, .side = side_};
    }

  private:
    int side_;
    int step_;
    int rowStep_;
    std::vector<uint8_t> bytes_;
};

constexpr int kSizeOf[4] = {16, 24, 32, 48};

// The converted slot, read back.
class Converted {
  public:
    Converted(const ResourceGrid& grid, const ResourceFormat& format) : grid_(grid), format_(format) {
        grid.GetResourceBits(format, bits_);
        bitsPerPixel_ = ResourceGrid::FormatGeometry(format).bitsPerPixel;
    }
    [[nodiscard]] bool Present() const { return grid_.Slot(ResourceGrid::SlotForFormat(format_)).present != 0; }
    // Row k counts from the bottom of the resource.
    [[nodiscard]] int Index(int x, int k) const {
        const uint8_t* row = bits_.colorRows + k * bits_.colorStride;
        return bitsPerPixel_ == 8 ? row[x] : (x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F);
    }
    [[nodiscard]] const uint8_t* Bgra(int x, int k) const { return bits_.colorRows + k * bits_.colorStride + 4 * x; }
    [[nodiscard]] int MaskBit(int x, int k) const {
        return (bits_.maskRows[k * bits_.maskStride + x / 8] >> (7 - x % 8)) & 1;
    }
    [[nodiscard]] const ResourceBits& Bits() const { return bits_; }
    // The resource's table entry i as red, green, blue.
    [[nodiscard]] Rgb Entry(int i) const {
        const uint8_t* q = bits_.colorTable + 4 * i;
        return Rgb{q[2], q[1], q[0]};
    }

  private:
    const ResourceGrid& grid_;
    ResourceFormat format_;
    ResourceBits bits_;
    int bitsPerPixel_ = 0;
};

int Convert(const Square& square,
            ResourceGrid& grid,
            const ResourceFormat& format,
            bool data,
            bool mask,
            bool useActive = false,
            const ColorTable& active = GreyRampTable()) {
    const ConvertResult result =
        ConvertLayerToResource(square.View(), grid, format, data, mask, useActive, active, EmbeddedResources());
    EXPECT_FALSE(result.noTable);
    return result.done;
}

TEST(ConvertLayer, NoSquareOfTheFormatsSizeChangesNothing) {
    ResourceGrid grid;
    const ResourceFormat format(1, 1, 0, 0);
    grid.PrepareResource(format);
    grid.ClearModifiedFlags();
    const ColorTable table = GreyRampTable();
    EXPECT_EQ(0,
              ConvertLayerToResource(std::nullopt, grid, format, true, true, false, table, EmbeddedResources()).done);
    Square wrongSize(16, 4);
    EXPECT_EQ(
        0, ConvertLayerToResource(wrongSize.View(), grid, format, true, true, false, table, EmbeddedResources()).done);
    EXPECT_EQ(1, grid.Slot(ResourceGrid::SlotForFormat(format)).present);
    EXPECT_FALSE(grid.IsModified());
}

TEST(ConvertLayer, AFullyTransparentSquareRemovesTheResource) {
    for (int depth = 0; depth < 3; ++depth) {
        ResourceGrid grid;
        const ResourceFormat format(0, depth, 0, 0);
        grid.PrepareResource(format);
        grid.ClearModifiedFlags();
        Square square(16, 4);
        square.Fill(Pixel{200, 100, 50, 0});
        EXPECT_EQ(1, Convert(square, grid, format, true, true));
        EXPECT_FALSE(Converted(grid, format).Present()) << depth;
        EXPECT_TRUE(grid.IsModified());
    }
}

TEST(ConvertLayer, OneFaintPixelIsOpaqueAtFullColourAtFourAndEightBits) {
    for (const int depth : {0, 1}) {
        ResourceGrid grid;
        const ResourceFormat format(0, depth, 0, 0);
        Square square(16, 4);
        square.Fill(Pixel{0, 0, 255, 0});
        square.Set(3, 0, Pixel{255, 0, 0, 1});
        ASSERT_EQ(1, Convert(square, grid, format, true, true));
        const Converted out(grid, format);
        ASSERT_TRUE(out.Present());
        // Top row of the square is the last row of the resource.
        EXPECT_EQ((Rgb{255, 0, 0}), out.Entry(out.Index(3, 15)));
        EXPECT_EQ(0, out.MaskBit(3, 15));
        // Transparent pixels hold the entry nearest black: 15 of the 16 colours, 255 of the 256.
        EXPECT_EQ(depth == 0 ? 15 : 255, out.Index(4, 15));
        EXPECT_EQ(1, out.MaskBit(4, 15));
        EXPECT_EQ(1, out.MaskBit(0, 0));
    }
}

TEST(ConvertLayer, EightBitsMatchTheNearestEntryOfTheBuiltInTable) {
    ResourceGrid grid;
    const ResourceFormat format(3, 1, 0, 0);
    Square square(48, 4);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 48; ++x) {
            square.Set(
                x, y,
                Pixel{static_cast<uint8_t>(x * 5), static_cast<uint8_t>(y * 5), static_cast<uint8_t>(x * y), 255});
        }
    }
    ASSERT_EQ(1, Convert(square, grid, format, true, true));
    const Converted out(grid, format);
    const ColorTable builtIn = *LoadBuiltInTable(EmbeddedResources(), IDT_TABLE_256);
    NearestColor nearest(builtIn, 256);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 48; ++x) {
            ASSERT_EQ(
                nearest.Find(static_cast<uint8_t>(x * 5), static_cast<uint8_t>(y * 5), static_cast<uint8_t>(x * y)),
                out.Index(x, 47 - y));
        }
    }
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(builtIn.Entry(i), out.Entry(i));
        EXPECT_EQ(0, out.Bits().colorTable[4 * i + 3]);
    }
}

TEST(ConvertLayer, WithoutATransparencyPlaneEverythingIsOpaque) {
    for (int depth = 0; depth < 3; ++depth) {
        ResourceGrid grid;
        const ResourceFormat format(0, depth, 0, 0);
        Square square(16, 3);
        square.Fill(Pixel{10, 20, 30, 0});
        ASSERT_EQ(1, Convert(square, grid, format, true, true));
        const Converted out(grid, format);
        for (int k = 0; k < 16; ++k) {
            for (int x = 0; x < 16; ++x) {
                ASSERT_EQ(0, out.MaskBit(x, k));
                if (depth == 2) {
                    ASSERT_EQ(255, out.Bgra(x, k)[3]);
                }
            }
        }
    }
}

TEST(ConvertLayer, TrueColourKeepsTheLayersColourAndAlpha) {
    ResourceGrid grid;
    const ResourceFormat format(0, 2, 1, 0);
    Square square(16, 4);
    square.Fill(Pixel{1, 2, 3, 255});
    square.Set(0, 0, Pixel{200, 100, 50, 128});
    square.Set(1, 0, Pixel{90, 80, 70, 0});
    ASSERT_EQ(1, Convert(square, grid, format, true, true));
    const Converted out(grid, format);
    const uint8_t* half = out.Bgra(0, 15);
    EXPECT_EQ((std::vector<uint8_t>{50, 100, 200, 128}), std::vector<uint8_t>(half, half + 4));  // not premultiplied
    EXPECT_EQ(0, out.MaskBit(0, 15));
    const uint8_t* clear = out.Bgra(1, 15);
    EXPECT_EQ((std::vector<uint8_t>{70, 80, 90, 0}), std::vector<uint8_t>(clear, clear + 4));  // colour kept
    EXPECT_EQ(1, out.MaskBit(1, 15));
    const uint8_t* bottom = out.Bgra(5, 0);
    EXPECT_EQ((std::vector<uint8_t>{3, 2, 1, 255}), std::vector<uint8_t>(bottom, bottom + 4));
}

TEST(ConvertLayer, WhatAFlagLeavesOutStaysZero) {
    Square square(16, 4);
    square.Fill(Pixel{250, 250, 250, 255});
    square.Set(0, 0, Pixel{250, 250, 250, 0});
    {
        // Data alone at 32 bits: alpha 0, mask all opaque.
        ResourceGrid grid;
        const ResourceFormat format(0, 2, 0, 0);
        ASSERT_EQ(1, Convert(square, grid, format, true, false));
        const Converted out(grid, format);
        EXPECT_EQ(250, out.Bgra(0, 15)[2]);
        for (int k = 0; k < 16; ++k) {
            for (int x = 0; x < 16; ++x) {
                ASSERT_EQ(0, out.Bgra(x, k)[3]);
                ASSERT_EQ(0, out.MaskBit(x, k));
            }
        }
    }
    for (const int depth : {0, 1, 2}) {
        // Mask alone: zero colour rows and, at 4 and 8 bits, a table of black entries.
        ResourceGrid grid;
        const ResourceFormat format(0, depth, 0, 0);
        ASSERT_EQ(1, Convert(square, grid, format, false, true));
        const Converted out(grid, format);
        const ResourceBits& bits = out.Bits();
        const int tableBytes = depth == 0 ? 64 : (depth == 1 ? 1024 : 0);
        for (int i = 0; i < tableBytes; ++i) {
            ASSERT_EQ(0, bits.colorTable[i]);
        }
        for (int k = 0; k < 16; ++k) {
            for (int i = 0; i < bits.colorStride; ++i) {
                // At 32 bits the mask is in the alpha too: 0 for the one transparent pixel (top left).
                const bool alpha = depth == 2 && i % 4 == 3;
                const int expected = alpha ? (k == 15 && i == 3 ? 0 : 255) : 0;
                ASSERT_EQ(expected, bits.colorRows[k * bits.colorStride + i]) << depth << " row " << k << " byte " << i;
            }
        }
        EXPECT_EQ(1, out.MaskBit(0, 15));
        EXPECT_EQ(0, out.MaskBit(1, 15));
    }
}

TEST(ConvertLayer, MaskRowsArePaddedWithZeros) {
    for (int size = 0; size < 4; ++size) {
        const int side = kSizeOf[size];
        ResourceGrid grid;
        const ResourceFormat format(size, 0, 0, 0);
        Square square(side, 4);
        square.Fill(Pixel{0, 0, 0, 0});
        square.Set(side - 1, side - 1, Pixel{255, 255, 255, 255});  // bottom right: the last bit of row 0
        ASSERT_EQ(1, Convert(square, grid, format, true, true));
        const Converted out(grid, format);
        const ResourceBits& bits = out.Bits();
        const int written = side / 8;
        for (int k = 0; k < side; ++k) {
            const uint8_t* row = bits.maskRows + k * bits.maskStride;
            for (int i = 0; i < bits.maskStride; ++i) {
                const int expected = i >= written ? 0 : (k == 0 && i == written - 1 ? 0xFE : 0xFF);
                ASSERT_EQ(expected, row[i]) << "side " << side << " row " << k << " byte " << i;
            }
        }
    }
}

TEST(ConvertLayer, SixteenColoursIgnoreTheActiveTable) {
    Square square(16, 4);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            square.Set(x, y, Pixel{static_cast<uint8_t>(x * 16), static_cast<uint8_t>(y * 16), 77, 255});
        }
    }
    const ResourceFormat format(0, 0, 0, 0);
    ResourceGrid plain;
    ASSERT_EQ(1, Convert(square, plain, format, true, true));
    ColorTable odd;
    odd.SetEntry(0, Rgb{1, 2, 3});
    for (const bool useActive : {false, true}) {
        for (const ColorTable& active : {GreyRampTable(), odd}) {
            ResourceGrid grid;
            ASSERT_EQ(1, Convert(square, grid, format, true, true, useActive, active));
            const IconResource& a = plain.Slot(ResourceGrid::SlotForFormat(format));
            const IconResource& b = grid.Slot(ResourceGrid::SlotForFormat(format));
            ASSERT_EQ(a.imageSize, b.imageSize);
            EXPECT_TRUE(std::equal(a.image.get(), a.image.get() + a.imageSize, b.image.get()));
        }
    }
}

TEST(ConvertLayer, TheCustomTableBeforeAnyFileIsTheGreyRamp) {
    Square square(16, 4);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const auto v = static_cast<uint8_t>(x * 16 + y);
            square.Set(x, y, Pixel{v, v, v, 255});
        }
    }
    square.Set(0, 0, Pixel{10, 20, 33, 255});  // nearest grey: (21, 21, 21)
    ResourceGrid grid;
    const ResourceFormat format(0, 1, 0, 0);
    ASSERT_EQ(1, Convert(square, grid, format, true, true, true, GreyRampTable()));
    const Converted out(grid, format);
    EXPECT_EQ(21, out.Index(0, 15));
    for (int y = 0; y < 16; ++y) {
        for (int x = y == 0 ? 1 : 0; x < 16; ++x) {
            ASSERT_EQ(x * 16 + y, out.Index(x, 15 - y));
        }
    }
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(i);
        EXPECT_EQ((Rgb{v, v, v}), out.Entry(i));
    }
}

TEST(ConvertLayer, WithoutTheBuiltInTableTheColoursStayZeroAndTheMaskIsMade) {
    for (const int depth : {0, 1}) {
        Square square(16, 4);
        square.Fill(Pixel{200, 10, 10, 255});
        square.Set(2, 0, Pixel{0, 0, 0, 0});
        ResourceGrid grid;
        const ResourceFormat format(0, depth, 0, 0);
        const test::MissingResource resources(EmbeddedResources(), depth == 0 ? IDT_TABLE_16 : IDT_TABLE_256);
        const ConvertResult result =
            ConvertLayerToResource(square.View(), grid, format, true, true, true, GreyRampTable(), resources);
        ASSERT_EQ(1, result.done);
        EXPECT_TRUE(result.noTable);
        const Converted out(grid, format);
        ASSERT_TRUE(out.Present());
        for (int i = 0; i < out.Bits().colorStride * 16; ++i) {
            ASSERT_EQ(0, out.Bits().colorRows[i]);
        }
        for (int i = 0; i < (depth == 0 ? 64 : 1024); ++i) {
            ASSERT_EQ(0, out.Bits().colorTable[i]);
        }
        EXPECT_EQ(1, out.MaskBit(2, 15));
        EXPECT_EQ(0, out.MaskBit(3, 15));
    }
}

// Blocks of any side, eight pixels to a mask byte and a short last byte: each bit is set exactly where
// the pixel is fully transparent, the leftmost pixel in the top bit.
TEST(TrueColorBlock, MaskBitsOfAnySide) {
    for (const int side : {20, 45, 48}) {
        Square square(side, 4);
        const auto clear = [](int x, int y) { return (x * 7 + y * 3) % 5 == 0; };
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                square.Set(x, y, Pixel{1, 2, 3, static_cast<uint8_t>(clear(x, y) ? 0 : 1 + x)});
            }
        }
        uint32_t size = 0;
        const std::unique_ptr<uint8_t[]> block = TrueColorBlock(*square.View(), size);
        ASSERT_NE(nullptr, block);
        const uint8_t* mask = block.get() + kBitmapInfoHeaderSize + side * ColorStride(side, 32);
        for (int k = 0; k < side; ++k) {
            for (int x = 0; x < MaskStride(side) * 8; ++x) {
                const int bit = (mask[k * MaskStride(side) + x / 8] >> (7 - x % 8)) & 1;
                ASSERT_EQ(x < side && clear(x, side - 1 - k) ? 1 : 0, bit)
                    << "side " << side << " row " << k << " x " << x;
            }
        }
    }
}

}  // namespace
}  // namespace tessera
