#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <memory>
#include <new>

#include "base/png_codec.h"

namespace tessera {

namespace {

// libpng reports a fatal error by jumping back to the last setjmp on its jump buffer. Only the two
// functions below set one, and no object with a destructor is alive in their frames or in the callbacks
// that jump, so the jump skips no clean-up: everything that needs releasing is owned by the caller.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::span<const uint8_t> unread;  // what libpng has not asked for yet
};

void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

// Warnings (a colour profile libpng dislikes, a damaged ancillary chunk it drops) change no pixel.
void OnWarning(png_structp, png_const_charp) {}

// libpng reads the stream through this, and never past its end.
void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
    auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (count > reader->unread.size()) {
        png_error(png, "the stream ends early");
    }
    std::copy_n(reader->unread.data(), count, out);
    reader->unread = reader->unread.subspan(count);
}

// Reads the header and asks for 8-bit blue, green, red and alpha: palettes expanded, grey made into three
// equal channels, 16-bit samples scaled, a transparent colour turned into alpha, alpha 255 added where the
// stream has none. No gamma or colour-profile correction: the pixels are the samples the stream holds, as
// a photo editor opens them.
bool ReadHeader(PngReader& reader, png_uint_32& width, png_uint_32& height, bool& transparent) {
    if (setjmp(png_jmpbuf(reader.png)) != 0) {
        return false;
    }
    png_read_info(reader.png, reader.info);
    const png_byte colorType = png_get_color_type(reader.png, reader.info);
    const png_byte bitDepth = png_get_bit_depth(reader.png, reader.info);
    const bool transparentColor = png_get_valid(reader.png, reader.info, PNG_INFO_tRNS) != 0;
    transparent = transparentColor || (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    if (bitDepth == 16) {
        png_set_scale_16(reader.png);
    }
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(reader.png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(reader.png);
    }
    if (transparentColor) {
        png_set_tRNS_to_alpha(reader.png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(reader.png);
    }
    if (!transparent) {
        png_set_add_alpha(reader.png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_bgr(reader.png);
    png_set_interlace_handling(reader.png);
    png_read_update_info(reader.png, reader.info);
    width = png_get_image_width(reader.png, reader.info);
    height = png_get_image_height(reader.png, reader.info);
    return png_get_bit_depth(reader.png, reader.info) == 8 && png_get_channels(reader.png, reader.info) == 4;
}

// The pixels, to the end of the last image data chunk: a stream cut short or with a damaged chunk fails.
bool ReadRows(PngReader& reader, png_bytepp rows) {
    if (setjmp(png_jmpbuf(reader.png)) != 0) {
        return false;
    }
    png_read_image(reader.png, rows);
    return true;
}

class ReaderRelease {
  public:
    explicit ReaderRelease(PngReader& reader) : reader_(reader) {}
    ReaderRelease(const ReaderRelease&) = delete;
    ReaderRelease& operator=(const ReaderRelease&) = delete;
    ~ReaderRelease() { png_destroy_read_struct(&reader_.png, &reader_.info, nullptr); }

  private:
    PngReader& reader_;
};

}  // namespace

std::optional<std::vector<uint8_t>> EncodePngRows(const uint8_t* rows, int width, int height, int channels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = channels == 4 ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    // Room for the largest stream the image can give, so that it is compressed once: asked for the size
    // first, libpng compresses the whole image only to count the bytes, and that doubled the time.
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
    const std::unique_ptr<uint8_t[]> stream(new (std::nothrow) uint8_t[size]);
    if (!stream || png_image_write_to_memory(&image, stream.get(), &size, 0, rows, 0, nullptr) == 0) {
        return std::nullopt;
    }
    return std::vector<uint8_t>(stream.get(), stream.get() + size);
}

std::optional<PngRows> DecodePngRows(std::span<const uint8_t> bytes, int maxSide, PngFault& fault) {
    constexpr size_t kSignatureSize = 8;
    if (bytes.size() < kSignatureSize || png_sig_cmp(bytes.data(), 0, kSignatureSize) != 0) {
        fault = PngFault::NotPng;
        return std::nullopt;
    }
    PngReader reader;
    reader.unread = bytes;
    const ReaderRelease release(reader);
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, &OnError, &OnWarning);
    reader.info = reader.png != nullptr ? png_create_info_struct(reader.png) : nullptr;
    if (reader.info == nullptr) {
        fault = PngFault::NoMemory;
        return std::nullopt;
    }
    png_set_read_fn(reader.png, &reader, &ReadFromMemory);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    PngRows decoded;
    if (!ReadHeader(reader, width, height, decoded.transparent)) {
        fault = PngFault::Damaged;
        return std::nullopt;
    }
    if (width > static_cast<png_uint_32>(maxSide) || height > static_cast<png_uint_32>(maxSide)) {
        fault = PngFault::TooLarge;
        return std::nullopt;
    }
    decoded.width = static_cast<int>(width);
    decoded.height = static_cast<int>(height);
    const size_t stride = size_t{width} * 4;
    decoded.bgra.reset(new (std::nothrow) uint8_t[stride * height]);
    const std::unique_ptr<png_bytep[]> rows(new (std::nothrow) png_bytep[height]);
    if (!decoded.bgra || !rows) {
        fault = PngFault::NoMemory;
        return std::nullopt;
    }
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = decoded.bgra.get() + y * stride;
    }
    if (!ReadRows(reader, rows.get())) {
        fault = PngFault::Damaged;
        return std::nullopt;
    }
    return decoded;
}

}  // namespace tessera
