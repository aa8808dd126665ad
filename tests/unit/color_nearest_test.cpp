// Nearest colour against a brute-force oracle (least squared distance, lowest index on a tie) over
// many tables and colours, and the indexed rows that ReduceToTable writes.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/bgra_image.h"
#include "base/module_resources.h"
#include "color/color_table.h"
#include "color/nearest.h"
#include "resources/resource_ids.h"

namespace tessera {
namespace {

int Oracle(const ColorTable& table, int count, Rgb c) {
    int best = 0;
    int bestDistance = INT32_MAX;
    for (int i = 0; i < count; ++i) {
        const Rgb e = table.Entry(i);
        const int dr = c.red - e.red, dg = c.green - e.green, db = c.blue - e.blue;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

struct NamedTable {
    const char* name;
    ColorTable table;
    int count;
};

std::vector<NamedTable> Tables() {
    std::mt19937 random(31337);
    const auto byte = [&random] { return static_cast<uint8_t>(random() & 0xFF); };
    std::vector<NamedTable> tables;
    tables.push_back({"built-in 16", *LoadBuiltInTable(EmbeddedResources(), IDT_TABLE_16), 16});
    tables.push_back({"built-in 256", *LoadBuiltInTable(EmbeddedResources(), IDT_TABLE_256), 256});
    tables.push_back({"grey ramp", GreyRampTable(), 256});
    NamedTable spread{"random", {}, 256};
    NamedTable repeats{"few colours repeated", {}, 256};
    NamedTable padded{"automatic with 40 colours and zero padding", {}, 256};
    NamedTable clustered{"tight cluster", {}, 256};
    NamedTable single{"one colour everywhere", {}, 256};
    NamedTable ties{"equidistant pairs", {}, 256};
    const Rgb few[5] = {{10, 20, 30}, {200, 200, 200}, {10, 20, 30}, {0, 0, 0}, {255, 0, 128}};
    for (int i = 0; i < kColorTableEntries; ++i) {
        spread.table.SetEntry(i, Rgb{byte(), byte(), byte()});
        repeats.table.SetEntry(i, few[(i * 7) % 5]);
        if (i < 40) {
            padded.table.SetEntry(
                i, Rgb{static_cast<uint8_t>(4 * (random() % 64) + 2), static_cast<uint8_t>(4 * (random() % 64) + 2),
                       static_cast<uint8_t>(4 * (random() % 64) + 2)});
        }
        clustered.table.SetEntry(i, Rgb{static_cast<uint8_t>(120 + random() % 16),
                                        static_cast<uint8_t>(60 + random() % 16), static_cast<uint8_t>(random() % 16)});
        single.table.SetEntry(i, Rgb{77, 77, 77});
        // Entries two apart in one channel: the colour between them is as near to both.
        const auto v = static_cast<uint8_t>((i / 2) * 2 + (i % 2) * 2);
        ties.table.SetEntry(i, Rgb{v, static_cast<uint8_t>(255 - v), 100});
    }
    for (NamedTable* t : {&spread, &repeats, &padded, &clustered, &single, &ties}) {
        tables.push_back(*t);
    }
    // Pairs of entries the same distance either side of a multiple of 32, the lower index outside
    // each region the search divides the cube into: a colour on the boundary ties between them.
    NamedTable boundaries{"pairs across region boundaries", {}, 256};
    int n = 0;
    for (int b = 32; b < 256 && n < kColorTableEntries; b += 32) {
        for (const int d : {1, 3, 8, 16}) {
            for (int channel = 0; channel < 3 && n + 1 < kColorTableEntries; ++channel) {
                uint8_t lo[3] = {0, 0, 0};
                uint8_t hi[3] = {0, 0, 0};
                lo[channel] = static_cast<uint8_t>(b - d);
                hi[channel] = static_cast<uint8_t>(b + d);
                boundaries.table.SetEntry(n++, Rgb{lo[0], lo[1], lo[2]});
                boundaries.table.SetEntry(n++, Rgb{hi[0], hi[1], hi[2]});
            }
        }
    }
    tables.push_back(boundaries);
    // The same random table as a 16-colour one: only the first 16 entries take part.
    tables.push_back({"random, first 16", spread.table, 16});
    return tables;
}

std::vector<Rgb> Colors() {
    std::vector<Rgb> colors;
    for (int r = 0; r < 256; r += 16) {
        for (int g = 0; g < 256; g += 16) {
            for (int b = 0; b < 256; b += 16) {
                colors.push_back(Rgb{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)});
            }
        }
    }
    std::mt19937 random(4);
    for (int i = 0; i < 4000; ++i) {
        const auto v = static_cast<uint32_t>(random());
        colors.push_back(Rgb{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16)});
    }
    // Colours in and next to the cluster, and on the grey axis.
    for (int i = 0; i < 256; ++i) {
        colors.push_back(Rgb{static_cast<uint8_t>(110 + i % 40), static_cast<uint8_t>(50 + (i / 8) % 40), 1});
        colors.push_back(Rgb{static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)});
    }
    return colors;
}

TEST(NearestColor, AgreesWithBruteForce) {
    const std::vector<Rgb> colors = Colors();
    for (const NamedTable& t : Tables()) {
        NearestColor nearest(t.table, t.count);
        int wrong = 0;
        for (int pass = 0; pass < 2; ++pass) {  // the second pass answers from what the first learnt
            for (const Rgb& c : colors) {
                const int expected = Oracle(t.table, t.count, c);
                const int got = nearest.Find(c.red, c.green, c.blue);
                if (got != expected && ++wrong <= 5) {
                    ADD_FAILURE() << t.name << ": (" << int{c.red} << ", " << int{c.green} << ", " << int{c.blue}
                                  << ") gave " << got << ", nearest is " << expected;
                }
            }
        }
        EXPECT_EQ(0, wrong) << t.name;
    }
}

TEST(NearestColor, TableColoursMapToTheirFirstEntry) {
    for (const NamedTable& t : Tables()) {
        NearestColor nearest(t.table, t.count);
        for (int i = 0; i < t.count; ++i) {
            const Rgb e = t.table.Entry(i);
            const int got = nearest.Find(e.red, e.green, e.blue);
            EXPECT_EQ(e, t.table.Entry(got)) << t.name << " entry " << i;
            EXPECT_LE(got, i) << t.name << " entry " << i;
        }
    }
}

// A picture whose pixel (x, row) is entry (x + 3 * row) % 16 of the 16-colour table, with the fourth
// byte set to something that must not matter.
BgraImage Picture(int width, int height, const ColorTable& table) {
    BgraImage picture = *BgraImage::Make(width, height);
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = table.Entry((x + 3 * row) % 16);
            uint8_t* p = picture.At(x, row);
            p[0] = c.blue;
            p[1] = c.green;
            p[2] = c.red;
            p[3] = static_cast<uint8_t>(x * 40);
        }
    }
    return picture;
}

