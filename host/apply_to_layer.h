#pragma once
// "Apply to Photoshop Layer": after the main window closes with Apply, the resource it named is read
// back from the saved icon file and written, centred, into the host's selection.

#include "base/files.h"
#include "host/plugin_call.h"
#include "icon/resource_format.h"
#include "icon/resource_grid.h"

namespace tessera {

// Requests the whole selection, writes the stored resource into it and ends the request. The host's
// answer, or the failure to reach the parameters, goes into call.result; the latter also shows
// "DoFilterRect failed!".
void ApplyToLayer(PluginCall& call, FileSystem& files);

// Reads the icon file named in the parameters block and writes the block's resource into the output
// buffer. Sets call.result only when the parameters block cannot be reached.
void ApplyStoredResource(PluginCall& call, FileSystem& files);

// Writes the grid's image for `format`, centred, into the output buffer of the whole selection. Writes
// nothing when the grid has no such image, the selection is smaller than the image (with a message),
// or there is no output buffer.
void WriteResourceToLayer(PluginCall& call, const ResourceFormat& format, const ResourceGrid& grid);

}  // namespace tessera
