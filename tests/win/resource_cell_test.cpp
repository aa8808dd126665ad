// ResourceCell on static controls of a window of our own, painted into a memory DC.
#include <gtest/gtest.h>

#include <vector>

#include "canvas.h"
#include "icon/resource_cell_win.h"
#include "support/gdi_objects_win.h"

namespace tessera {
namespace {

using test::Canvas;

constexpr COLORREF kBackground = RGB(40, 90, 160);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr int kGridCellId = 1018;
constexpr int kPreviewId = 1041;
constexpr int kButtonId = 1;

// A visible top-level window, shared by the tests (closing an active window costs Wine seconds),
// holding for each test a fresh 54 x 54 grid cell, a 198 x 198 preview and a button that can take the
// focus away from both; it records the click notifications its statics send.
class ResourceCellTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &ResourceCellTest::Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TesseraCellTest";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "TesseraCellTest", "cells", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        SetForegroundWindow(window);
    }
    static void TearDownTestSuite() { DestroyWindow(window); }

    void SetUp() override {
        ASSERT_NE(window, nullptr);
        Child("Static", SS_NOTIFY, kGridCellId, 10, 10, 54, 54);
        Child("Static", SS_NOTIFY, kPreviewId, 100, 10, 198, 198);
        Child("Button", BS_PUSHBUTTON | WS_TABSTOP, kButtonId, 10, 250, 80, 20);
        clicks.clear();
    }
    void TearDown() override {
        for (int id : {kGridCellId, kPreviewId, kButtonId}) {
            DestroyWindow(Item(id));
        }
    }

    [[nodiscard]] static HWND Item(int id) { return GetDlgItem(window, id); }

    static inline HWND window = nullptr;
    static inline std::vector<int> clicks;

