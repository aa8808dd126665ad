#include "color/color_table.h"

#include <algorithm>

#include "base/module_resources.h"
#include "resources/resource_ids.h"

namespace tessera {

ColorTable GreyRampTable() {
    ColorTable table;
    for (int i = 0; i < kColorTableEntries; ++i) {
        const auto v = static_cast<uint8_t>(i);
        table.SetEntry(i, Rgb{v, v, v});
    }
    return table;
}

std::optional<ColorTable> LoadBuiltInTable(const ModuleResources& resources, int id) {
    const std::optional<std::vector<uint8_t>> bytes = resources.Load("COLORTABLE", id);
    if (!bytes || bytes->size() != kColorTableBytes) {
        return std::nullopt;
    }
    ColorTable table;
    std::copy(bytes->begin(), bytes->end(), table.bytes.begin());
    return table;
}

std::optional<ReductionTable> SelectReductionTable(const ModuleResources& resources,
                                                   int depth,
                                                   bool useActiveTable,
                                                   const ColorTable& activeTable) {
    if (depth != 0 && depth != 1) {
        return std::nullopt;
    }
    const bool sixteen = depth == 0;
    std::optional<ColorTable> builtIn = LoadBuiltInTable(resources, sixteen ? IDT_TABLE_16 : IDT_TABLE_256);
    if (!builtIn) {
        return std::nullopt;
    }
    if (sixteen) {
        return ReductionTable{*builtIn, 4, 16};
    }
    return ReductionTable{useActiveTable ? activeTable : *builtIn, 8, kColorTableEntries};
}

void WriteRgbQuads(const ColorTable& table, int count, uint8_t* quads) {
    for (int i = 0; i < count; ++i) {
        const Rgb c = table.Entry(i);
        uint8_t* q = quads + static_cast<ptrdiff_t>(i) * 4;
        q[0] = c.blue;
        q[1] = c.green;
        q[2] = c.red;
        q[3] = 0;
    }
}

}  // namespace tessera
