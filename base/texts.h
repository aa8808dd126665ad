#pragma once
// The texts of the messages the user reads, in one place. Some are printf formats (FormatText).

namespace tessera::texts {

inline constexpr const char* kAdvanceStateFailed = "Advance state failed!";
inline constexpr const char* kDoFilterRectFailed = "DoFilterRect failed!";
inline constexpr const char* kCannotOpenWindow = "Can't open application window.";
// Side and side of the icon.
inline constexpr const char* kSelectionTooSmall =
    "The layer selection is too small for the %d x %d pixel icon data.\n\nPlease try running Tessera again with a "
    "larger selection.";
inline constexpr const char* kHostDeliversNoPixels =
    "The host did not deliver the layer's pixels, so Tessera cannot build icons from this layer or apply one to it.";

}  // namespace tessera::texts
