// Walks a whole session of the plug-in in the standalone host the way an artist would, for the main
// job on a machine without a display and for the pictures of the user's documents: each size's square
// dragged onto its drawing (the last one put right with the keypad), QuickBuild with Control, with
// Shift and alone, the sizes Windows draws built in their dialog, the three views of a resource, the
// Test dialog, the 256-colour row with the built-in, a custom and the automatic table, Cycle, Save As
// and Apply. It leaves the icon, the applied layer and a picture of each step in the output folder.
//
// usage: tessera-walk OUTPUT_FOLDER ARTWORK.png TABLE.act [SIZE:LEFT,TOP ...]
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/console.h"
#include "base/settings_store.h"
#include "driver/screen_capture_win.h"
#include "driver/ui_driver_win.h"
#include "resources/resource_ids.h"

using namespace tessera::driver;
using tessera::ProgramFolder;

namespace {

struct SquareTarget {
    int side;
    int left;
    int top;
};

int SizeIndex(int side) {
    switch (side) {
        case 16:
            return 0;
        case 24:
            return 1;
        case 32:
            return 2;
        default:
            return 3;
    }
}

bool Fail(const char* what) {
    std::fprintf(stderr, "tessera-walk: %s\n", what);
    return false;
}

// One picture of a window (or of one control of it) for the record, once the mouse is out of the way
// and the screen has stopped changing.
class Pictures {
  public:
    explicit Pictures(std::string folder) : folder_(std::move(folder)) {}
    void Take(HWND window, const std::string& name) const {
        MoveMouseAway();
        FinishPainting(GetAncestor(window, GA_ROOT));
        Settled([&] { return CaptureWindow(window).pixels; });
        if (!SaveWindowCapture(window, folder_ + "\\" + name + ".bmp")) {
            tessera::Print(stderr, "tessera-walk: no picture of %s\n", name.c_str());
        }
    }

