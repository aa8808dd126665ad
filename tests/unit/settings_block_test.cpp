#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "base/settings_store.h"
#include "support/fake_alerts.h"
#include "support/fake_files.h"
#include "ui/settings_block.h"

namespace tessera {
namespace {

using Block = std::array<uint8_t, kSettingsBlockSize>;

// Behaves as the registry does: a value longer than the reader's buffer is reported with its length
// and the "more data" error.
class FakeSettingsStore final : public SettingsStore {
  public:
    SettingsRead Read(std::span<uint8_t> buffer) override {
        if (failure != 0) {
            return {failure, 0};
        }
        if (!value) {
            return {kSettingsNotFound, 0};
        }
        if (value->size() > buffer.size()) {
            return {kSettingsTooLong, value->size()};
        }
        std::copy(value->begin(), value->end(), buffer.begin());
        return {0, value->size()};
    }
    bool Write(std::span<const uint8_t> bytes) override {
        if (!writable) {
            return false;
        }
        value.emplace(bytes.begin(), bytes.end());
        return true;
    }
    std::string ErrorText(long error) override { return "text of " + std::to_string(error); }

    std::optional<std::vector<uint8_t>> value;
    long failure = 0;
    bool writable = true;
};

// Decoded where no file exists, so stored names read as they are.
WindowOptions Decode(std::span<const uint8_t, kSettingsBlockSize> block) {
    test::MemoryFileSystem noFiles;
    return DecodeSettingsBlock(block, noFiles);
}

Rect Square(int16_t top, int16_t left, int side) {
    return Rect{top, left, static_cast<int16_t>(top + side), static_cast<int16_t>(left + side)};
}

// Every field away from its first-run value.
WindowOptions EditedOptions() {
    WindowOptions options;
    options.currentFormat = ResourceFormat(1, 0, 0, 2);
    options.documentPath = "C:\\Icons\\a.ico";
    options.documentName = "a.ico";
    options.toolTipsEnabled = 0;
    options.backgroundColor = 0x00123456;
    for (size_t i = 0; i < options.customColors.size(); ++i) {
        options.customColors[i] = 0x00010203u * static_cast<uint32_t>(i + 1);
    }
    options.cycleIndex = 15;
    options.layerSquares.positions = {Square(-3, 7, 16), Rect{}, Square(100, -20, 32), Square(-32768, 32000, 48)};
    options.useCustomColorTable = 1;
    for (size_t i = 0; i < options.customColorTable.bytes.size(); ++i) {
        options.customColorTable.bytes[i] = static_cast<uint8_t>(255 - i % 251);
    }
    options.automaticColorTable = 1;
    return options;
}

template <typename Squares>
void ExpectSameSquares(const Squares& actual, const Squares& expected) {
    for (size_t i = 0; i < expected.positions.size(); ++i) {
        const Rect& a = actual.positions[i];
        const Rect& e = expected.positions[i];
        EXPECT_EQ(a.top, e.top) << "square " << i;
        EXPECT_EQ(a.left, e.left) << "square " << i;
        EXPECT_EQ(a.bottom, e.bottom) << "square " << i;
        EXPECT_EQ(a.right, e.right) << "square " << i;
    }
}

void ExpectSameOptions(const WindowOptions& actual, const WindowOptions& expected) {
    EXPECT_EQ(actual.currentFormat, expected.currentFormat);
    EXPECT_EQ(actual.documentPath, expected.documentPath);
    EXPECT_EQ(actual.documentName, expected.documentName);
    EXPECT_EQ(actual.toolTipsEnabled, expected.toolTipsEnabled);
    EXPECT_EQ(actual.backgroundColor, expected.backgroundColor);
    EXPECT_EQ(actual.customColors, expected.customColors);
    EXPECT_EQ(actual.cycleIndex, expected.cycleIndex);
    ExpectSameSquares(actual.layerSquares, expected.layerSquares);
    EXPECT_EQ(actual.useCustomColorTable, expected.useCustomColorTable);
    EXPECT_EQ(actual.customColorTable, expected.customColorTable);
    EXPECT_EQ(actual.automaticColorTable, expected.automaticColorTable);
}

Block Encode(const WindowOptions& options) {
    Block block{};
    EncodeSettingsBlock(options, block);
    return block;
}

TEST(SettingsBlockTest, FirstRunValues) {
    const WindowOptions options;
    EXPECT_EQ(options.currentFormat, ResourceFormat(3, 2, 1, 0));
    EXPECT_EQ(options.documentPath, "%USERPROFILE%\\My Documents");
    EXPECT_EQ(options.documentName, "Untitled.ico");
    EXPECT_EQ(options.toolTipsEnabled, 1);
    EXPECT_EQ(options.backgroundColor, 0x808080u);
    EXPECT_EQ(options.customColors[0], 0x3910C4u);
    EXPECT_EQ(options.customColors[7], 0x228A6Au);
    EXPECT_EQ(options.customColors[8], 0x000000u);
    EXPECT_EQ(options.customColors[15], 0xFFFFFFu);
    EXPECT_EQ(options.cycleIndex, 0);
    EXPECT_EQ(options.useCustomColorTable, 0);
    EXPECT_EQ(options.automaticColorTable, 0);
    for (size_t entry = 0; entry < 256; ++entry) {
        for (size_t channel = 0; channel < 3; ++channel) {
            ASSERT_EQ(options.customColorTable.bytes[3 * entry + channel], entry) << entry;
        }
    }
}

TEST(SettingsBlockTest, RoundTripKeepsEveryFieldButTheView) {
    const WindowOptions edited = EditedOptions();
    const WindowOptions decoded = Decode(Encode(edited));
    WindowOptions expected = edited;
    expected.currentFormat.view = 0;
    ExpectSameOptions(decoded, expected);
}

struct FieldCase {
    size_t offset;
    uint32_t value;  // little-endian, 32 bits at the offset
};

TEST(SettingsBlockTest, FieldsSitAtTheirStoredOffsets) {
    const Block block = Encode(EditedOptions());
    const FieldCase cases[] = {
        {0, 0},              // depth
        {4, 0},              // mask
        {8, 1},              // size
        {12, 2},             // view, written though never read
        {16, 0x63692E61},    // "a.ic"
        {272, 0x495C3A43},   // "C:\I"
        {1296, 0x00123456},  // background
        {1300, 0x00010203},  // custom colour 0
        {1360, 0x00102030},  // custom colour 15
        {1364, 15},          // cycle index
        {1368, 0x0007FFFD},  // size 0 square: top -3, left 7
        {1372, 0x0017000D},  // bottom 13, right 23
        {1376, 0},           // size 1: none remembered
        {1392, 0x7D008000},  // size 3: top -32768, left 32000
        {1400, 0},           // tool tips
        {1404, 1},           // custom table in use
        {1408, 0xFCFDFEFF},  // custom table, first bytes
        {2172, 0xF1F2F3F4},  // custom table, last bytes
        {2176, 1},           // automatic table
    };
    for (const FieldCase& c : cases) {
        EXPECT_EQ(LoadU32LE(block.data() + c.offset), c.value) << "offset " << c.offset;
    }
}

TEST(SettingsBlockTest, TextFieldsAreCutWithTheirNulAndZeroFilled) {
    WindowOptions options;
    options.documentName = std::string(300, 'n');
    options.documentPath = "C:\\x";
    Block block = Encode(options);
    EXPECT_EQ(block[16 + 254], 'n');
    EXPECT_EQ(block[16 + 255], 0);
    for (size_t i = 272 + 4; i < 1296; ++i) {
        ASSERT_EQ(block[i], 0) << i;
    }
    const WindowOptions decoded = Decode(block);
    EXPECT_EQ(decoded.documentName, std::string(255, 'n'));
    EXPECT_EQ(decoded.documentPath, "C:\\x");

    // A stored field with no NUL is read to its width and no further.
    std::fill(block.begin() + 16, block.begin() + 272, uint8_t{'m'});
    EXPECT_EQ(Decode(block).documentName, std::string(256, 'm'));
}

// Names are UTF-8 in the same fields; those of a block from before read in the ANSI code page, and
// one too long is cut where a character ends.
TEST(SettingsBlockTest, NamesAreUtf8AndOlderAnsiNamesReadAsTheyWere) {
    const std::string e = "\xC3\xA9";  // é in UTF-8
    struct Case {
        const char* name;
        std::string storedName;  // the field's bytes
        std::string storedPath;
        std::string readName;
        std::string readPath;
        std::string existing = {};  // a file that exists
    };
    const Case cases[] = {
        {"UTF-8", "\xF0\x9F\x8E\xA8.ico", "C:\\\xD0\x98\xE5\x9B\xBE\\", "\xF0\x9F\x8E\xA8.ico",
         "C:\\\xD0\x98\xE5\x9B\xBE\\"},
        {"ANSI of an older block", "\xE9\xFC.ico", "C:\\\xFC\\", e + "\xC3\xBC.ico", "C:\\\xC3\xBC\\"},
        // \xC3\xA9 is the UTF-8 of e-acute and the Windows-1252 of A-tilde and the copyright sign.
        {"ANSI that is UTF-8 too, naming a file only as ANSI", "\xC3\xA9.ico", "C:\\\xC3\xA9.ico",
         "\xC3\x83\xC2\xA9.ico", "C:\\\xC3\x83\xC2\xA9.ico", "C:\\\xC3\x83\xC2\xA9.ico"},
        {"the same naming a file as UTF-8", "\xC3\xA9.ico", "C:\\\xC3\xA9.ico", e + ".ico", "C:\\" + e + ".ico",
         "C:\\" + e + ".ico"},
#ifndef _WIN32
        {"neither UTF-8 nor ANSI: the first-run names", "\x81.ico", "C:\\\x81", "Untitled.ico",
         "%USERPROFILE%\\My Documents"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Block block = Encode(WindowOptions{});
        std::fill(block.begin() + 16, block.begin() + 1296, uint8_t{0});
        std::copy(c.storedName.begin(), c.storedName.end(), block.begin() + 16);
        std::copy(c.storedPath.begin(), c.storedPath.end(), block.begin() + 272);
        test::MemoryFileSystem files;
        if (!c.existing.empty()) {
            files.Put(c.existing, {});
        }
        const WindowOptions decoded = DecodeSettingsBlock(block, files);
        EXPECT_EQ(c.readName, decoded.documentName);
        EXPECT_EQ(c.readPath, decoded.documentPath);
    }
    WindowOptions options;
    options.documentName = std::string(253, 'n') + "\xF0\x9F\x8E\xA8";  // 257 bytes: the emoji does not fit
    options.documentPath = std::string(1021, 'p') + e;                  // 1023 bytes: it does
    const WindowOptions decoded = Decode(Encode(options));
    EXPECT_EQ(std::string(253, 'n'), decoded.documentName);
    EXPECT_EQ(options.documentPath, decoded.documentPath);
}

struct RangeCase {
    size_t offset;
    int32_t stored;
    int32_t size, depth, mask, cycleIndex;  // as read back
};

TEST(SettingsBlockTest, OutOfRangeValuesTakeTheirFirstRunValues) {
    // The block otherwise holds size 1, depth 0, mask 0, cycle index 15.
    const RangeCase cases[] = {
        {8, 0, 0, 0, 0, 15},    {8, 3, 3, 0, 0, 15},   {8, -1, 3, 0, 0, 15},        {8, 4, 3, 0, 0, 15},
        {0, 1, 1, 1, 0, 15},    {0, 3, 1, 2, 0, 15},   {0, -1, 1, 2, 0, 15},        {4, 1, 1, 0, 1, 15},
        {4, 2, 1, 0, 1, 15},    {4, -1, 1, 0, 1, 15},  {1364, 0, 1, 0, 0, 0},       {1364, 16, 1, 0, 0, 0},
        {1364, -1, 1, 0, 0, 0}, {1364, 9, 1, 0, 0, 9}, {8, INT32_MIN, 3, 0, 0, 15},
    };
    for (const RangeCase& c : cases) {
        Block block = Encode(EditedOptions());
        StoreU32LE(block.data() + c.offset, static_cast<uint32_t>(c.stored));
        const WindowOptions decoded = Decode(block);
        EXPECT_EQ(decoded.currentFormat, ResourceFormat(c.size, c.depth, c.mask, 0))
            << "offset " << c.offset << " value " << c.stored;
        EXPECT_EQ(decoded.cycleIndex, c.cycleIndex) << "offset " << c.offset << " value " << c.stored;
    }
}

TEST(SettingsBlockTest, SquaresOfTheWrongSideAreForgotten) {
    WindowOptions options = EditedOptions();
    options.layerSquares.positions = {Square(0, 0, 24), Square(5, 5, 24), Rect{0, 0, 32, 31}, Rect{0, 0, 0, 48}};
    const WindowOptions decoded = Decode(Encode(options));
    LayerSquares expected;
    expected.positions[1] = Square(5, 5, 24);
    ExpectSameSquares(decoded.layerSquares, expected);
}

TEST(SettingsBlockTest, ReadingTheStoredBlockReplacesTheOptions) {
    FakeSettingsStore store;
    test::FakeAlerts alerts;
    test::MemoryFileSystem files;
    ASSERT_TRUE(WriteSettings(store, EditedOptions()));
    ASSERT_TRUE(store.value);
    EXPECT_EQ(store.value->size(), kSettingsBlockSize);

    WindowOptions options;
    EXPECT_TRUE(ReadSettings(store, alerts, files, options));
    WindowOptions expected = EditedOptions();
    expected.currentFormat.view = 0;
    ExpectSameOptions(options, expected);
    EXPECT_TRUE(alerts.Shown().empty());
}

TEST(SettingsBlockTest, NoStoredValueKeepsTheOptionsSilently) {
    FakeSettingsStore store;
    test::FakeAlerts alerts;
    test::MemoryFileSystem files;
    WindowOptions options;
    EXPECT_FALSE(SettingsExist(store));
    EXPECT_FALSE(ReadSettings(store, alerts, files, options));
    ExpectSameOptions(options, WindowOptions());
    EXPECT_TRUE(alerts.Shown().empty());
    WriteSettings(store, options);
    EXPECT_TRUE(SettingsExist(store));
}

struct BadValueCase {
    std::optional<size_t> length;  // a stored value of this length, or none with the store failing
    long failure;
    const char* text;
};

TEST(SettingsBlockTest, UnreadableValuesKeepTheOptionsAndSayWhy) {
    const BadValueCase cases[] = {
        {2179, 0, "Could not read settings, error was 0 - text of 0 (2179 bytes of 2180)"},
        {2181, 0, "Could not read settings, error was 234 - text of 234 (2181 bytes of 2180)"},
        {0, 0, "Could not read settings, error was 0 - text of 0 (0 bytes of 2180)"},
        {std::nullopt, 5, "Could not read settings, error was 5 - text of 5 (0 bytes of 2180)"},
    };
    for (const BadValueCase& c : cases) {
        FakeSettingsStore store;
        store.failure = c.failure;
        if (c.length) {
            store.value.emplace(*c.length, uint8_t{1});
        }
        test::FakeAlerts alerts;
        test::MemoryFileSystem files;
        WindowOptions options = EditedOptions();
        EXPECT_FALSE(ReadSettings(store, alerts, files, options)) << c.text;
        ExpectSameOptions(options, EditedOptions());
        ASSERT_EQ(alerts.Shown().size(), 1u) << c.text;
        const Alert& alert = alerts.Shown()[0];
        EXPECT_EQ(alert.text, c.text);
        EXPECT_EQ(alert.caption, AlertCaption::Product);
        EXPECT_EQ(alert.icon, AlertIcon::Warning);
        EXPECT_EQ(alert.buttons, AlertButtons::Ok);
    }
}

struct WindowsSquaresCase {
    const char* name;
    std::optional<size_t> length;  // the stored value cut or padded to this length; none: as written
    long failure;
    bool kept;  // the squares come back; otherwise all are unplaced
};

TEST(SettingsBlockTest, WindowsSquaresComeBackFromTheirOwnValueOrAllUnplacedSilently) {
    // Squares 0 and 9 placed at their sides, 1 and 5 of a wrong side, the rest unplaced.
    WindowsSquares written;
    written.positions[0] = Square(-7, 300, 20);
    written.positions[1] = Square(4, 4, 31);
    written.positions[5] = Rect{0, 0, 64, 0};
    written.positions[9] = Square(-32768, 32000, 256);
    WindowsSquares placed;
    placed.positions[0] = written.positions[0];
    placed.positions[9] = written.positions[9];
    const WindowsSquaresCase cases[] = {
        {"as written", std::nullopt, 0, true}, {"one byte short", 79, 0, false},
        {"one byte long", 81, 0, false},       {"empty", 0, 0, false},
        {"none", std::nullopt, 2, false},      {"unreadable", std::nullopt, 5, false},
    };
    for (const WindowsSquaresCase& c : cases) {
        FakeSettingsStore store;
        ASSERT_TRUE(WriteWindowsSquares(store, written)) << c.name;
        ASSERT_EQ(store.value->size(), kWindowsSquaresSize) << c.name;
        if (c.length) {
            store.value->resize(*c.length, uint8_t{0});
        }
        store.failure = c.failure;
        ExpectSameSquares(ReadWindowsSquares(store), c.kept ? placed : WindowsSquares());
    }
    // Top, left, bottom, right of each square, little-endian, in the order of the sides.
    std::array<uint8_t, kWindowsSquaresSize> bytes{};
    EncodeWindowsSquares(placed, bytes);
    ByteReader reader(bytes);
    reader.Skip(9 * 8);
    EXPECT_EQ((std::vector<int>{reader.I16LE(), reader.I16LE(), reader.I16LE(), reader.I16LE()}),
              (std::vector<int>{-32768, 32000, -32512, 32256}));
}

TEST(SettingsBlockTest, AFailedWriteIsReported) {
    FakeSettingsStore store;
    store.writable = false;
    EXPECT_FALSE(WriteSettings(store, WindowOptions()));
}

}  // namespace
}  // namespace tessera
