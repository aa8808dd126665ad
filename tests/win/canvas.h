#pragma once
// Pixels read straight back from GDI: a memory DC with a top-down 32-bit DIB section selected into it.

#include <windows.h>

#include <cstdint>

namespace tessera::test {

class Canvas {
  public:
    Canvas(int width, int height, COLORREF fill);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas();

    [[nodiscard]] bool Ok() const { return bits_ != nullptr; }
    [[nodiscard]] HDC Dc() const { return dc_; }
    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }
    void Fill(COLORREF color);
    // Pixel (x, y) from the top left, as a COLORREF (red in the low byte).
    [[nodiscard]] COLORREF Pixel(int x, int y) const;
    // The smallest rectangle that holds every pixel not of `color`; empty when there is none.
    [[nodiscard]] RECT BoundsNotOf(COLORREF color) const;

  private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    uint8_t* bits_ = nullptr;
};

}  // namespace tessera::test
