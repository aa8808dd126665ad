#pragma once
// Platform icon handles made from grid slots. The caller owns the handle.

#include "base/win_handles_win.h"
#include "icon/resource_grid.h"

namespace tessera {

UniqueHicon CreateIconHandle(const ResourceGrid& grid, int slot);
UniqueHicon CreateIconForFormat(const ResourceGrid& grid, const ResourceFormat& format);
// The icon the platform makes of any slot's image (a PNG stream too) at side x side pixels, scaling it
// by its own rule as Windows does when it has no image of that size; none for an empty slot.
UniqueHicon CreateIconAtSide(const ResourceGrid& grid, int slot, int side);

}  // namespace tessera
