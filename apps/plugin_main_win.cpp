// The plug-in's only export. The host calls it once per selector, on its own thread.
#include <windows.h>

#include "base/alerts_win.h"
#include "base/files.h"
#include "base/module_win.h"
#include "base/settings_store_win.h"
#include "host/apply_to_layer.h"
#include "host/plugin_call.h"
#include "host/plugin_entry.h"
#include "ui/main_window_win.h"
#include "ui/simple_dialogs_win.h"

namespace tessera {

namespace {

// The host's window for our dialogs. A host may pass none, or a value that is no window (left over,
// or of another process that has gone): then the dialogs have no owner.
HWND OwnerWindow(intptr_t owner) {
    const auto window = reinterpret_cast<HWND>(owner);
    return window != nullptr && IsWindow(window) ? window : nullptr;
}

class WindowsPlatform final : public PluginPlatform {
  public:
    void ShowAbout(intptr_t owner) override { ShowAboutBox(OwnerWindow(owner)); }
    // The first run is any run before the window has stored its options for this user.
    bool IsFirstRun() override { return !SettingsExist(RegistrySettingsStore()); }
    void ShowWelcome(intptr_t owner) override { ShowWelcomeDialog(OwnerWindow(owner)); }
    int RunMainWindow(PluginCall& call, intptr_t owner) override {
        return tessera::RunMainWindow(OwnerWindow(owner), call);
    }
    void ApplyToLayer(PluginCall& call) override { tessera::ApplyToLayer(call, PlatformFileSystem()); }
    Alerts& UserAlerts() override { return MessageBoxAlerts(); }
};

}  // namespace

}  // namespace tessera

extern "C" void PluginMain(tessera::int16 selector, void* record, intptr_t* data, tessera::int16* result) {
    try {
        tessera::WindowsPlatform platform;
        tessera::PluginEntry(selector, record, data, result, platform);
    } catch (...) {
        // Nothing may unwind into the host. Report an error the host shows as its own.
        if (result != nullptr) {
            *result = tessera::paramErr;
        }
        if (data != nullptr) {
            *data = 0;
        }
    }
}
