#pragma once
// Overflow-checked arithmetic for sizes and offsets taken from outside bytes.

#include <cstdint>
#include <optional>

namespace tessera {

template <typename T>
[[nodiscard]] constexpr bool CheckedAdd(T a, T b, T& out) {
    return !__builtin_add_overflow(a, b, &out);
}

template <typename T>
[[nodiscard]] constexpr bool CheckedMul(T a, T b, T& out) {
    return !__builtin_mul_overflow(a, b, &out);
}

// True when [offset, offset + length) lies inside a buffer of `size` bytes. Written by subtraction so
// that no sum can wrap.
[[nodiscard]] constexpr bool RangeFits(uint64_t offset, uint64_t length, uint64_t size) {
    return offset <= size && length <= size - offset;
}

}  // namespace tessera
