// tessera-host: runs a filter plug-in on a PNG image the way a photo editor runs a filter on a layer,
// so Tessera can be used, and tested end to end, without the photo editor.

#include <windows.h>

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/console.h"
#include "base/module_win.h"
#include "base/wide_win.h"
#include "base/win_handles_win.h"
#include "hostapp/layer_host.h"
#include "hostapp/png.h"

namespace tessera {
namespace {

constexpr const char* kUsage =
    "usage: tessera-host IMAGE.png [options]\n"
    "       tessera-host --about [--plugin PATH]\n"
    "\n"
    "Runs the Tessera filter plug-in on a PNG image as a photo editor would: the image is the layer\n"
    "(with a transparency plane when the PNG has transparency) and the selection is the whole image\n"
    "unless one is given.\n"
    "\n"
    "  --selection L,T,R,B   the selection in pixels: left, top, right, bottom (right and bottom are\n"
    "                        the first column and row outside it)\n"
    "  --plugin PATH         the plug-in to load (default: tessera.8bf beside this program)\n"
    "  --about               show the plug-in's About box instead of running the filter\n"
    "  --output OUT.png      write the layer to OUT.png after the run (default: nothing is written)\n"
    "\n"
    "Prints \"result N\" with the plug-in's result code and exits with 0 once the plug-in has run,\n"
    "whatever N is. Exit codes otherwise: 1 bad arguments, 2 the image cannot be read, 3 the plug-in\n"
    "cannot be loaded, 4 the output cannot be written.\n";

constexpr int kExitRan = 0;
constexpr int kExitUsage = 1;
constexpr int kExitImage = 2;
constexpr int kExitPlugin = 3;
constexpr int kExitOutput = 4;

constexpr const char* kWindowClass = "TesseraHostWindow";
constexpr const char* kWindowCaption = "Tessera Host";

struct Options {
    std::string image;
    std::optional<Rect> selection;
    std::string plugin;
    bool about = false;
    std::string output;
};

// Reads the arguments after the program's name; on a mistake, says what it was.
std::optional<Options> ParseArguments(const std::vector<std::string>& args, std::string& error) {
    Options options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--about") {
            options.about = true;
        } else if (arg == "--selection" && hasValue) {
            options.selection = ParseSelection(args[++i]);
            if (!options.selection) {
                error = "--selection needs four numbers L,T,R,B";
                return std::nullopt;
            }
        } else if (arg == "--plugin" && hasValue) {
            options.plugin = args[++i];
        } else if (arg == "--output" && hasValue) {
            options.output = args[++i];
        } else if (arg.starts_with("--")) {
            error = "unknown option or missing value: " + std::string(arg);
            return std::nullopt;
        } else if (options.image.empty()) {
            options.image = arg;
        } else {
            error = "more than one image given";
            return std::nullopt;
        }
    }
    if (options.image.empty() && !options.about) {
        error = "no image given";
        return std::nullopt;
    }
    if (options.plugin.empty()) {
        options.plugin = ProgramFolder() + "\\tessera.8bf";
    }
    return options;
}

// Paints the layer at its own size over white, so the user sees what the filter runs on.
void PaintLayer(HWND window, const Layer& layer) {
    const PaintDc paint(window);
    HDC dc = paint.get();
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const size_t count = static_cast<size_t>(layer.width) * static_cast<size_t>(layer.height);
    std::unique_ptr<uint8_t[]> bgra(new (std::nothrow) uint8_t[count * 4]);
    if (bgra) {
        CopyLayerToBlueFirst(layer, bgra.get(), static_cast<size_t>(layer.width) * 4, 4);
        for (size_t i = 0; i < count; ++i) {
            uint8_t* d = bgra.get() + i * 4;
            const int alpha = d[3];
            for (int c = 0; c < 3; ++c) {
                d[c] = static_cast<uint8_t>((d[c] * alpha + 255 * (255 - alpha) + 127) / 255);
            }
            d[3] = 0;
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = layer.width;
        info.bmiHeader.biHeight = -layer.height;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(layer.width), static_cast<DWORD>(layer.height), 0, 0, 0,
                          static_cast<UINT>(layer.height), bgra.get(), &info, DIB_RGB_COLORS);
    }
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
            case WM_PAINT: {
                const auto* layer = reinterpret_cast<const Layer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
                if (layer != nullptr) {
                    PaintLayer(window, *layer);
                    return 0;
                }
                break;
            }
            case WM_CLOSE:
                // The window lives as long as the plug-in runs; the program ends when the run does.
                return 0;
            default:
                break;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

// The host's own top-level window: the owner of the plug-in's dialogs, as a photo editor's is.
UniqueWindow CreateHostWindow(const Layer& layer) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &HostWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
    UniqueWindow window(CreateWindowExA(0, kWindowClass, kWindowCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                        CW_USEDEFAULT, 640, 480, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
    if (window) {
        SetWindowLongPtrA(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&layer));
        ShowWindow(window.get(), SW_SHOWNORMAL);
        UpdateWindow(window.get());
    }
    return window;
}

int Run(int argc, char** argv) {
    std::string error;
    const std::optional<std::vector<std::string>> args = ProgramArguments(argc, argv, error);
    const std::optional<Options> options = args ? ParseArguments(*args, error) : std::nullopt;
    if (!options) {
        Print(stderr, "tessera-host: %s\n\n%s", error.c_str(), kUsage);
        return kExitUsage;
    }
    std::optional<Layer> layer = options->image.empty() ? MakeLayer(1, 1, 3) : ReadPngLayer(options->image, error);
    if (!layer) {
        Print(stderr, "tessera-host: %s\n", error.c_str());
        return kExitImage;
    }
    UniqueModule plugin(LoadLibraryW(WidePath(options->plugin).value_or(std::wstring()).c_str()));
    // GetProcAddress answers a generic function pointer; the export is the host entry.
    const auto entry = plugin ? reinterpret_cast<FilterEntryProc>(
                                    reinterpret_cast<void (*)()>(GetProcAddress(plugin.get(), "PluginMain")))
                              : nullptr;
    if (entry == nullptr) {
        Print(stderr, "tessera-host: %s is not a filter plug-in that can be loaded here\n", options->plugin.c_str());
        return kExitPlugin;
    }

    LayerHost host(std::move(*layer));
    if (options->selection && !host.SetSelection(*options->selection)) {
        Print(stderr, "tessera-host: the selection must be non-empty and inside the %d x %d image\n\n%s",
              host.GetLayer().width, host.GetLayer().height, kUsage);
        return kExitUsage;
    }
    UniqueWindow window = CreateHostWindow(host.GetLayer());
    host.SetWindow(reinterpret_cast<intptr_t>(window.get()));

    const OSErr result = options->about ? host.RunAbout(entry) : host.RunFilter(entry).result;
    std::printf("result %d\n", result);
    std::fflush(stdout);
    window.reset();

    if (!options->output.empty() && !WritePngLayer(host.GetLayer(), options->output, error)) {
        Print(stderr, "tessera-host: %s\n", error.c_str());
        return kExitOutput;
    }
    return kExitRan;
}

}  // namespace
}  // namespace tessera

int main(int argc, char** argv) {
    try {
        const tessera::ComApartment com;
        return tessera::Run(argc, argv);
    } catch (...) {
        tessera::Print(stderr, "tessera-host: out of memory\n");
        return 1;
    }
}
