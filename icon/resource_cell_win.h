#pragma once
// A small control that shows one resource of the grid: the static control of the dialog template,
// taken over (subclassed) with painting, focus and cursor handling. The static control itself still
// tells the dialog about clicks (STN_CLICKED, from SS_NOTIFY).

#include <windows.h>

#include "base/subclassed_control_win.h"
#include "icon/resource_grid.h"

namespace tessera {

class ResourceCell final : public SubclassedControl {
  public:
    ResourceCell() = default;
    ResourceCell(const ResourceCell&) = delete;
    ResourceCell& operator=(const ResourceCell&) = delete;

    // Takes over the control and shows the slot of `format` from `grid` (see SetFormat, SetGrid). False
    // when there is no control, this cell already has one, or the platform refuses the subclass.
    bool Attach(HWND control, const ResourceFormat* format, const ResourceGrid* grid);

    // Neither is owned; both must outlive the control. Without either, only frame and background show.
    void SetGrid(const ResourceGrid* grid) { grid_ = grid; }
    void SetFormat(const ResourceFormat* format) { format_ = format; }
    [[nodiscard]] const ResourceFormat* GetFormat() const { return format_; }

    // These two repaint.
    void SetCurrent(bool current);
    void SetStretch(bool stretch);
    // These two take effect at the next repaint or mouse event.
    void SetClickable(bool clickable) { clickable_ = clickable; }
    void SetBackgroundColor(COLORREF background) { background_ = background; }
    [[nodiscard]] bool Current() const { return current_; }
    [[nodiscard]] bool Clickable() const { return clickable_; }

  private:
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    // Frame, background and resource; for WM_PAINT and for WM_PRINTCLIENT alike.
    void Paint(HDC dc) override;

    const ResourceGrid* grid_ = nullptr;
    const ResourceFormat* format_ = nullptr;
    bool current_ = false;
    bool stretch_ = false;
    COLORREF background_ = RGB(128, 128, 128);
    bool clickable_ = true;
};

// The frames around a cell's drawing area, from the outside in: black, the accent, black.
inline constexpr COLORREF kCurrentAccent = RGB(255, 192, 0);
inline constexpr COLORREF kFocusAccent = RGB(92, 92, 92);
inline constexpr int kCellFrameWidth = 3;

// Draws the three one-pixel outlines of `client` with `accent` in the middle one.
void DrawTripleFrame(HDC dc, const RECT& client, COLORREF accent);

}  // namespace tessera
