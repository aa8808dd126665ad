#include "icon/icon_handle_win.h"

#include "base/byte_reader.h"

namespace tessera {

UniqueHicon CreateIconHandle(const ResourceGrid& grid, int slot) {
    if (slot < 0 || slot >= kGridSlotCount) {
        return UniqueHicon();
    }
    const IconResource& r = grid.Slot(slot);
    if (r.present == 0) {
        return UniqueHicon();
    }
    // The platform reads the block as it stands; it is never written through this pointer.
    auto* bits = const_cast<PBYTE>(r.image.get());
    const int width = static_cast<int32_t>(LoadU32LE(r.header + 4));
    const int height = static_cast<int32_t>(LoadU32LE(r.header + 8)) / 2;
    const uint16_t bitCount = LoadU16LE(r.header + 14);
    HICON icon = CreateIconFromResourceEx(bits, r.imageSize, TRUE, 0x00030000, width, height, LR_DEFAULTCOLOR);
    if (icon == nullptr && bitCount != 16) {
        icon = CreateIconFromResource(bits, r.imageSize, TRUE, 0x00030000);
    }
    return UniqueHicon(icon);
}

UniqueHicon CreateIconForFormat(const ResourceGrid& grid, const ResourceFormat& format) {
    const int slot = ResourceGrid::SlotForFormat(format);
    return slot == -1 ? UniqueHicon() : CreateIconHandle(grid, slot);
}

}  // namespace tessera
