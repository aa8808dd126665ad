#pragma once
// One run of the plug-in's main window in the standalone host, for the tests that work the window as a
// user would: a layer of our own making, a fresh start when asked for, the stored options, the cells'
// pixels and the grid of a saved file.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/files.h"
#include "base/settings_store.h"
#include "base/win_handles_win.h"
#include "driver/screen_capture_win.h"
#include "driver/ui_driver_win.h"
#include "hostapp/layer_host.h"
#include "hostapp/png.h"
#include "icon/ico_file.h"
#include "icon/resource_grid.h"
#include "resources/resource_ids.h"
#include "support/fake_alerts.h"
#include "support/ico_fixtures.h"
#include "support/layers.h"

namespace tessera::test {

using namespace driver;

inline constexpr const char* kMainWindowCaption = "Tessera by The Quorvane";
inline constexpr const char* kWelcomeCaption = "Using Tessera";
inline constexpr uint32_t kGrey = 0x808080;   // the first-run background, as the screen shows it
inline constexpr uint32_t kAmber = 0xFFC000;  // the frame of the current cell
inline constexpr uint32_t kBlack = 0x000000;  // the frame of any other cell
inline constexpr const char* kPromptUntitled = "Save changes to the icon \"Untitled.ico\" before closing?";

// The next run starts as the very first one: no options, no last document, the welcome dialog.
inline void ForgetSettings() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
}

// The stored options block (or another value of the key) as the registry holds it; none when there is
// no value.
inline std::optional<std::vector<uint8_t>> StoredSettings(const char* value = kSettingsValueName) {
    DWORD length = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, value, RRF_RT_ANY, nullptr, nullptr, &length) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(length);
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, value, RRF_RT_ANY, nullptr, bytes.data(), &length) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    bytes.resize(length);
    return bytes;
}

