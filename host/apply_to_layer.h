#pragma once
// "Apply to Photoshop Layer": after the main window closes with Apply, the resource it named is read
// back from the saved icon file and written, centred, into the host's selection.

#include "base/files.h"
#include "host/plugin_call.h"
#include "icon/resource_format.h"
#include "icon/resource_grid.h"

namespace tessera {

// Requests the whole selection, copies the layer's pixels into the output, writes the stored resource
// over them and ends the request. The host's answer, or the failure to reach the parameters, goes into
// call.result; the latter also shows "DoFilterRect failed!". When the host delivers no usable buffers,
// the user is told (once a call) and the result is userCanceledErr, so no host takes anything back.
void ApplyToLayer(PluginCall& call, FileSystem& files);

// Reads the icon file named in the parameters block and writes the block's resource into the output
// buffer. Sets call.result only when the parameters block cannot be reached.
void ApplyStoredResource(PluginCall& call, FileSystem& files);

// Writes the grid's image for `format`, centred, into the output buffer of the selection (the part of
// it inside the image). Writes nothing when the grid has no such image, the selection is smaller than
// the image (with a message), or the host delivered no output buffer that holds the selection.
void WriteResourceToLayer(PluginCall& call, const ResourceFormat& format, const ResourceGrid& grid);

}  // namespace tessera
