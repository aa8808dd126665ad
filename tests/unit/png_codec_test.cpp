// PNG streams in memory through the platform's codec: the icon's images go out and come back exactly,
// and a stream that does not decode completely gives nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/png_codec.h"

namespace tessera {
namespace {

// Blue, green, red and alpha of the pixel at column x, row y counted from the top.
using PixelAt = std::function<std::array<uint8_t, 4>(int x, int y)>;

BgraImage ImageOf(int width, int height, const PixelAt& pixel) {
    BgraImage image = *BgraImage::Make(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::ranges::copy(pixel(x, y), image.At(x, height - 1 - y));
        }
    }
    return image;
}

std::vector<uint8_t> BytesOf(const BgraImage& image) {
    return {image.Bytes(), image.Bytes() + image.ByteCount()};
}

struct RoundTripCase {
    const char* name;
    int width;
    int height;
    PixelAt pixel;
};

TEST(PngCodec, TheImageComesBackExactly) {
    const RoundTripCase cases[] = {
        {"opaque, every row and column different", 7, 5,
         [](int x, int y) {
             return std::array<uint8_t, 4>{uint8_t(30 * x), uint8_t(50 * y), uint8_t(x ^ y), 255};
         }},
        // Colour under alpha 0 and every partial alpha, 128 among them, as an artist's layer holds them.
        {"every alpha over its own colour", 16, 16,
         [](int x, int y) {
             return std::array<uint8_t, 4>{uint8_t(200 - x), uint8_t(17 * y), uint8_t(3 * x + y), uint8_t(16 * y + x)};
         }},
        {"the widest", BgraImage::kMaxSide, 1,
         [](int x, int) {
             return std::array<uint8_t, 4>{uint8_t(x), uint8_t(x >> 8), 7, uint8_t(x >> 4)};
         }},
    };
    for (const RoundTripCase& c : cases) {
        const BgraImage image = ImageOf(c.width, c.height, c.pixel);
        const std::optional<std::vector<uint8_t>> png = EncodePng(image);
        ASSERT_TRUE(png) << c.name;
        // Bit depth and colour type in the header: 8-bit red, green, blue and alpha.
        ASSERT_LT(25u, png->size()) << c.name;
        EXPECT_EQ((std::vector<int>{8, 6}), (std::vector<int>{(*png)[24], (*png)[25]})) << c.name;

        // The stream's first row is the image's top row.
        PngFault fault{};
        const std::optional<PngRows> rows = DecodePngRows(*png, BgraImage::kMaxSide, fault);
        ASSERT_TRUE(rows) << c.name;
        EXPECT_TRUE(rows->transparent) << c.name;
        const std::vector<uint8_t> topFirst(rows->bgra.get(), rows->bgra.get() + image.ByteCount());
        EXPECT_EQ(BytesOf(ImageOf(c.width, c.height, [&](int x, int y) { return c.pixel(x, c.height - 1 - y); })),
                  topFirst)
            << c.name;

        const std::optional<BgraImage> back = DecodePng(*png);
        ASSERT_TRUE(back) << c.name;
        EXPECT_EQ((std::vector<int>{c.width, c.height}), (std::vector<int>{back->Width(), back->Height()})) << c.name;
        EXPECT_EQ(BytesOf(image), BytesOf(*back)) << c.name;
    }
}

TEST(PngCodec, AStreamThatDoesNotDecodeCompletelyGivesNothing) {
    const std::optional<std::vector<uint8_t>> good = EncodePng(ImageOf(32, 32, [](int x, int y) {
        return std::array<uint8_t, 4>{uint8_t(x * y), uint8_t(x + y), uint8_t(8 * x), uint8_t(255 - y)};
    }));
    ASSERT_TRUE(good);
    const auto prefix = [&](size_t size) { return std::vector<uint8_t>(good->data(), good->data() + size); };
    std::vector<uint8_t> damagedData = *good;
    const std::string_view chunk = "IDAT";
    const auto idat = std::search(damagedData.begin(), damagedData.end(), chunk.begin(), chunk.end());
    ASSERT_NE(damagedData.end(), idat);
    idat[10] ^= 0x55;
    const std::vector<uint8_t> tooWide = *EncodePngRows(
        std::vector<uint8_t>(size_t{BgraImage::kMaxSide + 1} * 4, 90).data(), BgraImage::kMaxSide + 1, 1, 4);
    const std::string text = "this is no PNG stream, though it is as long as a header or two";

    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        PngFault fault;
    } cases[] = {
        {"nothing", {}, PngFault::NotPng},
        {"text", std::vector<uint8_t>(text.begin(), text.end()), PngFault::NotPng},
        {"the signature alone", prefix(8), PngFault::Damaged},
        {"cut in the header", prefix(20), PngFault::Damaged},
        {"cut in the pixels", prefix(good->size() / 2), PngFault::Damaged},
        {"a byte of the pixels changed", damagedData, PngFault::Damaged},
        {"wider than an image can be", tooWide, PngFault::TooLarge},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(DecodePng(c.bytes)) << c.name;
        PngFault fault{};
        EXPECT_FALSE(DecodePngRows(c.bytes, BgraImage::kMaxSide, fault)) << c.name;
        EXPECT_EQ(c.fault, fault) << c.name;
    }
}

}  // namespace
}  // namespace tessera