inline void StoreSettings(const std::vector<uint8_t>& bytes, const char* value = kSettingsValueName) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_SET_VALUE, nullptr, &key, nullptr));
    RegSetValueExA(key, value, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

inline int32_t StoredInt(const std::vector<uint8_t>& block, size_t offset) {
    return static_cast<int32_t>(block.at(offset) | (block.at(offset + 1) << 8) | (block.at(offset + 2) << 16) |
                                (static_cast<uint32_t>(block.at(offset + 3)) << 24));
}

inline std::string StoredText(const std::vector<uint8_t>& block, size_t offset, size_t width) {
    std::string text;
    for (size_t i = offset; i < offset + width && i < block.size() && block[i] != 0; ++i) {
        text.push_back(static_cast<char>(block[i]));
    }
    return text;
}

// A pop-up of the menu bar, opened by its mnemonic, as a short picture with a character an entry, top
// to bottom: '-' a separator, 'o' an enabled entry, 'x' a checked one, 'g' a greyed one, 'G' a greyed
// one with a check.
inline std::string MenuPicture(HWND window, char mnemonic) {
    std::string picture;
    for (const MenuRow& row : ReadMenuBarPopup(window, mnemonic)) {
        picture.push_back(row.separator ? '-' : row.enabled ? (row.checked ? 'x' : 'o') : (row.checked ? 'G' : 'g'));
    }
    return picture;
}

// An opaque layer of reds that change with every pixel: every filled cell differs from the grey
// background at every depth, and a moved square shows other pixels.
inline std::string WriteTestLayer(const TempFolder& folder) {
    const Layer layer = LayerOfPixels(120, 100, 3, [](int x, int y) {
        return Rgba{static_cast<uint8_t>(150 + (x * 7 + y * 3) % 100), static_cast<uint8_t>((x * 5) % 60),
                    static_cast<uint8_t>((y * 5) % 60), 255};
    });
    const std::string path = folder.File("layer.png");
    std::string error;
    EXPECT_TRUE(WritePngLayer(layer, path, error)) << error;
    return path;
}

// The host running the plug-in on a layer, its main window open.
class HostSession {
  public:
    // With `fresh`, the stored options are forgotten first and the welcome dialog is answered.
    // `arguments` go to the host after the layer; `beforeWindow` runs once the host has started and
    // before the main window shows (to answer what the window's initialisation asks). The host is
    // tessera-host.exe unless `program` names another beside the tests that takes the same arguments.
    HostSession(const std::string& layerPath,
                bool fresh,
                const std::string& arguments = {},
                const std::function<void(DWORD processId)>& beforeWindow = {},
                const std::string& program = "tessera-host.exe") {
        if (fresh) {
            ForgetSettings();
        }
        host_.emplace("\"" + ProgramFolder() + "\\" + program + "\" \"" + layerPath + "\" " + arguments);
        if (!host_->Started()) {
            return;
        }
        if (fresh) {
            HWND welcome = WaitForWindow(host_->Id(), kWelcomeCaption);
            EXPECT_NE(nullptr, welcome) << "no welcome dialog on a first run";
            if (welcome != nullptr) {
                ClickButton(welcome, IDOK);
            }
        }
        if (beforeWindow) {
            beforeWindow(host_->Id());
        }
        window_ = WaitForWindow(host_->Id(), kMainWindowCaption);
        if (window_ != nullptr) {
            FinishPainting(window_);
        }
    }
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    [[nodiscard]] HWND Window() const { return window_; }
    [[nodiscard]] DWORD Id() const { return host_->Id(); }
    [[nodiscard]] HWND Control(int id) const { return GetDlgItem(window_, id); }

    // Ends the run with Done, answering no prompt; the host must report the user's cancel.
    void Done() {
        ClickButton(window_, IDCANCEL);
        ExpectEnded(-128);
    }
    // Waits for the host to end after the window closed, with the plug-in's result.
    void ExpectEnded(int result) {
        const std::optional<DWORD> code = host_->Wait();
        EXPECT_EQ(std::optional<DWORD>(0), code);
        EXPECT_NE(std::string::npos, host_->Output().find("result " + std::to_string(result))) << host_->Output();
    }

    // The window is still open and running its commands: a message sent to it is answered, which a
    // window that has ended its dialog no longer does.
    [[nodiscard]] bool StillOpen() const {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &result) != 0 && IsWindow(window_);
    }

    [[nodiscard]] std::string GridCaption() const { return DialogItemText(window_, IDC_GRID_GROUP); }

    // Waits for a message box of the plug-in with exactly this text, checks its caption, answers it
    // with a button and waits until it is gone. False when none came.
    bool AnswerMessage(const std::string& text, int button) const {
        const std::optional<MessageBoxSeen> box = WaitForMessageBox(Id());
        if (!box) {
            ADD_FAILURE() << "no message box; expected: " << text;
            return false;
        }
        EXPECT_EQ("Tessera", box->caption);
        EXPECT_EQ(text, box->text);
        AnswerMessageBox(*box, button);
        return WaitUntilClosed(box->window);
    }

    // The screen pixels of a control once the window has painted everything waiting.
    [[nodiscard]] ScreenPixels Pixels(int id) const {
        FinishPainting(window_);
        return CaptureWindow(Control(id));
    }
    // The colour of a cell's middle frame line: amber on the current cell.
    [[nodiscard]] uint32_t CellFrame(int id) const { return Pixels(id).At(1, 27); }
    // The pixels inside the layer view's frame: what it shows of the layer, whatever has the focus.
    [[nodiscard]] std::vector<uint32_t> LayerViewPicture() const {
        const ScreenPixels shot = Pixels(IDC_LAYER_VIEW);
        std::vector<uint32_t> inner;
        for (int y = 3; y < shot.height - 3; ++y) {
            for (int x = 3; x < shot.width - 3; ++x) {
                inner.push_back(shot.At(x, y));
            }
        }
        return inner;
    }
    // Drags the layer view with the mouse and answers its picture once it has followed the drag (the
    // view takes the events as they arrive). A drag that changes nothing fails the test.
    std::vector<uint32_t> DragLayerView(int dx, int dy) const {
        const auto picture = [&] { return LayerViewPicture(); };
        const std::vector<uint32_t> before = Settled(picture);
        DragControl(Control(IDC_LAYER_VIEW), dx, dy);
        MoveMouseAway();
        std::vector<uint32_t> after = before;
        const bool moved = WaitUntil(3000, [&] {
            Sleep(100);
            std::vector<uint32_t> again = picture();
            const bool settled = again != before && again == after;
            after = std::move(again);
            return settled;
        });
        EXPECT_TRUE(moved) << "the drag did not move the square";
        return after;
    }

    // A cell shows a resource when its drawing area holds anything but the background.
    [[nodiscard]] bool CellFilled(int id, uint32_t background = kGrey) const {
        const ScreenPixels cell = Pixels(id);
        for (int y = 3; y < cell.height - 3; ++y) {
            for (int x = 3; x < cell.width - 3; ++x) {
                if (cell.At(x, y) != background) {
                    return true;
                }
            }
        }
        return false;
    }
    // The grid cells that show a resource, by control id.
    [[nodiscard]] std::vector<int> FilledCells() const {
        std::vector<int> filled;
        for (int id = IDC_CELL_FIRST; id <= IDC_CELL_LAST; ++id) {
            if (CellFilled(id)) {
                filled.push_back(id);
            }
        }
        return filled;
    }
    // The grid cells whose frame is amber, by control id.
    [[nodiscard]] std::vector<int> HighlightedCells() const {
        std::vector<int> highlighted;
        for (int id = IDC_CELL_FIRST; id <= IDC_CELL_LAST; ++id) {
            if (CellFrame(id) == kAmber) {
                highlighted.push_back(id);
            }
        }
        return highlighted;
    }

    // The buttons checked in the size, depth, mask and view groups.
    [[nodiscard]] std::vector<int> CheckedRadios() const {
        std::vector<int> checked;
        for (int id : {IDC_SIZE_SMALL, IDC_SIZE_MEDIUM, IDC_SIZE_LARGE, IDC_SIZE_HUGE, IDC_DEPTH_16, IDC_DEPTH_256,
                       IDC_DEPTH_TRUE, IDC_MASK_HARD, IDC_MASK_SOFT, IDC_VIEW_BOTH, IDC_VIEW_DATA, IDC_VIEW_MASK}) {
            if (IsButtonChecked(window_, id)) {
                checked.push_back(id);
            }
        }
        return checked;
    }

  private:
    std::optional<Process> host_;
    HWND window_ = nullptr;
};

