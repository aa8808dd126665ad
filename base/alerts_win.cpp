#include "base/alerts_win.h"

#include <windows.h>

#include "base/module_win.h"
#include "base/wide_win.h"

namespace tessera {

namespace {

UINT IconFlags(AlertIcon icon) {
    switch (icon) {
        case AlertIcon::Warning:
            return MB_ICONWARNING;
        case AlertIcon::Error:
            return MB_ICONERROR;
        case AlertIcon::Information:
            return MB_ICONINFORMATION;
        case AlertIcon::Question:
            return MB_ICONQUESTION;
        case AlertIcon::None:
            break;
    }
    return 0;
}

UINT ButtonFlags(AlertButtons buttons) {
    switch (buttons) {
        case AlertButtons::YesNo:
            return MB_YESNO;
        case AlertButtons::YesNoCancel:
            return MB_YESNOCANCEL;
        case AlertButtons::Ok:
            break;
    }
    return MB_OK;
}

class MessageBoxes final : public Alerts {
  public:
    AlertAnswer Show(const Alert& alert) override {
        std::string caption;
        switch (alert.caption) {
            case AlertCaption::Product:
                caption = kProductName;
                break;
            case AlertCaption::Module:
                caption = ModuleFileName();
                break;
            case AlertCaption::Path:
                caption = alert.path;
                break;
        }
        const int answer = MessageBoxW(GetActiveWindow(), Wide(alert.text).value_or(std::wstring()).c_str(),
                                       Wide(caption).value_or(std::wstring()).c_str(),
                                       IconFlags(alert.icon) | ButtonFlags(alert.buttons));
        switch (answer) {
            case IDYES:
                return AlertAnswer::Yes;
            case IDNO:
                return AlertAnswer::No;
            case IDCANCEL:
                return AlertAnswer::Cancel;
            default:
                return AlertAnswer::Ok;
        }
    }
};

}  // namespace

Alerts& MessageBoxAlerts() {
    static MessageBoxes alerts;
    return alerts;
}

}  // namespace tessera
