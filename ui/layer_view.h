#pragma once
// The layer view's decisions that need no window: which square it may show, how the keypad moves the
// square, and what its context menu does and checks.

#include <optional>

#include "icon/resource_format.h"

namespace tessera {

// How far a key moves the square over the layer, in layer pixels.
struct SquareStep {
    int vertical = 0;
    int horizontal = 0;
    bool operator==(const SquareStep&) const = default;
};

// Keypad digits 1..9: the square steps away from the key's place on the pad, so the picture moves
// toward it (8 up, 4 left, 5 nowhere). None for any other digit.
std::optional<SquareStep> KeypadStep(int digit);

// The layer view's context menu: depth entries set the mask with the depth (Soft for 32 bits, Hard
// otherwise); size entries set the size. False for an id that is not one of its entries.
bool ApplyLayerMenuCommand(int commandId, ResourceFormat& format);
// Whether the entry shows its check mark; none for an id that is not one of its entries.
std::optional<bool> LayerMenuItemChecked(int commandId, const ResourceFormat& format);

}  // namespace tessera
