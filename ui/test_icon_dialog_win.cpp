#include "ui/test_icon_dialog_win.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "base/alerts.h"
#include "base/dialog_win.h"
#include "base/module_win.h"
#include "base/win_handles_win.h"
#include "icon/icon_handle_win.h"
#include "icon/windows_scales.h"
#include "resources/resource_ids.h"

namespace tessera {

namespace {

class TestIconDialog {
  public:
    TestIconDialog(UniqueHicon icon, const ResourceGrid& grid) : icon_(std::move(icon)), grid_(grid) {
        for (int slot = 0; slot < kImageKindCount; ++slot) {
            present_[static_cast<size_t>(slot)] = grid.Slot(slot).present != 0;
        }
    }
    TestIconDialog(const TestIconDialog&) = delete;
    TestIconDialog& operator=(const TestIconDialog&) = delete;

    static constexpr INT_PTR kEndOnException = IDCANCEL;

  private:
    friend INT_PTR CALLBACK ObjectDialogProc<TestIconDialog>(HWND, UINT, WPARAM, LPARAM);

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_INITDIALOG:
                dialog_ = dialog;
                Initialise();
                return TRUE;
            case WM_NOTIFY: {
                const auto* header = reinterpret_cast<const NMHDR*>(lParam);
                if (header->idFrom == IDC_TEST_SLIDER && header->code == NM_CUSTOMDRAW) {
                    SliderMoved();
                    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, CDRF_DODEFAULT);
                    return TRUE;
                }
                break;
            }
            case WM_HSCROLL:
            case WM_VSCROLL: {
                const auto bar = reinterpret_cast<HWND>(lParam);
                if (bar == GetDlgItem(dialog, IDC_TEST_SCALE_HSCROLL) ||
                    bar == GetDlgItem(dialog, IDC_TEST_SCALE_VSCROLL)) {
                    Scroll(bar, LOWORD(wParam));
                    return TRUE;
                }
                break;
            }
            case WM_COMMAND:
                if (LOWORD(wParam) >= IDC_TEST_SCALE_FIRST && LOWORD(wParam) <= IDC_TEST_SCALE_LAST &&
                    HIWORD(wParam) == BN_CLICKED) {
                    ShowScale(LOWORD(wParam) - IDC_TEST_SCALE_FIRST);
                    return TRUE;
                }
                switch (LOWORD(wParam)) {
                    case IDOK:
                    case IDCANCEL:
                        EndDialog(dialog, LOWORD(wParam));
                        return TRUE;
                    case IDC_TEST_DISABLE: {
                        const BOOL enable = !IsChecked(IDC_TEST_DISABLE);
                        for (int id : {IDC_TEST_BUTTON_SMALL, IDC_TEST_BUTTON_MIDDLE, IDC_TEST_BUTTON_LARGE}) {
                            EnableWindow(GetDlgItem(dialog, id), enable);
                        }
                        return TRUE;
                    }
                    case IDC_TEST_CENTER:
                        SetPictureStyle(GWL_STYLE, SS_CENTERIMAGE, IsChecked(IDC_TEST_CENTER));
                        return TRUE;
                    case IDC_TEST_CLIENT_EDGE:
                        SetPictureStyle(GWL_EXSTYLE, WS_EX_CLIENTEDGE, IsChecked(IDC_TEST_CLIENT_EDGE));
                        return TRUE;
                    case IDC_TEST_STATIC_EDGE:
                        SetPictureStyle(GWL_EXSTYLE, WS_EX_STATICEDGE, IsChecked(IDC_TEST_STATIC_EDGE));
                        return TRUE;
                    default:
                        break;
                }
                break;
            default:
                break;
        }
        return FALSE;
    }

    void Initialise() {
        HICON icon = icon_.get();
        SendMessageA(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageA(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        for (int id : {IDC_TEST_BUTTON_SMALL, IDC_TEST_BUTTON_MIDDLE, IDC_TEST_BUTTON_LARGE}) {
            SendDlgItemMessageA(dialog_, id, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
        }
        SendDlgItemMessageA(dialog_, IDC_TEST_PICTURE, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        RECT picture{};
        GetWindowRect(Picture(), &picture);
        const int width = picture.right - picture.left;

        HWND slider = GetDlgItem(dialog_, IDC_TEST_SLIDER);
        SendMessageA(slider, TBM_SETPOS, TRUE, width);
        ShowPictureSize(width);
        SendMessageA(slider, TBM_SETRANGE, FALSE, MAKELPARAM(0, 96));
        SendMessageA(slider, TBM_SETPOS, TRUE, 32);
        SendMessageA(slider, TBM_SETTICFREQ, 16, 0);

        imageList_.reset(ImageList_Create(16, 16, ILC_COLOR16 | ILC_MASK, 1, 1));
        if (imageList_ && icon != nullptr) {
            ImageList_AddIcon(imageList_.get(), icon);
        }
        HWND tree = GetDlgItem(dialog_, IDC_TEST_TREE);
        TreeView_SetImageList(tree, imageList_.get(), TVSIL_NORMAL);
        HTREEITEM parent = InsertTreeItem(tree, TVI_ROOT, "Parent Item");
        InsertTreeItem(tree, parent, "Child Item");
        InsertTreeItem(tree, parent, "Child Item");
        TreeView_Expand(tree, parent, TVE_EXPAND);

        CreateScaleRows();
        CheckRadioButton(dialog_, IDC_TEST_SCALE_FIRST, IDC_TEST_SCALE_LAST, IDC_TEST_SCALE_FIRST);
        ShowScale(0);
    }

    // A label and a picture for each surface, inside the scale view; they go with the view.
    void CreateScaleRows() {
        HWND view = ScaleView();
        const auto font = static_cast<WPARAM>(SendMessageA(dialog_, WM_GETFONT, 0, 0));
        for (size_t surface = 0; surface < kIconSurfaces.size(); ++surface) {
            const int row = static_cast<int>(surface);
            HWND text = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0,
                                        view, ChildId(IDC_TEST_SCALE_TEXT_FIRST + row), ModuleInstance(), nullptr);
            SendMessageA(text, WM_SETFONT, font, FALSE);
            CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_ICON, 0, 0, 0, 0, view,
                            ChildId(IDC_TEST_SCALE_IMAGE_FIRST + row), ModuleInstance(), nullptr);
        }
    }

    static HMENU ChildId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

    // Each surface's image at the scale: the slot Windows would take, made by the platform at the side
    // Windows draws; the picture sizes itself to it. Each icon goes only once its picture holds the next.
    void ShowScale(int scale) {
        HWND view = ScaleView();
        for (size_t surface = 0; surface < kIconSurfaces.size(); ++surface) {
            const int row = static_cast<int>(surface);
            const int target = kIconSurfaces[surface].sides[static_cast<size_t>(scale)];
            const int slot = SlotWindowsDraws(present_, target);
            UniqueHicon icon = CreateIconAtSide(grid_, slot, target);
            SendDlgItemMessageA(view, IDC_TEST_SCALE_IMAGE_FIRST + row, STM_SETICON,
                                reinterpret_cast<WPARAM>(icon.get()), 0);
            rowIcons_[surface] = std::move(icon);
            const std::string text = FormatText("%s\r\n%d pixels: %s", kIconSurfaces[surface].name, target,
                                                HowWindowsDraws(KindOfSlot(slot).side, target).c_str());
            SetDlgItemTextA(view, IDC_TEST_SCALE_TEXT_FIRST + row, text.c_str());
        }
        LayOutRows();
    }

    // The rows one under another, each label beside its picture, shifted by the scroll bars.
    void LayOutRows() {
        HWND view = ScaleView();
        RECT label{0, 0, 135, 18};  // dialog units: the longest name on one line, the size below
        MapDialogRect(dialog_, &label);
        const int labelWidth = label.right;
        const int labelHeight = label.bottom;
        const int gap = labelHeight / 4;
        const int pictureLeft = labelWidth + 2 * gap;
        std::array<int, kIconSurfaces.size()> rowHeights{};
        int width = 0;
        int height = gap;
        for (size_t surface = 0; surface < kIconSurfaces.size(); ++surface) {
            RECT r{};
            GetWindowRect(GetDlgItem(view, IDC_TEST_SCALE_IMAGE_FIRST + static_cast<int>(surface)), &r);
            width = std::max(width, pictureLeft + static_cast<int>(r.right - r.left) + gap);
            rowHeights[surface] = std::max(labelHeight, static_cast<int>(r.bottom - r.top)) + gap;
            height += rowHeights[surface];
        }
        RECT client{};
        GetClientRect(view, &client);
        const int left = -SetScrollExtent(IDC_TEST_SCALE_HSCROLL, width, client.right);
        int top = gap - SetScrollExtent(IDC_TEST_SCALE_VSCROLL, height, client.bottom);
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS;
        for (size_t surface = 0; surface < kIconSurfaces.size(); ++surface) {
            const int row = static_cast<int>(surface);
            SetWindowPos(GetDlgItem(view, IDC_TEST_SCALE_TEXT_FIRST + row), nullptr, left + gap, top, labelWidth,
                         labelHeight, flags);
            SetWindowPos(GetDlgItem(view, IDC_TEST_SCALE_IMAGE_FIRST + row), nullptr, left + pictureLeft, top, 0, 0,
                         flags | SWP_NOSIZE);
            top += rowHeights[surface];
        }
        RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }

    // Sets a scroll bar to `extent` pixels of which `page` show; its position, kept within them.
    int SetScrollExtent(int id, int extent, int page) {
        HWND bar = GetDlgItem(dialog_, id);
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
        info.nMax = extent - 1;
        info.nPage = static_cast<UINT>(std::max(page, 0));
        SetScrollInfo(bar, SB_CTL, &info, TRUE);
        return GetScrollPos(bar, SB_CTL);
    }

    void Scroll(HWND bar, int request) {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        GetScrollInfo(bar, SB_CTL, &info);
        const int line = 16;
        const auto page = static_cast<int>(info.nPage);
        int position = info.nPos;
        switch (request) {
            case SB_LINEUP:
                position -= line;
                break;
            case SB_LINEDOWN:
                position += line;
                break;
            case SB_PAGEUP:
                position -= page;
                break;
            case SB_PAGEDOWN:
                position += page;
                break;
            case SB_THUMBTRACK:
            case SB_THUMBPOSITION:
                position = info.nTrackPos;
                break;
            case SB_TOP:
                position = info.nMin;
                break;
            case SB_BOTTOM:
                position = info.nMax;
                break;
            default:
                return;
        }
        SetScrollPos(bar, SB_CTL, position, TRUE);
        LayOutRows();
    }

    static HTREEITEM InsertTreeItem(HWND tree, HTREEITEM parent, const char* text) {
        TVINSERTSTRUCTA insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.pszText = const_cast<char*>(text);
        insert.item.iImage = 0;
        insert.item.iSelectedImage = 0;
        return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    }

    void SliderMoved() {
        const int position = static_cast<int>(SendDlgItemMessageA(dialog_, IDC_TEST_SLIDER, TBM_GETPOS, 0, 0));
        ShowPictureSize(position);
        SetWindowPos(Picture(), nullptr, 0, 0, position, position, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RefreshPicture();
    }

    void ShowPictureSize(int side) {
        char text[64];
        std::snprintf(text, sizeof text, "%d x %d pixels", side, side);
        SetDlgItemTextA(dialog_, IDC_TEST_SIZE_TEXT, text);
    }

    void SetPictureStyle(int which, LONG_PTR bits, bool on) {
        const LONG_PTR style = GetWindowLongPtrA(Picture(), which);
        SetWindowLongPtrA(Picture(), which, on ? (style | bits) : (style & ~bits));
        RefreshPicture();
    }

    // Shrinking the static to nothing and back makes it lay itself out again in its new styles.
    void RefreshPicture() {
        HWND picture = Picture();
        RECT r{};
        GetWindowRect(picture, &r);
        const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
        SetWindowPos(picture, nullptr, 0, 0, 0, 0, flags);
        SetWindowPos(picture, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, flags);
        InvalidateRect(picture, nullptr, TRUE);
    }

    [[nodiscard]] HWND Picture() const { return GetDlgItem(dialog_, IDC_TEST_PICTURE); }
    [[nodiscard]] HWND ScaleView() const { return GetDlgItem(dialog_, IDC_TEST_SCALE_VIEW); }
    [[nodiscard]] bool IsChecked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }

    UniqueHicon icon_;
    const ResourceGrid& grid_;
    std::array<bool, kImageKindCount> present_{};
    std::array<UniqueHicon, kIconSurfaces.size()> rowIcons_;  // what each row's picture shows
    UniqueImageList imageList_;
    HWND dialog_ = nullptr;
};

}  // namespace

void RunTestIconDialog(HWND owner, UniqueHicon icon, const ResourceGrid& grid) {
    TestIconDialog dialog(std::move(icon), grid);
    RunObjectDialog(IDD_TEST_ICON, owner, dialog);
}

}  // namespace tessera
