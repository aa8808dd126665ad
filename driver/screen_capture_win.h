#pragma once
// Pictures of what is on the screen, for the record of a walk or for a test to look at.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tessera::driver {

// The screen pixels under a window, as 0x00RRGGBB rows, top row first.
struct ScreenPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    [[nodiscard]] uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

ScreenPixels CaptureWindow(HWND window);
// Writes the screen under a window as a 24-bit BMP; false when nothing could be captured or written.
bool SaveWindowCapture(HWND window, const std::string& path);
// The width and height a PNG file declares in its header.
bool ReadPngSize(const std::string& path, int& width, int& height);

}  // namespace tessera::driver
