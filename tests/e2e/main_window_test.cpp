// The main window worked as a user would, in the standalone host under Wine: the defaults of a first
// run, the selection radios with the mask tied to the depth, the menus' checks, the grid cells,
// QuickBuild with the modifier keys held on the real keyboard, Center, Cycle and the test dialog.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tessera_session.h"

namespace tessera::test {

using namespace driver;
namespace {

using Ids = std::vector<int>;

// Controls of the system's colour picker: the red, green and blue fields and "Add to Custom Colors",
// which puts the colour of the fields into the next custom colour, the first one to begin with.
constexpr int kColorPickerRed = 706;
constexpr int kColorPickerGreen = 707;
constexpr int kColorPickerBlue = 708;
constexpr int kColorPickerAddCustom = 712;

// The colour an empty cell shows: the background behind the grid and the previews.
uint32_t EmptyCellColour(const HostSession& run, int id) {
    return run.Pixels(id).At(27, 27);
}

TEST(MainWindow, FirstRunDefaultsAndTheSelectionCommands) {
    TempFolder folder;
    HostSession run(WriteTestLayer(folder), true);
    ASSERT_NE(nullptr, run.Window());
    HWND window = run.Window();

    // Huge, true colour, Soft, Both; the Huge true-colour cell current; the layer view focused.
    EXPECT_EQ((Ids{IDC_SIZE_HUGE, IDC_DEPTH_TRUE, IDC_MASK_SOFT, IDC_VIEW_BOTH}), run.CheckedRadios());
    EXPECT_EQ("Resource Grid for Untitled.ico", run.GridCaption());
    EXPECT_EQ(run.Control(IDC_LAYER_VIEW), FocusedWindow(window));
    EXPECT_EQ((Ids{1029}), Settled([&] { return run.HighlightedCells(); }));
    EXPECT_EQ(Ids{}, run.FilledCells());
    EXPECT_EQ(kGrey, EmptyCellColour(run, 1018));

    // Checks only in the Layer, Resource and Options pop-ups; the automatic table greyed while the
    // custom table is off.
    EXPECT_EQ("oooo", MenuPicture(window, 'f'));
    EXPECT_EQ("ooo-ooox-oox", MenuPicture(window, 'l'));
    EXPECT_EQ("o-xoo-o-o", MenuPicture(window, 'r'));
    EXPECT_EQ("xo-oog-o", MenuPicture(window, 'o'));
    EXPECT_EQ("oo-o-oo", MenuPicture(window, 'w'));

    // The mask follows the depth and the depth the mask: Hard while 16 colours moves to 256 colours,
    // Soft to true colour.
    struct Step {
        int button;
        Ids radios;
        int cell;
    };
    const Step steps[] = {
        {IDC_DEPTH_16, {IDC_SIZE_HUGE, IDC_DEPTH_16, IDC_MASK_HARD, IDC_VIEW_BOTH}, 1021},
        {IDC_MASK_HARD, {IDC_SIZE_HUGE, IDC_DEPTH_256, IDC_MASK_HARD, IDC_VIEW_BOTH}, 1025},
        {IDC_DEPTH_16, {IDC_SIZE_HUGE, IDC_DEPTH_16, IDC_MASK_HARD, IDC_VIEW_BOTH}, 1021},
        {IDC_MASK_SOFT, {IDC_SIZE_HUGE, IDC_DEPTH_TRUE, IDC_MASK_SOFT, IDC_VIEW_BOTH}, 1029},
        {IDC_DEPTH_256, {IDC_SIZE_HUGE, IDC_DEPTH_256, IDC_MASK_HARD, IDC_VIEW_BOTH}, 1025},
        {IDC_MASK_SOFT, {IDC_SIZE_HUGE, IDC_DEPTH_TRUE, IDC_MASK_SOFT, IDC_VIEW_BOTH}, 1029},
        {IDC_SIZE_MEDIUM, {IDC_SIZE_MEDIUM, IDC_DEPTH_TRUE, IDC_MASK_SOFT, IDC_VIEW_BOTH}, 1027},
        // The view changes the previews only: the same cell stays current.
        {IDC_VIEW_DATA, {IDC_SIZE_MEDIUM, IDC_DEPTH_TRUE, IDC_MASK_SOFT, IDC_VIEW_DATA}, 1027},
    };
    for (const Step& step : steps) {
        ASSERT_TRUE(ClickButtonAndWait(window, step.button)) << step.button;
        EXPECT_EQ(step.radios, run.CheckedRadios()) << step.button;
        EXPECT_EQ(Ids{step.cell}, Eventually(Ids{step.cell}, [&] { return run.HighlightedCells(); })) << step.button;
    }
    EXPECT_EQ("ooo-oxoo-oox", MenuPicture(window, 'l'));
    EXPECT_EQ("o-oxo-o-o", MenuPicture(window, 'r'));

    // A grid cell clicked with the mouse takes its size, depth and mask, keeps the view, and hands
    // the focus back to the layer view.
    ClickControl(run.Control(1020));
    EXPECT_TRUE(WaitUntil(3000, [&] {
        return run.CheckedRadios() == Ids{IDC_SIZE_LARGE, IDC_DEPTH_16, IDC_MASK_HARD, IDC_VIEW_DATA};
    })) << "radios after the click on a cell";
    MoveMouseAway();
    EXPECT_EQ((Ids{1020}), Eventually(Ids{1020}, [&] { return run.HighlightedCells(); }));
    EXPECT_EQ(run.Control(IDC_LAYER_VIEW), FocusedWindow(window));
    EXPECT_EQ("ooo-ooxo-xoo", MenuPicture(window, 'l'));

    // Tool tips over the controls, the static pictures included (cells and logo).
    const std::pair<int, std::string> tips[] = {
        {IDC_QUICKBUILD, "Build entire grid, all of same size (shift), all of same depth (control)"},
        {1018, "16 x 16 pixels with 16 colors"},
        {1029, "48 x 48 pixels with true color"},
        {IDC_LOGO, "Learn more about Tessera"},
    };
    for (const auto& [id, text] : tips) {
        HoverControl(run.Control(id));
        EXPECT_EQ(text, Eventually(
                            text, [&] { return VisibleToolTip(run.Id()); }, 5000))
            << id;
    }
    MoveMouseAway();

    // The logo opens the About box.
    ClickControl(run.Control(IDC_LOGO));
    HWND about = WaitForWindow(run.Id(), "About Tessera");
    ASSERT_NE(nullptr, about);
    ClickButton(about, IDOK);
    ASSERT_TRUE(WaitUntilClosed(about));
    MoveMouseAway();

    // The automatic table keeps its check while greyed, and comes alive with the custom table.
    ASSERT_TRUE(SendCommandAndWait(window, ID_OPTIONS_AUTOMATIC_TABLE));
    EXPECT_EQ("xo-ooG-o", MenuPicture(window, 'o'));
    ASSERT_TRUE(SendCommandAndWait(window, ID_OPTIONS_USE_CUSTOM_TABLE));
    EXPECT_EQ("xo-xox-o", MenuPicture(window, 'o'));
    ASSERT_TRUE(SendCommandAndWait(window, ID_OPTIONS_TOOL_TIPS));
    EXPECT_EQ("oo-xox-o", MenuPicture(window, 'o'));
    HoverControl(run.Control(IDC_CENTER));
    Sleep(1500);
    EXPECT_EQ("", VisibleToolTip(run.Id())) << "a tool tip with tool tips off";
    MoveMouseAway();

    // A custom colour added in the colour picker stays even when the picker is cancelled, and the
    // background with it.
    constexpr uint32_t kAdded = 0x0A141E;  // red 10, green 20, blue 30
    PostCommand(window, IDC_SET_BACKGROUND);
    HWND picker = WaitForWindow(run.Id(), "Color");
    ASSERT_NE(nullptr, picker);
    for (const auto& [id, value] :
         {std::pair{kColorPickerRed, "10"}, {kColorPickerGreen, "20"}, {kColorPickerBlue, "30"}}) {
        SetDlgItemTextA(picker, id, value);
    }
    ASSERT_TRUE(SendCommandAndWait(picker, kColorPickerAddCustom));
    ASSERT_TRUE(CancelDialog(picker));
    EXPECT_EQ(kGrey, Settled([&] { return EmptyCellColour(run, 1018); }));

    // Cycle takes the custom colours in turn, from the first, and comes back to it after sixteen.
    const uint32_t expected[] = {kAdded, 0xC7DDB1, 0x0082BB};
    for (uint32_t colour : expected) {
        ASSERT_TRUE(ClickButtonAndWait(window, IDC_CYCLE));
        EXPECT_EQ(colour, Eventually(colour, [&] { return EmptyCellColour(run, 1018); }));
    }
    for (int press = 3; press < 16; ++press) {
        ASSERT_TRUE(ClickButtonAndWait(window, IDC_CYCLE));
    }
    EXPECT_EQ(0xFFFFFFu, Eventually(0xFFFFFFu, [&] { return EmptyCellColour(run, 1018); }));
    ASSERT_TRUE(ClickButtonAndWait(window, IDC_CYCLE));
    EXPECT_EQ(kAdded, Eventually(kAdded, [&] { return EmptyCellColour(run, 1018); }));
    EXPECT_EQ(kAdded, Eventually(kAdded, [&] { return EmptyCellColour(run, IDC_PREVIEW); }));

    // The colour picker starts on the background: OK keeps it.
    PostCommand(window, IDC_SET_BACKGROUND);
    picker = WaitForWindow(run.Id(), "Color");
    ASSERT_NE(nullptr, picker);
    ClickButton(picker, IDOK);
    ASSERT_TRUE(WaitUntilClosed(picker));
    EXPECT_EQ(kAdded, Settled([&] { return EmptyCellColour(run, 1018); }));

    // Nothing was built, so Done closes without a prompt.
    run.Done();
}

TEST(MainWindow, QuickBuildFillsTheSlotsTheModifierKeysChooseAndKeepsTheSelection) {
    TempFolder folder;
    HostSession run(WriteTestLayer(folder), true);
    ASSERT_NE(nullptr, run.Window());
    HWND window = run.Window();
    for (int button : {IDC_SIZE_LARGE, IDC_DEPTH_256, IDC_VIEW_MASK}) {
        ASSERT_TRUE(ClickButtonAndWait(window, button));
    }
    const Ids selection{IDC_SIZE_LARGE, IDC_DEPTH_256, IDC_MASK_HARD, IDC_VIEW_MASK};
    ASSERT_EQ(selection, run.CheckedRadios());

    struct Case {
        std::vector<WORD> keys;
        Ids filled;
    };
    const Case cases[] = {
        {{}, {1018, 1019, 1020, 1021, 1022, 1023, 1024, 1025, 1026, 1027, 1028, 1029}},
        {{VK_SHIFT}, {1020, 1024, 1028}},              // the Large column
        {{VK_CONTROL}, {1022, 1023, 1024, 1025}},      // the 256-colour row
        {{VK_SHIFT, VK_CONTROL}, {1020, 1024, 1028}},  // Shift wins
    };
    for (const Case& c : cases) {
        const std::string keys = std::to_string(c.keys.size()) + " keys held";
        if (!run.FilledCells().empty()) {
            // New empties the grid, after the prompt for the slots built.
            PostCommand(window, IDC_NEW);
            ASSERT_TRUE(run.AnswerMessage(kPromptUntitled, IDNO)) << keys;
            ASSERT_EQ(Ids{}, Eventually(Ids{}, [&] { return run.FilledCells(); })) << keys;
        }
        {
            HeldKeys held(c.keys);
            ASSERT_TRUE(ClickButtonAndWait(window, IDC_QUICKBUILD, 20000)) << keys;
        }
        EXPECT_EQ(c.filled, Eventually(c.filled, [&] { return run.FilledCells(); })) << keys;
        EXPECT_EQ(selection, run.CheckedRadios()) << keys;
        EXPECT_EQ(Ids{1024}, Eventually(Ids{1024}, [&] { return run.HighlightedCells(); })) << keys;
        EXPECT_EQ(run.Control(IDC_LAYER_VIEW), FocusedWindow(window)) << keys;
    }

    // The grid itself, as saved: the three Large images at 4, 8 and 32 bits.
    PostCommand(window, ID_FILE_SAVE_AS);
    ASSERT_TRUE(FillFileDialog(run.Id(), "Save As", folder.File("built.ico")));
    EXPECT_TRUE(WaitUntil(3000, [&] { return run.GridCaption() == "Resource Grid for built.ico"; }));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{32, 4}, {32, 8}, {32, 32}}), IcoSlots(folder.File("built.ico")));
    run.Done();
}

