#pragma once
// A PNG file as a layer, the way a photo editor opens it: red, green and blue, and a transparency plane
// when the image has any (an alpha channel or a transparent colour). Decoded by the platform's own PNG
// library: libpng here, the Windows Imaging Component on Windows.

#include <optional>
#include <string>

#include "hostapp/layer_host.h"

namespace tessera::cli {

// None, with `error` saying why, when the file cannot be opened, is not a PNG image, is damaged, is
// larger than a layer may be, or memory is short.
std::optional<Layer> ReadLayerPng(const std::string& path, std::string& error);

}  // namespace tessera::cli
