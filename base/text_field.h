#pragma once
// Fixed-width text fields of stored records: the text, a terminating NUL, zeros to the end. The text is
// UTF-8; fields written before it was are read in the system's ANSI code page.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/utf.h"

namespace tessera {

// The text up to the first NUL, or the whole field when it holds none, as UTF-8; none when it is text
// neither in UTF-8 nor in the ANSI code page.
inline std::optional<std::string> ReadTextField(std::span<const uint8_t> field) {
    const auto end = std::find(field.begin(), field.end(), uint8_t{0});
    return StoredTextToUtf8(
        std::string_view(reinterpret_cast<const char*>(field.data()), static_cast<size_t>(end - field.begin())));
}

// Cuts the text to leave room for its NUL, never inside a character; an empty field is left alone.
// False when the text was cut.
inline bool WriteTextField(std::span<uint8_t> field, std::string_view text) {
    if (field.empty()) {
        return text.empty();
    }
    const size_t n = Utf8Prefix(text, field.size() - 1);
    std::memset(field.data(), 0, field.size());
    std::memcpy(field.data(), text.data(), n);
    return n == text.size();
}

}  // namespace tessera
