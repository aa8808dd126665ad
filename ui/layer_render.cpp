#include "ui/layer_render.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "base/alerts.h"
#include "base/texts.h"
#include "color/convert.h"
#include "host/plugin_call.h"
#include "icon/image_kind.h"
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

void TellNoTable(Alerts& alerts) {
    Alert alert;
    alert.text = texts::kCannotLoadTable;
    alerts.Show(alert);
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
    const ConvertResult result =
        ConvertLayerToResource(CurrentLayerImage(call, format.PixelSize()), grid, format, copyData, copyMask,
                               state.useActiveTable, state.activeTable, resources);
    if (result.noTable) {
        TellNoTable(call.alerts);
    }
    return result.done;
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

Rect& RememberedWindowsSquare(LayerSquareState& state, int slot) {
    return state.windowsSquares.positions[IsWindowsSlot(slot) ? static_cast<size_t>(slot - kGridSlotCount) : 0];
}

bool RenderWindowsSquare(PluginCall& call, LayerSquareState& state, int slot) {
    const int side = KindOfSlot(slot).side;
    if (call.record == nullptr || !IsWindowsSlot(slot)) {
        return false;
    }
    RequestPlacedSquare(call, RememberedWindowsSquare(state, slot), side, side);
    return FetchLayerSquare(call);
}

int BuildWindowsSlot(PluginCall& call, LayerSquareState& state, ResourceGrid& grid, int slot) {
    // A failed delivery has been reported; the conversion then finds no square and answers 0, and the
    // slot keeps what it held.
    RenderWindowsSquare(call, state, slot);
    return ConvertLayerToWindowsSlot(CurrentLayerImage(call, KindOfSlot(slot).side), grid, slot);
}

}  // namespace tessera
