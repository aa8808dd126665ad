#pragma once
// Layer square to icon resource: the colour data, the mask, or both, reduced to 16 or 256 colours
// where the slot's depth asks for it.

#include <cstdint>
#include <memory>
#include <optional>

#include "base/layer_image.h"
#include "color/color_table.h"
#include "icon/resource_format.h"

namespace tessera {

class ModuleResources;
class ResourceGrid;

// Replaces the slot that `format` names (its size and depth; mask and view play no part) with the
// layer square. The slot is emptied first; a square without a visible pixel leaves it empty (and
// still counts as done). Whatever a flag leaves out stays zero: without copyData the colour rows and
// the colour table, without copyMask the mask and, at 32 bits, the alpha. useActiveTable and
// activeTable are the layer view's choice for 256 colours.
//
struct ConvertResult {
    // 1 when done, 0 when there is no square of the format's size or memory is short; the slot is then
    // empty unless there was no square, in which case nothing changed.
    int done = 0;
    // The depth's built-in colour table could not be loaded: the slot is done all the same, with its
    // colour rows and table left zero. The caller tells the user.
    bool noTable = false;
};

ConvertResult ConvertLayerToResource(const std::optional<LayerImage>& layer,
                                     ResourceGrid& grid,
                                     const ResourceFormat& format,
                                     bool copyData,
                                     bool copyMask,
                                     bool useActiveTable,
                                     const ColorTable& activeTable,
                                     const ModuleResources& resources);

// Replaces the image of a Windows size's slot with the layer square of its side, converted as the
// true-colour slots are: the colour as the layer holds it, the transparency as alpha, the mask
// transparent where the transparency is 0. The largest is stored as a PNG stream, as Windows expects
// of it. A square without a visible pixel leaves the slot empty and counts as done. 1 when done, 0 when
// there is no square of the slot's side or memory is short (the slot is then empty).
int ConvertLayerToWindowsSlot(const std::optional<LayerImage>& layer, ResourceGrid& grid, int slot);

// The square, of any side, as a 32-bit icon image block exactly as a true-colour slot holds it once
// converted: the header, the colour rows with the transparency as alpha, the mask. None when memory
// is short; `size` is then left as it was.
std::unique_ptr<uint8_t[]> TrueColorBlock(const LayerImage& square, uint32_t& size);

}  // namespace tessera
