#include "ui/windows_sizes_dialog_win.h"

#include <algorithm>
#include <cstdio>

#include "base/bgra_image_win.h"
#include "base/dialog_win.h"
#include "base/module_win.h"
#include "base/win_handles_win.h"
#include "icon/draw_resource.h"
#include "icon/image_kind.h"
#include "icon/resource_cell_win.h"
#include "icon/resource_grid.h"
#include "resources/resource_ids.h"
#include "ui/layer_view_win.h"

namespace tessera {

namespace {

// The view shows the largest square pixel for pixel, inside its frame.
constexpr int kViewPixels = kPngSide + 2 * kCellFrameWidth;
constexpr int kLabelMinWidth = 52;
constexpr int kLabelGap = 4;

int PictureId(int slot) {
    return IDC_WSIZES_IMAGE_FIRST + slot - kGridSlotCount;
}

int LabelId(int slot) {
    return IDC_WSIZES_LABEL_FIRST + slot - kGridSlotCount;
}

class WindowsSizesDialog final : public LayerViewOwner {
  public:
    WindowsSizesDialog(PluginCall& call, ResourceGrid& grid, WindowsSquares& squares, COLORREF background)
        : call_(call), grid_(grid), squares_(squares), background_(background) {}
    WindowsSizesDialog(const WindowsSizesDialog&) = delete;
    WindowsSizesDialog& operator=(const WindowsSizesDialog&) = delete;

    static constexpr INT_PTR kEndOnException = IDCANCEL;

    // LayerViewOwner: the view's Insert and Delete keys work on the picked size.
    void UpdateSelectionControls() override { ShowPicked(); }
    void RefreshPreviews() override { view_.Rerender(); }
    void CopyLayerToResource(bool, bool) override { Copy(); }
    void ClearResource() override { Clear(); }

  private:
    friend INT_PTR CALLBACK ObjectDialogProc<WindowsSizesDialog>(HWND, UINT, WPARAM, LPARAM);

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_INITDIALOG:
                dialog_ = dialog;
                Initialise();
                return FALSE;  // the focus is on the view
            case WM_DRAWITEM: {
                const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
                const int slot = static_cast<int>(item->CtlID) - IDC_WSIZES_IMAGE_FIRST + kGridSlotCount;
                if (!IsWindowsSlot(slot)) {
                    return FALSE;
                }
                DrawPicture(item->hDC, item->rcItem, slot);
                return TRUE;
            }
            case WM_COMMAND:
                return Command(LOWORD(wParam), HIWORD(wParam));
            case WM_DESTROY:
                squares_ = view_.SquaresOfWindowsSizes();
                return FALSE;
            default:
                return FALSE;
        }
    }

