#pragma once
// Draws one slot of the grid into a rectangle of a device context, in a view mode, either at the
// image's own size centred in the rectangle or stretched to fill it. The rectangle is not cleared
// first: where the image is transparent, whatever the caller put there shows.

#include <windows.h>

#include "icon/resource_grid.h"

namespace tessera {

// `view` is a ResourceFormat view value (1 Data, 2 Mask, anything else Both); `background` is the
// colour 32-bit images are blended over. False, with nothing drawn, for an empty slot; false too when
// the platform could not draw the image.
bool DrawResource(HDC dc,
                  const RECT& area,
                  int32_t view,
                  bool stretch,
                  COLORREF background,
                  const ResourceGrid& grid,
                  int slot);

// DrawResource for the slot that the format's size and depth name.
bool DrawFormat(HDC dc,
                const RECT& area,
                int32_t view,
                bool stretch,
                COLORREF background,
                const ResourceGrid& grid,
                const ResourceFormat& format);

}  // namespace tessera
