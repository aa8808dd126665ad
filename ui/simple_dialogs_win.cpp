#include "ui/simple_dialogs_win.h"

#include "base/dialog_win.h"
#include "base/module_win.h"
#include "resources/resource_ids.h"

namespace tessera {

namespace {

// Both dialogs only show their template and close on their one button (or Escape, or the close box).
INT_PTR CALLBACK CloseOnCommandProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    try {
        switch (message) {
            case WM_INITDIALOG:
                return TRUE;
            case WM_DESTROY:
                ReleaseTemplateBitmaps(dialog);
                return FALSE;
            case WM_COMMAND:
                if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                    EndDialog(dialog, LOWORD(wParam));
                    return TRUE;
                }
                break;
            default:
                break;
        }
    } catch (...) {
        EndDialog(dialog, IDCANCEL);
    }
    return FALSE;
}

}  // namespace

void ShowAboutBox(HWND owner) {
    DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(IDD_ABOUT), owner, CloseOnCommandProc, 0);
}

void ShowWelcomeDialog(HWND owner) {
    DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(IDD_WELCOME), owner, CloseOnCommandProc, 0);
}

}  // namespace tessera
