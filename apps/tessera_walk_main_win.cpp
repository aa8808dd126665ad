// Walks a whole session of the plug-in in the standalone host the way an artist would, for the main
// job on a machine without a display: each size's square dragged onto its drawing, QuickBuild, Save As,
// Apply. It leaves the icon, the applied layer and screenshots in the output folder.
//
// usage: tessera-walk OUTPUT_FOLDER ARTWORK.png [SIZE:LEFT,TOP ...]
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
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

// Each square starts centred in the selection (the whole picture); the picture follows the mouse, so
// dragging by (centre - target) puts the square on its drawing.
bool PlaceSquares(HWND window, const std::string& artwork, const std::vector<SquareTarget>& targets) {
    int width = 0;
    int height = 0;
    if (!ReadPngSize(artwork, width, height)) {
        return Fail("cannot read the artwork's size");
    }
    HWND view = GetDlgItem(window, IDC_LAYER_VIEW);
    for (const SquareTarget& target : targets) {
        ClickButton(window, IDC_SIZE_SMALL + SizeIndex(target.side));
        Sleep(200);
        const int centredLeft = width / 2 - target.side / 2;
        const int centredTop = height / 2 - target.side / 2;
        DragControl(view, centredLeft - target.left, centredTop - target.top);
        Sleep(200);
    }
    return true;
}

bool Walk(const std::string& out, const std::string& artwork, const std::vector<SquareTarget>& targets) {
    // A fresh start: no remembered squares, no last document.
    RegDeleteKeyA(HKEY_CURRENT_USER, tessera::kSettingsKey);

    const std::string host = ProgramFolder() + "\\tessera-host.exe";
    Process process("\"" + host + "\" \"" + artwork + "\" --output \"" + out + "\\applied-layer.png\"");
    if (!process.Started()) {
        return Fail("cannot start tessera-host.exe");
    }
    if (HWND welcome = WaitForWindow(process.Id(), "Using Tessera", 10000)) {
        SaveWindowCapture(welcome, out + "\\welcome.bmp");
        ClickButton(welcome, IDOK);
    }
    HWND window = WaitForWindow(process.Id(), "Tessera by The Quorvane");
    if (window == nullptr) {
        return Fail("the main window did not open");
    }
    Sleep(500);
    SaveWindowCapture(window, out + "\\window-start.bmp");

    if (!PlaceSquares(window, artwork, targets)) {
        return false;
    }
    MoveMouseAway();  // no tool tip in the pictures
    Sleep(300);
    SaveWindowCapture(window, out + "\\window-squares-placed.bmp");

    ClickButton(window, IDC_QUICKBUILD);
    Sleep(1500);
    SaveWindowCapture(window, out + "\\window-after-quickbuild.bmp");

    PostCommand(window, ID_FILE_SAVE_AS);
    if (!FillFileDialog(process.Id(), "Save As", out + "\\sample.ico")) {
        return Fail("the Save As picker did not take the name");
    }
    Sleep(500);
    ClickButton(window, IDOK);
    if (auto box = WaitForMessageBox(process.Id(), 1500)) {
        std::fprintf(stderr, "tessera-walk: unexpected message: %s\n", box->text.c_str());
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
    if (!args || args->size() < 2) {
        std::fprintf(stderr, "usage: tessera-walk OUTPUT_FOLDER ARTWORK.png [SIZE:LEFT,TOP ...]\n");
        return 2;
    }
    std::vector<SquareTarget> targets;
    for (size_t i = 2; i < args->size(); ++i) {
        SquareTarget t{};
        if (std::sscanf((*args)[i].c_str(), "%d:%d,%d", &t.side, &t.left, &t.top) != 3) {
            tessera::Print(stderr, "tessera-walk: bad square %s\n", (*args)[i].c_str());
            return 2;
        }
        targets.push_back(t);
    }
    return Walk(WindowsPath((*args)[0]), WindowsPath((*args)[1]), targets) ? 0 : 1;
}
