#include "base/bgra_image_win.h"

#include <cstring>

namespace tessera {

UniqueGdiObj<HBITMAP> CreateBgraSection(HDC target, const BgraImage& image) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image.Width();
    info.bmiHeader.biHeight = image.Height();  // positive: bottom-up, like the picture
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    UniqueGdiObj<HBITMAP> section(CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section || bits == nullptr) {
        return UniqueGdiObj<HBITMAP>();
    }
    std::memcpy(bits, image.Bytes(), image.ByteCount());
    return section;
}

bool BlitBgraImage(HDC target, const BgraImage& image, int x, int y, int width, int height) {
    UniqueGdiObj<HBITMAP> section = CreateBgraSection(target, image);
    UniqueHdc memory(CreateCompatibleDC(nullptr));
    if (!section || !memory) {
        return false;
    }
    const SelectGuard selected(memory.get(), section.get());
    if (width == image.Width() && height == image.Height()) {
        return BitBlt(target, x, y, width, height, memory.get(), 0, 0, SRCCOPY) != FALSE;
    }
    return StretchBlt(target, x, y, width, height, memory.get(), 0, 0, image.Width(), image.Height(), SRCCOPY) != FALSE;
}

}  // namespace tessera
