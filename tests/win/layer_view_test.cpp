// The layer view on a static control of a window of our own, over the in-process host: painted into a
// memory DC, dragged, stepped with the keypad, and driven through its context menu.
#include <windowsx.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/module_win.h"
#include "canvas.h"
#include "host/plugin_call.h"
#include "hostapp/layer_host.h"
#include "icon/resource_grid.h"
#include "resources/resource_ids.h"
#include "support/fake_alerts.h"
#include "support/gdi_objects_win.h"
#include "support/layers.h"
#include "support/missing_resource.h"
#include "ui/layer_preview.h"
#include "ui/layer_view.h"
#include "ui/layer_view_win.h"

namespace tessera {
namespace {

using test::Canvas;

constexpr int kLayerSide = 200;
constexpr int kButtonId = 1;
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Red is the column, green the row, so a pixel of the preview tells where in the layer it came from.
// The transparency runs through every value, zero included.
Layer PatternLayer() {
    return test::LayerOfPixels(kLayerSide, kLayerSide, 4, [](int x, int y) {
        return test::Rgba{uint8_t(x), uint8_t(y), 7, uint8_t((x * 7 + y * 3) % 256)};
    });
}

// What the main window does for the view, written down as it happens.
class RecordingOwner final : public LayerViewOwner {
  public:
    RecordingOwner(LayerView& view, ResourceGrid& grid, const ResourceFormat& format)
        : view_(view), grid_(grid), format_(format) {}
    void UpdateSelectionControls() override { calls.push_back("update"); }
    void RefreshPreviews() override {
        calls.push_back("refresh");
        view_.Rerender();
    }
    void CopyLayerToResource(bool copyData, bool copyMask) override {
        calls.push_back(std::string("copy") + (copyData ? " data" : "") + (copyMask ? " mask" : ""));
        view_.ConvertLayerToResource(grid_, copyData, copyMask);
    }
    void ClearResource() override {
        calls.push_back("clear");
        grid_.RemoveResource(format_);
    }

    std::vector<std::string> calls;

  private:
    LayerView& view_;
    ResourceGrid& grid_;
    const ResourceFormat& format_;
};

// One visible top-level window for the whole suite (closing an active window costs Wine seconds); each
// test gets a fresh 198 x 198 view control and a button to move the focus to.
class LayerViewWinTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TesseraLayerViewTest";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "TesseraLayerViewTest", "layer", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        SetForegroundWindow(window);
    }
    static void TearDownTestSuite() { DestroyWindow(window); }

    void SetUp() override {
        ASSERT_NE(window, nullptr);
        control = Child("Static", SS_NOTIFY | WS_TABSTOP, IDC_LAYER_VIEW, 10, 10, 198, 198);
        button = Child("Button", BS_PUSHBUTTON | WS_TABSTOP, kButtonId, 250, 10, 80, 20);
        ASSERT_TRUE(view.Attach(control, &format, &call, resources));
        view.SetOwner(&owner);
        view.SetBackgroundColor(RGB(20, 40, 60));
        view.Rerender();
    }
    void TearDown() override {
        DestroyWindow(control);
        DestroyWindow(button);
    }

    static HWND Child(const char* kind, DWORD style, int id, int x, int y, int w, int h) {
        return CreateWindowExA(0, kind, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    }

    std::unique_ptr<Canvas> Print(COLORREF fill = RGB(1, 2, 3)) const {
        auto canvas = std::make_unique<Canvas>(198, 198, fill);
        SendMessageA(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->Dc()), PRF_CLIENT);
        return canvas;
    }

    // The layer pixel that screen pixel (x, y) of the inner area shows, in the Data view.
    static POINT LayerPixelShown(const Canvas& canvas, int x, int y) {
        const COLORREF c = canvas.Pixel(3 + x, 3 + y);
        return POINT{GetRValue(c), GetGValue(c)};
    }

    // Everything posted to the thread so far.
    static void DispatchWaiting() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
    }

    void Press(UINT message, WPARAM keys, int x, int y) { SendMessageA(control, message, keys, MAKELPARAM(x, y)); }
    void Key(WPARAM key) {
        SendMessageA(control, WM_KEYDOWN, key, 1);
        SendMessageA(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    }
    [[nodiscard]] Rect Requested() const { return call.layer.square; }

    static inline HWND window = nullptr;
    HWND control = nullptr;
    HWND button = nullptr;
    LayerHost host{PatternLayer()};
    test::FakeAlerts alerts;
    PluginCall call{&host.Record(), alerts};
    test::MissingResource resources{ModuleOwnResources(), 0};
    ResourceFormat format;  // Huge, true colour, Soft, Both
    ResourceGrid grid;
    LayerView view;
    RecordingOwner owner{view, grid, format};
};

