#include "driver/screen_capture_win.h"

#include <cstdio>
#include <cstring>

namespace tessera::driver {

ScreenPixels CaptureWindow(HWND window) {
    ScreenPixels shot;
    RECT r{};
    if (!GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top) {
        return shot;
    }
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr && memory != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY)) {
            GdiFlush();
            shot.width = width;
            shot.height = height;
            shot.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
            std::memcpy(shot.pixels.data(), bits, shot.pixels.size() * 4);
            for (uint32_t& p : shot.pixels) {
                p &= 0x00FFFFFFu;
            }
        }
        SelectObject(memory, previous);
    }
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
    if (memory != nullptr) {
        DeleteDC(memory);
    }
    ReleaseDC(nullptr, screen);
    return shot;
}

bool SaveWindowCapture(HWND window, const std::string& path) {
    const ScreenPixels shot = CaptureWindow(window);
    if (shot.width == 0) {
        return false;
    }
    const int stride = (shot.width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = shot.width;
    header.biHeight = shot.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<DWORD>(stride * shot.height);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::vector<uint8_t> rows(header.biSizeImage, 0);
    for (int y = 0; y < shot.height; ++y) {
        uint8_t* row = rows.data() + static_cast<size_t>((shot.height - 1 - y) * stride);
        for (int x = 0; x < shot.width; ++x) {
            const uint32_t p = shot.At(x, y);
            row[3 * x] = static_cast<uint8_t>(p);
            row[3 * x + 1] = static_cast<uint8_t>(p >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(p >> 16);
        }
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                         std::fwrite(&header, sizeof header, 1, out) == 1 &&
                         std::fwrite(rows.data(), 1, rows.size(), out) == rows.size();
    return std::fclose(out) == 0 && written;
}

bool ReadPngSize(const std::string& path, int& width, int& height) {
    FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        return false;
    }
    uint8_t head[24] = {};
    const bool read = std::fread(head, 1, sizeof head, in) == sizeof head;
    std::fclose(in);
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (!read || std::memcmp(head, kSignature, 8) != 0 || std::memcmp(head + 12, "IHDR", 4) != 0) {
        return false;
    }
    auto big = [&](int at) {
        return static_cast<int>((uint32_t{head[at]} << 24) | (uint32_t{head[at + 1]} << 16) |
                                (uint32_t{head[at + 2]} << 8) | uint32_t{head[at + 3]});
    };
    width = big(16);
    height = big(20);
    return true;
}

}  // namespace tessera::driver
