// The layer view and the thirteen cells attached to the main window's own template, as the window does
// it, with real keyboard input going through the dialog's message handling.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "base/module_win.h"
#include "canvas.h"
#include "host/plugin_call.h"
#include "hostapp/layer_host.h"
#include "icon/resource_cell_win.h"
#include "icon/resource_grid.h"
#include "resources/resource_ids.h"
#include "support/fake_alerts.h"
#include "support/gdi_objects_win.h"
#include "support/layers.h"
#include "ui/layer_view_win.h"
#include "ui/main_commands.h"

namespace tessera {
namespace {

class CountingOwner final : public LayerViewOwner {
  public:
    void UpdateSelectionControls() override {}
    void RefreshPreviews() override {}
    void CopyLayerToResource(bool, bool) override { ++copies; }
    void ClearResource() override { ++clears; }
    int copies = 0;
    int clears = 0;
};

Layer OpaqueLayer() {
    return test::LayerOfPixels(120, 90, 4, [](int x, int y) {
        return test::Rgba{uint8_t(x * 2), uint8_t(y * 2), 50, uint8_t(x % 3 == 0 ? 0 : 255)};
    });
}

void Resize(HWND control, int side) {
    SetWindowPos(control, nullptr, 0, 0, side, side, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Runs the dialog's messages the way a modal loop would, until none are left.
void Pump(HWND dialog) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void Type(HWND dialog, BYTE key) {
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
    Pump(dialog);
}

class ControlsInDialogTest : public testing::Test {
  protected:
    static INT_PTR CALLBACK Proc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

    void SetUp() override {
        dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, &Proc, 0);
        ASSERT_NE(dialog, nullptr);
        HWND layer = GetDlgItem(dialog, IDC_LAYER_VIEW);
        Resize(layer, 198);
        ASSERT_TRUE(view.Attach(layer, &format, &call, ModuleOwnResources()));
        view.Rerender();
        HWND preview = GetDlgItem(dialog, IDC_PREVIEW);
        Resize(preview, 198);
        ASSERT_TRUE(cells[0].Attach(preview, &format, &grid));
        cells[0].SetCurrent(1);
        cells[0].SetClickable(0);
        cells[0].SetStretch(1);
        for (int slot = 0; slot < kGridSlotCount; ++slot) {
            formats[size_t(slot)] = SlotFormat(slot);
            HWND cell = GetDlgItem(dialog, CellControlId(slot));
            Resize(cell, 54);
            ASSERT_TRUE(cells[size_t(slot + 1)].Attach(cell, &formats[size_t(slot)], &grid));
        }
        view.SetOwner(&owner);
        view.Rerender();
        view.ConvertLayerToResource(grid, true, true);
        ShowWindow(dialog, SW_SHOW);
        SetForegroundWindow(dialog);
        SetFocus(layer);
        Pump(dialog);
    }
    void TearDown() override { DestroyWindow(dialog); }

    HWND dialog = nullptr;
    LayerHost host{OpaqueLayer()};
    test::FakeAlerts alerts;
    PluginCall call{&host.Record(), alerts};
    ResourceFormat format;
    std::array<ResourceFormat, kGridSlotCount> formats;
    ResourceGrid grid;
    LayerView view;
    std::array<ResourceCell, 13> cells;
    CountingOwner owner;
};

TEST_F(ControlsInDialogTest, KeysReachTheViewThroughTheDialog) {
    ASSERT_EQ(GetFocus(), view.Window());
    const Rect start = host.Record().inRect;
    Type(dialog, VK_NUMPAD8);
    Type(dialog, VK_NUMPAD4);
    EXPECT_EQ(host.Record().inRect.top, start.top + 1);
    EXPECT_EQ(host.Record().inRect.left, start.left + 1);
    Type(dialog, VK_INSERT);
    Type(dialog, VK_DELETE);
    EXPECT_EQ(owner.copies, 1);
    EXPECT_EQ(owner.clears, 1);
    EXPECT_TRUE(alerts.Shown().empty());
}

// Every control of the window painted over and over: the process holds as many GDI objects after as
// before.
TEST_F(ControlsInDialogTest, RepaintingTheWindowGivesBackEveryGdiObject) {
    const auto paintAll = [&](int round) {
        format.view = round % 3;
        view.SetBackgroundColor(RGB(round, 255 - round, 77));
        for (ResourceCell& cell : cells) {
            cell.SetBackgroundColor(RGB(round, 255 - round, 77));
        }
        SetFocus(round % 2 == 0 ? view.Window() : GetDlgItem(dialog, IDC_CENTER));
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(dialog);
    };
    test::ExpectNoGdiGrowth(2, 30, paintAll);
}

}  // namespace
}  // namespace tessera
