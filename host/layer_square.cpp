#include "host/layer_square.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "base/alerts.h"
#include "base/texts.h"
#include "host/plugin_call.h"

namespace tessera {

namespace {

// Rectangles are 16-bit. Arithmetic on them is done in int and brought back by saturation, so a square
// pushed against the end of the range stops there instead of wrapping to the other end.
int16 Saturate16(int value) {
    return static_cast<int16>(std::clamp(value, int{INT16_MIN}, int{INT16_MAX}));
}

// The remembered square of a size index; an index the grid does not have uses the first.
Rect& RememberedSquare(LayerSquares& squares, int sizeIndex) {
    return squares.positions[sizeIndex >= 1 && sizeIndex <= 3 ? static_cast<size_t>(sizeIndex) : 0];
}

// A width x height rectangle with its top left at (left, top), moved back as far as it must to lie
// inside the 16-bit range.
Rect PlaceRect(int left, int top, int width, int height) {
    width = std::clamp(width, 0, int{INT16_MAX});
    height = std::clamp(height, 0, int{INT16_MAX});
    left = std::clamp(left, int{INT16_MIN}, INT16_MAX - width);
    top = std::clamp(top, int{INT16_MIN}, INT16_MAX - height);
    return Rect{static_cast<int16>(top), static_cast<int16>(left), static_cast<int16>(top + height),
                static_cast<int16>(left + width)};
}

// Moves lo..hi by `step`, stopping where either end would leave the 16-bit range, so the extent stays.
void ShiftAxis(int16& lo, int16& hi, int step) {
    const int low = std::min<int>(lo, hi);
    const int high = std::max<int>(lo, hi);
    step = std::clamp(step, INT16_MIN - low, INT16_MAX - high);
    lo = static_cast<int16>(lo + step);
    hi = static_cast<int16>(hi + step);
}

// Each end only ever moves toward a bound, so the results stay in the 16-bit range.
void KeepAxisInside(int16& lo, int16& hi, int16 boundsLo, int16 boundsHi) {
    const int extent = hi - lo;
    if (extent > boundsHi - boundsLo) {
        if (boundsLo < lo) {
            lo = boundsLo;
            hi = static_cast<int16>(lo + extent);
        } else if (boundsHi > hi) {
            hi = boundsHi;
            lo = static_cast<int16>(hi - extent);
        }
        return;
    }
    if (lo < boundsLo) {
        lo = boundsLo;
        hi = static_cast<int16>(lo + extent);
    }
    if (hi > boundsHi) {
        hi = boundsHi;
        lo = static_cast<int16>(hi - extent);
    }
}

// A request must name red, green and blue at least: a host asked for one or two planes may hand
// back bytes of the wrong pixel.
constexpr int kLowestHiPlane = 2;
// Our copy of a square is never larger than this.
constexpr uint64_t kMaxPaddedBytes = uint64_t{16} << 20;

// The planes a pixel of the absolute layout holds, by the host's counts: the layer's own, its
// transparency, then its layer masks, inverted masks and planes of no layer.
int AbsolutePlanes(const FilterRecord& r) {
    return r.absLayerPlanes + r.absTransparencyMask + r.absLayerMasks + r.absInvertedLayerMasks + r.absNonLayerPlanes;
}

// Counts the absolute layout describes, checked before they are believed: some hosts report no
// layer planes beside a transparency plane.
bool AbsoluteCountsSane(const FilterRecord& r) {
    return r.absLayerPlanes >= 1 && r.absTransparencyMask >= 0 && r.absLayerMasks >= 0 &&
           r.absInvertedLayerMasks >= 0 && r.absNonLayerPlanes >= 0 &&
           AbsolutePlanes(r) >= r.inLayerPlanes + r.inTransparencyMask;
}

// A layer with transparency, as the input layout counts it; a floating selection has no layer to read.
bool HasTransparencyPlane(const FilterRecord& r) {
    return r.isFloating == 0 && r.inLayerPlanes != 0 && r.inTransparencyMask != 0;
}

// Whether the input request reads the layer by the host's absolute counts, as SetRequestPlanes asks
// for a layer with transparency whose counts can be believed.
bool ReadByAbsoluteCounts(const FilterRecord& r) {
    return r.wantsAbsolute != 0 && HasTransparencyPlane(r) && AbsoluteCountsSane(r);
}

// The byte of each input pixel that holds the layer mask: right after the transparency, when the
// request reads the layer by the absolute counts and they count a mask. 0 when no mask is read.
int32_t LayerMaskByte(const FilterRecord& r) {
    return ReadByAbsoluteCounts(r) && r.absLayerMasks > 0 ? r.absLayerPlanes + r.absTransparencyMask : 0;
}

// The transparency the artist sees where a layer mask lies over the layer: the two multiplied, 255
// being whole, rounded to the nearest (a half never occurs). A mask of 255 leaves the transparency as
// it is, one of 0 clears it.
uint8_t MaskedTransparency(uint8_t transparency, uint8_t mask) {
    return static_cast<uint8_t>((transparency * mask + 127) / 255);
}

// One row of `columns` delivered pixels of `step` bytes into our buffer: as they are when `kept` is
// `step`, else as red, green, blue and the transparency under the layer mask (at `maskByte`, 0 when
// none), the planes after them left behind.
void TakeRow(const uint8_t* from, int columns, int32_t step, int32_t kept, int32_t maskByte, uint8_t* to) {
    if (kept == step) {
        std::copy_n(from, static_cast<size_t>(columns) * static_cast<size_t>(step), to);
        return;
    }
    for (int x = 0; x < columns; ++x, from += step, to += kept) {
        std::copy_n(from, 3, to);
        to[3] = maskByte != 0 ? MaskedTransparency(from[3], from[maskByte]) : from[3];
    }
}

std::optional<DeliveredBuffer> CheckDelivery(void* data,
                                             const Rect& delivered,
                                             int32 rowBytes,
                                             int16 loPlane,
                                             int16 hiPlane,
                                             const Rect& asked) {
    const int32_t step = RequestedPlaneCount(loPlane, hiPlane);
    if (data == nullptr || delivered != asked || RectIsEmpty(asked) || step <= 0) {
        return std::nullopt;
    }
    const int columns = asked.right - asked.left;
    if (int64_t{columns} * step > rowBytes) {
        return std::nullopt;
    }
    return DeliveredBuffer{.data = static_cast<uint8_t*>(data),
                           .rowStep = rowBytes,
                           .pixelStep = step,
                           .columns = columns,
                           .rows = asked.bottom - asked.top};
}

// Counts `count` black pixels: the part of a scanned row that lies outside the image.
void CountBlack(uint16_t* histogram, int count, FilledCells* filled) {
    if (count > 0 && histogram != nullptr) {
        AddToHistogram(histogram, HistogramIndex(0, 0, 0), static_cast<uint32_t>(count), filled);
    }
}

// After a successful advanceState: takes what the host delivered of the requested square. A square
// inside the image is read where the host put it; one that reaches outside, or whose pixels hold
// planes after the transparency, is copied into our own buffer (beside the zeros of the rest). The
// copy folds the layer mask into the transparency and leaves the further planes behind, so every
// reader of the square finds four bytes a pixel and what the artist sees. False, with nothing
// delivered, when the host's buffer does not hold what was asked.
bool TakeDeliveredSquare(PluginCall& call) {
    SquareRequest& request = call.layer;
    const FilterRecord& r = *call.record;
    request.delivered.reset();
    const Rect& square = request.square;
    if (RectIsEmpty(square)) {
        return false;
    }
    const Rect asked = IntersectRects(square, ImageBounds(r));
    const int32_t step = RequestedPlaneCount(r.inLoPlane, r.inHiPlane);
    std::optional<DeliveredBuffer> input;
    if (!RectIsEmpty(asked)) {
        input = DeliveredInput(r, asked);
        if (!input) {
            return false;
        }
    }
    const int32_t kept = step > 4 && ReadByAbsoluteCounts(r) ? 4 : step;
    if (input && asked == square && kept == step) {
        request.delivered = LayerImage{
            .pixels = input->data, .rowStep = input->rowStep, .pixelStep = step, .side = square.right - square.left};
        return true;
    }
    const int columns = square.right - square.left;
    const int rows = square.bottom - square.top;
    const uint64_t wideRow = static_cast<uint64_t>(columns) * static_cast<uint64_t>(kept);
    if (step <= 0 || wideRow * static_cast<uint64_t>(rows) > kMaxPaddedBytes) {
        return false;
    }
    const auto rowBytes = static_cast<size_t>(wideRow);
    const size_t size = rowBytes * static_cast<size_t>(rows);
    if (request.paddedSize < size) {
        request.padded.reset(new (std::nothrow) uint8_t[size]);
        request.paddedSize = request.padded ? size : 0;
        if (!request.padded) {
            return false;
        }
    }
    std::fill_n(request.padded.get(), size, uint8_t{0});
    if (input) {
        const int32_t maskByte = LayerMaskByte(r);
        for (int y = 0; y < input->rows; ++y) {
            const uint8_t* from = input->data + static_cast<ptrdiff_t>(y) * input->rowStep;
            uint8_t* to = request.padded.get() + static_cast<size_t>(asked.top - square.top + y) * rowBytes +
                          static_cast<size_t>(asked.left - square.left) * static_cast<size_t>(kept);
            TakeRow(from, input->columns, step, kept, maskByte, to);
        }
    }
    request.delivered = LayerImage{
        .pixels = request.padded.get(), .rowStep = static_cast<int32_t>(rowBytes), .pixelStep = kept, .side = columns};
    return true;
}

}  // namespace

OSErr CallAdvanceState(FilterRecord& record) {
    return record.advanceState != nullptr ? record.advanceState() : paramErr;
}

bool RectIsEmpty(const Rect& rect) {
    return !(rect.top < rect.bottom && rect.left < rect.right);
}

void KeepRectInside(Rect& rect, const Rect& bounds) {
    KeepAxisInside(rect.left, rect.right, bounds.left, bounds.right);
    KeepAxisInside(rect.top, rect.bottom, bounds.top, bounds.bottom);
}

Rect IntersectRects(const Rect& a, const Rect& b) {
    const Rect overlap{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
                       std::min(a.right, b.right)};
    return RectIsEmpty(overlap) ? Rect{} : overlap;
}

Rect ImageBounds(const FilterRecord& record) {
    if (record.imageSize.v <= 0 || record.imageSize.h <= 0) {
        return record.filterRect;
    }
    return Rect{0, 0, record.imageSize.v, record.imageSize.h};
}

Rect SelectionInImage(const FilterRecord& record) {
    return IntersectRects(record.filterRect, ImageBounds(record));
}

void SetRequestPlanes(FilterRecord& record) {
    record.inLoPlane = 0;
    record.outLoPlane = 0;
    int inHi = record.planes - 1;
    int outHi = record.planes - 1;
    if (record.isFloating == 0) {
        // A layer with transparency is read with its transparency plane as the fourth byte of each pixel:
        // by the absolute layout when the host describes it believably (a layer mask and other planes
        // follow), else by the input layout, which puts transparency right after the layer planes too.
        const bool layered = HasTransparencyPlane(record);
        record.wantsAbsolute = layered && !AbsoluteCountsSane(record) ? 0 : 1;
        if (ReadByAbsoluteCounts(record)) {
            inHi = AbsolutePlanes(record) - 1;
        } else if (layered) {
            inHi = record.inLayerPlanes + record.inTransparencyMask - 1;
        }
        // Only the layer's own planes are written: a layer mask, or any plane after the transparency, is
        // never asked for, so nothing we write can change it.
        if (record.outLayerPlanes != 0 && record.outTransparencyMask != 0) {
            outHi = record.outLayerPlanes + record.outTransparencyMask - 1;
        }
    }
    record.inHiPlane = Saturate16(std::max(inHi, kLowestHiPlane));
    record.outHiPlane = Saturate16(std::max(outHi, kLowestHiPlane));
}

int32_t RequestedPlaneCount(int16 loPlane, int16 hiPlane) {
    return hiPlane >= loPlane ? hiPlane - loPlane + 1 : 0;
}

std::optional<DeliveredBuffer> DeliveredInput(const FilterRecord& record, const Rect& asked) {
    std::optional<DeliveredBuffer> input =
        CheckDelivery(record.inData, record.inRect, record.inRowBytes, record.inLoPlane, record.inHiPlane, asked);
    // A host that counts a layer mask but delivers fewer planes than it counts has left out some plane,
    // and which byte is the mask (or the transparency) can no longer be told.
    if (input && LayerMaskByte(record) != 0 && input->pixelStep < AbsolutePlanes(record)) {
        return std::nullopt;
    }
    return input;
}

std::optional<DeliveredBuffer> DeliveredOutput(const FilterRecord& record, const Rect& asked) {
    return CheckDelivery(record.outData, record.outRect, record.outRowBytes, record.outLoPlane, record.outHiPlane,
                         asked);
}

void RequestSquare(PluginCall& call, const Rect& square) {
    FilterRecord& record = *call.record;
    call.layer.square = square;
    call.layer.delivered.reset();
    const Rect inside = IntersectRects(square, ImageBounds(record));
    record.inRect = inside;
    // Nothing is written while the square is looked at, so no output is asked for: a host stores the
    // output of every request back into the layer.
    record.outRect = Rect{};
    SetRequestPlanes(record);
    if (record.haveMask) {
        record.maskRect = inside;
    }
    record.inputRate = kFixedOne;
    if (record.haveMask) {
        record.maskRate = kFixedOne;
    }
    record.inputPadding = 0;
    record.outputPadding = 0;
    if (record.haveMask) {
        record.maskPadding = 0;
    }
}

void CenterLayerSquare(PluginCall& call, LayerSquares& squares, int sizeIndex, int width, int height) {
    RequestPlacedSquare(call, RememberedSquare(squares, sizeIndex), width, height);
}

void RequestPlacedSquare(PluginCall& call, Rect& square, int width, int height) {
    if (square.top == 0 && square.left == 0 && square.bottom == 0 && square.right == 0) {
        const Rect& selection = call.record->filterRect;
        const int centerX = selection.left + (selection.right - selection.left) / 2;
        const int centerY = selection.top + (selection.bottom - selection.top) / 2;
        square = PlaceRect(centerX - width / 2, centerY - height / 2, width, height);
    }
    RequestSquare(call, square);
}

void MoveLayerSquare(PluginCall& call, LayerSquares& squares, int sizeIndex, int vertical, int horizontal) {
    MoveRequestedSquare(call, RememberedSquare(squares, sizeIndex), vertical, horizontal);
}

void MoveRequestedSquare(PluginCall& call, Rect& remembered, int vertical, int horizontal) {
    Rect square = call.layer.square;
    ShiftAxis(square.top, square.bottom, vertical);
    ShiftAxis(square.left, square.right, horizontal);
    RequestSquare(call, square);
    remembered = square;
}

bool FetchLayerSquare(PluginCall& call) {
    if (call.record == nullptr) {
        return false;
    }
    call.layer.delivered.reset();
    call.result = CallAdvanceState(*call.record);
    if (call.result != noErr) {
        call.alerts.Show(WarningAlert(texts::kAdvanceStateFailed, AlertCaption::Module));
        return false;
    }
    if (TakeDeliveredSquare(call)) {
        return true;
    }
    TellNoPixelsOnce(call);
    return false;
}

bool TellNoPixelsOnce(PluginCall& call) {
    if (call.layer.toldNoPixels) {
        return false;
    }
    call.layer.toldNoPixels = true;
    call.alerts.Show(WarningAlert(texts::kHostDeliversNoPixels));
    return true;
}

void RestoreLayerRequest(PluginCall& call) {
    Rect square = call.layer.square;
    KeepRectInside(square, call.record->filterRect);
    RequestSquare(call, square);
}

void EndRequests(FilterRecord& record) {
    record.inRect = Rect{};
    record.outRect = Rect{};
    record.maskRect = Rect{};
}

bool FillHistogram(const FilterRecord& record, uint16_t* histogram, FilledCells* filled) {
    const std::optional<DeliveredBuffer> input = DeliveredInput(record, record.inRect);
    if (!input || histogram == nullptr) {
        return false;
    }
    const bool color = record.planes >= 3;
    for (int i = 0; i < input->rows; ++i) {
        const uint8_t* p = input->data + static_cast<intptr_t>(i) * input->rowStep;
        // Artwork holds runs of one colour: a run is counted at once, not pixel by pixel into one cell.
        size_t runIndex = 0;
        uint32_t run = 0;
        for (int j = 0; j < input->columns; ++j, p += input->pixelStep) {
            const size_t index = color ? HistogramIndex(p[0], p[1], p[2]) : HistogramIndex(p[0], p[0], p[0]);
            if (index != runIndex) {
                AddToHistogram(histogram, runIndex, run, filled);
                runIndex = index;
                run = 0;
            }
            ++run;
        }
        AddToHistogram(histogram, runIndex, run, filled);
    }
    return true;
}

void ScanLayerHistogram(PluginCall& call, uint16_t* histogram, FilledCells* filled) {
    if (call.record == nullptr) {
        return;
    }
    FilterRecord& record = *call.record;
    const Rect saved = call.layer.square;
    const Rect image = ImageBounds(record);
    call.layer.delivered.reset();
    // Read only, one row at a time: no output, no mask, the layer's own planes.
    record.inLoPlane = 0;
    record.inHiPlane = Saturate16(std::max(record.planes - 1, kLowestHiPlane));
    record.outLoPlane = 0;
    record.outHiPlane = 0;
    record.wantsAbsolute = 0;
    record.outRect = Rect{};
    record.maskRect = Rect{};
    record.inputRate = kFixedOne;
    record.inputPadding = 0;
    record.outputPadding = 0;
    const int columns = saved.right - saved.left;
    for (int k = 0; k < saved.bottom - saved.top; ++k) {
        const auto top = static_cast<int16>(saved.top + k);
        const Rect inside = IntersectRects(Rect{top, saved.left, static_cast<int16>(top + 1), saved.right}, image);
        if (RectIsEmpty(inside)) {
            CountBlack(histogram, columns, filled);
            continue;
        }
        record.inRect = inside;
        // A row the host does not deliver is not counted.
        if (CallAdvanceState(record) == noErr && record.inRect == inside && FillHistogram(record, histogram, filled)) {
            CountBlack(histogram, columns - (inside.right - inside.left), filled);
        }
    }
    RestoreLayerRequest(call);
    if (!RectIsEmpty(call.layer.square) && (RectIsEmpty(record.inRect) || CallAdvanceState(record) == noErr)) {
        TakeDeliveredSquare(call);
    }
}

std::optional<LayerImage> CurrentLayerImage(const PluginCall& call, int side) {
    const Rect& square = call.layer.square;
    const bool whole = square.right - square.left == side && square.bottom - square.top == side;
    return side > 0 && whole ? call.layer.delivered : std::nullopt;
}

}  // namespace tessera
