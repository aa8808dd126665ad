#pragma once
// A control of a dialog template that an object takes over (subclasses) for painting and input. The
// subclass is removed when the control is destroyed or when the object goes, whichever comes first, and
// nothing the object throws unwinds into the platform. The control repaints whole when it gains or
// loses the focus, since its frame shows the focus.

#include <windows.h>

#include <commctrl.h>

#include "base/module_win.h"
#include "base/win_handles_win.h"

namespace tessera {

class SubclassedControl {
  public:
    SubclassedControl(const SubclassedControl&) = delete;
    SubclassedControl& operator=(const SubclassedControl&) = delete;
    virtual ~SubclassedControl() { Detach(); }

    [[nodiscard]] HWND Window() const { return window_; }
    // Repaints the whole control, background included.
    void Repaint() {
        if (window_ != nullptr) {
            InvalidateRect(window_, nullptr, TRUE);
        }
    }

  protected:
    SubclassedControl() = default;

    // Takes over the control, with the cursor resource `cursorId` of our module for the mouse over it.
    // False when there is no control, this object already has one, or the platform refuses.
    bool Subclass(HWND control, int cursorId) {
        if (control == nullptr || window_ != nullptr ||
            SetWindowSubclass(control, &Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) == FALSE) {
            return false;
        }
        window_ = control;
        // Not shared: a shared cursor would stay with the system after our module is gone.
        cursor_.reset(static_cast<HCURSOR>(
            LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(cursorId), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE)));
        return true;
    }
    // The control's own cursor; none when it could not be loaded.
    [[nodiscard]] HCURSOR Cursor() const { return cursor_.get(); }

    // Draws the whole control; for WM_PAINT and WM_PRINTCLIENT alike.
    virtual void Paint(HDC dc) = 0;
    // Every message but painting and the control's destruction; unhandled ones go to DefSubclassProc.
    virtual LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

  private:
    static constexpr UINT_PTR kSubclassId = 1;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
        auto* control = reinterpret_cast<SubclassedControl*>(self);
        if (message == WM_NCDESTROY) {
            control->Detach();
            return DefSubclassProc(window, message, wParam, lParam);
        }
        try {
            switch (message) {
                case WM_PAINT: {
                    const PaintDc paint(window);
                    if (paint.get() != nullptr) {
                        control->Paint(paint.get());
                    }
                    return 0;
                }
                case WM_PRINTCLIENT:
                    control->Paint(reinterpret_cast<HDC>(wParam));
                    return 0;
                case WM_SETFOCUS:
                case WM_KILLFOCUS: {
                    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
                    control->Repaint();
                    return result;
                }
                default:
                    return control->Handle(window, message, wParam, lParam);
            }
        } catch (...) {
            return 0;
        }
    }

    void Detach() {
        if (window_ != nullptr) {
            RemoveWindowSubclass(window_, &Proc, kSubclassId);
            window_ = nullptr;
        }
        // Never destroy the cursor that shows: the arrow takes its place first.
        if (cursor_ && GetCursor() == cursor_.get()) {
            SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
        }
        cursor_.reset();
    }

    HWND window_ = nullptr;
    UniqueCursor cursor_;
};

}  // namespace tessera
