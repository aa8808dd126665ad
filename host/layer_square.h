#pragma once
// The icon-sized square of the layer: placing it in the host's request, fetching it, and counting its
// colours row by row.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "host/filter_record.h"
#include "host/layer_image.h"

namespace tessera {

struct PluginCall;

// 262,144 saturating counts, six bits per channel: index = R/4 + 64 * (G/4) + 4096 * (B/4).
inline constexpr size_t kHistogramEntries = 262144;
using ColorHistogram = std::array<uint16_t, kHistogramEntries>;

constexpr size_t HistogramIndex(uint8_t red, uint8_t green, uint8_t blue) {
    return size_t{red} / 4 + 64 * (size_t{green} / 4) + 4096 * (size_t{blue} / 4);
}

// Where the square of each size index (0..3) was last placed; all four values 0 means not yet placed.
struct LayerSquares {
    std::array<Rect, 4> positions{};
};

bool RectIsEmpty(const Rect& rect);
// Moves the rectangle inside the bounds, keeping its size where the bounds allow.
void KeepRectInside(Rect& rect, const Rect& bounds);

void SetRequestPlanes(FilterRecord& record);
// Requests the remembered square of the size index, or one newly centred in the selection.
void CenterLayerSquare(FilterRecord& record, LayerSquares& squares, int sizeIndex, int width, int height);
// Shifts the requested square and remembers it for the size index.
void MoveLayerSquare(FilterRecord& record, LayerSquares& squares, int sizeIndex, int vertical, int horizontal);
// The host's advanceState; a host that offers none fails every request with paramErr.
OSErr CallAdvanceState(FilterRecord& record);
// Has the host deliver the request; on failure shows "Advance state failed!". The host's answer goes
// into call.result. True on success.
bool FetchLayerSquare(PluginCall& call);
// Moves the input request inside the selection and renews the square request.
void RestoreLayerRequest(FilterRecord& record);

// Where a count notes each cell it finds at 0 and fills, so that a caller who keeps the histogram from
// one count to the next reads and clears only those cells. `count` goes past `capacity` when more
// cells were filled than fit; the caller must then look at the whole histogram.
struct FilledCells {
    uint32_t* cells = nullptr;
    size_t capacity = 0;
    size_t count = 0;
};

void ClearHistogram(uint16_t* histogram, size_t count);
void FillHistogram(const FilterRecord& record, uint16_t* histogram, FilledCells* filled = nullptr);
// Counts the requested square's colours one row at a time, then requests and fetches the square again.
void ScanLayerHistogram(FilterRecord& record, uint16_t* histogram, FilledCells* filled = nullptr);

// The square the host last delivered, or none when it delivered nothing.
std::optional<LayerImage> CurrentLayerImage(const FilterRecord& record, int side);

}  // namespace tessera
