#include "icon/draw_resource_win.h"

#include <algorithm>
#include <cstring>

#include "base/bgra_image_win.h"
#include "base/byte_reader.h"
#include "icon/draw_resource.h"
#include "icon/icon_handle_win.h"

namespace tessera {

namespace {

// A header followed by room for the largest colour table our images carry.
struct IndexedInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

void FillHeader(BITMAPINFOHEADER& header, int width, int height, int bitsPerPixel) {
    header = BITMAPINFOHEADER{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitsPerPixel);
}

// The colour rows of a 4- or 8-bit image drawn on their own. The block's header also counts the mask
// rows in its height and may carry fields the platform would read differently (a larger header,
// compression), so the rows get a plain header of their own. The table is the block's, cut to what the
// depth can index and to the bytes that lie before the colour rows; entries it does not fill stay black.
void ColorRowsInfo(const IconResource& resource, IndexedInfo& info) {
    FillHeader(info.header, resource.width, resource.height, resource.bitsPerPixel);
    std::memset(info.colors, 0, sizeof info.colors);
    ByteReader reader({resource.image.get(), resource.imageSize});
    const uint32_t headerSize = reader.U32LE();
    reader.Skip(28);  // width .. vertical resolution
    const uint32_t stated = reader.U32LE() & 0xFFFFu;
    const size_t indexable = size_t{1} << resource.bitsPerPixel;
    const size_t tableStart = headerSize;
    const size_t tableEnd = static_cast<size_t>(resource.colorBits - resource.image.get());
    if (!reader.Ok() || tableEnd < tableStart) {
        return;
    }
    const size_t entries = std::min({stated == 0 ? indexable : size_t{stated}, indexable, (tableEnd - tableStart) / 4});
    std::memcpy(info.colors, resource.image.get() + tableStart, entries * sizeof(RGBQUAD));
}

// The mask rows as a 1-bit picture: bit 1 (transparent) white, bit 0 (opaque) black.
struct MaskInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
};

void MaskRowsInfo(const IconResource& resource, MaskInfo& info) {
    FillHeader(info.header, resource.width, resource.height, 1);
    info.colors[0] = RGBQUAD{0, 0, 0, 0};
    info.colors[1] = RGBQUAD{255, 255, 255, 0};
}

struct Placement {
    RECT area;
    bool stretch;
    int x0;
    int y0;
    [[nodiscard]] int Width() const { return area.right - area.left; }
    [[nodiscard]] int Height() const { return area.bottom - area.top; }
};

bool DrawRows(HDC dc, const Placement& at, const BITMAPINFO* info, const uint8_t* rows, int width, int height) {
    if (at.stretch) {
        return StretchDIBits(dc, at.area.left, at.area.top, at.Width(), at.Height(), 0, 0, width, height, rows, info,
                             DIB_RGB_COLORS, SRCCOPY) > 0;
    }
    return SetDIBitsToDevice(dc, at.x0, at.y0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                             static_cast<UINT>(height), rows, info, DIB_RGB_COLORS) > 0;
}

}  // namespace

bool DrawResource(HDC dc,
                  const RECT& area,
                  int32_t view,
                  bool stretch,
                  COLORREF background,
                  const ResourceGrid& grid,
                  int slot) {
    if (slot < 0 || slot >= kGridSlotCount) {
        return false;
    }
    const IconResource& resource = grid.Slot(slot);
    if (resource.present == 0 || resource.image == nullptr) {
        return false;
    }
    const Placement at{area, stretch, area.left + (area.right - area.left) / 2 - resource.width / 2,
                       area.top + (area.bottom - area.top) / 2 - resource.height / 2};

    if (resource.bitsPerPixel == 32) {
        const std::optional<BgraImage> picture = ComposeTrueColorResource(resource, view, background);
        if (!picture) {
            return false;
        }
        return stretch ? BlitBgraImage(dc, *picture, area.left, area.top, at.Width(), at.Height())
                       : BlitBgraImage(dc, *picture, at.x0, at.y0, resource.width, resource.height);
    }

    switch (ViewOf(view)) {
        case ResourceView::Data: {
            IndexedInfo info;
            ColorRowsInfo(resource, info);
            return DrawRows(dc, at, reinterpret_cast<const BITMAPINFO*>(&info), resource.colorBits, resource.width,
                            resource.height);
        }
        case ResourceView::Mask: {
            MaskInfo info;
            MaskRowsInfo(resource, info);
            return DrawRows(dc, at, reinterpret_cast<const BITMAPINFO*>(&info), resource.maskBits, resource.width,
                            resource.height);
        }
        case ResourceView::Both:
            break;
    }
    const UniqueHicon icon = CreateIconHandle(grid, slot);
    if (!icon) {
        return false;
    }
    return stretch ? DrawIconEx(dc, area.left, area.top, icon.get(), at.Width(), at.Height(), 0, nullptr, DI_NORMAL)
                   : DrawIconEx(dc, at.x0, at.y0, icon.get(), resource.width, resource.height, 0, nullptr, DI_NORMAL);
}

bool DrawFormat(HDC dc,
                const RECT& area,
                int32_t view,
                bool stretch,
                COLORREF background,
                const ResourceGrid& grid,
                const ResourceFormat& format) {
    const int slot = ResourceGrid::SlotForFormat(format);
    return slot != -1 && DrawResource(dc, area, view, stretch, background, grid, slot);
}

}  // namespace tessera
