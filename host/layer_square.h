#pragma once
// The icon-sized square of the layer: placing it in the host's request, fetching it, and counting its
// colours row by row.
//
// Hosts differ in how they deliver. Some leave the pixel step at 0, some pad nothing outside the image
// (or hand back garbage, shifted rows or no buffer at all while reporting success), some move the
// rectangle we asked for. So a host is only ever asked for pixels inside the image, every delivery is
// checked against the request before it is read, and the zeros of a square that reaches outside the
// image are ours to supply.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "base/layer_image.h"
#include "color/histogram.h"
#include "host/filter_record.h"
#include "icon/image_kind.h"

namespace tessera {

struct PluginCall;

// Where the square of each size index (0..3) was last placed; all four values 0 means not yet placed.
struct LayerSquares {
    std::array<Rect, 4> positions{};
};
// The same for each Windows size, in the order of kWindowsSides.
struct WindowsSquares {
    std::array<Rect, kWindowsSlotCount> positions{};
};

// The square asked for and what the host delivered of it, for the length of one call.
struct SquareRequest {
    Rect square{};  // as placed; it may reach outside the image, which the host is never asked for
    std::optional<LayerImage> delivered;  // what the last fetch delivered of it; none when nothing usable
    // Our copy of the square, when it reaches outside the image (zeros there) or its pixels hold planes
    // after the transparency (the layer mask folded into the transparency, the rest left behind).
    std::unique_ptr<uint8_t[]> padded;
    size_t paddedSize = 0;
    bool toldNoPixels = false;  // the user has been told that the host delivers no pixels
};

bool RectIsEmpty(const Rect& rect);
// Moves the rectangle inside the bounds, keeping its size where the bounds allow.
void KeepRectInside(Rect& rect, const Rect& bounds);
// The overlap of two rectangles; all zeros when they do not overlap.
Rect IntersectRects(const Rect& a, const Rect& b);
// The image as the record describes it: (0, 0) to imageSize, or the selection when a host leaves the
// size unset.
Rect ImageBounds(const FilterRecord& record);
// The part of the selection inside the image: what Apply reads and writes.
Rect SelectionInImage(const FilterRecord& record);

void SetRequestPlanes(FilterRecord& record);
// Planes lo..hi of a request, as the bytes of each delivered pixel.
int32_t RequestedPlaneCount(int16 loPlane, int16 hiPlane);

// A buffer the host delivered, checked against the request: rows of `columns` pixels, `pixelStep`
// bytes each (the planes asked for, whatever the host put in its column-bytes field), `rowStep` bytes
// apart. None when the buffer is missing, the rectangle is not the one asked for, or the rows are too
// short to hold it; an input also when the host counts a layer mask among the planes of a pixel but
// delivers fewer planes than it counts.
struct DeliveredBuffer {
    uint8_t* data = nullptr;
    int32_t rowStep = 0;
    int32_t pixelStep = 0;
    int columns = 0;
    int rows = 0;
};
std::optional<DeliveredBuffer> DeliveredInput(const FilterRecord& record, const Rect& asked);
std::optional<DeliveredBuffer> DeliveredOutput(const FilterRecord& record, const Rect& asked);

// Asks for `square`: the part of it inside the image as input (and mask, when there is one), no output.
// Delivers nothing; what was delivered before no longer counts.
void RequestSquare(PluginCall& call, const Rect& square);
// Requests the remembered square of the size index, or one newly centred in the selection.
void CenterLayerSquare(PluginCall& call, LayerSquares& squares, int sizeIndex, int width, int height);
// Requests `square`; one not yet placed (all four values 0) is first centred in the selection.
void RequestPlacedSquare(PluginCall& call, Rect& square, int width, int height);
// Shifts the requested square and remembers it for the size index.
void MoveLayerSquare(PluginCall& call, LayerSquares& squares, int sizeIndex, int vertical, int horizontal);
// Shifts the requested square and remembers it in `remembered`.
void MoveRequestedSquare(PluginCall& call, Rect& remembered, int vertical, int horizontal);
// The host's advanceState; a host that offers none fails every request with paramErr.
OSErr CallAdvanceState(FilterRecord& record);
// Has the host deliver the request; on failure shows "Advance state failed!", and when the host reports
// success but delivers nothing usable, says so once a call. The host's answer goes into call.result.
// True when the square was delivered.
bool FetchLayerSquare(PluginCall& call);
// Tells the user that the host delivers no pixels, the first time in a call. False when told before.
bool TellNoPixelsOnce(PluginCall& call);
// Moves the requested square inside the selection and renews the request.
void RestoreLayerRequest(PluginCall& call);
// Empties every request rectangle, the mask's too whether or not there is a mask: the host reads any
// other rectangle left at the end of Start as more to do.
void EndRequests(FilterRecord& record);

// Counts the pixels of the input buffer when it holds the input rectangle; false when it does not,
// and nothing is counted.
bool FillHistogram(const FilterRecord& record, uint16_t* histogram, FilledCells* filled = nullptr);
// Counts the requested square's colours one row at a time (pixels outside the image as black), then
// requests and fetches the square again.
void ScanLayerHistogram(PluginCall& call, uint16_t* histogram, FilledCells* filled = nullptr);

// The square the host last delivered, when it is a square of `side` pixels; none when the host
// delivered nothing usable, or the square is of another size and must not be read as this one.
std::optional<LayerImage> CurrentLayerImage(const PluginCall& call, int side);

}  // namespace tessera
