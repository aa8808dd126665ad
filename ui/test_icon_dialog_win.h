#pragma once
// Shows an icon the way standard controls show it: caption, picture, buttons and a tree view.

#include <windows.h>

#include "base/win_handles_win.h"

namespace tessera {

// Runs the dialog modally; it takes the icon (none for an empty slot) and destroys it when it closes.
void RunTestIconDialog(HWND owner, UniqueHicon icon);

}  // namespace tessera