// Screen pixel (x, y) of the inner area shows layer pixel (left + x / k, top + y / k) by the preview's
// rules, for every pixel of the 192 x 192 area and every size and view.
TEST_F(LayerViewWinTest, ThePreviewShowsTheLayerSquareEnlarged) {
    for (int size = 0; size < 4; ++size) {
        for (int mode : {0, 1, 2}) {
            format = ResourceFormat(size, 2, 1, mode);
            view.Rerender();
            const int side = format.PixelSize();
            const int factor = 192 / side;
            const Rect at = Requested();
            EXPECT_EQ(at.left, 100 - side / 2);
            EXPECT_EQ(at.top, 100 - side / 2);
            const std::unique_ptr<Canvas> canvas = Print();
            int wrong = 0;
            for (int y = 0; y < 192; ++y) {
                for (int x = 0; x < 192; ++x) {
                    const uint8_t* p = host.GetLayer().At(at.left + x / factor, at.top + y / factor);
                    const Rgb want = PreviewPixel(p, true, 1, ViewOf(mode), RgbOf(RGB(20, 40, 60)));
                    wrong += canvas->Pixel(3 + x, 3 + y) != RGB(want.red, want.green, want.blue) ? 1 : 0;
                }
            }
            EXPECT_EQ(wrong, 0) << "size " << size << " view " << mode;
        }
    }
    EXPECT_TRUE(alerts.Shown().empty());
}

TEST_F(LayerViewWinTest, ReducedPreviewsShowThePortablePicture) {
    for (int depth : {0, 1}) {
        format = ResourceFormat(1, depth, 0, 0);
        view.Rerender();
        const LayerPreview expected = RenderLayerPreview(CurrentLayerImage(call, 24), format, RGB(20, 40, 60), false,
                                                         GreyRampTable(), ModuleOwnResources());
        ASSERT_TRUE(expected.picture);
        const std::unique_ptr<Canvas> canvas = Print();
        int wrong = 0;
        for (int y = 0; y < 192; ++y) {
            for (int x = 0; x < 192; ++x) {
                const uint8_t* p = expected.picture->At(x / 8, 23 - y / 8);
                wrong += canvas->Pixel(3 + x, 3 + y) != RGB(p[2], p[1], p[0]) ? 1 : 0;
            }
        }
        EXPECT_EQ(wrong, 0) << "depth " << depth;
    }
    EXPECT_TRUE(alerts.Shown().empty());
}

TEST_F(LayerViewWinTest, TheFocusRingIsLightGreyWithTheFocusAndBlackWithout) {
    for (bool focused : {true, false, true}) {
        SetFocus(focused ? control : button);
        const std::unique_ptr<Canvas> canvas = Print();
        const COLORREF ring = focused ? kLayerViewFocusRing : kBlack;
        for (int i = 0; i < 198; i += 7) {
            EXPECT_EQ(canvas->Pixel(i, 0), kBlack);
            EXPECT_EQ(canvas->Pixel(197, i), kBlack);
            EXPECT_EQ(canvas->Pixel(std::max(1, std::min(196, i)), 1), ring) << focused << " " << i;
            EXPECT_EQ(canvas->Pixel(1, std::max(1, std::min(196, i))), ring) << focused << " " << i;
            EXPECT_EQ(canvas->Pixel(std::max(2, std::min(195, i)), 195), kBlack);
        }
    }
}

