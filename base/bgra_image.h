#pragma once
// The one picture type of the core: 8-bit blue, green, red, alpha per pixel, rows bottom-up as in a
// device-independent bitmap, packed without padding. Windows code turns it into a DIB at the edge.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>

namespace tessera {

class BgraImage {
  public:
    // Largest side we ever make: the icon sizes and the layer squares stay far below it.
    static constexpr int kMaxSide = 4096;

    // A zero-filled picture; none when a side is not 1..kMaxSide or memory is short.
    static std::optional<BgraImage> Make(int width, int height) {
        if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide) {
            return std::nullopt;
        }
        const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
        std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[bytes]());
        if (pixels == nullptr) {
            return std::nullopt;
        }
        return BgraImage(width, height, std::move(pixels));
    }

    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }
    [[nodiscard]] size_t ByteCount() const { return static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4; }
    [[nodiscard]] const uint8_t* Bytes() const { return pixels_.get(); }
    [[nodiscard]] uint8_t* Bytes() { return pixels_.get(); }
    // Pixel (x, row), row 0 being the bottom row.
    [[nodiscard]] uint8_t* At(int x, int row) { return pixels_.get() + Offset(x, row); }
    [[nodiscard]] const uint8_t* At(int x, int row) const { return pixels_.get() + Offset(x, row); }

  private:
    BgraImage(int width, int height, std::unique_ptr<uint8_t[]> pixels)
        : width_(width), height_(height), pixels_(std::move(pixels)) {}
    [[nodiscard]] size_t Offset(int x, int row) const {
        return (static_cast<size_t>(row) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 4;
    }

    int width_ = 0;
    int height_ = 0;
    std::unique_ptr<uint8_t[]> pixels_;
};

}  // namespace tessera
