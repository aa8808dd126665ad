#pragma once
// Range checks for sizes and offsets taken from outside bytes.

#include <cstdint>

namespace tessera {

// True when [offset, offset + length) lies inside a buffer of `size` bytes. Written by subtraction so
// that no sum can wrap.
[[nodiscard]] constexpr bool RangeFits(uint64_t offset, uint64_t length, uint64_t size) {
    return offset <= size && length <= size - offset;
}

}  // namespace tessera
