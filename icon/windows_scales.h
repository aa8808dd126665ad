#pragma once
// How big Windows 10 and 11 draw an application's icon: on each surface, at each display scale, and
// which of the icon's images Windows draws at a size.

#include <array>
#include <span>
#include <string>

#include "icon/image_kind.h"

namespace tessera {

// The display scales Windows offers, in percent.
inline constexpr std::array<int, 8> kDisplayScales = {100, 125, 150, 175, 200, 250, 300, 400};

struct IconSurface {
    const char* name;
    std::array<int, kDisplayScales.size()> sides;  // pixels, at each display scale
};

// The sides follow the scale, but for Start pins at 400%: Microsoft's icon guidance (app icon
// construction) gives 256 pixels there, not 32 x 4 = 128, and Start takes the 256-pixel image.
// Explorer's views grow with the scale as every other surface does; beyond 256 pixels Windows has no
// image of that size and scales the largest up.
inline constexpr std::array<IconSurface, 7> kIconSurfaces = {{
    {"title bar, menus and notification area", {16, 20, 24, 28, 32, 40, 48, 64}},
    {"taskbar and search", {24, 30, 36, 42, 48, 60, 72, 96}},
    {"Start pins", {32, 40, 48, 56, 64, 80, 96, 256}},
    {"Explorer small icons", {16, 20, 24, 28, 32, 40, 48, 64}},
    {"Explorer medium icons", {32, 40, 48, 56, 64, 80, 96, 128}},
    {"Explorer large icons", {48, 60, 72, 84, 96, 120, 144, 192}},
    {"Explorer extra large icons", {256, 320, 384, 448, 512, 640, 768, 1024}},
}};

// The side of the image Windows draws at `target` pixels from an icon whose images have `sides`: the
// one of that side, else the smallest larger one scaled down, else the largest scaled up; 0 when the
// icon has no image.
int SideWindowsDraws(std::span<const int> sides, int target);

// The slot whose image Windows draws at `target` pixels from an icon that holds the slots marked
// present: the side SideWindowsDraws picks, at the deepest depth the icon has of it; -1 when it holds
// none.
int SlotWindowsDraws(const std::array<bool, kImageKindCount>& present, int target);

// How the image of `side` pixels comes to be drawn at `target`: "exact", "from 48"; "no image" for side 0.
std::string HowWindowsDraws(int side, int target);

}  // namespace tessera
