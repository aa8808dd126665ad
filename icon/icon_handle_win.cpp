#include "icon/icon_handle_win.h"

#include "base/byte_reader.h"

namespace tessera {

namespace {

// The platform reads the block as it stands; it is never written through this pointer.
PBYTE Bits(const IconResource& r) {
    return const_cast<PBYTE>(r.image.get());
}

}  // namespace

UniqueHicon CreateIconHandle(const ResourceGrid& grid, int slot) {
    if (slot < 0 || slot >= kGridSlotCount) {
        return UniqueHicon();
    }
    const IconResource& r = grid.Slot(slot);
    if (r.present == 0) {
        return UniqueHicon();
    }
    // A grid image is square: its header's width is its side.
    UniqueHicon icon = CreateIconAtSide(grid, slot, static_cast<int32_t>(LoadU32LE(r.header + 4)));
    if (!icon && LoadU16LE(r.header + 14) != 16) {
        icon.reset(CreateIconFromResource(Bits(r), r.imageSize, TRUE, 0x00030000));
    }
    return icon;
}

UniqueHicon CreateIconAtSide(const ResourceGrid& grid, int slot, int side) {
    const IconResource& r = grid.Slot(slot);
    if (r.present == 0) {
        return UniqueHicon();
    }
    return UniqueHicon(CreateIconFromResourceEx(Bits(r), r.imageSize, TRUE, 0x00030000, side, side, LR_DEFAULTCOLOR));
}

UniqueHicon CreateIconForFormat(const ResourceGrid& grid, const ResourceFormat& format) {
    const int slot = ResourceGrid::SlotForFormat(format);
    return slot == -1 ? UniqueHicon() : CreateIconHandle(grid, slot);
}

}  // namespace tessera
