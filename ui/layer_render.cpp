#include "ui/layer_render.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "color/convert.h"
#include "host/plugin_call.h"
#include "icon/resource_format.h"

namespace tessera {

void RebuildAutomaticTable(PluginCall& call, LayerSquareState& state) {
    const Rect& square = call.layer.square;
    const int64_t pixels = int64_t{std::max(0, square.bottom - square.top)} * std::max(0, square.right - square.left);
    std::optional<AutomaticTableBuilder::Count> count = state.automaticBuilder.StartCount(static_cast<size_t>(pixels));
    if (!count) {
        return;
    }
    ScanLayerHistogram(call, count->histogram, &count->filled);
    state.activeTable = state.automaticBuilder.FinishCount(*count);
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

int ConvertRenderedSquare(PluginCall& call,
                          const LayerSquareState& state,
                          ResourceGrid& grid,
                          const ResourceFormat& format,
                          bool copyData,
                          bool copyMask,
                          const ModuleResources& resources) {
    return ConvertLayerToResource(CurrentLayerImage(call, format.PixelSize()), grid, format, copyData, copyMask,
                                  state.useActiveTable, state.activeTable, resources, call.alerts);
}

int QuickBuildSlot(PluginCall& call,
                   LayerSquareState& state,
                   ResourceGrid& grid,
                   const ResourceFormat& format,
                   const ModuleResources& resources) {
    // A failed delivery has been reported; the conversion then finds no square and answers 0, exactly
    // as the window's copy would.
    RenderLayerSquare(call, state, format.size);
    return ConvertRenderedSquare(call, state, grid, format, true, true, resources);
}

}  // namespace tessera
