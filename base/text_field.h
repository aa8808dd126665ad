#pragma once
// Fixed-width text fields of stored records: the text, a terminating NUL, zeros to the end. The text is
// UTF-8; fields written before it was are read in the system's ANSI code page.

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/utf.h"

namespace tessera {

class FileSystem;

// A document's name and path as a record stores them, as UTF-8; none for a field that is text neither
// in UTF-8 nor in the ANSI code page.
struct DocumentFields {
    std::optional<std::string> name;
    std::optional<std::string> path;
};

// Reads the name and path fields, each up to its first NUL or to its end. Their text is UTF-8, or, from
// an older version, in the ANSI code page. Such ANSI bytes may be UTF-8 too and then read as other
// text: when that text names no file and the ANSI reading of the path does, both fields are read in the
// ANSI code page.
DocumentFields ReadDocumentFields(std::span<const uint8_t> nameField,
                                  std::span<const uint8_t> pathField,
                                  FileSystem& files);

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