// A drag of 10 screen pixels to the right moves the square 10 layer pixels to the left; at size 48 the
// picture moves 40 screen pixels to the right.
TEST_F(LayerViewWinTest, DraggingMovesTheSquareAgainstTheMouse) {
    format = ResourceFormat(3, 2, 1, 1);
    view.Rerender();
    const Rect start = Requested();
    const std::unique_ptr<Canvas> before = Print();

    Press(WM_LBUTTONDOWN, MK_LBUTTON, 50, 60);
    EXPECT_EQ(GetCapture(), control);
    EXPECT_EQ(GetFocus(), control);
    const POINT move = test::CursorHotSpot(GetCursor());
    EXPECT_EQ(move.x, 16);
    EXPECT_EQ(move.y, 15);
    Press(WM_MOUSEMOVE, MK_LBUTTON, 55, 60);
    Press(WM_MOUSEMOVE, MK_LBUTTON, 60, 60);
    Press(WM_MOUSEMOVE, 0, 90, 90);  // the button is not down: no step
    Press(WM_LBUTTONUP, 0, 60, 60);
    EXPECT_NE(GetCapture(), control);

    const Rect moved = Requested();
    EXPECT_EQ(moved.left, start.left - 10);
    EXPECT_EQ(moved.right, start.right - 10);
    EXPECT_EQ(moved.top, start.top);
    EXPECT_EQ(view.Squares().positions[3].left, start.left - 10);
    const std::unique_ptr<Canvas> after = Print();
    for (int x = 0; x < 192 - 40; x += 3) {
        const POINT was = LayerPixelShown(*before, x, 100);
        const POINT now = LayerPixelShown(*after, x + 40, 100);
        EXPECT_EQ(was.x, now.x) << x;
        EXPECT_EQ(was.y, now.y) << x;
    }

    // After the release, and with the button up, the mouse changes nothing.
    Press(WM_MOUSEMOVE, MK_LBUTTON, 10, 10);
    Press(WM_MOUSEMOVE, 0, 100, 100);
    EXPECT_EQ(Requested().left, moved.left);
    EXPECT_EQ(Requested().top, moved.top);
}

TEST_F(LayerViewWinTest, AQuickSecondPressStartsADragToo) {
    Press(WM_LBUTTONDOWN, MK_LBUTTON, 50, 50);
    Press(WM_LBUTTONUP, 0, 50, 50);
    const Rect before = Requested();
    Press(WM_LBUTTONDBLCLK, MK_LBUTTON, 50, 50);
    Press(WM_MOUSEMOVE, MK_LBUTTON, 57, 50);
    Press(WM_LBUTTONUP, 0, 57, 50);
    EXPECT_EQ(Requested().left, before.left - 7);
}

TEST_F(LayerViewWinTest, ADragEndsWhenItsCaptureIsTakenAway) {
    Press(WM_LBUTTONDOWN, MK_LBUTTON, 50, 50);
    SetCapture(button);
    ReleaseCapture();
    const Rect before = Requested();
    Press(WM_MOUSEMOVE, MK_LBUTTON, 80, 80);
    EXPECT_EQ(Requested().left, before.left);
    EXPECT_EQ(Requested().top, before.top);
}

TEST_F(LayerViewWinTest, KeypadKeysStepTheSquareAndFetchIt) {
    const struct {
        WPARAM key;
        int down;   // rows the square moves
        int right;  // columns the square moves
    } cases[] = {
        {VK_NUMPAD1, -1, 1}, {VK_NUMPAD2, -1, 0}, {VK_NUMPAD3, -1, -1}, {VK_NUMPAD4, 0, 1},  {VK_NUMPAD5, 0, 0},
        {VK_NUMPAD6, 0, -1}, {VK_NUMPAD7, 1, 1},  {VK_NUMPAD8, 1, 0},   {VK_NUMPAD9, 1, -1},
    };
    for (const auto& c : cases) {
        const Rect before = Requested();
        const int fetches = host.AdvanceStateCalls();
        Key(c.key);
        EXPECT_EQ(Requested().top, before.top + c.down) << c.key;
        EXPECT_EQ(Requested().left, before.left + c.right) << c.key;
        EXPECT_EQ(host.AdvanceStateCalls(), fetches + 1) << c.key;
        EXPECT_EQ(view.Squares().positions[3].left, Requested().left);
    }
    const Rect before = Requested();
    Key('5');  // the digit row is not the keypad
    Key(VK_LEFT);
    EXPECT_EQ(Requested().left, before.left);
    EXPECT_EQ(Requested().top, before.top);
    EXPECT_TRUE(owner.calls.empty());
}

