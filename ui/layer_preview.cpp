#include "ui/layer_preview.h"

#include <memory>
#include <new>

#include "color/nearest.h"
#include "icon/resource_grid.h"

namespace tessera {

namespace {

void Put(BgraImage& picture, int x, int row, Rgb color) {
    uint8_t* p = picture.At(x, row);
    p[0] = color.blue;
    p[1] = color.green;
    p[2] = color.red;
}

uint8_t IndexAt(const uint8_t* row, int x, int bitsPerPixel) {
    if (bitsPerPixel == 8) {
        return row[x];
    }
    const uint8_t pair = row[x / 2];
    return static_cast<uint8_t>(x % 2 == 0 ? pair >> 4 : pair & 0x0F);
}

}  // namespace

Rgb PreviewPixel(const uint8_t* pixel, bool hasTransparency, int32_t mask, ResourceView view, Rgb background) {
    double coverage = hasTransparency ? pixel[3] / 255.0 : 1.0;
    if (mask == 0) {
        coverage = coverage > 0.0 ? 1.0 : 0.0;
    }
    return ShowPixel(view, Rgb{pixel[0], pixel[1], pixel[2]}, coverage, background);
}

LayerPreview RenderLayerPreview(const std::optional<LayerImage>& square,
                                const ResourceFormat& format,
                                uint32_t background,
                                bool useActiveTable,
                                const ColorTable& activeTable,
                                const ModuleResources& resources) {
    if (!square || square->side != format.PixelSize()) {
        return {};
    }
    return RenderSquarePreview(square, format, background, useActiveTable, activeTable, resources);
}

LayerPreview RenderSquarePreview(const std::optional<LayerImage>& square,
                                 const ResourceFormat& format,
                                 uint32_t background,
                                 bool useActiveTable,
                                 const ColorTable& activeTable,
                                 const ModuleResources& resources) {
    if (!square || square->pixels == nullptr || square->side <= 0) {
        return {};
    }
    const int side = square->side;
    std::optional<BgraImage> picture = BgraImage::Make(side, side);
    if (!picture) {
        return {.picture = std::nullopt, .failed = true};
    }
    const ResourceView view = ViewOf(format.view);
    const Rgb back = RgbOf(background);
    const bool transparency = square->HasTransparency();
    for (int row = 0; row < side; ++row) {
        for (int x = 0; x < side; ++x) {
            Put(*picture, x, row, PreviewPixel(square->At(x, side - 1 - row), transparency, format.mask, view, back));
        }
    }
    if (format.depth != 0 && format.depth != 1) {
        return {.picture = std::move(picture)};
    }

    const std::optional<ReductionTable> table =
        SelectReductionTable(resources, format.depth, useActiveTable, activeTable);
    if (!table) {
        return {.picture = std::nullopt, .failed = false, .noTable = true};
    }
    const size_t stride = static_cast<size_t>(ColorStride(side, table->bitsPerPixel));
    const size_t indexedSize = stride * static_cast<size_t>(side);
    const std::unique_ptr<uint8_t[]> indexed(new (std::nothrow) uint8_t[indexedSize]);
    if (!indexed || !ReduceToTable(*picture, table->table, table->bitsPerPixel, indexed.get(), indexedSize)) {
        return {.picture = std::nullopt, .failed = true};
    }
    for (int row = 0; row < side; ++row) {
        const uint8_t* indices = indexed.get() + static_cast<size_t>(row) * stride;
        for (int x = 0; x < side; ++x) {
            Rgb shown = table->table.Entry(IndexAt(indices, x, table->bitsPerPixel));
            if (transparency && square->At(x, side - 1 - row)[3] == 0) {
                if (view == ResourceView::Both) {
                    shown = back;
                } else if (view == ResourceView::Data) {
                    shown = Rgb{};
                }
            }
            Put(*picture, x, row, shown);
        }
    }
    return {.picture = std::move(picture)};
}

}  // namespace tessera
