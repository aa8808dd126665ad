#pragma once
// How big Windows 10 and 11 draw an application's icon: on each surface, at each display scale, and
// which of the icon's images Windows draws at a size.

#include <array>
#include <span>

namespace tessera {

// The display scales Windows offers, in percent.
inline constexpr std::array<int, 8> kDisplayScales = {100, 125, 150, 175, 200, 250, 300, 400};

struct IconSurface {
    const char* name;
    std::array<int, kDisplayScales.size()> sides;  // pixels, at each display scale
};

inline constexpr std::array<IconSurface, 3> kIconSurfaces = {{
    {"title bar and menus", {16, 20, 24, 28, 32, 40, 48, 64}},
    {"taskbar", {24, 30, 36, 42, 48, 60, 72, 96}},
    {"Start pins", {32, 40, 48, 56, 64, 80, 96, 256}},
}};

// The side of the image Windows draws at `target` pixels from an icon whose images have `sides`: the
// one of that side, else the smallest larger one scaled down, else the largest scaled up; 0 when the
// icon has no image.
int SideWindowsDraws(std::span<const int> sides, int target);

}  // namespace tessera
