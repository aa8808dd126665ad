#include "icon/resource_cell_win.h"

#include <commctrl.h>

#include "base/win_handles_win.h"
#include "icon/draw_resource_win.h"
#include "resources/resource_ids.h"

namespace tessera {

void DrawTripleFrame(HDC dc, const RECT& client, COLORREF accent) {
    const UniqueGdiObj<HBRUSH> black(CreateSolidBrush(RGB(0, 0, 0)));
    const UniqueGdiObj<HBRUSH> middle(CreateSolidBrush(accent));
    if (!black || !middle) {
        return;
    }
    RECT ring = client;
    FrameRect(dc, &ring, black.get());
    InflateRect(&ring, -1, -1);
    FrameRect(dc, &ring, middle.get());
    InflateRect(&ring, -1, -1);
    FrameRect(dc, &ring, black.get());
}

bool ResourceCell::Attach(HWND control, const ResourceFormat* format, const ResourceGrid* grid) {
    if (!Subclass(control, IDC_HAND_CURSOR)) {
        return false;
    }
    format_ = format;
    grid_ = grid;
    return true;
}

void ResourceCell::SetCurrent(bool current) {
    current_ = current;
    Repaint();
}

void ResourceCell::SetStretch(bool stretch) {
    stretch_ = stretch;
    Repaint();
}

LRESULT ResourceCell::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
            if (clickable_) {
                SetFocus(window);
                Repaint();
            }
            break;
        case WM_SETCURSOR:
            // Handled either way, so a cell that is not clickable keeps whatever cursor was showing.
            if (clickable_ && Cursor() != nullptr) {
                SetCursor(Cursor());
            }
            return TRUE;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void ResourceCell::Paint(HDC dc) {
    RECT client{};
    GetClientRect(Window(), &client);
    COLORREF accent = RGB(0, 0, 0);
    if (current_) {
        accent = kCurrentAccent;
    } else if (GetFocus() == Window()) {
        accent = kFocusAccent;
    }
    RECT area = client;
    InflateRect(&area, -kCellFrameWidth, -kCellFrameWidth);
    const UniqueGdiObj<HBRUSH> fill(CreateSolidBrush(background_));
    if (fill) {
        FillRect(dc, &area, fill.get());
    }
    if (grid_ != nullptr && format_ != nullptr) {
        // An empty slot draws nothing and leaves the background.
        DrawFormat(dc, area, format_->view, stretch_, background_, *grid_, *format_);
    }
    DrawTripleFrame(dc, client, accent);
}

}  // namespace tessera
