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

inline constexpr const char* kCannotLoadTable = "Cannot load default color table";
inline constexpr const char* kCannotOpenTableFile = "Can't open color table file";
inline constexpr const char* kTableFileLength =
    "There was a problem reading the color table file: the number of color table entries is incorrect.";
inline constexpr const char* kPickedNameNotText =
    "The name of the file you picked is not valid text (it holds an unpaired surrogate), so Tessera cannot open or "
    "save it.";
inline constexpr const char* kStoredPathTooLong =
    "Cannot find the icon file: its path is longer than the 1023 bytes Tessera keeps for Apply.";
inline constexpr const char* kStoredPathNotText =
    "Cannot find the icon file: the name kept for Apply is not valid text.";
// The document's name.
inline constexpr const char* kSaveChanges = "Save changes to the icon \"%s\" before closing?";
// The error's number and text, the bytes read and the bytes expected.
inline constexpr const char* kCannotReadSettings = "Could not read settings, error was %d - %s (%d bytes of %d)";

// The .ico reader and writer. Those about one image take its width, height and bits per pixel.
inline constexpr const char* kIcoHeader = "Error reading .ICO file header";
inline constexpr const char* kIcoDirectoryMemory = "Error allocating memory for icon directory entries";
inline constexpr const char* kIcoDirectoryRead = "Error reading icon directory entries from file";
inline constexpr const char* kIcoDirectoryShort = "Error reading all icon directory entries from file";
inline constexpr const char* kIcoTemporaryMemory =
    "Error allocating memory for temporary icon with %d x %d pixels, %d bits per pixel";
inline constexpr const char* kIcoTemporaryLocate =
    "Error locating temporary icon with %d x %d pixels, %d bits per pixel";
inline constexpr const char* kIcoTemporaryRead = "Error reading temporary icon with %d x %d pixels, %d bits per pixel";
inline constexpr const char* kIcoTemporaryShort =
    "Error reading all of temporary icon with %d x %d pixels, %d bits per pixel";
inline constexpr const char* kIcoImageMemory =
    "Error allocating memory for icon with %d x %d pixels, %d bits per pixel";
inline constexpr const char* kIcoImageLocate = "Error locating icon with %d x %d pixels, %d bits per pixel";
inline constexpr const char* kIcoImageRead = "Error reading icon with %d x %d pixels, %d bits per pixel";
inline constexpr const char* kIcoImageShort = "Error reading all of icon with %d x %d pixels, %d bits per pixel";
inline constexpr const char* kIcoConvert = "Error converting format of icon with %d x %d pixels, %d bits per pixel";
inline constexpr const char* kIcoWrite = "Error writing .ICO file";

}  // namespace tessera::texts
