#include "base/common_dialogs_win.h"

namespace tessera {

namespace {

// The library, pinned so that nothing frees it before the process ends.
HMODULE Library() {
    static HMODULE library = [] {
        HMODULE module = LoadLibraryA("comdlg32.dll");
        HMODULE pinned = nullptr;
        if (module != nullptr) {
            GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, "comdlg32.dll", &pinned);
            FreeLibrary(module);
        }
        return pinned;
    }();
    return library;
}

template <typename Proc>
Proc Function(const char* name) {
    HMODULE library = Library();
    // GetProcAddress answers a generic function pointer; each export has the type its header declares.
    return library != nullptr ? reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)))
                              : nullptr;
}

}  // namespace

BOOL PickFileToOpen(OPENFILENAMEW& dialog) {
    const auto pick = Function<BOOL(WINAPI*)(OPENFILENAMEW*)>("GetOpenFileNameW");
    return pick != nullptr ? pick(&dialog) : FALSE;
}

BOOL PickFileToSave(OPENFILENAMEW& dialog) {
    const auto pick = Function<BOOL(WINAPI*)(OPENFILENAMEW*)>("GetSaveFileNameW");
    return pick != nullptr ? pick(&dialog) : FALSE;
}

BOOL PickColor(CHOOSECOLORA& dialog) {
    const auto pick = Function<BOOL(WINAPI*)(CHOOSECOLORA*)>("ChooseColorA");
    return pick != nullptr ? pick(&dialog) : FALSE;
}

}  // namespace tessera
