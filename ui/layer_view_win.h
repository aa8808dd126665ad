#pragma once
// The layer view: the static control of the main window that shows the square of the host layer
// that will become the current resource, enlarged to fill the control, at the current depth, mask
// kind and view mode. The user moves the square by dragging with the left button or with the keypad,
// and picks the depth and size from a context menu on the right button.

#include <windows.h>

#include <cstdint>
#include <optional>

#include "base/layer_image.h"
#include "base/subclassed_control_win.h"
#include "color/color_table.h"
#include "host/layer_square.h"
#include "icon/resource_format.h"
#include "ui/layer_render.h"

namespace tessera {

class ModuleResources;
class ResourceGrid;
struct PluginCall;

// What the layer view asks of the window it sits in.
class LayerViewOwner {
  public:
    virtual ~LayerViewOwner() = default;
    // Bring the radio buttons and the highlighted cell in line with the current format.
    virtual void UpdateSelectionControls() = 0;
    // Re-render the layer view (LayerView::Rerender) and repaint the current-resource preview.
    virtual void RefreshPreviews() = 0;
    // Convert the view's square into the current resource, then update the controls and previews.
    virtual void CopyLayerToResource(bool copyData, bool copyMask) = 0;
    // Empty the current resource and show it.
    virtual void ClearResource() = 0;
};

class LayerView final : public SubclassedControl {
  public:
    LayerView() = default;
    LayerView(const LayerView&) = delete;
    LayerView& operator=(const LayerView&) = delete;

    // Takes over the control. `format` is the window's current format, which the context menu changes;
    // `call` holds the host's record, through which the square is placed and fetched; `resources` hold
    // the built-in colour tables. None is owned and all must outlive the control. False when there is
    // no control, this view already has one, or the platform refuses the subclass.
    bool Attach(HWND control, ResourceFormat* format, PluginCall* call, const ModuleResources& resources);
    // Until an owner is set, the menu re-renders the view itself and Insert and Delete do nothing.
    void SetOwner(LayerViewOwner* owner) { owner_ = owner; }

    // None of the setters repaints.
    void SetBackgroundColor(COLORREF color) { backgroundColor_ = color; }
    void SetUseActiveTable(int32_t use) { state_.useActiveTable = use != 0; }
    void SetActiveTable(const ColorTable& table) { state_.activeTable = table; }
    void SetAutomaticTable(int32_t automatic) { state_.automaticTable = automatic != 0; }
    [[nodiscard]] const ColorTable& ActiveTable() const { return state_.activeTable; }

    // The remembered square of each size; an all-zero one is centred in the selection when next shown.
    [[nodiscard]] const LayerSquares& Squares() const { return state_.squares; }
    [[nodiscard]] LayerSquares& MutableSquares() { return state_.squares; }
    void SetSquares(const LayerSquares& squares) { state_.squares = squares; }
    // The remembered square of each Windows size, likewise.
    [[nodiscard]] const WindowsSquares& SquaresOfWindowsSizes() const { return state_.windowsSquares; }
    void SetSquaresOfWindowsSizes(const WindowsSquares& squares) { state_.windowsSquares = squares; }

    // From now on the view shows and moves the square of this Windows size's slot, in true colour, and
    // takes the arrow keys as the keypad's; it has no context menu. Takes effect at the next Rerender.
    void ShowWindowsSlot(int slot) { windowsSlot_ = slot; }

    // Places the square of the current size (centring it when it has no place yet), rebuilds the
    // automatic table when that is on, has the host deliver the square and repaints.
    void Rerender();
    // The shown square into the slot the current format names (colour data, mask or both); 1 when
    // done, 0 when there is no square or memory is short.
    int ConvertLayerToResource(ResourceGrid& grid, bool copyData, bool copyMask);
    // One slot of QuickBuild for the current format: the square of its size shown, then copied into
    // the slot with its data and mask. Returns what the copy returned.
    int QuickBuildSlot(ResourceGrid& grid);
    // The image of a Windows size's slot from its own square, which is then the one shown. Returns what
    // the conversion returned.
    int BuildWindowsSlot(ResourceGrid& grid, int slot);

  private:
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    // Frame and preview; for WM_PAINT and for WM_PRINTCLIENT alike.
    void Paint(HDC dc) override;
    [[nodiscard]] bool ShowsWindowsSlot() const;
    // The side of the square the view shows.
    [[nodiscard]] int Side() const;
    [[nodiscard]] std::optional<LayerImage> Square() const;
    void BuildAutomaticTable();
    void MoveSquare(int vertical, int horizontal);
    void ShowMoveCursor();
    // The handlers of the control's messages: true when the message was taken whole.
    bool Press(WPARAM wParam, LPARAM lParam);
    bool Drag(WPARAM wParam, LPARAM lParam);
    bool Release(WPARAM wParam, LPARAM lParam);
    bool CaptureLost(WPARAM wParam, LPARAM lParam);
    bool PressRight(WPARAM wParam, LPARAM lParam);
    bool KeyDown(WPARAM key, LPARAM lParam);
    bool ShowContextMenu(WPARAM wParam, LPARAM where);
    bool UpdateMenuChecks(WPARAM menu, LPARAM lParam);
    // False for a command that is not an entry of the context menu.
    bool MenuCommand(WPARAM command, LPARAM lParam);
    bool ShowNoTable(WPARAM wParam, LPARAM lParam);

    LayerSquareState state_;
    ResourceFormat* format_ = nullptr;
    LayerViewOwner* owner_ = nullptr;
    int windowsSlot_ = -1;  // the Windows size's slot shown instead of the format's square
    PluginCall* call_ = nullptr;
    const ModuleResources* resources_ = nullptr;
    // A paint found no built-in colour table and has had the user told.
    bool noTableTold_ = false;
    POINT lastMousePoint_{};
    bool dragging_ = false;
    COLORREF backgroundColor_ = RGB(128, 128, 128);
};

// The middle outline of the view: light grey while it has the keyboard focus, black otherwise.
inline constexpr COLORREF kLayerViewFocusRing = RGB(192, 192, 192);
// The inner area when the preview could not be drawn.
inline constexpr COLORREF kLayerViewFailure = RGB(255, 0, 0);

}  // namespace tessera
