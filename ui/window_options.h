#pragma once
// The main window's options: what it shows, the document it works on, and the choices the user made,
// with the values a first run starts from. They travel between runs in the settings block.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "color/color_table.h"
#include "host/layer_square.h"
#include "icon/resource_format.h"

namespace tessera {

inline constexpr const char* kUntitledDocumentName = "Untitled.ico";
// Kept as written: the pickers are handed it unexpanded.
inline constexpr const char* kDefaultDocumentPath = "%USERPROFILE%\\My Documents";

inline constexpr size_t kCustomColorCount = 16;
// Colours are COLORREFs, 0x00BBGGRR. Eight colours, the second of them pale, then greys from black to white.
inline constexpr uint32_t kDefaultBackgroundColor = 0x808080;
inline constexpr std::array<uint32_t, kCustomColorCount> kDefaultCustomColors = {
    0x3910C4, 0xB1DDC7, 0xBB8200, 0x7F04C3, 0x05CBFF, 0x81321B, 0x3746F0, 0x228A6A,
    0x000000, 0x202020, 0x404040, 0x606060, 0x808080, 0xA0A0A0, 0xC0C0C0, 0xFFFFFF,
};

struct WindowOptions {
    ResourceFormat currentFormat;  // Huge, true colour, Soft, Both
    std::string documentPath = kDefaultDocumentPath;
    std::string documentName = kUntitledDocumentName;
    int32_t toolTipsEnabled = 1;
    uint32_t backgroundColor = kDefaultBackgroundColor;
    std::array<uint32_t, kCustomColorCount> customColors = kDefaultCustomColors;
    int32_t cycleIndex = 0;     // the entry of customColors that Cycle takes next
    LayerSquares layerSquares;  // the layer view's remembered square for each size
    int32_t useCustomColorTable = 0;
    ColorTable customColorTable = GreyRampTable();
    int32_t automaticColorTable = 0;
};

}  // namespace tessera
