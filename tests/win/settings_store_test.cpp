#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "base/settings_store_win.h"
#include "base/utf.h"
#include "base/win_handles_win.h"
#include "support/fake_alerts.h"
#include "support/fake_files.h"
#include "ui/settings_block.h"

namespace tessera {
namespace {

// The key path with each of its levels: "Software\Quorvane", "...\Tessera", "...\1.2".
std::vector<std::string> KeyLevels() {
    std::vector<std::string> levels;
    const std::string key = kSettingsKey;
    for (size_t slash = key.find('\\', key.find('\\') + 1); slash != std::string::npos;
         slash = key.find('\\', slash + 1)) {
        levels.push_back(key.substr(0, slash));
    }
    levels.push_back(key);
    return levels;
}

// The settings key opened with the given access; empty when it cannot be opened.
UniqueHkey OpenKey(const std::string& path, REGSAM access) {
    HKEY key = nullptr;
    return UniqueHkey(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, access, &key) == ERROR_SUCCESS ? key : nullptr);
}

bool KeyExists(const std::string& path) {
    return static_cast<bool>(OpenKey(path, KEY_READ));
}

std::optional<std::vector<uint8_t>> StoredValue(DWORD* type = nullptr) {
    const UniqueHkey key = OpenKey(kSettingsKey, KEY_READ);
    if (!key) {
        return std::nullopt;
    }
    DWORD length = 0;
    if (RegQueryValueExA(key.get(), kSettingsValueName, nullptr, type, nullptr, &length) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(length);
    if (RegQueryValueExA(key.get(), kSettingsValueName, nullptr, type, bytes.data(), &length) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    bytes.resize(length);
    return bytes;
}

void DeleteStoredValue() {
    if (const UniqueHkey key = OpenKey(kSettingsKey, KEY_SET_VALUE)) {
        RegDeleteValueA(key.get(), kSettingsValueName);
    }
}

// Each test starts with no stored value; afterwards the user's value and keys are as they were, so the
// plug-in's own tests still see a first run where they expect one.
class RegistrySettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const std::string& level : KeyLevels()) {
            existed_.push_back(KeyExists(level));
        }
        saved_ = StoredValue();
        DeleteStoredValue();
    }
    void TearDown() override {
        if (saved_) {
            ASSERT_TRUE(store_.Write(*saved_));
            return;
        }
        DeleteStoredValue();
        const std::vector<std::string> levels = KeyLevels();
        for (size_t i = levels.size(); i-- > 0;) {
            if (!existed_[i]) {
                RegDeleteKeyA(HKEY_CURRENT_USER, levels[i].c_str());
            }
        }
    }

    SettingsStore& store_ = RegistrySettingsStore();
    std::vector<bool> existed_;
    std::optional<std::vector<uint8_t>> saved_;
};

TEST_F(RegistrySettingsStoreTest, AMissingValueIsReportedAsNotFound) {
    std::array<uint8_t, kSettingsBlockSize> buffer{};
    EXPECT_EQ(store_.Read(buffer).error, kSettingsNotFound);
    EXPECT_FALSE(SettingsExist(store_));

    // Nor does reading create the key.
    if (!existed_.back()) {
        EXPECT_FALSE(KeyExists(kSettingsKey));
    }
}

TEST_F(RegistrySettingsStoreTest, AWrittenBlockReadsBackAsBinary) {
    std::array<uint8_t, kSettingsBlockSize> written{};
    for (size_t i = 0; i < written.size(); ++i) {
        written[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    ASSERT_TRUE(store_.Write(written));
    EXPECT_TRUE(SettingsExist(store_));

    DWORD type = 0;
    const std::optional<std::vector<uint8_t>> stored = StoredValue(&type);
    ASSERT_TRUE(stored);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(stored->size(), kSettingsBlockSize);

    std::array<uint8_t, kSettingsBlockSize> read{};
    const SettingsRead result = store_.Read(read);
    EXPECT_EQ(result.error, 0);
    EXPECT_EQ(result.length, kSettingsBlockSize);
    EXPECT_EQ(read, written);
}

TEST_F(RegistrySettingsStoreTest, AValueLongerThanTheBufferReportsItsLength) {
    const std::vector<uint8_t> longer(kSettingsBlockSize + 1, uint8_t{9});
    ASSERT_TRUE(store_.Write(longer));
    std::array<uint8_t, kSettingsBlockSize> buffer{};
    const SettingsRead result = store_.Read(buffer);
    EXPECT_EQ(result.error, kSettingsTooLong);
    EXPECT_EQ(result.length, kSettingsBlockSize + 1);
}

// The texts join alerts, which take UTF-8 only: a French, German or Japanese system's text must arrive
// as UTF-8 too. Wine carries every language's texts, whatever the user's.
TEST_F(RegistrySettingsStoreTest, ErrorTextsAreUtf8WithoutTheirLineBreak) {
    struct Case {
        long error;
        LANGID language;
        bool ascii;  // the text is all ASCII
    };
    const Case cases[] = {
        {0, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), true},
        {kSettingsNotFound, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), true},
        {kSettingsTooLong, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), true},
        {kSettingsTooLong, MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH), false},
        {kSettingsTooLong, MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), false},
        {kSettingsNotFound, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), false},
    };
    for (const Case& c : cases) {
        const std::string text = SystemErrorText(c.error, c.language);
        SCOPED_TRACE(testing::Message() << c.error << " in " << c.language << ": " << text);
        EXPECT_FALSE(text.empty());
        EXPECT_TRUE(IsUtf8(text));
        EXPECT_EQ(c.ascii, std::all_of(text.begin(), text.end(), [](char ch) { return (ch & 0x80) == 0; }));
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
    }
    EXPECT_EQ(store_.ErrorText(0x7FFF1234), "");
}

TEST_F(RegistrySettingsStoreTest, TheWindowsOptionsSurviveARun) {
    test::FakeAlerts alerts;
    test::MemoryFileSystem files;
    WindowOptions first;
    EXPECT_FALSE(ReadSettings(store_, alerts, files, first));
    EXPECT_TRUE(alerts.Shown().empty());

    first.documentPath = "C:\\Icons\\a.ico";
    first.documentName = "a.ico";
    first.cycleIndex = 5;
    first.customColorTable.bytes[767] = 1;
    ASSERT_TRUE(WriteSettings(store_, first));
    ASSERT_TRUE(StoredValue());
    EXPECT_EQ(StoredValue()->size(), kSettingsBlockSize);

    WindowOptions second;
    EXPECT_TRUE(ReadSettings(store_, alerts, files, second));
    EXPECT_EQ(second.documentPath, "C:\\Icons\\a.ico");
    EXPECT_EQ(second.documentName, "a.ico");
    EXPECT_EQ(second.cycleIndex, 5);
    EXPECT_EQ(second.customColorTable, first.customColorTable);
    EXPECT_TRUE(alerts.Shown().empty());
}

TEST_F(RegistrySettingsStoreTest, AShortValueIsReportedWithTheSystemsText) {
    const std::vector<uint8_t> shorter(kSettingsBlockSize - 1, uint8_t{0});
    ASSERT_TRUE(store_.Write(shorter));
    test::FakeAlerts alerts;
    test::MemoryFileSystem files;
    WindowOptions options;
    EXPECT_FALSE(ReadSettings(store_, alerts, files, options));
    ASSERT_EQ(alerts.Shown().size(), 1u);
    EXPECT_EQ(alerts.Shown()[0].text,
              "Could not read settings, error was 0 - " + store_.ErrorText(0) + " (2179 bytes of 2180)");
}

}  // namespace
}  // namespace tessera
