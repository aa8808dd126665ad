#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "icon/ico_check.h"
#include "icon/image_kind.h"
#include "icon/windows_scales.h"
#include "support/fake_files.h"
#include "support/ico_fixtures.h"

namespace tessera {
namespace {

using test::IcoEntry;

// The icon Windows wants: every size it draws at 32 bits per pixel, the 256-pixel one as PNG.
std::vector<IcoEntry> EveryWindowsSize() {
    std::vector<IcoEntry> entries;
    for (const ImageKind kind : kImageKinds) {
        if (kind.bitsPerPixel == 32) {
            const auto seed = static_cast<uint8_t>(entries.size() + 1);
            entries.push_back(kind.side == 256 ? test::PngEntry(256) : test::AlphaEntry(kind.side, seed));
        }
    }
    return entries;
}

// EveryWindowsSize, with `change` made to the entry of `side`.
std::vector<uint8_t> Changed(int side, const std::function<void(IcoEntry&)>& change) {
    std::vector<IcoEntry> entries = EveryWindowsSize();
    change(
        *std::find_if(entries.begin(), entries.end(), [side](const IcoEntry& e) { return e.width == (side & 0xFF); }));
    return test::BuildIco(entries);
}

std::vector<uint8_t> Without(int side) {
    std::vector<IcoEntry> entries = EveryWindowsSize();
    std::erase_if(entries, [side](const IcoEntry& e) { return e.width == (side & 0xFF); });
    return test::BuildIco(entries);
}

std::vector<uint8_t> With(const IcoEntry& extra) {
    std::vector<IcoEntry> entries = EveryWindowsSize();
    entries.push_back(extra);
    return test::BuildIco(entries);
}

struct CheckCase {
    const char* what;
    std::vector<uint8_t> file;
    // Each finding as "IMAGE: error|note: PROBLEM", or the start of it.
    std::vector<std::string> findings;
};

TEST(IcoCheckTest, FindsWhatWindowsWouldNotDrawAsItShould) {
    const CheckCase cases[] = {
        {"every Windows size: nothing to say", test::BuildIco(EveryWindowsSize()), {}},
        {"planes, bit counts and colour counts of 0 say nothing",
         [] {
             std::vector<IcoEntry> entries = EveryWindowsSize();
             for (IcoEntry& e : entries) {
                 e.planes = e.bitCount = e.colorCount = 0;
             }
             return test::BuildIco(entries);
         }(),
         {}},
        {"no 24-pixel image: an error, and a note of where Windows scales",
         Without(24),
         {"file: error: no image of 24 pixels",
          "file: note: Windows draws these sizes from an image of another size: title bar, menus and notification area "
          "24 (150%); taskbar and search 24 (100%); Explorer small icons 24 (150%)"}},
        {"the largest missing",
         Without(256),
         {"file: error: no image of 256 pixels",
          "file: note: Windows draws these sizes from an image of another size: Start pins 256 (400%); "
          "Explorer extra large icons 256 (100%)"}},
        {"a PNG that is not RGBA",
         Changed(256, [](IcoEntry& e) { e.block[25] = 2; }),
         {"256x256 24 bpp: error: a PNG of bit depth 8 and colour type 2, not 32-bit RGBA",
          "256x256 24 bpp: error: the directory says 32 bits per pixel"}},
        {"a 256-pixel bitmap",
         Changed(256, [](IcoEntry& e) { e = test::AlphaEntry(256); }),
         {"256x256 32 bpp: error: a 256-pixel image stored as a bitmap"}},
        {"two images of one size and depth",
         With(test::AlphaEntry(48, 99)),
         {"48x48 32 bpp: error: a second image of this size and depth, after entry 1"}},
        {"a mask that disagrees with the alpha",
         Changed(16, [](IcoEntry& e) { e.block[43] = 0; }),
         {"16x16 32 bpp: error: its mask disagrees with its alpha at 1 pixel"}},
        {"no alpha at all: Windows draws by the mask alone",
         Changed(16,
                 [](IcoEntry& e) {
                     for (size_t i = 43; i < 40 + 16 * 16 * 4; i += 4) {
                         e.block[i] = 0;
                     }
                 }),
         {}},
        {"a 24-bit image", With(test::Entry(48, 24)), {"48x48 24 bpp: error: a 24-bit bitmap"}},
        {"directory size",
         Changed(32, [](IcoEntry& e) { e.width = 33; }),
         {"32x32 32 bpp: error: the directory says 33x32"}},
        {"directory planes",
         Changed(20, [](IcoEntry& e) { e.planes = 2; }),
         {"20x20 32 bpp: error: the directory says 2 planes, the image has 1"}},
        {"directory bit count",
         Changed(30, [](IcoEntry& e) { e.bitCount = 8; }),
         {"30x30 32 bpp: error: the directory says 8 bits per pixel"}},
        {"directory colour count",
         Changed(36, [](IcoEntry& e) { e.colorCount = 16; }),
         {"36x36 32 bpp: error: the directory says 16 colours, where 32 bits per pixel take 0"}},
        {"a cursor file",
         test::BuildIco(EveryWindowsSize(), test::IcoHeader{.type = 2, .count = std::nullopt}),
         {"file: error: its header names type 2, not an icon (1)"}},
        {"bytes outside the file, which the reader refuses",
         Changed(48, [](IcoEntry& e) { e.imageOffset = 0xFFFFFFF0u; }),
         {"entry 1: error: its 9640 bytes at offset 4294967280 lie outside the file of ",
          "file: error: Error reading all of icon with 48 x 48 pixels, 32 bits per pixel",
          "file: error: no image of 48 pixels",
          "file: note: Windows draws these sizes from an image of another size: title bar, menus and notification area "
          "48 (300%); taskbar and search 48 (200%); Start pins 48 (150%); Explorer small icons 48 (300%); "
          "Explorer medium icons 48 (150%); Explorer large icons 48 (100%)"}},
        {"a bitmap header that disagrees with its entry, which the reader refuses",
         Changed(16, [](IcoEntry& e) { e.block = test::Entry(16, 4).block; }),
         {"16x16 4 bpp: error: the directory says 32 bits per pixel",
          "file: error: Error converting format of icon with 16 x 16 pixels, 32 bits per pixel"}},
        {"a bitmap cut short, which the reader refuses",
         Changed(32, [](IcoEntry& e) { e.block.pop_back(); }),
         {"entry 2: error: its bytes are no PNG stream and too few for the bitmap their header describes",
          "file: error: Error converting format of icon with 32 x 32 pixels, 32 bits per pixel",
          "file: error: no image of 32 pixels",
          "file: note: Windows draws these sizes from an image of another size: title bar, menus and notification area "
          "32 (200%); Start pins 32 (100%); Explorer small icons 32 (200%); Explorer medium icons 32 (100%)"}},
        {"a PNG whose header is broken, which the reader keeps",
         Changed(256, [](IcoEntry& e) { e.block[15] = 'X'; }),
         {"entry 14: error: a PNG stream whose image header (IHDR) is missing or broken",
          "file: error: no image of 256 pixels",
          "file: note: Windows draws these sizes from an image of another size: Start pins 256 (400%); "
          "Explorer extra large icons 256 (100%)"}},
        {"a header cut short: only the reader's message", {0, 0, 1}, {"file: error: Error reading .ICO file header"}},
    };
    for (const CheckCase& c : cases) {
        test::MemoryFileSystem files;
        files.Put("app.ico", c.file);
        const std::optional<std::vector<IcoFinding>> findings = CheckIcoFile("app.ico", files);
        ASSERT_TRUE(findings) << c.what;
        std::vector<std::string> lines;
        for (const IcoFinding& f : *findings) {
            lines.push_back(f.image + ": " + (f.error ? "error" : "note") + ": " + f.problem);
        }
        ASSERT_EQ(lines.size(), c.findings.size()) << c.what << "\n" << testing::PrintToString(lines);
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(lines[i].starts_with(c.findings[i])) << c.what << "\n" << lines[i];
        }
        EXPECT_EQ(files.OpenCount(), 0) << c.what;
    }
    test::MemoryFileSystem none;
    EXPECT_FALSE(CheckIcoFile("missing.ico", none));
}

TEST(WindowsScalesTest, WindowsDrawsTheExactSizeElseTheNextLargerElseTheLargest) {
    const struct {
        std::vector<ImageKind> images;
        int target;
        ImageKind drawn;  // side 0: nothing drawn
        const char* how;
    } cases[] = {
        // At a side with several depths, the deepest.
        {{{16, 32}, {32, 4}, {32, 32}, {48, 8}}, 32, {32, 32}, "exact"},
        {{{256, 32}, {48, 8}, {16, 4}, {64, 32}}, 40, {48, 8}, "from 48"},
        {{{20, 32}, {24, 4}, {16, 32}}, 20, {20, 32}, "exact"},
        // Nothing larger: the largest scaled up, deepest first.
        {{{16, 32}, {24, 4}, {24, 8}}, 32, {24, 8}, "from 24"},
        {{{24, 32}, {16, 8}}, 16, {16, 8}, "exact"},
        {{{256, 32}, {96, 32}, {16, 4}}, 1024, {256, 32}, "from 256"},
        {{}, 32, {}, "no image"},
    };
    for (const auto& c : cases) {
        std::vector<int> sides;
        std::array<bool, kImageKindCount> present{};
        for (const ImageKind kind : c.images) {
            sides.push_back(kind.side);
            present[static_cast<size_t>(SlotOfKind(kind))] = true;
        }
        const std::string what = testing::PrintToString(sides) + " at " + std::to_string(c.target);
        EXPECT_EQ(SideWindowsDraws(sides, c.target), c.drawn.side) << what;
        EXPECT_EQ(SlotWindowsDraws(present, c.target), SlotOfKind(c.drawn)) << what;
        EXPECT_EQ(HowWindowsDraws(c.drawn.side, c.target), c.how) << what;
    }
}

}  // namespace
}  // namespace tessera
