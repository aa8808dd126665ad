// `tessera build` against the window: the sample artwork built in the real window (each size's square
// dragged onto its drawing with the mouse, QuickBuild, Save As) and by the command line with the same
// squares and colour table must give the same icon file, byte for byte.

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
#include "resources/resource_ids.h"
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

// Drags the square of the current size from its centred place onto the target and waits until the
// view has taken every step of the drag.
void DragOnto(HWND view, const SquareTarget& target) {
    const std::vector<uint32_t> before = Settled([&] { return ViewPicture(view); });
    // The square moves against the mouse, so the picture follows it: drag by (centre - target).
    const int centredLeft = kArtworkWidth / 2 - target.side / 2;
    const int centredTop = kArtworkHeight / 2 - target.side / 2;
    DragControl(view, centredLeft - target.left, centredTop - target.top);
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

INSTANTIATE_TEST_SUITE_P(
    Tables,
    BuildMatchesWindow,
    testing::Values(TableCase{"BuiltIn", {}, false, nullptr},
                    TableCase{"Automatic", {ID_OPTIONS_USE_CUSTOM_TABLE, ID_OPTIONS_AUTOMATIC_TABLE}, false, "auto"},
                    TableCase{"CustomFile", {}, true, "file"}),
    [](const testing::TestParamInfo<TableCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tessera::test
