#pragma once
// The state of one call of PluginMain: the host's record and the result that goes back to the host.
// Every step of the call reports by setting `result`.

#include "host/filter_record.h"

namespace tessera {

class Alerts;

struct PluginCall {
    FilterRecord* record = nullptr;
    OSErr result = noErr;
    Alerts* alerts = nullptr;
};

}  // namespace tessera
