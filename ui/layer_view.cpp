#include "ui/layer_view.h"

#include <array>

#include "resources/resource_ids.h"
#include "ui/main_commands.h"

namespace tessera {

namespace {

struct MenuEntry {
    int id;
    int32_t depth;  // -1: a size entry
    int32_t size;   // -1: a depth entry
};

constexpr std::array<MenuEntry, 7> kMenuEntries = {{
    {ID_VIEW_DEPTH_4, 0, -1},
    {ID_VIEW_DEPTH_8, 1, -1},
    {ID_VIEW_DEPTH_32, 2, -1},
    {ID_VIEW_SIZE_16, -1, 0},
    {ID_VIEW_SIZE_24, -1, 1},
    {ID_VIEW_SIZE_32, -1, 2},
    {ID_VIEW_SIZE_48, -1, 3},
}};

const MenuEntry* FindEntry(int commandId) {
    for (const MenuEntry& entry : kMenuEntries) {
        if (entry.id == commandId) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

std::optional<SquareStep> KeypadStep(int digit) {
    if (digit < 1 || digit > 9) {
        return std::nullopt;
    }
    return SquareStep{.vertical = (digit - 1) / 3 - 1, .horizontal = 1 - (digit - 1) % 3};
}

bool ApplyLayerMenuCommand(int commandId, ResourceFormat& format) {
    const MenuEntry* entry = FindEntry(commandId);
    if (entry == nullptr) {
        return false;
    }
    if (entry->depth >= 0) {
        SelectDepth(format, entry->depth);
    } else {
        format.size = entry->size;
    }
    return true;
}

std::optional<bool> LayerMenuItemChecked(int commandId, const ResourceFormat& format) {
    const MenuEntry* entry = FindEntry(commandId);
    if (entry == nullptr) {
        return std::nullopt;
    }
    return entry->depth >= 0 ? format.depth == entry->depth : format.size == entry->size;
}

}  // namespace tessera
