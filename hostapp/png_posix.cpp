#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <new>

#include "hostapp/png.h"

namespace tessera {

namespace {

// libpng reports a fatal error by jumping back to the last setjmp on its jump buffer. Only the two
// functions below set one, and no object with a destructor is alive in their frames, so the jump skips
// no clean-up: everything that needs releasing is owned by the caller's frame.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[160] = {};
};

struct Geometry {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int planes = 0;
};

void OnError(png_structp png, png_const_charp message) {
    auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
    std::snprintf(reader->message, sizeof reader->message, "%s", message);
    png_longjmp(png, 1);
}

// Warnings (a colour profile libpng dislikes, a damaged ancillary chunk it drops) change no pixel.
void OnWarning(png_structp, png_const_charp) {}

// Reads the header and asks for 8-bit red, green, blue and, when the image has any transparency,
// alpha: palettes expanded, grey made into three equal channels, 16-bit samples scaled, a transparent
// colour turned into an alpha channel. No gamma or colour-profile correction: the layer holds the
// samples the file holds, as a photo editor's layer does.
bool ReadHeader(PngReader& reader, Geometry& geometry) {
    if (setjmp(png_jmpbuf(reader.png)) != 0) {
        return false;
    }
    png_set_sig_bytes(reader.png, 8);
    png_read_info(reader.png, reader.info);
    const png_byte colorType = png_get_color_type(reader.png, reader.info);
    const png_byte bitDepth = png_get_bit_depth(reader.png, reader.info);
    const bool transparentColor = png_get_valid(reader.png, reader.info, PNG_INFO_tRNS) != 0;
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
    png_set_interlace_handling(reader.png);
    png_read_update_info(reader.png, reader.info);
    geometry.width = png_get_image_width(reader.png, reader.info);
    geometry.height = png_get_image_height(reader.png, reader.info);
    geometry.planes = png_get_channels(reader.png, reader.info);
    return png_get_bit_depth(reader.png, reader.info) == 8 && (geometry.planes == 3 || geometry.planes == 4);
}

bool ReadRows(PngReader& reader, png_bytepp rows) {
    if (setjmp(png_jmpbuf(reader.png)) != 0) {
        return false;
    }
    png_read_image(reader.png, rows);
    return true;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

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

std::optional<Layer> ReadPngLayer(const std::string& path, std::string& error) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "cannot open " + path;
        return std::nullopt;
    }
    png_byte signature[8];
    if (std::fread(signature, 1, sizeof signature, file.get()) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0) {
        error = path + " is not a PNG image";
        return std::nullopt;
    }
    PngReader reader;
    const ReaderRelease release(reader);
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, &OnError, &OnWarning);
    reader.info = reader.png != nullptr ? png_create_info_struct(reader.png) : nullptr;
    if (reader.info == nullptr) {
        error = "not enough memory for " + path;
        return std::nullopt;
    }
    png_init_io(reader.png, file.get());
    Geometry geometry;
    if (!ReadHeader(reader, geometry)) {
        error = path + " is damaged: " + (reader.message[0] != '\0' ? reader.message : "its pixels cannot be read");
        return std::nullopt;
    }
    if (geometry.width > static_cast<png_uint_32>(kMaxLayerSide) ||
        geometry.height > static_cast<png_uint_32>(kMaxLayerSide)) {
        error = path + " is empty or larger than " + std::to_string(kMaxLayerSide) + " pixels a side";
        return std::nullopt;
    }
    std::optional<Layer> layer =
        MakeLayer(static_cast<int>(geometry.width), static_cast<int>(geometry.height), geometry.planes);
    const std::unique_ptr<png_bytep[]> rows(new (std::nothrow) png_bytep[geometry.height]);
    if (!layer || !rows) {
        error = "not enough memory for " + path;
        return std::nullopt;
    }
    for (int y = 0; y < layer->height; ++y) {
        rows[static_cast<size_t>(y)] = layer->At(0, y);
    }
    if (!ReadRows(reader, rows.get())) {
        error = path + " is damaged: " + reader.message;
        return std::nullopt;
    }
    return layer;
}

bool WritePngLayer(const Layer& layer, const std::string& path, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(layer.width);
    image.height = static_cast<png_uint_32>(layer.height);
    image.format = layer.planes == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    if (png_image_write_to_file(&image, path.c_str(), 0, layer.pixels.get(), 0, nullptr) == 0) {
        std::remove(path.c_str());
        error = "cannot write " + path;
        return false;
    }
    return true;
}

std::optional<std::vector<uint8_t>> EncodePngRgba(const Layer& layer, std::string& error) {
    std::vector<uint8_t> expanded;
    const uint8_t* rgba = layer.pixels.get();
    if (layer.planes != 4) {
        expanded.resize(static_cast<size_t>(layer.width) * static_cast<size_t>(layer.height) * 4);
        for (int y = 0; y < layer.height; ++y) {
            for (int x = 0; x < layer.width; ++x) {
                uint8_t* out = &expanded[(static_cast<size_t>(y) * static_cast<size_t>(layer.width) + size_t(x)) * 4];
                const uint8_t* in = layer.At(x, y);
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = 255;
            }
        }
        rgba = expanded.data();
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(layer.width);
    image.height = static_cast<png_uint_32>(layer.height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    std::vector<uint8_t> bytes;
    if (png_image_write_get_memory_size(image, size, 0, rgba, 0, nullptr) != 0) {
        bytes.resize(size);
    }
    if (bytes.empty() || png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba, 0, nullptr) == 0) {
        error = std::string("cannot encode the image as PNG: ") + image.message;
        return std::nullopt;
    }
    bytes.resize(size);
    return bytes;
}

}  // namespace tessera
