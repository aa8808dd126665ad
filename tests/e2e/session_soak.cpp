// session-soak: one process that runs whole sessions of the plug-in one after another, as a photo editor
// that stays open all day does, and says after each what the process holds. A second thread works the
// windows as a user would: the welcome dialog, QuickBuild, the Windows Sizes dialog with Build All, the
// Test dialog, Save As, Open, Apply.
//
// usage: session-soak LAYER.png SESSIONS kept|reloaded|refused FOLDER
//
//   kept      the plug-in's DLL stays loaded from one session to the next
//   reloaded  the DLL is freed after each session and loaded again at another base (the old one is
//             reserved first, so the loader cannot reuse it)
//   refused   the host has no memory for its pixel buffers: every delivery fails; each session shows
//             the messages, then ends with Done
//
// First prints "pickers K": the kernel handles that the system's own file pickers leave behind for a
// session's two picks (Wine's leave one each), measured here without the plug-in. Then a line a session:
// "session N gdi G windows W handles H private P base B". Exits with 0 when every session ran to its end.

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/common_dialogs_win.h"
#include "base/module_win.h"
#include "base/settings_store.h"
#include "base/win_handles_win.h"
#include "driver/ui_driver_win.h"
#include "hostapp/layer_host.h"
#include "hostapp/png.h"
#include "resources/resource_ids.h"
#include "support/gdi_objects_win.h"

namespace {

using namespace tessera;
using namespace tessera::driver;

constexpr const char* kMainWindowCaption = "Tessera by The Quorvane";

enum class Mode { Kept, Reloaded, Refused };

struct Figures {
    int gdi = 0;
    int windows = 0;
    DWORD handles = 0;
    size_t privateBytes = 0;
};

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountOwnWindows(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) {
        ++*reinterpret_cast<int*>(count);
        EnumChildWindows(window, CountChild, count);
    }
    return TRUE;
}

// The kernel handles of the process: every handle value that names one (Wine answers no handle count).
DWORD CountHandles() {
    DWORD count = 0;
    for (uintptr_t value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1u : 0u;
    }
    return count;
}

Figures Measure() {
    Figures figures;
    figures.gdi = test::LiveGdiObjects();
    EnumWindows(CountOwnWindows, reinterpret_cast<LPARAM>(&figures.windows));
    figures.handles = CountHandles();
    // The committed private memory (Wine fills PagefileUsage, not PrivateUsage).
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) {
        figures.privateBytes = memory.PagefileUsage;
    }
    return figures;
}

// Answers every message box that comes within `ms`; how many there were.
int AnswerMessages(DWORD ms) {
    int answered = 0;
    while (const std::optional<MessageBoxSeen> box = WaitForMessageBox(GetCurrentProcessId(), ms)) {
        AnswerMessageBox(*box, IDOK);
        WaitUntilClosed(box->window);
        ++answered;
    }
    return answered;
}

// The user's side of one session; false when a window did not come.
bool WorkSession(Mode mode, const std::string& icon) {
    const DWORD self = GetCurrentProcessId();
    HWND welcome = WaitForWindow(self, "Using Tessera");
    if (welcome == nullptr) {
        return false;
    }
    ClickButton(welcome, IDOK);
    HWND window = nullptr;
    if (mode == Mode::Refused) {
        // The layer view cannot fetch its square: each try says so, however slowly the messages come,
        // until the window shows.
        WaitUntil(kWaitMs, [&] {
            AnswerMessages(200);
            window = WaitForWindow(self, kMainWindowCaption, 200);
            return window != nullptr;
        });
    } else {
        window = WaitForWindow(self, kMainWindowCaption);
    }
    if (window == nullptr) {
        return false;
    }
    if (mode == Mode::Refused) {
        AnswerMessages(1000);
        PostCommand(window, IDCANCEL);
        return WaitUntilClosed(window);
    }
    if (!ClickButtonAndWait(window, IDC_QUICKBUILD, 20000)) {
        return false;
    }
    PostCommand(window, ID_RESOURCE_WINDOWS_SIZES);
    HWND sizes = WaitForWindow(self, "Windows Sizes");
    if (sizes == nullptr || !ClickButtonAndWait(sizes, IDC_WSIZES_BUILD_ALL, 20000) || !CancelDialog(sizes)) {
        return false;
    }
    PostCommand(window, ID_OPTIONS_TEST_ICON);
    HWND test = WaitForWindow(self, "Tessera Test");
    // At 400% the Test dialog makes its largest icons; they must go as it closes.
    if (test == nullptr || !ClickButtonAndWait(test, IDC_TEST_SCALE_LAST, 20000) || !CancelDialog(test)) {
        return false;
    }
    PostCommand(window, ID_FILE_SAVE_AS);
    if (!FillFileDialog(self, "Save As", icon)) {
        return false;
    }
    PostCommand(window, ID_FILE_OPEN);
    if (!FillFileDialog(self, "Open", icon)) {
        return false;
    }
    ClickButton(window, IDOK);
    return WaitUntilClosed(window);
}

