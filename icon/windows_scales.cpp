#include "icon/windows_scales.h"

#include <vector>

namespace tessera {

int SideWindowsDraws(std::span<const int> sides, int target) {
    int larger = 0;  // the smallest side above the target
    int largest = 0;
    for (const int side : sides) {
        if (side == target) {
            return side;
        }
        if (side > target && (larger == 0 || side < larger)) {
            larger = side;
        }
        if (side > largest) {
            largest = side;
        }
    }
    return larger != 0 ? larger : largest;
}

int SlotWindowsDraws(const std::array<bool, kImageKindCount>& present, int target) {
    std::vector<int> sides;
    for (int slot = 0; slot < kImageKindCount; ++slot) {
        if (present[static_cast<size_t>(slot)]) {
            sides.push_back(KindOfSlot(slot).side);
        }
    }
    const int side = SideWindowsDraws(sides, target);
    int drawn = -1;
    for (int slot = 0; slot < kImageKindCount; ++slot) {
        const ImageKind kind = KindOfSlot(slot);
        if (present[static_cast<size_t>(slot)] && kind.side == side &&
            (drawn == -1 || kind.bitsPerPixel > KindOfSlot(drawn).bitsPerPixel)) {
            drawn = slot;
        }
    }
    return drawn;
}

std::string HowWindowsDraws(int side, int target) {
    if (side == 0) {
        return "no image";
    }
    return side == target ? "exact" : "from " + std::to_string(side);
}

}  // namespace tessera
