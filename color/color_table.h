#pragma once
// Colour tables: 256 entries of red, green, blue, 768 bytes with no header, the same layout in the
// module's resources, in .act files, in the settings and in memory. Which table a depth reduces to,
// and the table as the RGBQUADs of an indexed bitmap.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "base/rgb.h"

namespace tessera {

class ModuleResources;

inline constexpr int kColorTableEntries = 256;
inline constexpr size_t kColorTableBytes = 768;

struct ColorTable {
    std::array<uint8_t, kColorTableBytes> bytes{};

    [[nodiscard]] Rgb Entry(int index) const {
        const size_t at = static_cast<size_t>(index) * 3;
        return Rgb{bytes[at], bytes[at + 1], bytes[at + 2]};
    }
    void SetEntry(int index, Rgb color) {
        const size_t at = static_cast<size_t>(index) * 3;
        bytes[at] = color.red;
        bytes[at + 1] = color.green;
        bytes[at + 2] = color.blue;
    }
    bool operator==(const ColorTable&) const = default;
};

// Entry i = (i, i, i): what the custom and the active table hold until something else is put there.
ColorTable GreyRampTable();

// The built-in COLORTABLE resource (IDT_TABLE_16 or IDT_TABLE_256); none when it is missing or is not
// exactly 768 bytes long.
std::optional<ColorTable> LoadBuiltInTable(const ModuleResources& resources, int id);

struct ReductionTable {
    ColorTable table;
    int bitsPerPixel = 0;  // 4 or 8
    int entryCount = 0;    // 16 or 256: the entries that take part
};

// The table that a depth reduces to: depth 0 always the built-in 16-colour table, depth 1 the active
// table when useActiveTable is set and the built-in 256-colour table otherwise; depth 2 has none. The
// built-in table of the depth must load even when the active table is used; when it does not, there is
// no table either, and telling the user is the caller's part: this layer shows nothing.
std::optional<ReductionTable> SelectReductionTable(const ModuleResources& resources,
                                                   int depth,
                                                   bool useActiveTable,
                                                   const ColorTable& activeTable);

// Writes the first `count` entries as RGBQUADs (blue, green, red, 0) into 4 * count bytes.
void WriteRgbQuads(const ColorTable& table, int count, uint8_t* quads);

}  // namespace tessera
