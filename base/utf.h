#pragma once
// Text is UTF-8 inside the program; Windows takes and gives UTF-16. These are the one pair of
// converters between them, and they refuse what is not text (a broken UTF-8 sequence, an unpaired
// surrogate) rather than putting a '?' in its place.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tessera {

// Whether the bytes are UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view text);

std::optional<std::u16string> Utf8ToUtf16(std::string_view text);
std::optional<std::string> Utf16ToUtf8(std::u16string_view text);

// How many bytes of `text` to keep so that at most `limit` bytes remain and no character is cut: the
// whole text when it fits, else the longest start that ends where a character does. Bytes that are
// not UTF-8 count one to a character.
size_t Utf8Prefix(std::string_view text, size_t limit);

// A name stored before names were UTF-8, in the system's ANSI code page, as UTF-8; none when the bytes
// are not text in that code page either.
std::optional<std::string> AnsiToUtf8(std::string_view bytes);

// Stored text as UTF-8: as it is when it is UTF-8, else read in the ANSI code page; none when it is
// neither.
std::optional<std::string> StoredTextToUtf8(std::string_view bytes);

}  // namespace tessera
