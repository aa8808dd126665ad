#include "ui/main_commands.h"

#include <algorithm>
#include <cstdio>

#include "resources/resource_ids.h"

namespace tessera {

ResourceFormat SlotFormat(int slot) {
    const GridPlace place = GridPlaceOf(slot).value_or(GridPlace{});
    return ResourceFormat(place.size, place.depth, place.depth == 2 ? 1 : 0, 0);
}

// The cells' controls count sizes first, then depths, as the grid shows them.
int CellControlId(int slot) {
    const GridPlace place = GridPlaceOf(slot).value_or(GridPlace{});
    return IDC_CELL_FIRST + place.size + static_cast<int>(kGridSides.size()) * place.depth;
}

std::optional<int> SlotOfCellControl(int controlId) {
    if (controlId < IDC_CELL_FIRST || controlId > IDC_CELL_LAST) {
        return std::nullopt;
    }
    const int offset = controlId - IDC_CELL_FIRST;
    const int sizes = static_cast<int>(kGridSides.size());
    return GridSlotAt(offset % sizes, offset / sizes);
}

std::optional<int> HighlightedSlot(const ResourceFormat& format) {
    const int slot = GridSlotAt(format.size, (format.depth == 1 || format.depth == 2) ? format.depth : 0);
    return slot >= 0 ? std::optional<int>(slot) : std::nullopt;
}

std::string CellToolTip(int slot) {
    const ImageKind kind = KindOfSlot(slot);
    const char* colors = kind.bitsPerPixel == 4 ? "16 colors" : kind.bitsPerPixel == 8 ? "256 colors" : "true color";
    char tip[64];
    std::snprintf(tip, sizeof tip, "%d x %d pixels with %s", kind.side, kind.side, colors);
    return tip;
}

std::string KeptImagesToolTip(const ResourceGrid& grid) {
    constexpr size_t kListed = 8;
    const size_t count = grid.KeptCount();
    if (count == 0) {
        return {};
    }
    char line[96];
    std::snprintf(line, sizeof line,
                  count == 1 ? "This icon also holds %zu image the grid does not show; Save keeps it as it is:"
                             : "This icon also holds %zu images the grid does not show; Save keeps them as they are:",
                  count);
    std::string tip = line;
    for (size_t i = 0; i < std::min(count, kListed); ++i) {
        const KeptImage& image = grid.Kept(i);
        std::snprintf(line, sizeof line, "\r\n%d x %d pixels%s, %d bits per pixel", image.PixelWidth(),
                      image.PixelHeight(), image.IsPng() ? " as PNG" : "", image.BitsPerPixel());
        tip += line;
    }
    if (count > kListed) {
        std::snprintf(line, sizeof line, "\r\nand %zu more", count - kListed);
        tip += line;
    }
    return tip;
}

void SelectDepth(ResourceFormat& format, int depth) {
    format.depth = depth;
    format.mask = depth == 2 ? 1 : 0;
}

void SelectMask(ResourceFormat& format, int mask) {
    SelectDepth(format, mask == 1 ? 2 : 1);
}

std::vector<int> QuickBuildList(const ResourceFormat& current, bool shift, bool control) {
    std::vector<int> list;
    for (int size = 0; size < static_cast<int>(kGridSides.size()); ++size) {
        for (int depth = 0; depth < static_cast<int>(kGridDepths.size()); ++depth) {
            if (shift ? size == current.size : !control || depth == current.depth) {
                list.push_back(GridSlotAt(size, depth));
            }
        }
    }
    return list;
}

void CenterSquares(LayerSquares& squares, int size, bool shift) {
    if (shift) {
        squares.positions.fill(Rect{});
        return;
    }
    const int index = (size >= 1 && size <= 3) ? size : 0;
    squares.positions[static_cast<size_t>(index)] = Rect{};
}

void CycleBackground(WindowOptions& options) {
    const int index = (options.cycleIndex >= 0 && options.cycleIndex < 16) ? options.cycleIndex : 0;
    options.backgroundColor = options.customColors[static_cast<size_t>(index)];
    options.cycleIndex = index + 1 > 15 ? 0 : index + 1;
}

std::optional<MenuItemState> MenuItemUpdate(int commandId, const WindowOptions& options) {
    const ResourceFormat& f = options.currentFormat;
    switch (commandId) {
        case ID_LAYER_SHOW_SMALL:
        case ID_LAYER_SHOW_MEDIUM:
        case ID_LAYER_SHOW_LARGE:
        case ID_LAYER_SHOW_HUGE:
            return MenuItemState{f.size == commandId - ID_LAYER_SHOW_SMALL, true};
        case ID_LAYER_SHOW_16:
        case ID_LAYER_SHOW_256:
        case ID_LAYER_SHOW_TRUE:
            return MenuItemState{f.depth == commandId - ID_LAYER_SHOW_16, true};
        case ID_RESOURCE_SHOW_BOTH:
            return MenuItemState{f.view == 0, true};
        case ID_RESOURCE_SHOW_DATA:
            return MenuItemState{f.view == 1, true};
        case ID_RESOURCE_SHOW_MASK:
            return MenuItemState{f.view == 2, true};
        case ID_OPTIONS_TOOL_TIPS:
            return MenuItemState{options.toolTipsEnabled != 0, true};
        case ID_OPTIONS_USE_CUSTOM_TABLE:
            return MenuItemState{options.useCustomColorTable != 0, true};
        case ID_OPTIONS_AUTOMATIC_TABLE:
            return MenuItemState{options.automaticColorTable != 0, options.useCustomColorTable != 0};
        default:
            return std::nullopt;
    }
}

}  // namespace tessera
