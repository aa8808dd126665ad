#pragma once
// Platform icon handles made from grid slots. The caller owns the handle.

#include "base/win_handles_win.h"
#include "icon/resource_grid.h"

namespace tessera {

UniqueHicon CreateIconHandle(const ResourceGrid& grid, int slot);
UniqueHicon CreateIconForFormat(const ResourceGrid& grid, const ResourceFormat& format);

}  // namespace tessera
