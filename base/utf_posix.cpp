#include "base/utf.h"

#include <array>
#include <cstdint>

namespace tessera {

namespace {

// Windows-1252, the ANSI code page of Western systems, where it differs from Latin-1: bytes 0x80 to
// 0x9F; 0 marks the five bytes it leaves undefined.
constexpr std::array<char16_t, 32> kHighControls = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

std::optional<std::string> AnsiToUtf8(std::string_view bytes) {
    std::u16string wide;
    wide.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        const char16_t unit = byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80u] : char16_t{byte};
        if (unit == 0 && byte != 0) {
            return std::nullopt;
        }
        wide += unit;
    }
    return Utf16ToUtf8(wide);
}

}  // namespace tessera
