#include "host/apply_to_layer.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "base/alerts.h"
#include "base/texts.h"
#include "host/layer_square.h"
#include "host/parameters_block.h"
#include "icon/ico_file.h"

namespace tessera {

namespace {

struct Rgba {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t alpha;
};

// The colour of pixel x of a stored colour row, expanded to 32 bits through the colour table. An
// index past the entries the block holds reads as black rather than past the table.
Rgba ExpandPixel(const uint8_t* row, int x, int bits, const uint8_t* table, size_t entries) {
    if (bits == 32) {
        const uint8_t* p = row + static_cast<size_t>(x) * 4;
        return Rgba{p[2], p[1], p[0], p[3]};
    }
    const uint8_t byte = bits == 8 ? row[x] : row[x / 2];
    const size_t index = bits == 8 ? byte : (x % 2 == 0 ? byte >> 4 : byte & 0x0F);
    if (index >= entries) {
        return Rgba{0, 0, 0, 255};
    }
    const uint8_t* quad = table + index * 4;
    return Rgba{quad[2], quad[1], quad[0], 255};
}

// Some hosts hand over an output buffer that is not the layer and take all of it back, so every pixel
// of the output is written: the layer's own, from the input, before the icon goes over them. False
// when the host did not deliver both buffers as asked, or the input lacks planes the output has.
bool CopyLayerToOutput(const FilterRecord& record, const Rect& selection) {
    const std::optional<DeliveredBuffer> in = DeliveredInput(record, selection);
    const std::optional<DeliveredBuffer> out = DeliveredOutput(record, selection);
    if (!in || !out || out->pixelStep > in->pixelStep) {
        return false;
    }
    const auto planes = static_cast<size_t>(out->pixelStep);
    for (int y = 0; y < out->rows; ++y) {
        const uint8_t* from = in->data + static_cast<ptrdiff_t>(y) * in->rowStep;
        uint8_t* to = out->data + static_cast<ptrdiff_t>(y) * out->rowStep;
        for (int x = 0; x < out->columns; ++x) {
            std::copy_n(from + static_cast<ptrdiff_t>(x) * in->pixelStep, planes,
                        to + static_cast<ptrdiff_t>(x) * out->pixelStep);
        }
    }
    return true;
}

// Writes the image, expanded to 32 bits, centred in the width x height output: colour, then the
// transparency or, without a transparency plane, white where the mask says transparent.
void WriteSquare(const ResourceBits& rb, int bits, int side, const DeliveredBuffer& out, int width, int height) {
    // The bytes between the table's start and the colour rows are all the entries the block holds.
    const size_t tableEntries =
        bits <= 8
            ? std::min(static_cast<size_t>(std::max<ptrdiff_t>(rb.colorRows - rb.colorTable, 0)) / 4, size_t{1} << bits)
            : 0;
    // The planes asked for are red, green, blue and, with a fourth, transparency.
    const bool hasTransparency = out.pixelStep == 4;
    const int x0 = width / 2 - side / 2;
    const int y0 = height / 2 - side / 2;
    for (int y = 0; y < side; ++y) {
        // Stored rows run bottom-up.
        const int stored = side - 1 - y;
        const uint8_t* colorRow = rb.colorRows + static_cast<ptrdiff_t>(stored) * rb.colorStride;
        const uint8_t* maskRow = rb.maskRows + static_cast<ptrdiff_t>(stored) * rb.maskStride;
        uint8_t* line = out.data + static_cast<ptrdiff_t>(y0 + y) * out.rowStep;
        for (int x = 0; x < side; ++x) {
            uint8_t* d = line + static_cast<ptrdiff_t>(x0 + x) * out.pixelStep;
            const Rgba c = ExpandPixel(colorRow, x, bits, rb.colorTable, tableEntries);
            d[0] = c.red;
            d[1] = c.green;
            d[2] = c.blue;
            if (hasTransparency) {
                d[3] = c.alpha;
            }
            // A 32-bit image's alpha alone decides; the mask speaks for the paletted ones.
            const bool masked = bits != 32 && ((maskRow[x / 8] >> (7 - x % 8)) & 1) != 0;
            if (masked && hasTransparency) {
                d[3] = 0;
            } else if (masked) {
                d[0] = d[1] = d[2] = 255;
            }
        }
    }
}

}  // namespace

void WriteResourceToLayer(PluginCall& call, const ResourceFormat& format, const ResourceGrid& grid) {
    const FilterRecord& record = *call.record;
    const int slot = ResourceGrid::SlotForFormat(format);
    if (slot < 0 || grid.Slot(slot).present == 0) {
        return;
    }
    const FormatGeometryResult geometry = ResourceGrid::FormatGeometry(format);
    const int side = geometry.width;
    const int bits = geometry.bitsPerPixel;
    ResourceBits rb;
    grid.GetResourceBits(format, rb);

    const Rect selection = SelectionInImage(record);
    if (selection.right - selection.left < side || selection.bottom - selection.top < side) {
        call.alerts.Show(WarningAlert(FormatText(texts::kSelectionTooSmall, side, side)));
        return;
    }
    // Fewer than three bytes a pixel cannot hold a colour; writing one would run into the next pixel.
    const std::optional<DeliveredBuffer> out = DeliveredOutput(record, selection);
    if (!out || rb.colorRows == nullptr || out->pixelStep < 3) {
        return;
    }

    WriteSquare(rb, bits, side, *out, selection.right - selection.left, selection.bottom - selection.top);
}

void ApplyStoredResource(PluginCall& call, FileSystem& files) {
    FilterRecord* record = call.record;
    if (record->parameters == nullptr) {
        call.result = nilHandleErr;
        return;
    }
    Ptr p = LockParametersBlock(record);
    if (p == nullptr) {
        call.result = paramErr;
        return;
    }
    const ParametersBlock block = DecodeParametersBlock(
        std::span<const uint8_t, kParametersBlockSize>(reinterpret_cast<const uint8_t*>(p), kParametersBlockSize),
        files);
    const ResourceFormat format(block.size, block.depth, block.mask, block.view);
    if (block.pathState != StoredPath::Whole) {
        call.alerts.Show(WarningAlert(block.pathState == StoredPath::TooLong ? texts::kStoredPathTooLong
                                                                             : texts::kStoredPathNotText));
    } else {
        ResourceGrid grid;
        // A file that cannot be opened ends the step silently; a damaged one is reported.
        const IcoStatus read = ReadIcoFile(grid, block.documentPath, files);
        ShowIcoFailure(call.alerts, block.documentPath, read);
        if (read.Ok()) {
            WriteResourceToLayer(call, format, grid);
        }
    }
    UnlockHostHandle(record, record->parameters);
}

void ApplyToLayer(PluginCall& call, FileSystem& files) {
    FilterRecord* record = call.record;
    if (record == nullptr) {
        return;
    }
    const Rect selection = SelectionInImage(*record);
    SetRequestPlanes(*record);
    record->maskRect = Rect{};
    record->inRect = selection;
    record->outRect = selection;
    record->inputRate = kFixedOne;
    record->maskRate = 0;
    record->inputPadding = 0;
    record->outputPadding = 0;
    if (record->haveMask) {
        record->maskPadding = 0;
    }
    call.result = CallAdvanceState(*record);
    if (call.result == noErr) {
        if (!CopyLayerToOutput(*record, selection)) {
            // The layer cannot be kept outside the icon, so nothing goes back: the run ends as cancelled,
            // which every host takes silently.
            TellNoPixelsOnce(call);
            call.result = userCanceledErr;
        } else {
            ApplyStoredResource(call, files);
            if (call.result != noErr) {
                call.alerts.Show(WarningAlert(texts::kDoFilterRectFailed, AlertCaption::Module));
            }
        }
    }
    // Nothing more to request: the host takes the output into the layer and ends the run.
    EndRequests(*record);
}

}  // namespace tessera
