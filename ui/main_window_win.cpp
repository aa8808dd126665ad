#include "ui/main_window_win.h"

#include "base/module_win.h"
#include "host/plugin_call.h"
#include "host/plugin_entry.h"
#include "resources/resource_ids.h"

namespace tessera {

namespace {

class MainWindow {
public:
    explicit MainWindow(PluginCall& call) : call_(call) {}

    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        try {
            if (message == WM_INITDIALOG) {
                SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            }
            auto* window = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(dialog, DWLP_USER));
            return window != nullptr ? window->Handle(dialog, message, wParam, lParam) : FALSE;
        } catch (...) {
            EndDialog(dialog, kMainWindowDone);
            return TRUE;
        }
    }

private:
    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG:
                return TRUE;
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDOK:
                    case ID_RESOURCE_APPLY:
                        EndDialog(dialog, kMainWindowApply);
                        return TRUE;
                    case IDCANCEL:
                        EndDialog(dialog, kMainWindowDone);
                        return TRUE;
                    default:
                        break;
                }
                break;
            default:
                break;
        }
        return FALSE;
    }

    [[maybe_unused]] PluginCall& call_;
};

}  // namespace

int RunMainWindow(HWND owner, PluginCall& call) {
    MainWindow window(call);
    const INT_PTR code = DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(IDD_MAIN), owner,
                                         &MainWindow::DialogProc, reinterpret_cast<LPARAM>(&window));
    return static_cast<int>(code);
}

}  // namespace tessera
