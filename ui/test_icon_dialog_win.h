#pragma once
// Shows an icon the way standard controls show it (caption, picture, buttons and a tree view), and the
// whole document as Windows draws it on each surface at a chosen display scale.

#include <windows.h>

#include "base/win_handles_win.h"
#include "icon/resource_grid.h"

namespace tessera {

// Runs the dialog modally; it takes the icon (none for an empty slot) and destroys it when it closes.
// It only reads the grid.
void RunTestIconDialog(HWND owner, UniqueHicon icon, const ResourceGrid& grid);

}  // namespace tessera
