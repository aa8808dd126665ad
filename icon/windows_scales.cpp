#include "icon/windows_scales.h"

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

}  // namespace tessera
