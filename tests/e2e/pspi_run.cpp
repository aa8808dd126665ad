// pspi-run: runs a filter plug-in inside pspiHost, the third-party engine through which the image editor
// PhotoDemon runs filter plug-ins, the way PhotoDemon drives it: the PNG as a 32-bit BGRA image, the
// whole image as the selection, the engine's own record, buffers and handle callbacks, and no owner
// window. The engine's DLL of this program's own machine type (pspiHost64.dll or pspiHost32.dll) is
// loaded from beside this program.
//
// usage: pspi-run IMAGE.png [--plugin PATH] [--output OUT.png]
//
// Prints "result N" with the engine's answer (0 when the filter ran and its output was taken, 5 when the
// filter cancelled) and exits with 0 once the engine has run, 1 for a bad command line, 2 for an image
// that cannot be read, 3 when the engine or the plug-in cannot be loaded, 4 when the output cannot be
// written.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "base/module_win.h"
#include "base/win_handles_win.h"
#include "hostapp/layer_host.h"
#include "hostapp/png.h"

namespace {

using namespace tessera;

// The engine's API (pspiHost.h, pspiGlobals.h): plain C functions, the image type an enum.
constexpr int kImageTypeBgra = 1;
#ifdef _WIN64
constexpr const char* kEngine = "pspiHost64.dll";
#else
constexpr const char* kEngine = "pspiHost32.dll";
#endif
using SetPathProc = int (*)(const wchar_t* filterFolder);
using SetImageProc = int (*)(int type, int width, int height, void* image, int stride, void* alpha, int alphaStride);
using PlugInLoadProc = int (*)(const wchar_t* filter);
using PlugInExecuteProc = int (*)(HWND owner);

std::wstring Wide(const std::string& text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

std::string Folder(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

template <typename Proc>
Proc Export(HMODULE module, const char* name) {
    // GetProcAddress answers a generic function pointer; each export has the type the engine declares.
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

int Run(int argc, char** argv) {
    std::string image;
    std::string plugin = ProgramFolder() + "\\tessera.8bf";
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--plugin" && i + 1 < argc) {
            plugin = argv[++i];
        } else if (arg == "--output" && i + 1 < argc) {
            output = argv[++i];
        } else if (!arg.starts_with("--") && image.empty()) {
            image = arg;
        } else {
            std::fprintf(stderr, "usage: pspi-run IMAGE.png [--plugin PATH] [--output OUT.png]\n");
            return 1;
        }
    }
    if (image.empty()) {
        std::fprintf(stderr, "usage: pspi-run IMAGE.png [--plugin PATH] [--output OUT.png]\n");
        return 1;
    }

    std::string error;
    std::optional<Layer> layer = ReadPngLayer(image, error);
    if (!layer) {
        std::fprintf(stderr, "pspi-run: %s\n", error.c_str());
        return 2;
    }
    const size_t pixels = static_cast<size_t>(layer->width) * static_cast<size_t>(layer->height);
    std::unique_ptr<uint8_t[]> bgra(new (std::nothrow) uint8_t[pixels * 4]);
    if (!bgra) {
        std::fprintf(stderr, "pspi-run: out of memory\n");
        return 2;
    }
    const size_t stride = static_cast<size_t>(layer->width) * 4;
    CopyLayerToBlueFirst(*layer, bgra.get(), stride, 4);

    UniqueModule engine(LoadLibraryA((ProgramFolder() + "\\" + kEngine).c_str()));
    const auto setPath = engine ? Export<SetPathProc>(engine.get(), "pspiSetPath") : nullptr;
    const auto setImage = engine ? Export<SetImageProc>(engine.get(), "pspiSetImage") : nullptr;
    const auto load = engine ? Export<PlugInLoadProc>(engine.get(), "pspiPlugInLoad") : nullptr;
    const auto execute = engine ? Export<PlugInExecuteProc>(engine.get(), "pspiPlugInExecute") : nullptr;
    if (setPath == nullptr || setImage == nullptr || load == nullptr || execute == nullptr) {
        std::fprintf(stderr, "pspi-run: %s cannot be loaded from %s\n", kEngine, ProgramFolder().c_str());
        return 3;
    }
    setPath(Wide(Folder(plugin)).c_str());
    if (setImage(kImageTypeBgra, layer->width, layer->height, bgra.get(), static_cast<int>(stride), nullptr, 0) != 0 ||
        load(Wide(plugin).c_str()) != 0) {
        std::fprintf(stderr, "pspi-run: the engine does not take %s\n", plugin.c_str());
        return 3;
    }
    const int result = execute(nullptr);
    std::printf("result %d\n", result);
    std::fflush(stdout);

    if (!output.empty()) {
        CopyBlueFirstToLayer(bgra.get(), stride, *layer);
        if (!WritePngLayer(*layer, output, error)) {
            std::fprintf(stderr, "pspi-run: %s\n", error.c_str());
            return 4;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return Run(argc, argv);
}
