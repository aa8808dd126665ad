#pragma once
// One colour as three 8-bit channels, and the platform's packed form of it (0x00BBGGRR, red in the low
// byte), which the options and the settings keep.

#include <cstdint>

namespace tessera {

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    bool operator==(const Rgb&) const = default;
};

constexpr Rgb RgbOf(uint32_t colorRef) {
    return Rgb{static_cast<uint8_t>(colorRef & 0xFF), static_cast<uint8_t>((colorRef >> 8) & 0xFF),
               static_cast<uint8_t>((colorRef >> 16) & 0xFF)};
}

}  // namespace tessera
