#include "host/plugin_entry.h"

#include "base/alerts.h"
#include "base/texts.h"
#include "host/layer_square.h"
#include "host/parameters_block.h"
#include "host/plugin_call.h"

namespace tessera {

namespace {

intptr_t OwnerOf(const void* platformData) {
    return platformData != nullptr ? static_cast<const PlatformData*>(platformData)->hwnd : 0;
}

void RunMainWindowFlow(PluginCall& call, PluginPlatform& platform) {
    EnsureParametersBlock(call);
    const intptr_t owner = OwnerOf(call.record->platformData);
    if (platform.IsFirstRun()) {
        platform.ShowWelcome(owner);
    }
    switch (platform.RunMainWindow(call, owner)) {
        case kMainWindowFailed:
            platform.UserAlerts().Show(WarningAlert(texts::kCannotOpenWindow));
            call.result = userCanceledErr;
            break;
        case kMainWindowApply:
            call.result = noErr;
            platform.ApplyToLayer(call);
            break;
        case kMainWindowDone:
            call.result = userCanceledErr;
            break;
        default:
            break;
    }
    // Whatever the window left requested, the host must see nothing more to do.
    EndRequests(*call.record);
}

}  // namespace

void PluginEntry(int16 selector, void* record, intptr_t* data, int16* result, PluginPlatform& platform) {
    PluginCall call(nullptr, platform.UserAlerts());
    call.result = result != nullptr ? *result : noErr;

    switch (selector) {
        case filterSelectorAbout:
            // The About call passes an AboutRecord: only its platformData is ours to read.
            platform.ShowAbout(record != nullptr ? OwnerOf(static_cast<const AboutRecord*>(record)->platformData) : 0);
            call.result = noErr;
            break;
        case filterSelectorParameters:
        case filterSelectorStart:
            if (record == nullptr) {
                // A host that passes no record cannot be served; say so rather than crash.
                call.result = paramErr;
                break;
            }
            call.record = static_cast<FilterRecord*>(record);
            if (selector == filterSelectorParameters) {
                call.result = noErr;
                SetUpParameters(call);
            } else {
                RunMainWindowFlow(call, platform);
            }
            break;
        case filterSelectorPrepare:
        case filterSelectorContinue:
        case filterSelectorFinish:
            call.result = noErr;
            break;
        default:
            break;
    }

    if (data != nullptr) {
        *data = 0;
    }
    if (result != nullptr) {
        *result = call.result;
    }
}

}  // namespace tessera
