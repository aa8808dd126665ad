#pragma once
// The sizes Windows draws beyond the grid's: every one of them shown at once, and the square of the
// picked one, which the artist moves over the layer as in the layer view and makes that size's image
// from.

#include <windows.h>

#include "host/layer_square.h"

namespace tessera {

class ResourceGrid;
struct PluginCall;

// Runs the dialog modally over `owner`. The images go into the grid's Windows slots, marked modified;
// `squares` are where the dialog starts each size's square and hold where the artist left them.
// `background` is the colour behind the images and the square.
void RunWindowsSizesDialog(HWND owner,
                           PluginCall& call,
                           ResourceGrid& grid,
                           WindowsSquares& squares,
                           COLORREF background);

}  // namespace tessera
