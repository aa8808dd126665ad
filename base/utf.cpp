#include "base/utf.h"

#include <cstdint>

namespace tessera {

namespace {

// The code point of the UTF-8 sequence at text[i], moving i past it; none, with i unmoved, when the
// bytes there are no sequence in shortest form or name a surrogate or something above U+10FFFF.
std::optional<char32_t> NextCodePoint(std::string_view text, size_t& i) {
    const auto byte = [&text](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    size_t length = 0;
    char32_t point = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        point = lead & 0x1Fu;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        point = lead & 0x0Fu;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        point = lead & 0x07u;
        least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - i < length) {
        return std::nullopt;
    }
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return std::nullopt;
        }
        point = (point << 6) | (byte(i + k) & 0x3Fu);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return std::nullopt;
    }
    i += length;
    return point;
}

void AppendUtf8(std::string& out, char32_t point) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

}  // namespace

bool IsUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        if (!NextCodePoint(text, i)) {
            return false;
        }
    }
    return true;
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const std::optional<char32_t> point = NextCodePoint(text, i);
        if (!point) {
            return std::nullopt;
        }
        if (*point < 0x10000) {
            out += static_cast<char16_t>(*point);
        } else {
            out += static_cast<char16_t>(0xD800 + ((*point - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((*point - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::optional<std::string> Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) {
                return std::nullopt;
            }
            AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00));
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return std::nullopt;
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

size_t Utf8Prefix(std::string_view text, size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    size_t kept = 0;
    for (size_t i = 0; i < text.size();) {
        size_t next = i;
        if (!NextCodePoint(text, next)) {
            next = i + 1;
        }
        if (next > limit) {
            break;
        }
        kept = next;
        i = next;
    }
    return kept;
}

std::optional<std::string> StoredTextToUtf8(std::string_view bytes) {
    if (IsUtf8(bytes)) {
        return std::string(bytes);
    }
    return AnsiToUtf8(bytes);
}

}  // namespace tessera
