#pragma once
// The plug-in's working window: a modal dialog that ends with Apply (1) or Done (2).

#include <windows.h>

namespace tessera {

struct PluginCall;

// Runs the window modally; -1 when it cannot be created.
int RunMainWindow(HWND owner, PluginCall& call);

}  // namespace tessera