TEST_F(LayerViewWinTest, TheAutomaticTableIsRebuiltOnRerenderKeysAndRelease) {
    format = ResourceFormat(0, 1, 0, 0);
    view.SetUseActiveTable(1);
    view.SetAutomaticTable(1);
    const ColorTable grey = GreyRampTable();
    const auto rebuiltBy = [&](const std::function<void()>& action) {
        view.SetActiveTable(grey);
        action();
        return !(view.ActiveTable() == grey);
    };
    EXPECT_TRUE(rebuiltBy([&] { view.Rerender(); }));
    EXPECT_TRUE(rebuiltBy([&] { Key(VK_NUMPAD5); }));
    EXPECT_TRUE(rebuiltBy([&] { Press(WM_LBUTTONUP, 0, 5, 5); }));
    EXPECT_FALSE(rebuiltBy([&] {
        Press(WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
        Press(WM_MOUSEMOVE, MK_LBUTTON, 9, 9);
    })) << "not during the drag";
    Press(WM_LBUTTONUP, 0, 9, 9);
    view.SetAutomaticTable(0);
    EXPECT_FALSE(rebuiltBy([&] { view.Rerender(); }));
}

TEST_F(LayerViewWinTest, InsertCopiesBothAndDeleteClears) {
    format = ResourceFormat(1, 2, 1, 0);
    view.Rerender();
    Key(VK_INSERT);
    const int slot = ResourceGrid::SlotForFormat(format);
    ASSERT_EQ(grid.Slot(slot).present, 1);
    // The top left pixel of the square, in the top row of the bottom-up block.
    const Rect at = Requested();
    const uint8_t* stored = grid.Slot(slot).colorBits + 23 * 24 * 4;
    const uint8_t* layer = host.GetLayer().At(at.left, at.top);
    EXPECT_EQ(stored[2], layer[0]);
    EXPECT_EQ(stored[1], layer[1]);
    EXPECT_EQ(stored[3], layer[3]);
    Key(VK_DELETE);
    EXPECT_EQ(grid.Slot(slot).present, 0);
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"copy data mask", "clear"}));
}

TEST_F(LayerViewWinTest, MenuEntriesSetTheFormatAndTellTheOwner) {
    const struct {
        int id;
        ResourceFormat after;
    } cases[] = {
        {ID_VIEW_DEPTH_4, {3, 0, 0, 2}}, {ID_VIEW_DEPTH_32, {3, 2, 1, 2}}, {ID_VIEW_DEPTH_8, {3, 1, 0, 2}},
        {32779, {1, 1, 0, 2}},           {ID_VIEW_SIZE_16, {0, 1, 0, 2}},  {ID_VIEW_SIZE_48, {3, 1, 0, 2}},
    };
    format = ResourceFormat(3, 2, 1, 2);
    for (const auto& c : cases) {
        owner.calls.clear();
        SendMessageA(control, WM_COMMAND, MAKEWPARAM(c.id, 0), 0);
        EXPECT_EQ(format, c.after) << c.id;
        EXPECT_EQ(owner.calls, (std::vector<std::string>{"update", "refresh"})) << c.id;
        EXPECT_EQ(Requested().right - Requested().left, format.PixelSize()) << c.id;
    }
}

TEST_F(LayerViewWinTest, TheMenuChecksTheCurrentDepthAndSize) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_LAYER_MENU));
    ASSERT_NE(menu, nullptr);
    HMENU popup = GetSubMenu(menu, 0);
    EXPECT_EQ(GetMenuItemID(popup, 5), 32779u) << "24x24 pixels";
    format = ResourceFormat(1, 2, 1, 0);
    SendMessageA(control, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    std::vector<UINT> checked;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        if ((GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) != 0) {
            checked.push_back(GetMenuItemID(popup, i));
        }
    }
    EXPECT_EQ(checked, (std::vector<UINT>{ID_VIEW_DEPTH_32, ID_VIEW_SIZE_24}));
    DestroyMenu(menu);
}

// Where the context menu came up. Once it is up, the timer notes that and chooses the menu's second
// entry from the keyboard.
RECT menuShown;

void CALLBACK ChooseSecondEntry(HWND, UINT, UINT_PTR id, DWORD) {
    if (HWND popup = FindWindowA("#32768", nullptr)) {
        GetWindowRect(popup, &menuShown);
        KillTimer(nullptr, id);
        for (const BYTE key : {BYTE{VK_DOWN}, BYTE{VK_DOWN}, BYTE{VK_RETURN}}) {
            keybd_event(key, 0, 0, 0);
            keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
        }
    }
}