    void Initialise() {
        HWND view = GetDlgItem(dialog_, IDC_WSIZES_VIEW);
        SetWindowPos(view, nullptr, 0, 0, kViewPixels, kViewPixels, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        view_.Attach(view, &format_, &call_, ModuleOwnResources());
        view_.SetBackgroundColor(background_);
        view_.SetSquaresOfWindowsSizes(squares_);
        view_.SetOwner(this);
        for (int slot = kGridSlotCount; slot < kImageKindCount; ++slot) {
            PlacePicture(slot);
        }
        ShowLabels();
        Pick(kGridSlotCount);
        SetFocus(view);
    }

    // Each picture as large as its image and its frame, its label centred under it.
    void PlacePicture(int slot) {
        const int side = KindOfSlot(slot).side + 2 * kCellFrameWidth;
        HWND picture = GetDlgItem(dialog_, PictureId(slot));
        SetWindowPos(picture, nullptr, 0, 0, side, side, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT at{};
        GetWindowRect(picture, &at);
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&at), 2);
        HWND label = GetDlgItem(dialog_, LabelId(slot));
        RECT labelAt{};
        GetWindowRect(label, &labelAt);
        const int width = std::max(side, kLabelMinWidth);
        SetWindowPos(label, nullptr, at.left + (side - width) / 2, at.bottom + kLabelGap, width,
                     labelAt.bottom - labelAt.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    INT_PTR Command(int id, int code) {
        if (id >= IDC_WSIZES_IMAGE_FIRST && id <= IDC_WSIZES_IMAGE_LAST) {
            if (code == STN_CLICKED) {
                Pick(id - IDC_WSIZES_IMAGE_FIRST + kGridSlotCount);
                SetFocus(view_.Window());
            }
            return TRUE;
        }
        switch (id) {
            case IDC_WSIZES_COPY:
                Copy();
                break;
            case IDC_WSIZES_CLEAR:
                Clear();
                break;
            case IDC_WSIZES_BUILD_ALL:
                BuildAll();
                break;
            case IDCANCEL:
                EndDialog(dialog_, IDCANCEL);
                return TRUE;
            default:
                return FALSE;
        }
        SetFocus(view_.Window());
        return TRUE;
    }

    void Pick(int slot) {
        picked_ = slot;
        view_.ShowWindowsSlot(slot);
        view_.Rerender();
        ShowPicked();
    }

    void Copy() {
        view_.BuildWindowsSlot(grid_, picked_);
        ShowImage(picked_);
    }

    void Clear() {
        grid_.RemoveSlot(picked_);
        ShowImage(picked_);
    }

    // Each size from its own square; the view then shows the picked one's again.
    void BuildAll() {
        for (int slot = kGridSlotCount; slot < kImageKindCount; ++slot) {
            view_.BuildWindowsSlot(grid_, slot);
            ShowImage(slot);
        }
        view_.Rerender();
    }

    void ShowPicked() {
        const int side = KindOfSlot(picked_).side;
        char text[128];
        std::snprintf(text, sizeof text,
                      "The square of %d x %d pixels: drag it, or move it a pixel with the arrow keys or the keypad.",
                      side, side);
        SetDlgItemTextA(dialog_, IDC_WSIZES_PICKED, text);
        for (int slot = kGridSlotCount; slot < kImageKindCount; ++slot) {
            InvalidateRect(GetDlgItem(dialog_, PictureId(slot)), nullptr, FALSE);
        }
    }

    void ShowLabels() {
        for (int slot = kGridSlotCount; slot < kImageKindCount; ++slot) {
            ShowLabel(slot);
        }
    }

    void ShowImage(int slot) {
        InvalidateRect(GetDlgItem(dialog_, PictureId(slot)), nullptr, FALSE);
        ShowLabel(slot);
    }

    void ShowLabel(int slot) {
        const int side = KindOfSlot(slot).side;
        char text[32];
        std::snprintf(text, sizeof text, grid_.Slot(slot).present != 0 ? "%d x %d" : "%d x %d\nempty", side, side);
        SetDlgItemTextA(dialog_, LabelId(slot), text);
    }

    // The image pixel for pixel over the background, inside the frame that marks the picked size.
    void DrawPicture(HDC dc, const RECT& client, int slot) const {
        RECT area = client;
        InflateRect(&area, -kCellFrameWidth, -kCellFrameWidth);
        const UniqueGdiObj<HBRUSH> fill(CreateSolidBrush(background_));
        if (fill) {
            FillRect(dc, &area, fill.get());
        }
        const std::optional<BgraImage> image = ComposeTrueColorResource(grid_.Slot(slot), 0, background_);
        if (image) {
            BlitBgraImage(dc, *image, area.left, area.top, image->Width(), image->Height());
        }
        DrawTripleFrame(dc, client, slot == picked_ ? kCurrentAccent : RGB(0, 0, 0));
    }

    PluginCall& call_;
    ResourceGrid& grid_;
    WindowsSquares& squares_;
    COLORREF background_;
    HWND dialog_ = nullptr;
    // The view shows Windows sizes only; it still wants a format to point at.
    ResourceFormat format_;
    LayerView view_;
    int picked_ = kGridSlotCount;
};

}  // namespace

void RunWindowsSizesDialog(HWND owner,
                           PluginCall& call,
                           ResourceGrid& grid,
                           WindowsSquares& squares,
                           COLORREF background) {
    WindowsSizesDialog dialog(call, grid, squares, background);
    RunObjectDialog(IDD_WINDOWS_SIZES, owner, dialog);
}

}  // namespace tessera
