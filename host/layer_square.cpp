#include "host/layer_square.h"

#include <algorithm>
#include <cstdint>

#include "base/alerts.h"
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

// The square request: the output buffer (and the mask, when there is one) over the input square, with
// zeros outside the image. The output buffer is requested but never written.
void RequestSquare(FilterRecord& record) {
    record.outRect = record.inRect;
    SetRequestPlanes(record);
    if (record.haveMask) {
        record.maskRect = record.inRect;
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

void SetRequestPlanes(FilterRecord& record) {
    record.inLoPlane = 0;
    record.outLoPlane = 0;
    record.inHiPlane = static_cast<int16>(record.planes - 1);
    record.outHiPlane = static_cast<int16>(record.planes - 1);
    if (record.isFloating != 0) {
        return;
    }
    // A layer with transparency is read with its transparency plane as the fourth byte of each pixel.
    record.wantsAbsolute = 1;
    if (record.inLayerPlanes != 0 && record.inTransparencyMask != 0) {
        record.inHiPlane = Saturate16(record.absLayerPlanes + record.absTransparencyMask + record.absLayerMasks +
                                      record.absInvertedLayerMasks + record.absNonLayerPlanes - 1);
    }
    if (record.outLayerPlanes != 0 && record.outTransparencyMask != 0) {
        record.outHiPlane = Saturate16(record.outLayerPlanes + record.outTransparencyMask + record.outLayerMasks +
                                       record.outInvertedLayerMasks + record.outNonLayerPlanes - 1);
    }
}

void CenterLayerSquare(FilterRecord& record, LayerSquares& squares, int sizeIndex, int width, int height) {
    Rect& square = RememberedSquare(squares, sizeIndex);
    if (square.top == 0 && square.left == 0 && square.bottom == 0 && square.right == 0) {
        const Rect& selection = record.filterRect;
        const int centerX = selection.left + (selection.right - selection.left) / 2;
        const int centerY = selection.top + (selection.bottom - selection.top) / 2;
        square = PlaceRect(centerX - width / 2, centerY - height / 2, width, height);
    }
    record.inRect = square;
    RequestSquare(record);
}

void MoveLayerSquare(FilterRecord& record, LayerSquares& squares, int sizeIndex, int vertical, int horizontal) {
    ShiftAxis(record.inRect.top, record.inRect.bottom, vertical);
    ShiftAxis(record.inRect.left, record.inRect.right, horizontal);
    RequestSquare(record);
    RememberedSquare(squares, sizeIndex) = record.inRect;
}

bool FetchLayerSquare(PluginCall& call) {
    if (call.record == nullptr) {
        return false;
    }
    call.result = CallAdvanceState(*call.record);
    if (call.result == noErr) {
        return true;
    }
    if (call.alerts != nullptr) {
        call.alerts->Show(Alert{.text = "Advance state failed!",
                                .caption = AlertCaption::Module,
                                .path = {},
                                .icon = AlertIcon::Warning,
                                .buttons = AlertButtons::Ok});
    }
    return false;
}

void RestoreLayerRequest(FilterRecord& record) {
    KeepRectInside(record.inRect, record.filterRect);
    RequestSquare(record);
}

void ClearHistogram(uint16_t* histogram, size_t count) {
    if (histogram != nullptr) {
        std::fill_n(histogram, count, uint16_t{0});
    }
}

void FillHistogram(const FilterRecord& record, uint16_t* histogram, FilledCells* filled) {
    // A host that delivered nothing leaves nothing to count.
    const auto* data = static_cast<const uint8_t*>(record.inData);
    if (data == nullptr || histogram == nullptr) {
        return;
    }
    const int rows = record.inRect.bottom - record.inRect.top;
    const int columns = record.inRect.right - record.inRect.left;
    const bool color = record.planes >= 3;
    for (int i = 0; i < rows; ++i) {
        const uint8_t* row = data + static_cast<intptr_t>(i) * record.inRowBytes;
        for (int j = 0; j < columns; ++j) {
            const uint8_t* p = row + static_cast<intptr_t>(j) * record.inColumnBytes;
            const size_t index = color ? HistogramIndex(p[0], p[1], p[2]) : HistogramIndex(p[0], p[0], p[0]);
            if (histogram[index] == 0 && filled != nullptr) {
                if (filled->count < filled->capacity) {
                    filled->cells[filled->count] = static_cast<uint32_t>(index);
                }
                ++filled->count;
            }
            if (histogram[index] != UINT16_MAX) {
                ++histogram[index];
            }
        }
    }
}

void ScanLayerHistogram(FilterRecord& record, uint16_t* histogram, FilledCells* filled) {
    const Rect saved = record.inRect;
    // Read only, one row at a time: no output, no mask, the layer's own planes.
    record.inLoPlane = 0;
    record.inHiPlane = static_cast<int16>(record.planes - 1);
    record.outLoPlane = 0;
    record.outHiPlane = 0;
    record.wantsAbsolute = 0;
    record.outRect = Rect{};
    record.maskRect = Rect{};
    record.inputRate = kFixedOne;
    record.inputPadding = 0;
    record.outputPadding = 0;
    for (int k = 0; k < saved.bottom - saved.top; ++k) {
        const auto top = static_cast<int16>(saved.top + k);
        record.inRect = Rect{top, saved.left, static_cast<int16>(top + 1), saved.right};
        CallAdvanceState(record);  // a failed row counts whatever the buffer holds
        FillHistogram(record, histogram, filled);
    }
    record.inRect = saved;
    RestoreLayerRequest(record);
    if (!RectIsEmpty(record.inRect)) {
        CallAdvanceState(record);
    }
}

std::optional<LayerImage> CurrentLayerImage(const FilterRecord& record, int side) {
    if (record.inData == nullptr) {
        return std::nullopt;
    }
    return LayerImage{.pixels = static_cast<const uint8_t*>(record.inData),
                      .rowStep = record.inRowBytes,
                      .pixelStep = record.inColumnBytes,
                      .side = side,
                      .position = record.inRect};
}

}  // namespace tessera