// The menu comes up at the right click, or, opened from the keyboard, where the last message was; a
// key in it chooses an entry, which reaches the view.
TEST_F(LayerViewWinTest, TheContextMenuOpensAtTheClickOrAtTheLastMessage) {
    const auto open = [&](const std::function<void()>& how) {
        menuShown = RECT{};
        format = ResourceFormat(3, 2, 1, 0);
        const UINT_PTR timer = SetTimer(nullptr, 0, 100, &ChooseSecondEntry);
        how();
        KillTimer(nullptr, timer);
        DispatchWaiting();
        EXPECT_EQ(format, ResourceFormat(3, 1, 0, 0)) << "8-bits per pixel, Hard";
    };

    SetFocus(button);
    open([&] {
        Press(WM_RBUTTONDOWN, MK_RBUTTON, 20, 30);
        EXPECT_EQ(GetFocus(), control);
        Press(WM_RBUTTONUP, 0, 20, 30);
    });
    POINT click{20, 30};
    ClientToScreen(control, &click);
    EXPECT_EQ(menuShown.left, click.x);
    EXPECT_EQ(menuShown.top, click.y);

    SetCursorPos(300, 320);
    PostMessageA(control, WM_NULL, 0, 0);
    DispatchWaiting();
    const DWORD last = GetMessagePos();
    open([&] { SendMessageA(control, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control), MAKELPARAM(-1, -1)); });
    EXPECT_EQ(menuShown.left, GET_X_LPARAM(last));
    EXPECT_EQ(menuShown.top, GET_Y_LPARAM(last));
}

// A host that has never delivered: the preview is empty, the copy does nothing, and keys still try.
TEST_F(LayerViewWinTest, WithoutPixelsTheInnerAreaStaysAndTheFailureIsReported) {
    LayerHost silent(PatternLayer());
    silent.SetAdvanceStateError(-1);
    call.record = &silent.Record();
    view.Rerender();
    ASSERT_EQ(alerts.Shown().size(), 1u);
    EXPECT_EQ(alerts.Shown()[0].text, "Advance state failed!");
    EXPECT_EQ(call.result, -1);
    const std::unique_ptr<Canvas> canvas = Print(RGB(9, 9, 9));
    EXPECT_EQ(canvas->Pixel(0, 0), kBlack);
    EXPECT_EQ(canvas->Pixel(100, 100), RGB(9, 9, 9));
    EXPECT_EQ(view.ConvertLayerToResource(grid, true, true), 0);
    silent.SetAdvanceStateError(0);
    Key(VK_NUMPAD6);
    EXPECT_EQ(call.result, 0);
    EXPECT_NE(Print(RGB(9, 9, 9))->Pixel(100, 100), RGB(9, 9, 9));
}

// A message box inside the paint would run a message loop with the paint unfinished. The view tells
// once, after painting, however often it paints; each copy tells again, as it always has.
TEST_F(LayerViewWinTest, AMissingTableIsToldOnceAfterThePaintAndAtEachCopy) {
    resources.missingId = IDT_TABLE_256;
    format = ResourceFormat(1, 1, 0, 0);
    view.Rerender();
    for (int paint = 0; paint < 3; ++paint) {
        const std::unique_ptr<Canvas> canvas = Print(RGB(9, 9, 9));
        EXPECT_EQ(canvas->Pixel(100, 100), RGB(9, 9, 9));
        EXPECT_TRUE(alerts.Shown().empty());
    }
    DispatchWaiting();
    ASSERT_EQ(alerts.Shown().size(), 1u);
    Print();
    EXPECT_EQ(view.ConvertLayerToResource(grid, true, true), 1);
    EXPECT_EQ(view.ConvertLayerToResource(grid, true, false), 1);
    DispatchWaiting();
    ASSERT_EQ(alerts.Shown().size(), 3u);
    for (const Alert& alert : alerts.Shown()) {
        EXPECT_EQ(alert.text, "Cannot load default color table");
        EXPECT_EQ(alert.caption, AlertCaption::Product);
        EXPECT_EQ(alert.icon, AlertIcon::None);
        EXPECT_EQ(alert.buttons, AlertButtons::Ok);
    }
}

TEST_F(LayerViewWinTest, PaintingGivesBackEveryGdiObject) {
    const auto paint = [&](int round) {
        format = ResourceFormat(round % 4, round % 3, round % 2, round % 3);
        view.Rerender();
        UpdateWindow(control);
        Print();
    };
    test::ExpectNoGdiGrowth(2, 120, paint);
}

}  // namespace
}  // namespace tessera
