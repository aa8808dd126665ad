#include "ui/test_icon_dialog_win.h"

#include <commctrl.h>

#include <cstdio>

#include "base/dialog_win.h"
#include "base/win_handles_win.h"
#include "resources/resource_ids.h"

namespace tessera {

namespace {

class TestIconDialog {
  public:
    explicit TestIconDialog(UniqueHicon icon) : icon_(std::move(icon)) {}
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
            case WM_COMMAND:
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
    [[nodiscard]] bool IsChecked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }

    UniqueHicon icon_;
    UniqueImageList imageList_;
    HWND dialog_ = nullptr;
};

}  // namespace

void RunTestIconDialog(HWND owner, UniqueHicon icon) {
    TestIconDialog dialog(std::move(icon));
    RunObjectDialog(IDD_TEST_ICON, owner, dialog);
}

}  // namespace tessera