TEST(ReduceToTable, FourBitsPackTwoPixelsABytePaddedToFourBytes) {
    const ColorTable table = *LoadBuiltInTable(EmbeddedResources(), IDT_TABLE_16);
    const BgraImage picture = Picture(5, 3, table);
    std::vector<uint8_t> indexed(12, 0xEE);  // stride 4: five nibbles and padding
    ASSERT_TRUE(ReduceToTable(picture, table, 4, indexed.data(), indexed.size()));
    const std::vector<uint8_t> expected = {0x01, 0x23, 0x40, 0, 0x34, 0x56, 0x70, 0, 0x67, 0x89, 0xA0, 0};
    EXPECT_EQ(expected, indexed);
}

TEST(ReduceToTable, EightBitsOneIndexAByte) {
    const ColorTable table = *LoadBuiltInTable(EmbeddedResources(), IDT_TABLE_16);
    const BgraImage picture = Picture(5, 2, table);
    std::vector<uint8_t> indexed(16, 0xEE);
    ASSERT_TRUE(ReduceToTable(picture, table, 8, indexed.data(), indexed.size()));
    const std::vector<uint8_t> expected = {0, 1, 2, 3, 4, 0, 0, 0, 3, 4, 5, 6, 7, 0, 0, 0};
    EXPECT_EQ(expected, indexed);
}

TEST(ReduceToTable, RefusesWhatItCannotWrite) {
    const ColorTable table = GreyRampTable();
    const BgraImage picture = *BgraImage::Make(8, 8);
    std::vector<uint8_t> indexed(64, 0xEE);
    EXPECT_FALSE(ReduceToTable(picture, table, 8, indexed.data(), 63));
    EXPECT_FALSE(ReduceToTable(picture, table, 8, nullptr, 64));
    for (const int bits : {1, 16, 24, 32}) {
        EXPECT_FALSE(ReduceToTable(picture, table, bits, indexed.data(), indexed.size())) << bits;
    }
    EXPECT_EQ(std::vector<uint8_t>(64, 0xEE), indexed);
}

}  // namespace
}  // namespace tessera
