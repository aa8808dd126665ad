// `tessera build` against the window: the sample artwork built in the real window (each size's square
// dragged onto its drawing with the mouse, QuickBuild, Save As) and by the command line with the same
// squares and colour table must give the same icon file, byte for byte; and likewise the sizes Windows
// draws, made in the Windows Sizes dialog with Build All.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/files.h"
#include "driver/screen_capture_win.h"
#include "driver/ui_driver_win.h"
#include "icon/image_kind.h"
#include "resources/resource_ids.h"
#include "support/layers.h"
#include "tessera_session.h"
#include "ui/settings_block.h"

namespace tessera::test {

using namespace driver;
namespace {

struct SquareTarget {
    int sizeIndex;
    int side;
    int left;
    int top;
};

// Each size's drawing in the sample artwork (200 x 80), from examples/README.md.
constexpr SquareTarget kTargets[] = {{3, 48, 16, 16}, {2, 32, 80, 24}, {1, 24, 128, 28}, {0, 16, 168, 32}};
constexpr int kArtworkWidth = 200;
constexpr int kArtworkHeight = 80;

struct TableCase {
    const char* name;
    std::vector<int> commands;  // sent to the window before the squares are placed
    bool customFile;            // the window loads table.act through its picker; the command gets it too
    const char* tableOption;    // the command's --table, or none
};

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A custom table unlike the built-in one: entry i = (i, 255 - i, (i * 37) mod 256).
std::string WriteCustomTable(const TempFolder& folder) {
    std::vector<char> table(768);
    for (size_t i = 0; i < 256; ++i) {
        table[3 * i] = static_cast<char>(i);
        table[3 * i + 1] = static_cast<char>(255 - i);
        table[3 * i + 2] = static_cast<char>((i * 37) % 256);
    }
    const std::string path = folder.File("table.act");
    std::ofstream(path, std::ios::binary).write(table.data(), static_cast<std::streamsize>(table.size()));
    return path;
}

// The layer view's picture: it follows the mouse as the drag's events arrive.
std::vector<uint32_t> ViewPicture(HWND view) {
    return CaptureWindow(view).pixels;
}

// Drags a view by (dx, dy) and waits until it has taken every step of the drag.
void DragView(HWND view, int dx, int dy) {
    const std::vector<uint32_t> before = Settled([&] { return ViewPicture(view); });
    DragControl(view, dx, dy);
    MoveMouseAway();
    std::vector<uint32_t> after = before;
    WaitUntil(5000, [&] {
        Sleep(150);
        std::vector<uint32_t> again = ViewPicture(view);
        const bool settled = again != before && again == after;
        after = std::move(again);
        return settled;
    });
}

// Drags the square of the current size from its centred place onto the target.
void DragOnto(HWND view, const SquareTarget& target) {
    // The square moves against the mouse, so the picture follows it: drag by (centre - target).
    const int centredLeft = kArtworkWidth / 2 - target.side / 2;
    const int centredTop = kArtworkHeight / 2 - target.side / 2;
    DragView(view, centredLeft - target.left, centredTop - target.top);
}

class BuildMatchesWindow : public testing::TestWithParam<TableCase> {};

TEST_P(BuildMatchesWindow, TheCommandWritesTheWindowsIconByteForByte) {
    const TableCase& c = GetParam();
    const TempFolder folder;
    const std::string artwork = WindowsPath(std::string(TESSERA_SOURCE_DIR) + "/examples/sample-artwork.png");
    const std::string table = c.customFile ? WriteCustomTable(folder) : std::string();
    const std::string windowIcon = folder.File("window.ico");
    const std::string commandIcon = folder.File("command.ico");

    {
        HostSession run(artwork, true);
        ASSERT_NE(nullptr, run.Window());
        HWND window = run.Window();
        // No tool tip may cover the view while its picture is watched.
        ASSERT_TRUE(SendCommandAndWait(window, ID_OPTIONS_TOOL_TIPS));
        for (const int id : c.commands) {
            ASSERT_TRUE(SendCommandAndWait(window, id)) << id;
        }
        if (c.customFile) {
            PostCommand(window, ID_OPTIONS_SET_CUSTOM_TABLE);
            ASSERT_TRUE(FillFileDialog(run.Id(), "Open", table));
        }
        HWND view = run.Control(IDC_LAYER_VIEW);
        for (const SquareTarget& target : kTargets) {
            ASSERT_TRUE(ClickButtonAndWait(window, IDC_SIZE_SMALL + target.sizeIndex));
            DragOnto(view, target);
        }
        ASSERT_TRUE(ClickButtonAndWait(window, IDC_QUICKBUILD, 20000));
        PostCommand(window, ID_FILE_SAVE_AS);
        ASSERT_TRUE(FillFileDialog(run.Id(), "Save As", windowIcon));
        ASSERT_TRUE(WaitUntil(5000, [&] { return run.GridCaption() == "Resource Grid for window.ico"; }));
        run.Done();
    }

    // The squares the window remembered when it closed: where the drags put them.
    const std::optional<std::vector<uint8_t>> stored = StoredSettings();
    ASSERT_TRUE(stored && stored->size() == kSettingsBlockSize);
    const WindowOptions options =
        DecodeSettingsBlock(std::span<const uint8_t, kSettingsBlockSize>(*stored), PlatformFileSystem());
    std::string squares;
    for (const SquareTarget& target : kTargets) {
        const Rect& at = options.layerSquares.positions[static_cast<size_t>(target.sizeIndex)];
        EXPECT_EQ((std::vector<int>{target.left, target.top}), (std::vector<int>{at.left, at.top}))
            << "the drag put the " << target.side << " square elsewhere";
        squares +=
            " --square " + std::to_string(target.side) + ":" + std::to_string(at.left) + "," + std::to_string(at.top);
    }

    std::string command =
        "\"" + ProgramFolder() + "\\tessera.exe\" build \"" + artwork + "\" -o \"" + commandIcon + "\"" + squares;
    if (c.tableOption != nullptr) {
        command += std::string(" --table \"") + (c.customFile ? table : c.tableOption) + "\"";
    }
    Process build(command);
    ASSERT_TRUE(build.Started());
    const std::optional<DWORD> code = build.Wait();
    ASSERT_EQ(std::optional<DWORD>(0), code) << build.Output();

    const std::vector<uint8_t> fromWindow = FileBytes(windowIcon);
    const std::vector<uint8_t> fromCommand = FileBytes(commandIcon);
    const std::optional<std::vector<std::pair<int, int>>> slots = IcoSlots(windowIcon);
    ASSERT_TRUE(slots);
    EXPECT_EQ(12u, slots->size()) << "every drawing is visible, so QuickBuild fills all twelve slots";
    ASSERT_EQ(fromWindow.size(), fromCommand.size());
    const auto mismatch = std::mismatch(fromWindow.begin(), fromWindow.end(), fromCommand.begin());
    EXPECT_TRUE(mismatch.first == fromWindow.end())
        << "the icons differ first at byte " << (mismatch.first - fromWindow.begin());
}

// A transparent layer with a drawing of each Windows size at its place (a disc with partly transparent
// pixels whose colours change with every pixel, so a square one pixel off makes other bytes), row after
// row of the sizes up to 96, the 256 one on the right.
constexpr int kWindowsLayerWidth = 820;
constexpr int kWindowsLayerHeight = 300;
constexpr std::array<std::array<int, 2>, kWindowsSlotCount> kWindowsTargets = {
    {{4, 4}, {30, 4}, {66, 4}, {108, 4}, {154, 4}, {220, 4}, {290, 4}, {368, 4}, {454, 4}, {556, 4}}};

Rect WindowsTarget(size_t i) {
    const int side = kWindowsSides[i];
    const auto [left, top] = kWindowsTargets[i];
    return Rect{static_cast<int16>(top), static_cast<int16>(left), static_cast<int16>(top + side),
                static_cast<int16>(left + side)};
}

std::string WriteWindowsLayer(const TempFolder& folder) {
    const Layer layer = LayerOfPixels(kWindowsLayerWidth, kWindowsLayerHeight, 4, [](int x, int y) {
        for (size_t i = 0; i < kWindowsTargets.size(); ++i) {
            const Rect at = WindowsTarget(i);
            const int radius = kWindowsSides[i] / 2;
            const int dx = x - at.left - radius;
            const int dy = y - at.top - radius;
            if (dx * dx + dy * dy <= (radius - 1) * (radius - 1)) {
                return Rgba{static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 5),
                            static_cast<uint8_t>(kWindowsSides[i]), static_cast<uint8_t>(255 - (x + y) % 3 * 60)};
            }
        }
        return Rgba{0, 0, 0, 0};
    });
    const std::string path = folder.File("windows-layer.png");
    std::string error;
    EXPECT_TRUE(WritePngLayer(layer, path, error)) << error;
    return path;
}

// The dialog's labels, "empty" or not, in the order of the sizes.
std::string EmptySizes(HWND dialog) {
    std::string empty;
    for (int i = 0; i < kWindowsSlotCount; ++i) {
        empty += DialogItemText(dialog, IDC_WSIZES_LABEL_FIRST + i).find("empty") != std::string::npos ? 'e' : '.';
    }
    return empty;
}

HWND OpenWindowsSizes(const HostSession& run) {
    PostCommand(run.Window(), ID_RESOURCE_WINDOWS_SIZES);
    HWND dialog = WaitForWindow(run.Id(), "Windows Sizes");
    EXPECT_NE(nullptr, dialog);
    if (dialog != nullptr) {
        EXPECT_EQ(run.Window(), GetWindow(dialog, GW_OWNER));
        FinishPainting(dialog);
    }
    return dialog;
}

// Picks a size by its picture and waits until the view shows its square.
void PickSize(HWND dialog, size_t index) {
    HWND view = GetDlgItem(dialog, IDC_WSIZES_VIEW);
    const std::vector<uint32_t> before = Settled([&] { return ViewPicture(view); });
    ClickControl(GetDlgItem(dialog, IDC_WSIZES_IMAGE_FIRST + static_cast<int>(index)));
    MoveMouseAway();
    EXPECT_TRUE(WaitUntil(3000, [&] { return ViewPicture(view) != before; })) << "size " << kWindowsSides[index];
}

TEST(WindowsSizesMatchTheCommand, BuildAllWritesWhatTheCommandWritesFromTheSquaresTheArtistLeft) {
    const TempFolder folder;
    const std::string layer = WriteWindowsLayer(folder);
    const std::string windowIcon = folder.File("window.ico");
    const std::string commandIcon = folder.File("command.ico");
    constexpr size_t kDragged = 8;  // 96, stored 10 pixels right and 6 down of its drawing
    constexpr size_t kNudged = 0;   // 20, stored a pixel right of it
    constexpr size_t kCentred = 9;  // 256, never placed

    // A first run that finds the squares placed on their drawings, but for these three.
    ForgetSettings();
    WindowsSquares stored;
    for (size_t i = 0; i < kWindowsSides.size(); ++i) {
        stored.positions[i] = WindowsTarget(i);
    }
    stored.positions[kDragged] = Rect{10, 464, 106, 560};
    stored.positions[kNudged] = Rect{4, 5, 24, 25};
    stored.positions[kCentred] = Rect{};
    std::vector<uint8_t> value(kWindowsSquaresSize);
    EncodeWindowsSquares(stored, std::span<uint8_t, kWindowsSquaresSize>(value));
    StoreSettings(value, kWindowsSquaresValueName);
    {
        HostSession run(layer, false, {}, [](DWORD id) {
            if (HWND welcome = WaitForWindow(id, kWelcomeCaption)) {
                ClickButton(welcome, IDOK);
            }
        });
        ASSERT_NE(nullptr, run.Window());
        ASSERT_TRUE(SendCommandAndWait(run.Window(), ID_OPTIONS_TOOL_TIPS));
        const std::vector<int> radios = run.CheckedRadios();
        const std::vector<uint32_t> view = Settled([&] { return run.LayerViewPicture(); });
        HWND dialog = OpenWindowsSizes(run);
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ("eeeeeeeeee", EmptySizes(dialog));
        // The picture follows the mouse, and the square moves against it.
        PickSize(dialog, kDragged);
        DragView(GetDlgItem(dialog, IDC_WSIZES_VIEW), 10, 6);
        // The right arrow moves the picture a pixel right: the square a pixel left.
        PickSize(dialog, kNudged);
        HWND dialogView = GetDlgItem(dialog, IDC_WSIZES_VIEW);
        const std::vector<uint32_t> before = Settled([&] { return ViewPicture(dialogView); });
        { HeldKeys right({VK_RIGHT}); }
        EXPECT_TRUE(WaitUntil(3000, [&] { return ViewPicture(dialogView) != before; }));
        ClickButton(dialog, IDCANCEL);
        ASSERT_TRUE(WaitUntilClosed(dialog));
        // Done leaves the main window as it was: its selection, its view's square, nothing to save.
        EXPECT_EQ(radios, run.CheckedRadios());
        EXPECT_EQ(view, Settled([&] { return run.LayerViewPicture(); }));
        EXPECT_TRUE(run.FilledCells().empty());
        run.Done();
    }

    // The next run starts from the squares the first one left, and builds every size from them.
    {
        HostSession run(layer, false);
        ASSERT_NE(nullptr, run.Window());
        HWND dialog = OpenWindowsSizes(run);
        ASSERT_NE(nullptr, dialog);
        ASSERT_TRUE(ClickButtonAndWait(dialog, IDC_WSIZES_BUILD_ALL, 20000));
        EXPECT_EQ("..........", EmptySizes(dialog));
        ClickButton(dialog, IDCANCEL);
        ASSERT_TRUE(WaitUntilClosed(dialog));
        PostCommand(run.Window(), ID_FILE_SAVE_AS);
        ASSERT_TRUE(FillFileDialog(run.Id(), "Save As", windowIcon));
        ASSERT_TRUE(WaitUntil(5000, [&] { return run.GridCaption() == "Resource Grid for window.ico"; }));
        run.Done();
    }

    const std::optional<std::vector<uint8_t>> left = StoredSettings(kWindowsSquaresValueName);
    ASSERT_TRUE(left);
    const WindowsSquares squares = DecodeWindowsSquares(*left);
    std::string sizes;
    std::string options;
    for (size_t i = 0; i < kWindowsSides.size(); ++i) {
        const Rect& at = squares.positions[i];
        const Rect want = i == kCentred ? Rect{22, 282, 278, 538} : WindowsTarget(i);
        EXPECT_EQ((std::vector<int>{want.left, want.top, want.right, want.bottom}),
                  (std::vector<int>{at.left, at.top, at.right, at.bottom}))
            << "the square of " << kWindowsSides[i];
        sizes += (i == 0 ? "" : ",") + std::to_string(kWindowsSides[i]);
        options += " --square " + std::to_string(kWindowsSides[i]) + ":" + std::to_string(at.left) + "," +
                   std::to_string(at.top);
    }
    Process build("\"" + ProgramFolder() + "\\tessera.exe\" build \"" + layer + "\" -o \"" + commandIcon +
                  "\" --sizes " + sizes + options);
    ASSERT_TRUE(build.Started());
    ASSERT_EQ(std::optional<DWORD>(0), build.Wait()) << build.Output();
    const std::vector<uint8_t> fromWindow = FileBytes(windowIcon);
    const std::vector<uint8_t> fromCommand = FileBytes(commandIcon);
    ASSERT_FALSE(fromWindow.empty());
    EXPECT_TRUE(fromWindow == fromCommand)
        << fromWindow.size() << " bytes from the window, " << fromCommand.size() << " from the command";
}

INSTANTIATE_TEST_SUITE_P(
    Tables,
    BuildMatchesWindow,
    testing::Values(TableCase{"BuiltIn", {}, false, nullptr},
                    TableCase{"Automatic", {ID_OPTIONS_USE_CUSTOM_TABLE, ID_OPTIONS_AUTOMATIC_TABLE}, false, "auto"},
                    TableCase{"CustomFile", {}, true, "file"}),
    [](const testing::TestParamInfo<TableCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tessera::test
