#include "ui/layer_view_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <utility>

#include "base/bgra_image_win.h"
#include "base/module_win.h"
#include "base/win_handles_win.h"
#include "host/plugin_call.h"
#include "icon/image_kind.h"
#include "icon/resource_cell_win.h"
#include "resources/resource_ids.h"
#include "ui/layer_preview.h"
#include "ui/layer_view.h"

namespace tessera {

namespace {

constexpr int kFrameWidth = 3;

// Posted by a paint that found no built-in colour table, so that the user is told after the paint.
constexpr UINT kNoTableMessage = WM_APP;

void FillArea(HDC dc, const RECT& area, COLORREF color) {
    const UniqueGdiObj<HBRUSH> brush(CreateSolidBrush(color));
    if (brush) {
        FillRect(dc, &area, brush.get());
    }
}

}  // namespace

bool LayerView::Attach(HWND control, ResourceFormat* format, PluginCall* call, const ModuleResources& resources) {
    if (!Subclass(control, IDC_MOVE_CURSOR)) {
        return false;
    }
    format_ = format;
    call_ = call;
    resources_ = &resources;
    return true;
}

bool LayerView::ShowsWindowsSlot() const {
    return IsWindowsSlot(windowsSlot_);
}

int LayerView::Side() const {
    return ShowsWindowsSlot() ? KindOfSlot(windowsSlot_).side : format_->PixelSize();
}

std::optional<LayerImage> LayerView::Square() const {
    return format_ != nullptr && call_ != nullptr ? CurrentLayerImage(*call_, Side()) : std::nullopt;
}

void LayerView::BuildAutomaticTable() {
    if (call_ != nullptr && call_->record != nullptr) {
        // Short of memory the table stays as it was; the preview still shows.
        RebuildAutomaticTable(*call_, state_);
    }
}

void LayerView::Rerender() {
    if (call_ != nullptr && ShowsWindowsSlot()) {
        RenderWindowsSquare(*call_, state_, windowsSlot_);
    } else if (call_ != nullptr && format_ != nullptr) {
        RenderLayerSquare(*call_, state_, format_->size);
    }
    Repaint();
}

int LayerView::ConvertLayerToResource(ResourceGrid& grid, bool copyData, bool copyMask) {
    if (format_ == nullptr || call_ == nullptr) {
        return 0;
    }
    return ConvertRenderedSquare(*call_, state_, grid, *format_, copyData, copyMask, *resources_);
}

int LayerView::QuickBuildSlot(ResourceGrid& grid) {
    if (format_ == nullptr || call_ == nullptr) {
        return 0;
    }
    const int done = tessera::QuickBuildSlot(*call_, state_, grid, *format_, *resources_);
    Repaint();
    return done;
}

int LayerView::BuildWindowsSlot(ResourceGrid& grid, int slot) {
    if (call_ == nullptr) {
        return 0;
    }
    const int done = tessera::BuildWindowsSlot(*call_, state_, grid, slot);
    Repaint();
    return done;
}

void LayerView::MoveSquare(int vertical, int horizontal) {
    if (call_ == nullptr || call_->record == nullptr || format_ == nullptr) {
        return;
    }
    if (ShowsWindowsSlot()) {
        MoveRequestedSquare(*call_, RememberedWindowsSquare(state_, windowsSlot_), vertical, horizontal);
    } else {
        MoveLayerSquare(*call_, state_.squares, format_->size, vertical, horizontal);
    }
}

void LayerView::ShowMoveCursor() {
    if (Cursor() != nullptr) {
        SetCursor(Cursor());
    }
}

LRESULT LayerView::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    struct MessageEntry {
        UINT message;
        bool (LayerView::*run)(WPARAM wParam, LPARAM lParam);
    };
    // Each handler answers whether it took the message whole; otherwise the control's own handling
    // follows.
    static constexpr MessageEntry kMessages[] = {
        // The static class takes double clicks, so a quick second press arrives as one: it is a press
        // all the same.
        {WM_LBUTTONDOWN, &LayerView::Press},
        {WM_LBUTTONDBLCLK, &LayerView::Press},
        {WM_MOUSEMOVE, &LayerView::Drag},
        {WM_LBUTTONUP, &LayerView::Release},
        {WM_CAPTURECHANGED, &LayerView::CaptureLost},
        {WM_RBUTTONDOWN, &LayerView::PressRight},
        {WM_CONTEXTMENU, &LayerView::ShowContextMenu},
        {WM_INITMENUPOPUP, &LayerView::UpdateMenuChecks},
        {WM_COMMAND, &LayerView::MenuCommand},
        {WM_KEYDOWN, &LayerView::KeyDown},
        {kNoTableMessage, &LayerView::ShowNoTable},
    };
    if (message == WM_GETDLGCODE && ShowsWindowsSlot()) {
        // The main window's view leaves the arrows to the dialog, which moves the focus with them.
        return DefSubclassProc(window, message, wParam, lParam) | DLGC_WANTARROWS;
    }
    for (const MessageEntry& entry : kMessages) {
        if (entry.message == message) {
            if ((this->*entry.run)(wParam, lParam)) {
                return 0;
            }
            break;
        }
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

bool LayerView::Press(WPARAM, LPARAM lParam) {
    SetFocus(Window());
    Repaint();
    lastMousePoint_ = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    SetCapture(Window());
    dragging_ = true;
    ShowMoveCursor();
    return false;
}

bool LayerView::Drag(WPARAM wParam, LPARAM lParam) {
    if ((wParam & MK_LBUTTON) != 0 && dragging_) {
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ShowMoveCursor();
        // The square moves against the mouse, so the picture follows it.
        MoveSquare(lastMousePoint_.y - point.y, lastMousePoint_.x - point.x);
        if (call_ != nullptr) {
            FetchLayerSquare(*call_);
        }
        Repaint();
        lastMousePoint_ = point;
    }
    return true;
}

bool LayerView::Release(WPARAM, LPARAM lParam) {
    ReleaseCapture();
    lastMousePoint_ = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    dragging_ = false;
    if (state_.automaticTable) {
        BuildAutomaticTable();
        Repaint();
    }
    return false;
}

bool LayerView::CaptureLost(WPARAM, LPARAM) {
    // A drag whose capture was taken away (a message box, another window) is over: the button may be
    // released where this view never hears of it.
    dragging_ = false;
    return false;
}

bool LayerView::PressRight(WPARAM, LPARAM) {
    SetFocus(Window());
    Repaint();
    return false;
}

bool LayerView::KeyDown(WPARAM key, LPARAM) {
    // An arrow is the keypad digit under it.
    const std::pair<WPARAM, WPARAM> kArrows[] = {
        {VK_LEFT, VK_NUMPAD4}, {VK_RIGHT, VK_NUMPAD6}, {VK_UP, VK_NUMPAD8}, {VK_DOWN, VK_NUMPAD2}};
    for (const auto& [arrow, digit] : kArrows) {
        if (key == arrow && ShowsWindowsSlot()) {
            key = digit;
        }
    }
    if (key >= VK_NUMPAD1 && key <= VK_NUMPAD9) {
        const std::optional<SquareStep> step = KeypadStep(static_cast<int>(key - VK_NUMPAD0));
        MoveSquare(step->vertical, step->horizontal);
        if (state_.automaticTable) {
            BuildAutomaticTable();
        }
        if (call_ != nullptr) {
            FetchLayerSquare(*call_);
        }
        Repaint();
    } else if (key == VK_INSERT && owner_ != nullptr) {
        owner_->CopyLayerToResource(true, true);
    } else if (key == VK_DELETE && owner_ != nullptr) {
        owner_->ClearResource();
    }
    return false;
}

bool LayerView::ShowContextMenu(WPARAM, LPARAM where) {
    if (ShowsWindowsSlot()) {
        return true;
    }
    POINT at{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    if (at.x == -1 && at.y == -1) {
        // Opened from the keyboard: there is no click to put the menu at.
        const DWORD last = GetMessagePos();
        at = POINT{GET_X_LPARAM(last), GET_Y_LPARAM(last)};
    }
    const UniqueMenu menu(LoadMenuA(ModuleInstance(), MAKEINTRESOURCEA(IDR_LAYER_MENU)));
    HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (popup != nullptr) {
        TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Window(), nullptr);
    }
    return true;
}

bool LayerView::UpdateMenuChecks(WPARAM menu, LPARAM) {
    const auto popup = reinterpret_cast<HMENU>(menu);
    if (format_ == nullptr) {
        return true;
    }
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        const UINT id = GetMenuItemID(popup, i);
        if (const std::optional<bool> checked = LayerMenuItemChecked(static_cast<int>(id), *format_)) {
            CheckMenuItem(popup, static_cast<UINT>(i), MF_BYPOSITION | (*checked ? MF_CHECKED : MF_UNCHECKED));
        }
    }
    return true;
}

bool LayerView::MenuCommand(WPARAM command, LPARAM) {
    if (format_ == nullptr || !ApplyLayerMenuCommand(LOWORD(command), *format_)) {
        return false;
    }
    if (owner_ != nullptr) {
        owner_->UpdateSelectionControls();
        owner_->RefreshPreviews();
    } else {
        Rerender();
    }
    return true;
}

bool LayerView::ShowNoTable(WPARAM, LPARAM) {
    if (call_ != nullptr) {
        TellNoTable(call_->alerts);
    }
    return true;
}

void LayerView::Paint(HDC dc) {
    RECT client{};
    GetClientRect(Window(), &client);
    RECT inner = client;
    InflateRect(&inner, -kFrameWidth, -kFrameWidth);
    const COLORREF ring = GetFocus() == Window() ? kLayerViewFocusRing : RGB(0, 0, 0);

    if (format_ != nullptr && call_ != nullptr) {
        // A Windows size is a true-colour image with its alpha, shown as such.
        const LayerPreview preview = ShowsWindowsSlot()
                                         ? RenderSquarePreview(Square(), ResourceFormat(0, 2, 1, 0), backgroundColor_,
                                                               false, state_.activeTable, *resources_)
                                         : RenderLayerPreview(Square(), *format_, backgroundColor_,
                                                              state_.useActiveTable, state_.activeTable, *resources_);
        if (preview.noTable && !noTableTold_) {
            // A message box here would run its own message loop inside the paint. The user is told once
            // the paint is over, and once only: the module's tables do not come back while it is loaded.
            noTableTold_ = PostMessageA(Window(), kNoTableMessage, 0, 0) != 0;
        }
        bool drawn = !preview.failed;
        if (preview.picture) {
            // Whole blocks of layer pixels, never smoothed.
            const int previousMode = SetStretchBltMode(dc, COLORONCOLOR);
            drawn = BlitBgraImage(dc, *preview.picture, inner.left, inner.top, inner.right - inner.left,
                                  inner.bottom - inner.top);
            if (previousMode != 0) {
                SetStretchBltMode(dc, previousMode);
            }
        }
        if (!drawn) {
            FillArea(dc, inner, kLayerViewFailure);
        }
    }
    DrawTripleFrame(dc, client, ring);
}

}  // namespace tessera
