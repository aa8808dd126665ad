#include "base/win_handles_win.h"

#include "cli/layer_png.h"
#include "hostapp/png_win.h"

namespace tessera::cli {

std::optional<Layer> ReadLayerPng(const std::string& path, std::string& error) {
    // The same decoder as tessera-host.exe, so both see the same layer in the same file.
    const ComApartment com;
    return ReadPngLayer(path, error);
}

}  // namespace tessera::cli
