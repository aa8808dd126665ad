#pragma once
// A bounds-checked little-endian cursor over bytes that came from outside the program. Every read
// checks the remaining length by subtraction; the first failure sticks, so a header can be read field
// by field and checked once with Ok().

#include <cstddef>
#include <cstdint>
#include <span>

namespace tessera {

class ByteReader {
  public:
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    [[nodiscard]] bool Ok() const { return ok_; }
    [[nodiscard]] size_t Remaining() const { return ok_ ? bytes_.size() - offset_ : 0; }

    uint8_t U8() {
        const uint8_t* p = Take(1);
        return p ? p[0] : 0;
    }
    uint16_t U16LE() {
        const uint8_t* p = Take(2);
        return p ? static_cast<uint16_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8)) : 0;
    }
    uint32_t U32LE() {
        const uint8_t* p = Take(4);
        return p ? (uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24)) : 0;
    }
    int16_t I16LE() { return static_cast<int16_t>(U16LE()); }
    int32_t I32LE() { return static_cast<int32_t>(U32LE()); }

    // The next n bytes, or an empty span (and the failure flag) when fewer remain.
    std::span<const uint8_t> Bytes(size_t n) {
        const uint8_t* p = Take(n);
        return p ? std::span<const uint8_t>(p, n) : std::span<const uint8_t>();
    }
    void Skip(size_t n) { Take(n); }

  private:
    const uint8_t* Take(size_t n) {
        if (!ok_ || n > bytes_.size() - offset_) {
            ok_ = false;
            return nullptr;
        }
        const uint8_t* p = bytes_.data() + offset_;
        offset_ += n;
        return p;
    }

    std::span<const uint8_t> bytes_;
    size_t offset_ = 0;
    bool ok_ = true;
};

// Little-endian stores into a buffer the caller has sized.
inline void StoreU16LE(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreU32LE(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
inline uint16_t LoadU16LE(const uint8_t* p) {
    return static_cast<uint16_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8));
}
inline uint32_t LoadU32LE(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// Big-endian, as PNG streams hold their numbers.
inline void StoreU32BE(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}
inline uint32_t LoadU32BE(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

}  // namespace tessera
