// Documents, options and colour tables across runs of the main window in the standalone host under
// Wine: the pickers and their proposed names, the save prompt, the last file loaded again (or missed),
// the options block in the registry, and .act files of every length that matters.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "base/wide_win.h"
#include "tessera_session.h"

namespace tessera::test {

using namespace driver;
namespace {

using Ids = std::vector<int>;
using Slots = std::vector<std::pair<int, int>>;  // pixel size, bits per pixel

// A document named outside the ANSI code page, in a folder named in three scripts.
constexpr const char* kFolderName =
    "\xD0\x98\xD0\xBA\xD0\xBE\xD0\xBD\xD0\xBA\xD0\xB8 \xE5\x9B\xBE\xE6\xA0\x87 \xF0\x9F\x8E\xA8";  // Иконки 图标 🎨
constexpr const char* kIconName = "a \xC3\xBC \xE5\x9B\xBE.ico";                                   // a ü 图.ico
const std::string kPromptA = std::string("Save changes to the icon \"") + kIconName + "\" before closing?";

// Offsets in the stored options block.
constexpr size_t kDepthAt = 0;
constexpr size_t kMaskAt = 4;
constexpr size_t kSizeAt = 8;
constexpr size_t kViewAt = 12;
constexpr size_t kNameAt = 16;
constexpr size_t kPathAt = 272;
constexpr size_t kBackgroundAt = 1296;
constexpr size_t kCycleAt = 1364;
constexpr size_t kToolTipsAt = 1400;
constexpr size_t kUseCustomAt = 1404;
constexpr size_t kTableAt = 1408;
constexpr size_t kAutomaticAt = 2176;

Ids FilledCellsOnceSettled(const HostSession& run) {
    return Settled([&] { return run.FilledCells(); });
}

// Opens a picker with a command and answers the name it proposes; the picker stays open.
std::string ProposedName(const HostSession& run, int command, const char* caption, HWND& picker) {
    PostCommand(run.Window(), command);
    picker = WaitForWindow(run.Id(), caption);
    return picker != nullptr ? FileDialogName(picker) : std::string("(no picker)");
}

TEST(Documents, SaveOpenAndThePromptAcrossRuns) {
    TempFolder folder;
    const std::string layer = WriteTestLayer(folder);
    const std::string documents = folder.File(kFolderName);
    ASSERT_TRUE(CreateDirectoryW(Wide(documents)->c_str(), nullptr));
    const std::string iconPath = documents + "\\" + kIconName;
    const std::string caption = std::string("Resource Grid for ") + kIconName;

    {
        HostSession run(layer, true);
        ASSERT_NE(nullptr, run.Window());
        HWND window = run.Window();
        HWND picker = nullptr;
        EXPECT_EQ("", ProposedName(run, ID_FILE_OPEN, "Open", picker)) << "Open of an untitled document";
        ASSERT_TRUE(CancelDialog(picker));
        ASSERT_TRUE(ClickButtonAndWait(window, IDC_COPY));

        // Done asks first; Cancel keeps the window.
        ClickButton(window, IDCANCEL);
        ASSERT_TRUE(run.AnswerMessage(kPromptUntitled, IDCANCEL));
        EXPECT_TRUE(run.StillOpen());

        // Yes saves through Save As; cancelling the picker keeps the window and its unsaved resource.
        ClickButton(window, IDCANCEL);
        ASSERT_TRUE(run.AnswerMessage(kPromptUntitled, IDYES));
        picker = WaitForWindow(run.Id(), "Save As");
        ASSERT_NE(nullptr, picker);
        EXPECT_EQ("Untitled.ico", FileDialogName(picker));
        ASSERT_TRUE(CancelDialog(picker));
        EXPECT_TRUE(run.StillOpen());
        EXPECT_EQ((Ids{1029}), FilledCellsOnceSettled(run));

        // Save of an untitled document goes to Save As, which proposes "Untitled.ico".
        EXPECT_EQ("Untitled.ico", ProposedName(run, IDC_SAVE, "Save As", picker));
        ASSERT_TRUE(FillFileDialog(run.Id(), "Save As", iconPath));
        EXPECT_EQ(caption, Eventually(caption, [&] { return run.GridCaption(); }));
        EXPECT_EQ((Slots{{48, 32}}), IcoSlots(iconPath));

        // Now Save writes the named file without asking.
        ASSERT_TRUE(ClickButtonAndWait(window, IDC_SIZE_SMALL));
        ASSERT_TRUE(ClickButtonAndWait(window, IDC_COPY));
        EXPECT_TRUE(ClickButtonAndWait(window, IDC_SAVE)) << "Save opened a window";
        EXPECT_EQ((Slots{{16, 32}, {48, 32}}), IcoSlots(iconPath));

        // Save As proposes a copy; Open proposes the document itself; cancelling either changes nothing.
        EXPECT_EQ(std::string("Copy of ") + kIconName, ProposedName(run, ID_FILE_SAVE_AS, "Save As", picker));
        ASSERT_TRUE(CancelDialog(picker));
        EXPECT_EQ(kIconName, ProposedName(run, ID_FILE_OPEN, "Open", picker));
        ASSERT_TRUE(CancelDialog(picker));
        EXPECT_EQ(caption, run.GridCaption());
        EXPECT_EQ((Ids{1026, 1029}), FilledCellsOnceSettled(run));
        EXPECT_FALSE(StoredSettings()) << "options are stored only when the window closes";
        run.Done();
    }
    std::optional<std::vector<uint8_t>> stored = StoredSettings();
    ASSERT_TRUE(stored);
    EXPECT_EQ(2180u, stored->size());
    EXPECT_EQ(kIconName, StoredText(*stored, kNameAt, 256));
    EXPECT_EQ(iconPath, StoredText(*stored, kPathAt, 1024));

    // Another program adds the large image icons carry today; the grid does not show it.
    ASSERT_TRUE(AddLargePngImage(iconPath));
    {
        // The next run opens the last file again, on the last selection; the grid's tool tip names
        // the image it does not show.
        HostSession run(layer, false);
        ASSERT_NE(nullptr, run.Window());
        EXPECT_EQ(caption, run.GridCaption());
        EXPECT_EQ((Ids{1026, 1029}), FilledCellsOnceSettled(run));
        EXPECT_EQ((Ids{IDC_SIZE_SMALL, IDC_DEPTH_TRUE, IDC_MASK_SOFT, IDC_VIEW_BOTH}), run.CheckedRadios());
        const std::string keptTip =
            "This icon also holds 1 image the grid does not show; Save keeps it as it is:\r\n"
            "256 x 256 pixels as PNG, 32 bits per pixel";
        HoverControlAt(run.Control(IDC_GRID_GROUP), 30, 4);
        EXPECT_EQ(keptTip, Eventually(
                               keptTip, [&] { return VisibleToolTip(run.Id()); }, 5000));
        MoveMouseAway();

        // Clear Resource empties the current slot; Yes in Done's prompt writes the file and closes.
        ASSERT_TRUE(SendCommandAndWait(run.Window(), ID_RESOURCE_CLEAR));
        EXPECT_EQ((Ids{1029}), Eventually(Ids{1029}, [&] { return run.FilledCells(); }));
        ClickButton(run.Window(), IDCANCEL);
        ASSERT_TRUE(run.AnswerMessage(kPromptA, IDYES));
        run.ExpectEnded(-128);
    }
    EXPECT_EQ((Slots{{48, 32}}), IcoSlots(iconPath));
    EXPECT_EQ((Slots{{256, 32}}), IcoKept(iconPath)) << "Clear Resource and Save keep the image";

    ASSERT_TRUE(DeleteFileW(Wide(iconPath)->c_str()));
    {
        // A last file that is gone: an empty grid under the template's caption, and Save writes the
        // file there again without asking.
        HostSession run(layer, false);
        ASSERT_NE(nullptr, run.Window());
        EXPECT_EQ("Resource Grid for Untitled.ico", run.GridCaption());
        EXPECT_EQ(Ids{}, FilledCellsOnceSettled(run));
        ASSERT_TRUE(ClickButtonAndWait(run.Window(), IDC_COPY));
        EXPECT_TRUE(ClickButtonAndWait(run.Window(), IDC_SAVE)) << "Save opened a window";
        EXPECT_EQ((Slots{{16, 32}}), IcoSlots(iconPath));
        EXPECT_EQ(caption, run.GridCaption());

        // New: an empty untitled document in the folder of the last one, without a prompt once saved.
        ASSERT_TRUE(ClickButtonAndWait(run.Window(), IDC_NEW)) << "New asked about a saved document";
        EXPECT_EQ("Resource Grid for Untitled.ico", run.GridCaption());
        EXPECT_EQ(Ids{}, Eventually(Ids{}, [&] { return run.FilledCells(); }));
        run.Done();
    }
    stored = StoredSettings();
    ASSERT_TRUE(stored);
    EXPECT_EQ("Untitled.ico", StoredText(*stored, kNameAt, 256));
    EXPECT_EQ(documents + "\\", StoredText(*stored, kPathAt, 1024));
}

// Apply on an untitled document: the prompt's Save As names the file, and the layer gets the resource
// from that file (the choice of file is stored after the prompt, not before it).
TEST(Documents, ApplyAfterSavingInThePromptWritesTheSavedResource) {
    TempFolder folder;
    const std::string layerPath = WriteTestLayer(folder);
    const std::string outPath = folder.File("applied.png");
    // Saved, kept for Apply and read back under a name outside the ANSI code page.
    const std::string documents = folder.File(kFolderName);
    ASSERT_TRUE(CreateDirectoryW(Wide(documents)->c_str(), nullptr));
    const std::string iconPath = documents + "\\" + kIconName;
    {
        HostSession run(layerPath, true, "--output \"" + outPath + "\"");
        ASSERT_NE(nullptr, run.Window());
        // At 16 colours the resource differs from the layer it was cut from.
        ASSERT_TRUE(ClickButtonAndWait(run.Window(), IDC_DEPTH_16));
        ASSERT_TRUE(ClickButtonAndWait(run.Window(), IDC_COPY));
        // The Resource menu's entry applies as the button does.
        PostCommand(run.Window(), ID_RESOURCE_APPLY);
        ASSERT_TRUE(run.AnswerMessage(kPromptUntitled, IDYES));
        ASSERT_TRUE(FillFileDialog(run.Id(), "Save As", iconPath));
        run.ExpectEnded(0);
    }
    EXPECT_EQ((Slots{{48, 4}}), IcoSlots(iconPath));

    std::string error;
    const std::optional<Layer> before = ReadPngLayer(layerPath, error);
    const std::optional<Layer> after = ReadPngLayer(outPath, error);
    ASSERT_TRUE(before && after) << error;
    ASSERT_EQ(before->ByteCount(), after->ByteCount());
    // The 48-pixel square in the middle of the 120 x 100 layer changed; nothing else did.
    int changedInside = 0;
    for (int y = 0; y < before->height; ++y) {
        for (int x = 0; x < before->width; ++x) {
            const bool inside = x >= 36 && x < 84 && y >= 26 && y < 74;
            const bool same = std::equal(before->At(x, y), before->At(x, y) + before->planes, after->At(x, y));
            if (inside) {
                changedInside += same ? 0 : 1;
            } else {
                ASSERT_TRUE(same) << "pixel " << x << ", " << y << " outside the square changed";
            }
        }
    }
    EXPECT_GT(changedInside, 48 * 48 / 2);
}

std::string WriteBytes(const TempFolder& folder, const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = folder.File(name);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

// A table whose every entry is (i, 3, 255 - i): a colour on screen comes from it when its green is 3
// and its red and blue add up to 255.
std::vector<uint8_t> RecognisableTable() {
    std::vector<uint8_t> table;
    for (int i = 0; i < 256; ++i) {
        table.insert(table.end(), {static_cast<uint8_t>(i), 3, static_cast<uint8_t>(255 - i)});
    }
    return table;
}

bool FromRecognisableTable(uint32_t pixel) {
    return ((pixel >> 8) & 0xFF) == 3 && ((pixel >> 16) & 0xFF) + (pixel & 0xFF) == 255;
}

void ChooseColorTable(const HostSession& run, const std::string& path) {
    PostCommand(run.Window(), ID_OPTIONS_SET_CUSTOM_TABLE);
    ASSERT_TRUE(FillFileDialog(run.Id(), "Open", path));
}

TEST(Documents, ColorTableFilesAndOptionsKeptAfterDone) {
    TempFolder folder;
    const std::string layer = WriteTestLayer(folder);
    std::vector<uint8_t> table768(768);
    for (size_t i = 0; i < table768.size(); ++i) {
        table768[i] = static_cast<uint8_t>(i * 7);
    }
    std::vector<uint8_t> table772 = RecognisableTable();
    table772.insert(table772.end(), {0xEE, 0xEE, 0xEE, 0xEE});
    const std::string path768 = WriteBytes(folder, "768.act", table768);
    const std::string path772 = WriteBytes(folder, "772.act", table772);
    const std::string path767 = WriteBytes(folder, "767.act", std::vector<uint8_t>(767, 0x55));
    std::vector<uint32_t> mediumMoved;

    {
        HostSession run(layer, true);
        ASSERT_NE(nullptr, run.Window());
        HWND window = run.Window();
        EXPECT_EQ("xo-oog-o", MenuPicture(window, 'o'));

        // A table of 768 bytes is taken and switched on.
        ChooseColorTable(run, path768);
        EXPECT_EQ("xo-xoo-o", MenuPicture(window, 'o'));
        EXPECT_FALSE(WaitForMessageBox(run.Id(), 0));

        // One of 772 bytes too (the last four are not read), and it turns the automatic table off.
        ASSERT_TRUE(SendCommandAndWait(window, ID_OPTIONS_AUTOMATIC_TABLE));
        EXPECT_EQ("xo-xox-o", MenuPicture(window, 'o'));
        ChooseColorTable(run, path772);
        EXPECT_EQ("xo-xoo-o", MenuPicture(window, 'o'));
        EXPECT_FALSE(WaitForMessageBox(run.Id(), 0));

        // One of 767 bytes is refused and switches the custom table off; the table stays as it was.
        ChooseColorTable(run, path767);
        ASSERT_TRUE(run.AnswerMessage(
            "There was a problem reading the color table file: the number of color table entries is incorrect.", IDOK));
        EXPECT_EQ("xo-oog-o", MenuPicture(window, 'o'));

        // Options of every kind for the next run, the square of a size moved from the middle too.
        ASSERT_TRUE(SendCommandAndWait(window, ID_OPTIONS_TOOL_TIPS));
        ASSERT_TRUE(ClickButtonAndWait(window, IDC_SIZE_MEDIUM));
        ASSERT_TRUE(ClickButtonAndWait(window, IDC_DEPTH_16));
        mediumMoved = run.DragLayerView(12, 8);
        for (int button : {IDC_VIEW_DATA, IDC_CYCLE, IDC_CYCLE}) {
            ASSERT_TRUE(ClickButtonAndWait(window, button));
        }
        run.Done();
    }
    const std::optional<std::vector<uint8_t>> stored = StoredSettings();
    ASSERT_TRUE(stored);
    ASSERT_EQ(2180u, stored->size());
    EXPECT_EQ(0, StoredInt(*stored, kDepthAt));
    EXPECT_EQ(0, StoredInt(*stored, kMaskAt));
    EXPECT_EQ(1, StoredInt(*stored, kSizeAt));
    EXPECT_EQ(1, StoredInt(*stored, kViewAt));
    EXPECT_EQ(0xB1DDC7, StoredInt(*stored, kBackgroundAt));  // the second custom colour
    EXPECT_EQ(2, StoredInt(*stored, kCycleAt));
    EXPECT_EQ(0, StoredInt(*stored, kToolTipsAt));
    EXPECT_EQ(0, StoredInt(*stored, kUseCustomAt));
    EXPECT_EQ(0, StoredInt(*stored, kAutomaticAt));
    EXPECT_TRUE(std::equal(table772.begin(), table772.begin() + 768, stored->begin() + kTableAt));

    {
        // The run ended with Done, and the next one starts where it left off (on the Both view).
        HostSession run(layer, false);
        ASSERT_NE(nullptr, run.Window());
        HWND window = run.Window();
        EXPECT_EQ((Ids{IDC_SIZE_MEDIUM, IDC_DEPTH_16, IDC_MASK_HARD, IDC_VIEW_BOTH}), run.CheckedRadios());
        EXPECT_EQ("oo-oog-o", MenuPicture(window, 'o'));
        EXPECT_EQ(0xC7DDB1u, Settled([&] { return run.Pixels(1018).At(27, 27); }));
        EXPECT_EQ(mediumMoved, Eventually(mediumMoved, [&] { return run.LayerViewPicture(); }));

        // The stored custom table is the one in use at 256 colours once switched on.
        ASSERT_TRUE(ClickButtonAndWait(window, IDC_DEPTH_256));
        ASSERT_TRUE(SendCommandAndWait(window, ID_OPTIONS_USE_CUSTOM_TABLE));
        const auto allFromTable = [&] {
            const ScreenPixels view = run.Pixels(IDC_LAYER_VIEW);
            for (int y = 3; y < view.height - 3; ++y) {
                for (int x = 3; x < view.width - 3; ++x) {
                    if (!FromRecognisableTable(view.At(x, y))) {
                        return false;
                    }
                }
            }
            return true;
        };
        EXPECT_TRUE(Eventually(true, allFromTable));
        run.Done();
    }
}

// A stored block of another length (here one longer than ours, which the registry reports as more
// data) is named in a warning, the window opens on the first-run options, and closing stores a block
// of the current length.
TEST(Documents, StoredOptionsOfAnotherLengthAreReplaced) {
    TempFolder folder;
    const std::string layer = WriteTestLayer(folder);
    ForgetSettings();
    std::vector<uint8_t> longer(2181, 0);
    longer[kSizeAt] = 1;
    StoreSettings(longer);
    std::string warning;
    HostSession run(layer, false, {}, [&](DWORD processId) {
        if (const std::optional<MessageBoxSeen> box = WaitForMessageBox(processId)) {
            warning = box->text;
            AnswerMessageBox(*box, IDOK);
        }
    });
    ASSERT_NE(nullptr, run.Window());
    EXPECT_TRUE(warning.starts_with("Could not read settings, error was 234 - ")) << warning;
    EXPECT_TRUE(warning.ends_with(" (2181 bytes of 2180)")) << warning;
    EXPECT_GT(warning.size(), std::string("Could not read settings, error was 234 -  (2181 bytes of 2180)").size())
        << "the system's text for the error is missing";
    EXPECT_EQ((Ids{IDC_SIZE_HUGE, IDC_DEPTH_TRUE, IDC_MASK_SOFT, IDC_VIEW_BOTH}), run.CheckedRadios());
    run.Done();
    const std::optional<std::vector<uint8_t>> stored = StoredSettings();
    ASSERT_TRUE(stored);
    EXPECT_EQ(2180u, stored->size());
}

}  // namespace
}  // namespace tessera::test
