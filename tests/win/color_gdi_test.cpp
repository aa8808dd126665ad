// Our nearest-colour reduction against the platform's own: GDI copying a 32-bit picture onto a 4-bit
// DIB section that holds the plug-in's built-in 16-colour table must pick the same index for every
// colour.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/bgra_image.h"
#include "base/module_resources.h"
#include "base/module_win.h"
#include "base/win_handles_win.h"
#include "color/color_table.h"
#include "color/nearest.h"
#include "icon/resource_grid.h"
#include "resources/resource_ids.h"

namespace tessera {
namespace {

// The COLORTABLE resources of the built plug-in beside the test.
class PluginTables final : public ModuleResources {
  public:
    PluginTables() {
        module_.reset(LoadLibraryExA((ProgramFolder() + "\\tessera.8bf").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    }
    [[nodiscard]] bool Loaded() const { return static_cast<bool>(module_); }
    std::optional<std::vector<uint8_t>> Load(const char* type, int id) const override {
        HRSRC info = FindResourceA(module_.get(), MAKEINTRESOURCEA(id), type);
        HGLOBAL loaded = info != nullptr ? LoadResource(module_.get(), info) : nullptr;
        const auto* bytes = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
        if (bytes == nullptr) {
            return std::nullopt;
        }
        return std::vector<uint8_t>(bytes, bytes + SizeofResource(module_.get(), info));
    }

  private:
    UniqueModule module_;
};

// Every colour of a 16-step lattice, the greys, and random colours, 256 to a row.
BgraImage Colors() {
    std::vector<uint32_t> colors;
    for (int r = 0; r < 256; r += 15) {
        for (int g = 0; g < 256; g += 15) {
            for (int b = 0; b < 256; b += 15) {
                colors.push_back(static_cast<uint32_t>(r | (g << 8) | (b << 16)));
            }
        }
    }
    for (uint32_t v = 0; v < 256; ++v) {
        colors.push_back(v | (v << 8) | (v << 16));
    }
    std::mt19937 random(16);
    while (colors.size() % 256 != 0 || colors.size() < 16384) {
        colors.push_back(random() & 0xFFFFFF);
    }
    BgraImage picture = *BgraImage::Make(256, static_cast<int>(colors.size() / 256));
    for (size_t i = 0; i < colors.size(); ++i) {
        uint8_t* p = picture.Bytes() + 4 * i;
        p[0] = static_cast<uint8_t>(colors[i] >> 16);
        p[1] = static_cast<uint8_t>(colors[i] >> 8);
        p[2] = static_cast<uint8_t>(colors[i]);
        p[3] = 255;
    }
    return picture;
}

// The picture copied by GDI onto an indexed DIB section with the table's first `entries` entries.
std::vector<uint8_t> GdiReduce(const BgraImage& picture, const ColorTable& table, int bits, int entries) {
    const int w = picture.Width(), h = picture.Height();
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = w;
    info.header.biHeight = h;
    info.header.biPlanes = 1;
    info.header.biBitCount = 32;
    void* sourceBits = nullptr;
    const UniqueHdc sourceDc(CreateCompatibleDC(nullptr));
    const UniqueGdiObj<HBITMAP> source(CreateDIBSection(sourceDc.get(), reinterpret_cast<BITMAPINFO*>(&info),
                                                        DIB_RGB_COLORS, &sourceBits, nullptr, 0));
    info.header.biBitCount = static_cast<WORD>(bits);
    info.header.biClrUsed = static_cast<DWORD>(entries);
    WriteRgbQuads(table, entries, reinterpret_cast<uint8_t*>(info.colors));
    void* indexedBits = nullptr;
    const UniqueHdc indexedDc(CreateCompatibleDC(nullptr));
    const UniqueGdiObj<HBITMAP> indexed(CreateDIBSection(indexedDc.get(), reinterpret_cast<BITMAPINFO*>(&info),
                                                         DIB_RGB_COLORS, &indexedBits, nullptr, 0));
    if (!sourceDc || !source || !indexedDc || !indexed) {
        ADD_FAILURE() << "no DIB sections";
        return {};
    }
    std::memcpy(sourceBits, picture.Bytes(), picture.ByteCount());
    {
        const SelectGuard selectSource(sourceDc.get(), source.get());
        const SelectGuard selectIndexed(indexedDc.get(), indexed.get());
        EXPECT_TRUE(BitBlt(indexedDc.get(), 0, 0, w, h, sourceDc.get(), 0, 0, SRCCOPY));
        GdiFlush();
    }
    const auto* first = static_cast<const uint8_t*>(indexedBits);
    return std::vector<uint8_t>(first, first + static_cast<size_t>(ColorStride(w, bits)) * static_cast<size_t>(h));
}

void ExpectSameAsGdi(int tableId, int bits, int entries) {
    const PluginTables resources;
    ASSERT_TRUE(resources.Loaded());
    const std::optional<ColorTable> table = LoadBuiltInTable(resources, tableId);
    ASSERT_TRUE(table);
    const BgraImage picture = Colors();
    const std::vector<uint8_t> gdi = GdiReduce(picture, *table, bits, entries);
    std::vector<uint8_t> ours(gdi.size());
    ASSERT_TRUE(ReduceToTable(picture, *table, bits, ours.data(), ours.size()));
    int differences = 0;
    for (size_t i = 0; i < ours.size(); ++i) {
        if (ours[i] != gdi[i] && ++differences <= 5) {
            const uint8_t* p = picture.Bytes() + 4 * (bits == 8 ? i : 2 * i);
            ADD_FAILURE() << "byte " << i << " near (" << int{p[2]} << ", " << int{p[1]} << ", " << int{p[0]}
                          << "): ours " << int{ours[i]} << ", GDI " << int{gdi[i]};
        }
    }
    EXPECT_EQ(0, differences);
}

TEST(GdiAgreement, SixteenColoursAtFourBits) {
    ExpectSameAsGdi(IDT_TABLE_16, 4, 16);
}

}  // namespace
}  // namespace tessera
