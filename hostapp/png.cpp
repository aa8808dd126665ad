#include "hostapp/png.h"

#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <utility>

#include "base/files.h"
#include "base/png_codec.h"

namespace tessera {

namespace {

// The bytes of a whole file.
struct FileBytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
};

// None when the file cannot be opened or read whole.
std::optional<FileBytes> ReadWholeFile(const std::string& path) {
    const std::unique_ptr<File> file = PlatformFileSystem().OpenExisting(path);
    const std::optional<uint64_t> size = file ? file->Size() : std::nullopt;
    FileBytes bytes;
    if (size && *size <= SIZE_MAX) {
        bytes.size = static_cast<size_t>(*size);
        bytes.data.reset(new (std::nothrow) uint8_t[bytes.size]);
    }
    const bool read = bytes.data && file->Read(bytes.data.get(), bytes.size) == bytes.size;
    const bool closed = file && file->Close();
    return read && closed ? std::optional(std::move(bytes)) : std::nullopt;
}

// The file takes the place of `path` only when all of it was written.
bool WriteWholeFile(const std::vector<uint8_t>& bytes, const std::string& path) {
    FileSystem& files = PlatformFileSystem();
    std::string tempPath;
    std::unique_ptr<File> file = files.CreateTemporaryBeside(path, tempPath);
    if (!file) {
        return false;
    }
    const bool written = file->Write(bytes.data(), bytes.size());
    const bool closed = file->Close();
    file.reset();
    if (written && closed && files.Replace(tempPath, path)) {
        return true;
    }
    files.Remove(tempPath);
    return false;
}

// The layer as a PNG stream with `channels` bytes a pixel: 4 with alpha (255 where the layer has no
// transparency plane), 3 without.
std::optional<std::vector<uint8_t>> EncodeLayer(const Layer& layer, int channels) {
    const size_t stride = static_cast<size_t>(layer.width) * static_cast<size_t>(channels);
    const std::unique_ptr<uint8_t[]> rows(new (std::nothrow) uint8_t[stride * static_cast<size_t>(layer.height)]);
    if (!rows) {
        return std::nullopt;
    }
    CopyLayerToBlueFirst(layer, rows.get(), stride, channels);
    return EncodePngRows(rows.get(), layer.width, layer.height, channels);
}

}  // namespace

std::optional<Layer> ReadPngLayer(const std::string& path, std::string& error) {
    const std::optional<FileBytes> bytes = ReadWholeFile(path);
    if (!bytes) {
        error = "cannot open " + path;
        return std::nullopt;
    }
    PngFault fault{};
    const std::optional<PngRows> png = DecodePngRows(std::span(bytes->data.get(), bytes->size), kMaxLayerSide, fault);
    std::optional<Layer> layer = png ? MakeLayer(png->width, png->height, png->transparent ? 4 : 3) : std::nullopt;
    if (layer) {
        CopyBlueFirstToLayer(png->bgra.get(), static_cast<size_t>(png->width) * 4, *layer);
        return layer;
    }
    switch (png ? PngFault::NoMemory : fault) {
        case PngFault::NotPng:
            error = path + " is not a PNG image";
            break;
        case PngFault::TooLarge:
            error = path + " is empty or larger than " + std::to_string(kMaxLayerSide) + " pixels a side";
            break;
        case PngFault::Damaged:
            error = path + " is damaged: its pixels cannot be read";
            break;
        case PngFault::NoMemory:
            error = "not enough memory for " + path;
            break;
        case PngFault::NoCodec:
            error = "no PNG codec is available for " + path;
            break;
    }
    return std::nullopt;
}

bool WritePngLayer(const Layer& layer, const std::string& path, std::string& error) {
    const std::optional<std::vector<uint8_t>> png = EncodeLayer(layer, layer.planes);
    if (!png || !WriteWholeFile(*png, path)) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

std::optional<std::vector<uint8_t>> EncodePngRgba(const Layer& layer, std::string& error) {
    std::optional<std::vector<uint8_t>> png = EncodeLayer(layer, 4);
    if (!png) {
        error = "cannot encode the image as PNG";
    }
    return png;
}

}  // namespace tessera
