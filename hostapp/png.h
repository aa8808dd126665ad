#pragma once
// A PNG file as a layer, the way a photo editor opens it: red, green and blue, and a transparency plane
// when the image has any (an alpha channel or a transparent colour), through the platform's PNG codec.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hostapp/layer_host.h"

namespace tessera {

// The image as a layer: four planes when the PNG has transparency, three when it has none. None, with
// `error` saying why, when the file cannot be opened, is not a PNG, or is too large for a layer.
std::optional<Layer> ReadPngLayer(const std::string& path, std::string& error);

// Writes the layer as a PNG, with an alpha channel when the layer has a transparency plane. On failure
// `error` says why and no partial file is left.
bool WritePngLayer(const Layer& layer, const std::string& path, std::string& error);

// The layer as the bytes of a PNG file in red, green, blue and alpha (255 throughout when the layer
// has no transparency plane), as icon files hold their large images. None, with `error` saying why,
// when it cannot be encoded.
std::optional<std::vector<uint8_t>> EncodePngRgba(const Layer& layer, std::string& error);

}  // namespace tessera