// The handles one Save As and one Open through the system's pickers leave behind, as a session's picks.
DWORD PickerHandles(const std::string& folder) {
    const DWORD before = CountHandles();
    const std::string file = folder + "\\pickers.ico";
    for (const bool save : {true, false}) {
        std::thread user([&] { FillFileDialog(GetCurrentProcessId(), save ? "Save As" : "Open", file); });
        wchar_t path[MAX_PATH] = {};
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.lpstrFile = path;
        dialog.nMaxFile = MAX_PATH;
        dialog.lpstrFilter = L"Icon Files (*.ico)\0*.ico\0";
        dialog.Flags = OFN_HIDEREADONLY;
        if (save) {
            PickFileToSave(dialog);
            CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        } else {
            PickFileToOpen(dialog);
        }
        user.join();
    }
    DeleteFileA(file.c_str());
    const DWORD after = CountHandles();
    return after > before ? after - before : 0;
}

struct Plugin {
    UniqueModule module;
    FilterEntryProc entry = nullptr;
};

// Loads the plug-in; with `elsewhere`, first reserves the address range it had, so the loader must put
// it at another base.
bool LoadPlugin(Plugin& plugin, const std::string& path, bool elsewhere) {
    if (plugin.module && elsewhere) {
        const auto* base = reinterpret_cast<const uint8_t*>(plugin.module.get());
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const SIZE_T size = nt->OptionalHeader.SizeOfImage;
        void* oldBase = plugin.module.release();
        FreeLibrary(static_cast<HMODULE>(oldBase));
        // Kept for the rest of the run: every load lands somewhere new.
        VirtualAlloc(oldBase, size, MEM_RESERVE, PAGE_NOACCESS);
    }
    if (!plugin.module) {
        plugin.module.reset(LoadLibraryA(path.c_str()));
    }
    plugin.entry = plugin.module ? reinterpret_cast<FilterEntryProc>(
                                       reinterpret_cast<void (*)()>(GetProcAddress(plugin.module.get(), "PluginMain")))
                                 : nullptr;
    return plugin.entry != nullptr;
}

int Run(const std::string& layerPath, int sessions, Mode mode, const std::string& folder) {
    std::string error;
    const std::optional<Layer> original = ReadPngLayer(layerPath, error);
    if (!original) {
        std::fprintf(stderr, "session-soak: %s\n", error.c_str());
        return 2;
    }
    std::printf("pickers %lu\n", PickerHandles(folder));
    Plugin plugin;
    for (int session = 1; session <= sessions; ++session) {
        // A new file, so no picker asks to replace one.
        const std::string icon = folder + "\\soak-" + std::to_string(session) + ".ico";
        DeleteFileA(icon.c_str());
        // Every session is a first run, so the welcome dialog shows in each.
        RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
        if (!LoadPlugin(plugin, ProgramFolder() + "\\tessera.8bf", mode == Mode::Reloaded)) {
            std::fprintf(stderr, "session-soak: the plug-in cannot be loaded\n");
            return 3;
        }
        std::optional<Layer> layer = MakeLayer(original->width, original->height, original->planes);
        std::copy_n(original->pixels.get(), original->ByteCount(), layer->pixels.get());
        LayerHost host(std::move(*layer));
        if (mode == Mode::Refused) {
            host.SetAdvanceStateError(memFullErr);
        }
        std::thread user([&] {
            if (!WorkSession(mode, icon)) {
                // The plug-in's window may still be waiting for the user who gave up: end here.
                std::fprintf(stderr, "session-soak: session %d did not run to its end\n", session);
                std::fflush(stderr);
                ExitProcess(1);
            }
        });
        host.RunFilter(plugin.entry);
        user.join();
        const Figures f = Measure();
        std::printf("session %d gdi %d windows %d handles %lu private %zu base %p\n", session, f.gdi, f.windows,
                    f.handles, f.privateBytes, static_cast<void*>(plugin.module.get()));
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view kind = argc == 5 ? argv[3] : "";
    const std::optional<Mode> mode = kind == "kept"       ? std::optional<Mode>(Mode::Kept)
                                     : kind == "reloaded" ? std::optional<Mode>(Mode::Reloaded)
                                     : kind == "refused"  ? std::optional<Mode>(Mode::Refused)
                                                          : std::nullopt;
    const int sessions = argc == 5 ? std::atoi(argv[2]) : 0;
    if (!mode || sessions < 1) {
        std::fprintf(stderr, "usage: session-soak LAYER.png SESSIONS kept|reloaded|refused FOLDER\n");
        return 2;
    }
    return Run(argv[1], sessions, *mode, argv[4]);
}