TEST(MainWindow, CenterForgetsTheSquareOfTheCurrentSizeOrWithShiftOfEvery) {
    TempFolder folder;
    HostSession run(WriteTestLayer(folder), true);
    ASSERT_NE(nullptr, run.Window());
    HWND window = run.Window();
    // No tool tip may cover the view while its pixels are read.
    ASSERT_TRUE(SendCommandAndWait(window, ID_OPTIONS_TOOL_TIPS));

    const auto picture = [&] { return run.LayerViewPicture(); };
    const auto dragged = [&] { return run.DragLayerView(12, 8); };
    const std::vector<uint32_t> hugeCentred = Settled(picture);
    const std::vector<uint32_t> hugeMoved = dragged();
    ASSERT_TRUE(ClickButtonAndWait(window, IDC_SIZE_SMALL));
    const std::vector<uint32_t> smallCentred = Settled(picture);
    dragged();

    // Without Shift only the current size goes back to the middle.
    ASSERT_TRUE(ClickButtonAndWait(window, IDC_CENTER));
    EXPECT_EQ(smallCentred, Eventually(smallCentred, picture));
    EXPECT_EQ(run.Control(IDC_LAYER_VIEW), FocusedWindow(window));
    ASSERT_TRUE(ClickButtonAndWait(window, IDC_SIZE_HUGE));
    EXPECT_EQ(hugeMoved, Eventually(hugeMoved, picture));

    // With Shift every size does.
    ASSERT_TRUE(ClickButtonAndWait(window, IDC_SIZE_SMALL));
    dragged();
    ASSERT_TRUE(ClickButtonAndWait(window, IDC_SIZE_HUGE));
    {
        HeldKeys shift({VK_SHIFT});
        ASSERT_TRUE(ClickButtonAndWait(window, IDC_CENTER));
    }
    EXPECT_EQ(hugeCentred, Eventually(hugeCentred, picture));
    ASSERT_TRUE(ClickButtonAndWait(window, IDC_SIZE_SMALL));
    EXPECT_EQ(smallCentred, Eventually(smallCentred, picture));
    run.Done();
}

