#include "cli/stream_alerts.h"

#include "base/console.h"

namespace tessera::cli {

AlertAnswer StreamAlerts::Show(const Alert& alert) {
    const char* caption = kProductName;
    switch (alert.caption) {
        case AlertCaption::Product:
            caption = kProductName;
            break;
        case AlertCaption::Module:
            caption = "tessera";
            break;
        case AlertCaption::Path:
            caption = alert.path.c_str();
            break;
    }
    Print(stream_, "%s: %s\n", caption, alert.text.c_str());
    std::fflush(stream_);
    switch (alert.buttons) {
        case AlertButtons::Ok:
            return AlertAnswer::Ok;
        case AlertButtons::YesNo:
            return AlertAnswer::No;
        case AlertButtons::YesNoCancel:
            return AlertAnswer::Cancel;
    }
    return AlertAnswer::Cancel;
}

}  // namespace tessera::cli
