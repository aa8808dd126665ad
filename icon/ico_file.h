#pragma once
// The grid as an .ico file: a 6-byte header, one 16-byte directory entry per present slot in slot
// order, then each slot's block as the grid holds it (only biSizeImage is written as 0).

#include <cstdint>
#include <string>

#include "base/alerts.h"
#include "base/files.h"
#include "icon/resource_grid.h"

namespace tessera {

enum class IcoResult {
    Ok,
    // Reading: the file could not be opened. Writing: the file could not be created or put in place of
    // the old one. No message has been shown; the caller decides (Open stays silent, Save falls back to
    // Save As, Apply ends without writing).
    NotOpened,
    // Any other failure. The reader and the writer have shown their message.
    Failed,
};

// Empties the grid, then fills it from the file. Images of no grid kind are skipped. On failure the
// slots completed before the failing entry stay present.
IcoResult ReadIcoFile(ResourceGrid& grid, const std::string& path, FileSystem& files, Alerts& alerts);

// Writes the present slots to a temporary file beside `path` and puts it in place of `path` only when
// all of it is written. On success every modified flag is cleared; on failure the old file, the grid
// and its flags are as they were, and no temporary is left.
IcoResult WriteIcoFile(ResourceGrid& grid, const std::string& path, FileSystem& files, Alerts& alerts);

// Where WriteIcoFile puts the block of `slot` for the grid as it is now.
uint64_t ImageOffset(const ResourceGrid& grid, int slot);

}  // namespace tessera