// The slots present in an .ico file, as (pixel size, bits per pixel) in ascending order; none when it
// cannot be read.
inline std::optional<std::vector<std::pair<int, int>>> IcoSlots(const std::string& path) {
    ResourceGrid grid;
    FakeAlerts alerts;
    if (test::ReadIco(grid, path, PlatformFileSystem(), alerts) != IcoResult::Ok) {
        return std::nullopt;
    }
    std::vector<std::pair<int, int>> slots;
    for (int slot = 0; slot < kGridSlotCount; ++slot) {
        if (grid.Slot(slot).present != 0) {
            slots.emplace_back(grid.Slot(slot).width, grid.Slot(slot).bitsPerPixel);
        }
    }
    std::sort(slots.begin(), slots.end());
    return slots;
}

// The images an .ico file holds beside its slots, as (pixels a side, bits per pixel) in file order;
// none when it cannot be read.
inline std::optional<std::vector<std::pair<int, int>>> IcoKept(const std::string& path) {
    ResourceGrid grid;
    FakeAlerts alerts;
    if (test::ReadIco(grid, path, PlatformFileSystem(), alerts) != IcoResult::Ok) {
        return std::nullopt;
    }
    std::vector<std::pair<int, int>> kept;
    for (size_t i = 0; i < grid.KeptCount(); ++i) {
        kept.emplace_back(grid.Kept(i).PixelWidth(), grid.Kept(i).BitsPerPixel());
    }
    return kept;
}

// Adds a 256-pixel PNG image after an .ico file's slots, as icons made today carry one.
inline bool AddLargePngImage(const std::string& path) {
    ResourceGrid grid;
    FakeAlerts alerts;
    if (test::ReadIco(grid, path, PlatformFileSystem(), alerts) != IcoResult::Ok) {
        return false;
    }
    return grid.Keep(KeptImageOf(0, 32, PngStream(256, 256))) &&
           test::WriteIco(grid, path, PlatformFileSystem(), alerts) == IcoResult::Ok;
}

}  // namespace tessera::test
