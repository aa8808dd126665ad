#pragma once
// The state of one call of PluginMain: the host's record, the result that goes back to the host and
// the layer square asked of the host. Every step of the call reports by setting `result`.

#include "host/filter_record.h"
#include "host/layer_square.h"

namespace tessera {

class Alerts;

struct PluginCall {
    PluginCall(FilterRecord* callRecord, Alerts& callAlerts) : record(callRecord), alerts(callAlerts) {}

    FilterRecord* record;
    Alerts& alerts;  // every message of the call
    OSErr result = noErr;
    SquareRequest layer;
};

}  // namespace tessera