  private:
    static void Child(const char* kind, DWORD style, int id, int x, int y, int w, int h) {
        CreateWindowExA(0, kind, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
            clicks.push_back(LOWORD(wParam));
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
};

// A grid whose 16 x 16 true-colour slot is opaque red.
void FillRedSixteen(ResourceGrid& grid, const ResourceFormat& format) {
    grid.PrepareResource(format);
    ResourceBits bits;
    grid.GetResourceBits(format, bits);
    for (int i = 0; i < 16 * 16; ++i) {
        uint8_t* p = bits.colorRows + 4 * i;
        p[2] = 255;
        p[3] = 255;
    }
}

std::unique_ptr<Canvas> Print(const ResourceCell& cell) {
    RECT client{};
    GetClientRect(cell.Window(), &client);
    auto canvas = std::make_unique<Canvas>(client.right, client.bottom, RGB(1, 2, 3));
    SendMessageA(cell.Window(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->Dc()), PRF_CLIENT);
    return canvas;
}

// The colour every pixel of ring k (0 outermost) should have, checked all the way round.
void ExpectRing(const Canvas& canvas, int k, COLORREF color, const char* what) {
    const int right = canvas.Width() - 1 - k;
    const int bottom = canvas.Height() - 1 - k;
    int wrong = 0;
    for (int i = k; i <= right; ++i) {
        wrong += canvas.Pixel(i, k) != color ? 1 : 0;
        wrong += canvas.Pixel(i, bottom) != color ? 1 : 0;
    }
    for (int i = k; i <= bottom; ++i) {
        wrong += canvas.Pixel(k, i) != color ? 1 : 0;
        wrong += canvas.Pixel(right, i) != color ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0) << what << ": ring " << k << " should be " << std::hex << color;
}

TEST_F(ResourceCellTest, TheMiddleRingShowsCurrentThenFocus) {
    ResourceGrid grid;
    const ResourceFormat format(0, 2, 1, 0);
    ResourceCell cell;
    ASSERT_TRUE(cell.Attach(Item(kGridCellId), &format, &grid));
    cell.SetBackgroundColor(kBackground);
    const struct {
        bool current;
        bool focused;
        COLORREF accent;
        const char* what;
    } cases[] = {
        {false, false, kBlack, "neither"},
        {false, true, kFocusAccent, "focused"},
        {true, true, kCurrentAccent, "current and focused"},
        {true, false, kCurrentAccent, "current"},
    };
    for (const auto& c : cases) {
        cell.SetCurrent(c.current);
        SetFocus(Item(c.focused ? kGridCellId : kButtonId));
        ASSERT_EQ(GetFocus() == cell.Window(), c.focused) << c.what;
        const std::unique_ptr<Canvas> canvas = Print(cell);
        ExpectRing(*canvas, 0, kBlack, c.what);
        ExpectRing(*canvas, 1, c.accent, c.what);
        ExpectRing(*canvas, 2, kBlack, c.what);
        // The slot is empty: the whole drawing area is background.
        const RECT inner{3, 3, 51, 51};
        for (int y = inner.top; y < inner.bottom; ++y) {
            for (int x = inner.left; x < inner.right; ++x) {
                ASSERT_EQ(canvas->Pixel(x, y), kBackground) << c.what << " at " << x << "," << y;
            }
        }
    }
}

TEST_F(ResourceCellTest, ACellWithoutGridOrFormatShowsFrameAndBackground) {
    ResourceGrid grid;
    const ResourceFormat format(0, 2, 1, 0);
    FillRedSixteen(grid, format);
    for (int missing = 0; missing < 2; ++missing) {
        ResourceCell cell;
        ASSERT_TRUE(cell.Attach(Item(kGridCellId), missing == 0 ? nullptr : &format, missing == 0 ? &grid : nullptr));
        cell.SetBackgroundColor(kBackground);
        const std::unique_ptr<Canvas> canvas = Print(cell);
        const RECT drawn = canvas->BoundsNotOf(kBackground);
        const RECT inner{3, 3, 51, 51};
        const RECT frameOnly{0, 0, 54, 54};
        EXPECT_TRUE(EqualRect(&drawn, &frameOnly));
        EXPECT_EQ(canvas->Pixel(27, 27), kBackground);
        EXPECT_EQ(canvas->Pixel(inner.left, inner.top), kBackground);
    }
}

TEST_F(ResourceCellTest, GridCellsCentreAndThePreviewStretches) {
    ResourceGrid grid;
    const ResourceFormat format(0, 2, 1, 0);
    FillRedSixteen(grid, format);
    ResourceCell cell;
    ResourceCell preview;
    ASSERT_TRUE(cell.Attach(Item(kGridCellId), &format, &grid));
    ASSERT_TRUE(preview.Attach(Item(kPreviewId), &format, &grid));
    preview.SetStretch(true);
    cell.SetBackgroundColor(kBackground);
    preview.SetBackgroundColor(kBackground);

    // 16 pixels in from each edge of the 48 x 48 area that starts 3 pixels in.
    const std::unique_ptr<Canvas> small = Print(cell);
    EXPECT_EQ(small->Pixel(18, 27), kBackground);
    EXPECT_EQ(small->Pixel(19, 19), RGB(255, 0, 0));
    EXPECT_EQ(small->Pixel(34, 34), RGB(255, 0, 0));
    EXPECT_EQ(small->Pixel(35, 27), kBackground);

    const std::unique_ptr<Canvas> large = Print(preview);
    int red = 0;
    for (int y = 3; y < 195; ++y) {
        for (int x = 3; x < 195; ++x) {
            red += large->Pixel(x, y) == RGB(255, 0, 0) ? 1 : 0;
        }
    }
    EXPECT_EQ(red, 192 * 192);
}

TEST_F(ResourceCellTest, OnlyCurrentStretchAndRepaintInvalidate) {
    ResourceGrid grid;
    const ResourceFormat format(0, 2, 1, 0);
    ResourceCell cell;
    ASSERT_TRUE(cell.Attach(Item(kGridCellId), &format, &grid));
    const auto invalid = [&] { return GetUpdateRect(cell.Window(), nullptr, FALSE) != FALSE; };
    const auto settle = [&] { ValidateRect(cell.Window(), nullptr); };

    settle();
    cell.SetBackgroundColor(RGB(1, 1, 1));
    cell.SetClickable(false);
    cell.SetGrid(&grid);
    cell.SetFormat(&format);
    EXPECT_FALSE(invalid());
    cell.SetCurrent(true);
    EXPECT_TRUE(invalid());
    settle();
    cell.SetStretch(true);
    EXPECT_TRUE(invalid());
    settle();
    cell.Repaint();
    EXPECT_TRUE(invalid());
    EXPECT_EQ(cell.GetFormat(), &format);
}

TEST_F(ResourceCellTest, AClickTakesTheFocusOnlyWhenClickableAndAlwaysNotifies) {
    ResourceGrid grid;
    const ResourceFormat format(0, 2, 1, 0);
    ResourceCell cell;
    ResourceCell preview;
    ASSERT_TRUE(cell.Attach(Item(kGridCellId), &format, &grid));
    ASSERT_TRUE(preview.Attach(Item(kPreviewId), &format, &grid));
    preview.SetClickable(false);

    SetFocus(Item(kButtonId));
    SendMessageA(preview.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_EQ(GetFocus(), Item(kButtonId));
    SendMessageA(cell.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_EQ(GetFocus(), cell.Window());
    EXPECT_EQ(clicks, (std::vector<int>{kPreviewId, kGridCellId}));

    // The cursor message counts as handled either way, so the preview leaves the cursor alone.
    const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    SetCursor(arrow);
    EXPECT_EQ(SendMessageA(preview.Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(preview.Window()), overClient),
              TRUE);
    EXPECT_EQ(GetCursor(), arrow);
    EXPECT_EQ(SendMessageA(cell.Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(cell.Window()), overClient), TRUE);
    EXPECT_NE(GetCursor(), arrow);
    const POINT hand = test::CursorHotSpot(GetCursor());
    EXPECT_EQ(hand.x, 12);
    EXPECT_EQ(hand.y, 8);
}

TEST_F(ResourceCellTest, TheControlOutlivesOrPrecedesTheCellSafely) {
    ResourceGrid grid;
    const ResourceFormat format(0, 2, 1, 0);
    {
        ResourceCell cell;
        ASSERT_TRUE(cell.Attach(Item(kGridCellId), &format, &grid));
        EXPECT_FALSE(cell.Attach(Item(kPreviewId), &format, &grid)) << "a cell takes one control";
        DestroyWindow(Item(kGridCellId));
        EXPECT_EQ(cell.Window(), nullptr);
    }
    {
        ResourceCell cell;
        ASSERT_TRUE(cell.Attach(Item(kPreviewId), &format, &grid));
    }
    // The cell is gone; the control is a plain static again and paints without it.
    InvalidateRect(Item(kPreviewId), nullptr, TRUE);
    UpdateWindow(Item(kPreviewId));
    EXPECT_FALSE(ResourceCell().Attach(nullptr, &format, &grid));
}

TEST_F(ResourceCellTest, PaintingGivesBackEveryGdiObject) {
    ResourceGrid grid;
    ResourceFormat formats[3] = {ResourceFormat(0, 2, 1, 0), ResourceFormat(3, 0, 0, 0), ResourceFormat(1, 1, 0, 0)};
    FillRedSixteen(grid, formats[0]);
    grid.PrepareResource(formats[1]);
    grid.PrepareResource(formats[2]);
    ResourceCell cell;
    ResourceCell preview;
    ASSERT_TRUE(cell.Attach(Item(kGridCellId), &formats[0], &grid));
    ASSERT_TRUE(preview.Attach(Item(kPreviewId), &formats[1], &grid));
    preview.SetStretch(true);
    const auto paintAll = [&](int round) {
        cell.SetFormat(&formats[round % 3]);
        formats[1].view = round % 3;
        cell.SetCurrent(round % 2 == 0);
        preview.Repaint();
        UpdateWindow(cell.Window());
        UpdateWindow(preview.Window());
    };
    test::ExpectNoGdiGrowth(1, 300, paintAll);
}

}  // namespace
}  // namespace tessera
