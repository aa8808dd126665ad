#pragma once
// How a picture is shown over the background colour in the three view modes, and the compositing of
// 32-bit resources, which we blend ourselves so that every system shows the same pixels.

#include <cstdint>
#include <optional>

#include "base/bgra_image.h"
#include "base/rgb.h"
#include "icon/resource_grid.h"

namespace tessera {

// The view modes of a ResourceFormat: 0 Both, 1 Data, 2 Mask.
enum class ResourceView { Both, Data, Mask };

// Data for 1, Mask for 2; every other value is drawn as Both.
ResourceView ViewOf(int32_t view);

// One pixel as the view shows it. `coverage` runs from 0 (transparent) to 1 (opaque):
//   Data: the colour alone; Mask: the grey (1 - coverage); Both: the colour blended over the background.
// Each channel is worked out in double precision on the 0..1 scale and truncated back to a byte, so
// coverage 254/255 shows black in the Mask view and 1/255 shows the grey 254.
Rgb ShowPixel(ResourceView view, Rgb color, double coverage, Rgb background);

// A present 32-bit resource, bitmap or PNG stream, as the view shows it over `background` (0x00BBGGRR): width x height
// pixels, rows bottom-up like the resource's, the fourth byte of each pixel 0. The mask rows play no part. None when
// the resource is not a present 32-bit image or memory is short.
std::optional<BgraImage> ComposeTrueColorResource(const IconResource& resource, int32_t view, uint32_t background);

}  // namespace tessera
