#pragma once
// Fixed-width text fields of stored records: the text, a terminating NUL, zeros to the end.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace tessera {

// The text up to the first NUL, or the whole field when it holds none.
inline std::string ReadTextField(std::span<const uint8_t> field) {
    const auto end = std::find(field.begin(), field.end(), uint8_t{0});
    return std::string(field.begin(), end);
}

// Cuts the text to leave room for its NUL; an empty field is left alone.
inline void WriteTextField(std::span<uint8_t> field, std::string_view text) {
    if (field.empty()) {
        return;
    }
    const size_t n = std::min(text.size(), field.size() - 1);
    std::memset(field.data(), 0, field.size());
    std::memcpy(field.data(), text.data(), n);
}

}  // namespace tessera
