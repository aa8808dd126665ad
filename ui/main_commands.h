#pragma once
// The main window's decisions that need no window: which slots QuickBuild fills, how the depth and the
// mask follow each other, Center, Cycle, the identity and tool tip of each grid cell and of the grid, and
// the check and enable state of every menu entry. The window only reads its controls, calls these and paints.

#include <optional>
#include <string>
#include <vector>

#include "host/layer_square.h"
#include "icon/resource_format.h"
#include "icon/resource_grid.h"
#include "ui/window_options.h"

namespace tessera {

// The window's fixed format of the cell that shows a grid slot: its size and depth, Soft for true colour
// else Hard, Both.
ResourceFormat SlotFormat(int slot);
// The control of the cell that shows a grid slot.
int CellControlId(int slot);
// The grid slot a cell control shows, or none for another id.
std::optional<int> SlotOfCellControl(int controlId);
// The grid slot of the cell to highlight for a selection: the 16-colour cell of the size for a depth
// other than 1 or 2; none for a size outside 0..3.
std::optional<int> HighlightedSlot(const ResourceFormat& format);
// "16 x 16 pixels with 256 colors" and the like.
std::string CellToolTip(int slot);
// The Resource Grid group's tool tip: the images the icon holds beside the slots, which the grid does
// not show and Save writes back as they are, one line each (the first few); empty when there are none.
std::string KeptImagesToolTip(const ResourceGrid& grid);

// Every command that sets the depth sets the mask with it: Soft for true colour, Hard otherwise.
void SelectDepth(ResourceFormat& format, int depth);
// The mask radios choose the depth: Hard means 256 colours, Soft true colour.
void SelectMask(ResourceFormat& format, int mask);

// The grid slots QuickBuild fills, sizes outer: with Shift the current size at every depth; else with
// Control every size at the current depth; else all twelve. Shift wins over Control.
std::vector<int> QuickBuildList(const ResourceFormat& current, bool shift, bool control);

// Forgets the remembered square of the current size (a size other than 1, 2, 3 counts as 0), or of
// every size with Shift, so the view centres it in the selection again.
void CenterSquares(LayerSquares& squares, int size, bool shift);

// Takes the next custom colour as the background and steps the cycle, wrapping after the sixteenth.
void CycleBackground(WindowOptions& options);

struct MenuItemState {
    bool checked = false;
    bool enabled = true;
};
// The state of a menu entry when its pop-up opens; none for an entry without an update rule, which
// stays enabled and unchecked.
std::optional<MenuItemState> MenuItemUpdate(int commandId, const WindowOptions& options);

}  // namespace tessera
