#pragma once
// The layer view's picture of the layer square: each pixel shown with the current mask kind and view
// mode over the background colour, then, at 16 and 256 colours, reduced to the colour table the
// conversion would use. Portable; the view stretches the picture over its inner area.

#include <cstdint>
#include <optional>

#include "base/bgra_image.h"
#include "base/layer_image.h"
#include "base/rgb.h"
#include "color/color_table.h"
#include "icon/draw_resource.h"
#include "icon/resource_format.h"

namespace tessera {

class ModuleResources;

// One layer pixel (red, green, blue and, when `hasTransparency`, its transparency) as the preview shows
// it. Hard (mask 0) counts any transparency above 0 as opaque; Soft (any other mask) keeps it.
Rgb PreviewPixel(const uint8_t* pixel, bool hasTransparency, int32_t mask, ResourceView view, Rgb background);

struct LayerPreview {
    // The square as shown, side x side, rows bottom-up, the fourth byte 0. None when there is nothing to
    // show: no square from the host, or no colour table.
    std::optional<BgraImage> picture;
    // Memory was short: the view shows that it could not draw.
    bool failed = false;
    // The depth's built-in colour table could not be loaded; the view tells the user.
    bool noTable = false;
};

// The preview of `square` for the format's size, depth, mask and view. Only a square of the format's
// side is shown. At depth 0 and 1 every pixel becomes its nearest table colour; then pixels the layer
// holds fully transparent show exactly `background` in the Both view (whether or not the table has
// it) and black in the Data view.
LayerPreview RenderLayerPreview(const std::optional<LayerImage>& square,
                                const ResourceFormat& format,
                                uint32_t background,
                                bool useActiveTable,
                                const ColorTable& activeTable,
                                const ModuleResources& resources);

// The same for a square of any side: the format's depth, mask and view apply, its size plays no part.
LayerPreview RenderSquarePreview(const std::optional<LayerImage>& square,
                                 const ResourceFormat& format,
                                 uint32_t background,
                                 bool useActiveTable,
                                 const ColorTable& activeTable,
                                 const ModuleResources& resources);

}  // namespace tessera
