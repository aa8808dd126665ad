#include "icon/png_header.h"

#include <cstring>

#include "base/byte_reader.h"

namespace tessera {

namespace {

constexpr uint32_t kIhdrLength = 13;
constexpr uint8_t kIhdrType[4] = {'I', 'H', 'D', 'R'};

}  // namespace

bool StartsWithPngSignature(std::span<const uint8_t> bytes) {
    return bytes.size() >= sizeof kPngSignature && std::memcmp(bytes.data(), kPngSignature, sizeof kPngSignature) == 0;
}

int PngBitsPerPixel(uint8_t bitDepth, uint8_t colorType) {
    switch (colorType) {
        case 0:  // grey
        case 3:  // palette indices
            return bitDepth;
        case 2:  // RGB
            return bitDepth * 3;
        case 4:  // grey and alpha
            return bitDepth * 2;
        case 6:  // RGBA
            return bitDepth * 4;
        default:
            return 0;
    }
}

std::optional<PngHeader> ReadPngHeader(std::span<const uint8_t> bytes) {
    ByteReader reader(bytes);
    reader.Skip(sizeof kPngSignature);
    const std::span<const uint8_t> length = reader.Bytes(4);
    const std::span<const uint8_t> type = reader.Bytes(sizeof kIhdrType);
    const std::span<const uint8_t> fields = reader.Bytes(kIhdrLength);
    if (!reader.Ok() || !StartsWithPngSignature(bytes) || LoadU32BE(length.data()) != kIhdrLength ||
        std::memcmp(type.data(), kIhdrType, sizeof kIhdrType) != 0) {
        return std::nullopt;
    }
    PngHeader header;
    header.width = LoadU32BE(fields.data());
    header.height = LoadU32BE(fields.data() + 4);
    header.bitDepth = fields[8];
    header.colorType = fields[9];
    // PNG's own limit, which lets every caller hold a side in an int.
    constexpr uint32_t kMaxSide = 0x7FFFFFFF;
    if (header.width == 0 || header.height == 0 || header.width > kMaxSide || header.height > kMaxSide ||
        PngBitsPerPixel(header.bitDepth, header.colorType) == 0) {
        return std::nullopt;
    }
    return header;
}

}  // namespace tessera
