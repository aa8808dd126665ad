#pragma once
// What the two halves of the benchmark program share: color_bench.cpp holds main and the squares of
// the colour reduction, icon_bench.cpp the layer of the Windows sizes. The squares are written out so
// that compare_pillow.py times Pillow on the very pixels we time ourselves on.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>

namespace tessera {

inline uint8_t Clamp8(double v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// The bytes as the whole file at `path`; false, said on stderr, when it cannot be written.
bool WriteDumpFile(const std::string& path, std::span<const uint8_t> bytes);

// Each Windows size's square of the generated layer as FOLDER/windows/SIDE.rgba (SIDE x SIDE pixels of
// red, green, blue and alpha, top row first); false, said on stderr, when one cannot be written.
bool DumpWindowsSquares(const std::string& folder);

}  // namespace tessera