// The test dialog of the current resource, as the user works its controls.
class TestDialog {
  public:
    explicit TestDialog(const HostSession& run) {
        PostCommand(run.Window(), ID_OPTIONS_TEST_ICON);
        dialog_ = WaitForWindow(run.Id(), "Tessera Test");
    }
    [[nodiscard]] HWND Window() const { return dialog_; }
    [[nodiscard]] HWND Picture() const { return GetDlgItem(dialog_, IDC_TEST_PICTURE); }
    [[nodiscard]] SIZE PictureSize() const {
        RECT r{};
        GetWindowRect(Picture(), &r);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }
    [[nodiscard]] std::string SizeText() const { return DialogItemText(dialog_, IDC_TEST_SIZE_TEXT); }
    // Moves the slider as its keys would, and waits for the text to follow.
    bool Slide(int position) const {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(GetDlgItem(dialog_, IDC_TEST_SLIDER), TBM_SETPOS, TRUE, position, SMTO_ABORTIFHUNG, 3000,
                            &result);
        const std::string text = std::to_string(position) + " x " + std::to_string(position) + " pixels";
        return WaitUntil(3000, [&] { return SizeText() == text; });
    }
    [[nodiscard]] bool HasStyle(int which, LONG_PTR bits) const {
        return (GetWindowLongPtrA(Picture(), which) & bits) == bits;
    }
    // The picture and the three buttons show the icon. (Its caption icon cannot be asked for from
    // another process under Wine.)
    [[nodiscard]] bool ShowsIcon() const {
        DWORD_PTR picture = 0;
        SendMessageTimeoutA(Picture(), STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 3000, &picture);
        bool shown = picture != 0;
        for (int id : {IDC_TEST_BUTTON_SMALL, IDC_TEST_BUTTON_MIDDLE, IDC_TEST_BUTTON_LARGE}) {
            DWORD_PTR image = 0;
            SendMessageTimeoutA(GetDlgItem(dialog_, id), BM_GETIMAGE, IMAGE_ICON, 0, SMTO_ABORTIFHUNG, 3000, &image);
            EXPECT_EQ(picture, image) << id;
        }
        return shown;
    }
    // A surface's row in the view of the icon as Windows draws it: its label, and its picture's size.
    [[nodiscard]] std::string RowText(int surface) const {
        return DialogItemText(GetDlgItem(dialog_, IDC_TEST_SCALE_VIEW), IDC_TEST_SCALE_TEXT_FIRST + surface);
    }
    [[nodiscard]] SIZE RowPictureSize(int surface) const {
        RECT r{};
        GetWindowRect(GetDlgItem(GetDlgItem(dialog_, IDC_TEST_SCALE_VIEW), IDC_TEST_SCALE_IMAGE_FIRST + surface), &r);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }
    bool Close() const {
        ClickButton(dialog_, IDOK);
        return WaitUntilClosed(dialog_);
    }

