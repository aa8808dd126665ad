#pragma once
// The Windows side of base/utf.h: UTF-8 as the wide strings the W functions take, and back. Windows'
// wchar_t is a UTF-16 code unit.

#include <optional>
#include <string>
#include <string_view>

#include "base/utf.h"

namespace tessera {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline std::optional<std::wstring> Wide(std::string_view utf8) {
    const std::optional<std::u16string> units = Utf8ToUtf16(utf8);
    if (!units) {
        return std::nullopt;
    }
    return std::wstring(units->begin(), units->end());
}

inline std::optional<std::string> Narrow(std::wstring_view wide) {
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

// A file's path as the W file functions take it, also beyond MAX_PATH: a long path is made full and
// given the prefix that lifts the limit. None when the path is not text, so that no other file is
// reached.
std::optional<std::wstring> WidePath(const std::string& path);

}  // namespace tessera
