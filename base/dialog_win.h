#pragma once
// Modal dialogs backed by an object: the dialog procedure finds the object the dialog was started with
// and hands it every message. Nothing may unwind into the platform, so an exception ends the dialog with
// the object's own failure code.

#include <windows.h>

#include "base/module_win.h"

namespace tessera {

// T provides: INT_PTR Handle(HWND, UINT, WPARAM, LPARAM) and static constexpr INT_PTR kEndOnException.
template <typename T>
INT_PTR CALLBACK ObjectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        }
        auto* self = reinterpret_cast<T*>(GetWindowLongPtrA(dialog, DWLP_USER));
        return self != nullptr ? self->Handle(dialog, message, wParam, lParam) : FALSE;
    } catch (...) {
        EndDialog(dialog, T::kEndOnException);
        return TRUE;
    }
}

// The bitmaps that the picture controls of a dialog template loaded for themselves: the controls never
// free them, so the dialog takes them out and frees them as it is destroyed (WM_DESTROY).
inline void ReleaseTemplateBitmaps(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char kind[16] = {};
        GetClassNameA(child, kind, sizeof kind);
        if (lstrcmpiA(kind, "Static") != 0 || (GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP) {
            continue;
        }
        const auto bitmap = reinterpret_cast<HGDIOBJ>(SendMessageA(child, STM_SETIMAGE, IMAGE_BITMAP, 0));
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
    }
}

// Runs the dialog template `id` of our own module modally for `self`; the dialog's end code.
template <typename T>
INT_PTR RunObjectDialog(int id, HWND owner, T& self) {
    return DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(id), owner, &ObjectDialogProc<T>,
                           reinterpret_cast<LPARAM>(&self));
}

}  // namespace tessera