  private:
    std::string folder_;
};

// Each square starts centred in the selection (the whole picture); the picture follows the mouse, so
// dragging by (centre - target) puts the square on its drawing. The last square is dragged one pixel
// short and put right with a keypad key, which moves the picture one pixel the way the key points.
bool PlaceSquares(HWND window,
                  const std::string& artwork,
                  const std::vector<SquareTarget>& targets,
                  const Pictures& pictures) {
    int width = 0;
    int height = 0;
    if (!ReadPngSize(artwork, width, height)) {
        return Fail("cannot read the artwork's size");
    }
    HWND view = GetDlgItem(window, IDC_LAYER_VIEW);
    for (size_t i = 0; i < targets.size(); ++i) {
        const SquareTarget& target = targets[i];
        const bool last = i + 1 == targets.size();
        // Keypad 4 moves the square one pixel right, keypad 6 one pixel left.
        const int shortBy = !last ? 0 : target.left > 0 ? -1 : 1;
        ClickButtonAndWait(window, IDC_SIZE_SMALL + SizeIndex(target.side));
        const int centredLeft = width / 2 - target.side / 2;
        const int centredTop = height / 2 - target.side / 2;
        DragControl(view, centredLeft - target.left - shortBy, centredTop - target.top);
        Sleep(200);
        if (shortBy != 0) {
            HeldKeys key({static_cast<WORD>(shortBy < 0 ? VK_NUMPAD4 : VK_NUMPAD6)});
        }
        if (i == 0) {
            pictures.Take(window, "window-first-square");
        }
    }
    return true;
}

// QuickBuild with the modifier keys held that choose its slots.
void QuickBuild(HWND window, std::vector<WORD> keys) {
    HeldKeys held(std::move(keys));
    ClickButtonAndWait(window, IDC_QUICKBUILD, 20000);
}

bool ChooseTable(HWND window, DWORD process, const std::string& table) {
    PostCommand(window, ID_OPTIONS_SET_CUSTOM_TABLE);
    return FillFileDialog(process, "Open", table);
}

bool Walk(const std::string& out,
          const std::string& artwork,
          const std::string& table,
          const std::vector<SquareTarget>& targets) {
    // A fresh start: no remembered squares, no last document.
    RegDeleteKeyA(HKEY_CURRENT_USER, tessera::kSettingsKey);
    const Pictures pictures(out);

    const std::string host = ProgramFolder() + "\\tessera-host.exe";
    Process process("\"" + host + "\" \"" + artwork + "\" --output \"" + out + "\\applied-layer.png\"");
    if (!process.Started()) {
        return Fail("cannot start tessera-host.exe");
    }
    if (HWND welcome = WaitForWindow(process.Id(), "Using Tessera", 10000)) {
        pictures.Take(welcome, "welcome");
        ClickButton(welcome, IDOK);
    }
    HWND window = WaitForWindow(process.Id(), "Tessera by The Quorvane");
    if (window == nullptr) {
        return Fail("the main window did not open");
    }
    const auto control = [&](int id) { return GetDlgItem(window, id); };
    HWND grid = control(IDC_GRID_GROUP);
    const auto selectHugeTrueColor = [&] {
        ClickControl(control(IDC_CELL_LAST));
        WaitUntil(3000,
                  [&] { return IsButtonChecked(window, IDC_SIZE_HUGE) && IsButtonChecked(window, IDC_DEPTH_TRUE); });
    };
    pictures.Take(window, "window-start");

    if (!PlaceSquares(window, artwork, targets, pictures)) {
        return false;
    }
    pictures.Take(window, "window-squares-placed");

    // True colour is selected and Small was placed last: Control builds the true-colour row, Shift
    // the Small column, and QuickBuild alone all twelve.
    QuickBuild(window, {VK_CONTROL});
    pictures.Take(grid, "grid-quickbuild-control");
    QuickBuild(window, {VK_SHIFT});
    pictures.Take(grid, "grid-quickbuild-shift");
    QuickBuild(window, {});
    pictures.Take(window, "window-after-quickbuild");

    // The sizes Windows draws, each from its square centred in the selection.
    PostCommand(window, ID_RESOURCE_WINDOWS_SIZES);
    if (HWND sizes = WaitForWindow(process.Id(), "Windows Sizes")) {
        ClickButtonAndWait(sizes, IDC_WSIZES_BUILD_ALL, 20000);
        pictures.Take(sizes, "windows-sizes");
        CancelDialog(sizes);
    } else {
        return Fail("the Windows Sizes dialog did not open");
    }

    // The Huge true-colour image in the three views.
    selectHugeTrueColor();
    for (const auto& [id, name] :
         {std::pair{IDC_VIEW_BOTH, "preview-both"}, {IDC_VIEW_DATA, "preview-data"}, {IDC_VIEW_MASK, "preview-mask"}}) {
        ClickButtonAndWait(window, id);
        pictures.Take(control(IDC_PREVIEW), name);
    }
    ClickButtonAndWait(window, IDC_VIEW_BOTH);

    PostCommand(window, ID_OPTIONS_TEST_ICON);
    if (HWND test = WaitForWindow(process.Id(), "Tessera Test")) {
        SendMessageTimeoutA(GetDlgItem(test, IDC_TEST_SLIDER), TBM_SETPOS, TRUE, 48, SMTO_ABORTIFHUNG, 3000, nullptr);
        pictures.Take(test, "test-dialog");
        // At 200%, where Windows scales the grid's 48-pixel images up for Start and Explorer.
        ClickButtonAndWait(test, IDC_TEST_SCALE_FIRST + 4);
        pictures.Take(test, "test-dialog-scale");
        ClickButton(test, IDOK);
        WaitUntilClosed(test);
    } else {
        return Fail("the Test dialog did not open");
    }

    // The 256-colour row with the built-in table, the custom one and the automatic one, each time
    // built again with Control while the Huge 256-colour image is selected.
    ClickButtonAndWait(window, IDC_DEPTH_256);
    pictures.Take(grid, "grid-table-builtin");
    pictures.Take(control(IDC_PREVIEW), "preview-table-builtin");
    if (!ChooseTable(window, process.Id(), table)) {
        return Fail("the color table picker did not take the table");
    }
    QuickBuild(window, {VK_CONTROL});
    pictures.Take(grid, "grid-table-custom");
    pictures.Take(control(IDC_PREVIEW), "preview-table-custom");
    SendCommandAndWait(window, ID_OPTIONS_AUTOMATIC_TABLE);
    QuickBuild(window, {VK_CONTROL});
    pictures.Take(grid, "grid-table-automatic");
    pictures.Take(control(IDC_PREVIEW), "preview-table-automatic");

    // The first two custom colours of a fresh start behind the grid and the previews.
    ClickButtonAndWait(window, IDC_CYCLE);
    ClickButtonAndWait(window, IDC_CYCLE);
    pictures.Take(window, "window-cycle");

    // Save As, then Apply of the Huge true-colour image.
    selectHugeTrueColor();
    PostCommand(window, ID_FILE_SAVE_AS);
    if (HWND picker = WaitForWindow(process.Id(), "Save As")) {
        pictures.Take(picker, "save-as");
    }
    if (!FillFileDialog(process.Id(), "Save As", out + "\\sample.ico")) {
        return Fail("the Save As picker did not take the name");
    }
    Sleep(500);
    ClickButton(window, IDOK);
    if (auto box = WaitForMessageBox(process.Id(), 1500)) {
        tessera::Print(stderr, "tessera-walk: unexpected message: %s\n", box->text.c_str());
        AnswerMessageBox(*box, IDNO);
    }
    const std::optional<DWORD> code = process.Wait();
    std::printf("%s", process.Output().c_str());
    if (!code || *code != 0) {
        return Fail("the host did not end cleanly");
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const std::optional<std::vector<std::string>> args = tessera::ProgramArguments(argc, argv, error);
    if (!args || args->size() < 3) {
        std::fprintf(stderr, "usage: tessera-walk OUTPUT_FOLDER ARTWORK.png TABLE.act [SIZE:LEFT,TOP ...]\n");
        return 2;
    }
    std::vector<SquareTarget> targets;
    for (size_t i = 3; i < args->size(); ++i) {
        SquareTarget t{};
        if (std::sscanf((*args)[i].c_str(), "%d:%d,%d", &t.side, &t.left, &t.top) != 3) {
            tessera::Print(stderr, "tessera-walk: bad square %s\n", (*args)[i].c_str());
            return 2;
        }
        targets.push_back(t);
    }
    return Walk(WindowsPath((*args)[0]), WindowsPath((*args)[1]), WindowsPath((*args)[2]), targets) ? 0 : 1;
}
