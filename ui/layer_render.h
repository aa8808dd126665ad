#pragma once
// The layer view's work on its square, without the window: placing the square of a size, rebuilding
// the automatic colour table from it, having the host deliver it, and turning it into a slot. The
// window's layer view and `tessera build` both run these, so a script builds what the window builds.

#include "color/automatic_table.h"
#include "color/color_table.h"
#include "host/layer_square.h"

namespace tessera {

class Alerts;
class ModuleResources;
class ResourceGrid;
struct PluginCall;
struct ResourceFormat;

// What the layer view keeps about its square and its 256-colour table.
struct LayerSquareState {
    LayerSquares squares;           // the remembered square of each size
    WindowsSquares windowsSquares;  // and of each Windows size
    bool useActiveTable = false;    // 256 colours reduce to activeTable instead of the built-in table
    ColorTable activeTable = GreyRampTable();
    bool automaticTable = false;  // activeTable is rebuilt from the square whenever the square is shown
    AutomaticTableBuilder automaticBuilder;
};

// Rebuilds activeTable from the requested square: its colours counted through the host one row at a
// time, then the square delivered again. Short of memory the table stays as it was and nothing is
// asked of the host.
void RebuildAutomaticTable(PluginCall& call, LayerSquareState& state);

// Places the square of the size index (its remembered place, or a new one centred in the selection),
// rebuilds the automatic table when it is on, and has the host deliver the square. False when there is
// no record, the size index names no size, or the host failed (which has been reported).
bool RenderLayerSquare(PluginCall& call, LayerSquareState& state, int sizeIndex);

// Tells the user that a depth's built-in colour table cannot be loaded.
void TellNoTable(Alerts& alerts);

// The square the host last delivered into the slot `format` names, with the state's 256-colour table:
// 1 when done, 0 when there is no square of the format's size or memory is short. Without the depth's
// built-in table the user is told, and the slot is done with its colours left zero.
int ConvertRenderedSquare(PluginCall& call,
                          const LayerSquareState& state,
                          ResourceGrid& grid,
                          const ResourceFormat& format,
                          bool copyData,
                          bool copyMask,
                          const ModuleResources& resources);

// One slot of QuickBuild: the square of the format's size rendered, then its data and mask copied into
// the slot. Returns what the conversion returned.
int QuickBuildSlot(PluginCall& call,
                   LayerSquareState& state,
                   ResourceGrid& grid,
                   const ResourceFormat& format,
                   const ModuleResources& resources);

// The remembered square of a Windows size's slot; a slot of another kind names the first.
Rect& RememberedWindowsSquare(LayerSquareState& state, int slot);

// Places the square of a Windows size's slot (its remembered place, or a new one centred in the
// selection) and has the host deliver it. False when there is no record, the slot is of another kind,
// or the host failed (which has been reported).
bool RenderWindowsSquare(PluginCall& call, LayerSquareState& state, int slot);

// One Windows size's image from the layer: its remembered square (or one newly centred in the
// selection) delivered by the host and converted as the true-colour slots are. Returns what the
// conversion returned.
int BuildWindowsSlot(PluginCall& call, LayerSquareState& state, ResourceGrid& grid, int slot);

}  // namespace tessera
