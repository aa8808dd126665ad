#include "ui/layer_render.h"

#include "color/convert.h"
#include "host/plugin_call.h"
#include "icon/resource_format.h"
#include "ui/layer_view.h"

namespace tessera {

void RebuildAutomaticTable(PluginCall& call, LayerSquareState& state) {
    state.automaticBuilder.BuildAutomaticTable(call, state.activeTable);
}

bool RenderLayerSquare(PluginCall& call, LayerSquareState& state, int sizeIndex) {
    const int side = ResourceFormat(sizeIndex, 0, 0, 0).PixelSize();
    if (call.record == nullptr || side == 0) {
        return false;
    }
    CenterLayerSquare(call, state.squares, sizeIndex, side, side);
    if (state.automaticTable) {
        // The scan may move the requested square inside the selection; the remembered place stays.
        RebuildAutomaticTable(call, state);
    }
    return FetchLayerSquare(call);
}

int ConvertRenderedSquare(const PluginCall& call,
                          const LayerSquareState& state,
                          ResourceGrid& grid,
                          const ResourceFormat& format,
                          bool copyData,
                          bool copyMask,
                          const ModuleResources& resources,
                          Alerts& alerts) {
    return ConvertLayerToResource(DeliveredSquare(call, format.PixelSize()), grid, format, copyData, copyMask,
                                  state.useActiveTable, state.activeTable, resources, alerts);
}

int QuickBuildSlot(PluginCall& call,
                   LayerSquareState& state,
                   ResourceGrid& grid,
                   const ResourceFormat& format,
                   const ModuleResources& resources,
                   Alerts& alerts) {
    // A failed delivery has been reported; the conversion then finds no square of this size, or the
    // one left from before, exactly as the window's copy would.
    RenderLayerSquare(call, state, format.size);
    return ConvertRenderedSquare(call, state, grid, format, true, true, resources, alerts);
}

}  // namespace tessera
