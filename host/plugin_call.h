#pragma once
// The state of one call of PluginMain: the host's record, the result that goes back to the host and
// the layer square asked of the host. Every step of the call reports by setting `result`.

#include "host/filter_record.h"
#include "host/layer_square.h"

namespace tessera {

class Alerts;

struct PluginCall {
    explicit PluginCall(FilterRecord* callRecord = nullptr, OSErr callResult = noErr, Alerts* callAlerts = nullptr)
        : record(callRecord), result(callResult), alerts(callAlerts) {}

    FilterRecord* record;
    OSErr result;
    Alerts* alerts;
    SquareRequest layer;
};

}  // namespace tessera
