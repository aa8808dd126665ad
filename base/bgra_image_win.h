#pragma once
// The canonical picture at the platform's edge: a 32-bit DIB section holding its pixels, copied onto a
// device context.

#include <windows.h>

#include "base/bgra_image.h"
#include "base/win_handles_win.h"

namespace tessera {

// A bottom-up 32-bit DIB section with the picture's pixels; none when the platform refuses one.
UniqueGdiObj<HBITMAP> CreateBgraSection(HDC target, const BgraImage& image);

// Copies the picture onto the rectangle (x, y, width, height) of the target with SRCCOPY: BitBlt when
// the rectangle has the picture's size, StretchBlt in the target's own stretch mode otherwise. Every
// object it makes is released before it returns. False when any step fails.
bool BlitBgraImage(HDC target, const BgraImage& image, int x, int y, int width, int height);

}  // namespace tessera
