#pragma once
// The run flow behind PluginMain: one call per host selector. The platform supplies the dialogs and
// the main window, so the flow itself is portable and tested natively.

#include <cstdint>

#include "host/filter_record.h"

namespace tessera {

class Alerts;
struct PluginCall;

// End codes of the main window.
inline constexpr int kMainWindowFailed = -1;
inline constexpr int kMainWindowApply = 1;
inline constexpr int kMainWindowDone = 2;

class PluginPlatform {
  public:
    virtual ~PluginPlatform() = default;
    // owner: the host's window for our dialogs, 0 for none.
    virtual void ShowAbout(intptr_t owner) = 0;
    virtual bool IsFirstRun() = 0;
    virtual void ShowWelcome(intptr_t owner) = 0;
    // Runs the main window modally and answers its end code.
    virtual int RunMainWindow(PluginCall& call, intptr_t owner) = 0;
    virtual void ApplyToLayer(PluginCall& call) = 0;
    virtual Alerts& UserAlerts() = 0;
};

// Handles one call of the host. `record` is an AboutRecord for the About selector and a FilterRecord
// for all others; any pointer may be null, and nothing is written through a null pointer.
void PluginEntry(int16 selector, void* record, intptr_t* data, int16* result, PluginPlatform& platform);

}  // namespace tessera
