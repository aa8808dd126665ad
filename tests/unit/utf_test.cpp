// The UTF-8 and UTF-16 converters, the cut at a character boundary and names stored in the ANSI code
// page (Windows-1252 here, as on a Western system).

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/utf.h"

namespace tessera {
namespace {

struct TextCase {
    const char* name;
    std::string utf8;
    std::optional<std::u16string> utf16;  // none: not UTF-8
};

TEST(Utf, ConvertsTextAndRefusesWhatIsNot) {
    const TextCase cases[] = {
        {"empty", "", u""},
        {"ASCII", "art.png", u"art.png"},
        {"Latin", "\xC3\xBC \xC3\xA9", u"\u00FC \u00E9"},
        {"Cyrillic and Chinese", "\xD0\x98\xD0\xBA\xE5\x9B\xBE", u"\u0418\u043A\u56FE"},
        {"emoji, outside the basic plane", "\xF0\x9F\x8E\xA8", u"\U0001F3A8"},
        {"a NUL inside", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"a byte of the ANSI code page", "caf\xE9", std::nullopt},
        {"a cut sequence", "\xE5\x9B", std::nullopt},
        {"a lone continuation byte", "\x80", std::nullopt},
        {"an overlong form", "\xC0\xAF", std::nullopt},
        {"a surrogate", "\xED\xA0\x80", std::nullopt},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", std::nullopt},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(c.utf16.has_value(), IsUtf8(c.utf8)) << c.name;
        EXPECT_EQ(c.utf16, Utf8ToUtf16(c.utf8)) << c.name;
        if (c.utf16) {
            EXPECT_EQ(std::optional<std::string>(c.utf8), Utf16ToUtf8(*c.utf16)) << c.name;
        }
    }
    for (const std::u16string& unpaired :
         {std::u16string(1, u'\xD800'), u"a" + std::u16string(1, u'\xDC00'), std::u16string(1, u'\xD83C') + u"x"}) {
        EXPECT_EQ(std::nullopt, Utf16ToUtf8(unpaired));
    }
}

TEST(Utf, APrefixEndsWhereACharacterDoes) {
    struct Case {
        std::string text;
        size_t limit;
        size_t kept;
    };
    const Case cases[] = {
        {"abc", 5, 3},
        {"abc", 3, 3},
        {"abc", 2, 2},
        {"a\xC3\xA9", 2, 1},  // é is two bytes
        {"a\xC3\xA9", 3, 3},
        {"\xF0\x9F\x8E\xA8x", 3, 0},  // the emoji is four
        {"\xF0\x9F\x8E\xA8x", 4, 4},
        {"\xE9\xE9\xE9", 2, 2},  // bytes that are no UTF-8 count one each
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.kept, Utf8Prefix(c.text, c.limit)) << c.text << " in " << c.limit;
    }
}

TEST(Utf, StoredNamesReadAsUtf8OrInTheAnsiCodePage) {
    struct Case {
        std::string stored;
        std::optional<std::string> read;
    };
    const Case cases[] = {
        {"Icons\\a.ico", "Icons\\a.ico"},
        {"\xD0\x98\xE5\x9B\xBE.ico", "\xD0\x98\xE5\x9B\xBE.ico"},  // UTF-8 as it is
        {"\xE9\xFC.ico", "\xC3\xA9\xC3\xBC.ico"},                  // é and ü of an older block
        {"\x80", "\xE2\x82\xAC"},                                  // the euro sign of Windows-1252
#ifndef _WIN32
        // A byte Windows-1252 leaves out; Windows itself passes it through as a control character.
        {"\x81", std::nullopt},
#endif
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.read, StoredTextToUtf8(c.stored)) << c.stored;
    }
}

}  // namespace
}  // namespace tessera