  private:
    HWND dialog_ = nullptr;
};

// Rows of the view of the icon as Windows draws it.
constexpr int kTitleBar = 0;
constexpr int kStartPins = 2;
constexpr int kExplorerLarge = 5;

TEST(MainWindow, TestIconDialogWithAndWithoutAResource) {
    TempFolder folder;
    HostSession run(WriteTestLayer(folder), true);
    ASSERT_NE(nullptr, run.Window());
    HWND window = run.Window();

    {
        // An empty slot: no icon anywhere, but the slider still sizes the empty picture.
        TestDialog test(run);
        ASSERT_NE(nullptr, test.Window());
        EXPECT_FALSE(test.ShowsIcon());
        EXPECT_TRUE(test.Slide(0));
        EXPECT_EQ(0, test.PictureSize().cx);
        EXPECT_EQ(0, test.PictureSize().cy);
        EXPECT_EQ("Start pins\r\n32 pixels: no image", test.RowText(kStartPins));
        EXPECT_TRUE(test.Close());
    }

    ASSERT_TRUE(ClickButtonAndWait(window, IDC_COPY));
    ASSERT_EQ((Ids{1029}), Eventually(Ids{1029}, [&] { return run.FilledCells(); }));
    {
        TestDialog test(run);
        ASSERT_NE(nullptr, test.Window());
        EXPECT_TRUE(test.ShowsIcon());
        EXPECT_TRUE(WaitUntil(3000, [&] { return test.SizeText() == "32 x 32 pixels"; })) << test.SizeText();
        EXPECT_EQ(32, test.PictureSize().cx);
        DWORD_PTR items = 0;
        SendMessageTimeoutA(GetDlgItem(test.Window(), IDC_TEST_TREE), TVM_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 3000,
                            &items);
        EXPECT_EQ(3u, items);

        // The one image, 48 pixels, as Windows draws it: exact in Explorer's large view at 100%, scaled
        // down on the title bar; at 400% scaled up to 256 pixels for Start.
        EXPECT_EQ("Explorer large icons\r\n48 pixels: exact", test.RowText(kExplorerLarge));
        EXPECT_EQ(48, test.RowPictureSize(kExplorerLarge).cx);
        EXPECT_EQ("title bar, menus and notification area\r\n16 pixels: from 48", test.RowText(kTitleBar));
        EXPECT_EQ(16, test.RowPictureSize(kTitleBar).cy);
        ASSERT_TRUE(ClickButtonAndWait(test.Window(), IDC_TEST_SCALE_FIRST + 7));
        EXPECT_EQ("Start pins\r\n256 pixels: from 48", test.RowText(kStartPins));
        EXPECT_EQ(256, test.RowPictureSize(kStartPins).cx);
        EXPECT_EQ(256, test.RowPictureSize(kStartPins).cy);

        EXPECT_TRUE(test.Slide(96));
        EXPECT_EQ(96, test.PictureSize().cx);
        EXPECT_EQ(96, test.PictureSize().cy);
        EXPECT_TRUE(test.Slide(0));
        EXPECT_EQ(0, test.PictureSize().cx);

        // Each check box switches its own style and leaves the others'.
        HWND dialog = test.Window();
        ASSERT_TRUE(ClickButtonAndWait(dialog, IDC_TEST_CENTER));
        EXPECT_TRUE(test.HasStyle(GWL_STYLE, SS_CENTERIMAGE));
        ASSERT_TRUE(ClickButtonAndWait(dialog, IDC_TEST_CLIENT_EDGE));
        EXPECT_TRUE(test.HasStyle(GWL_STYLE, SS_CENTERIMAGE));
        EXPECT_TRUE(test.HasStyle(GWL_EXSTYLE, WS_EX_CLIENTEDGE));
        ASSERT_TRUE(ClickButtonAndWait(dialog, IDC_TEST_CENTER));
        EXPECT_FALSE(test.HasStyle(GWL_STYLE, SS_CENTERIMAGE));
        EXPECT_TRUE(test.HasStyle(GWL_EXSTYLE, WS_EX_CLIENTEDGE));
        ASSERT_TRUE(ClickButtonAndWait(dialog, IDC_TEST_STATIC_EDGE));
        EXPECT_TRUE(test.HasStyle(GWL_EXSTYLE, WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
        ASSERT_TRUE(ClickButtonAndWait(dialog, IDC_TEST_CLIENT_EDGE));
        EXPECT_FALSE(test.HasStyle(GWL_EXSTYLE, WS_EX_CLIENTEDGE));
        EXPECT_TRUE(test.HasStyle(GWL_EXSTYLE, WS_EX_STATICEDGE));

        // Disable Buttons disables the three icon buttons and nothing else.
        const int buttons[] = {IDC_TEST_BUTTON_SMALL, IDC_TEST_BUTTON_MIDDLE, IDC_TEST_BUTTON_LARGE};
        const int others[] = {IDOK,          IDC_TEST_SLIDER,      IDC_TEST_DISABLE,    IDC_TEST_CENTER,
                              IDC_TEST_TREE, IDC_TEST_CLIENT_EDGE, IDC_TEST_STATIC_EDGE};
        for (bool disabled : {true, false}) {
            ASSERT_TRUE(ClickButtonAndWait(dialog, IDC_TEST_DISABLE));
            for (int id : buttons) {
                EXPECT_EQ(!disabled, IsWindowEnabled(GetDlgItem(dialog, id)) != 0) << id;
            }
            for (int id : others) {
                EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, id))) << id;
            }
        }
        EXPECT_TRUE(test.Close());
    }

    // The dialog changed nothing: the resource is still there, and unsaved, so Done asks first.
    EXPECT_EQ((Ids{1029}), Settled([&] { return run.FilledCells(); }));
    ClickButton(window, IDCANCEL);
    ASSERT_TRUE(run.AnswerMessage(kPromptUntitled, IDNO));
    run.ExpectEnded(-128);
}

}  // namespace
}  // namespace tessera::test
