#include <objbase.h>

#include "cli/layer_png.h"
#include "hostapp/png_win.h"

namespace tessera::cli {

std::optional<Layer> ReadLayerPng(const std::string& path, std::string& error) {
    // The same decoder as tessera-host.exe, so both see the same layer in the same file.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::optional<Layer> layer = ReadPngLayer(path, error);
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return layer;
}

}  // namespace tessera::cli
