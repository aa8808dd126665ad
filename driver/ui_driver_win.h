#pragma once
// Drives windows of another process the way a user would: finds them by caption, clicks their
// controls, reads their texts and answers message boxes. Everything waits with a time limit, so a
// window that never appears fails the test instead of hanging it.

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/module_win.h"

namespace tessera::driver {

inline constexpr DWORD kWaitMs = 20000;

// A Unix path of the source tree as Windows sees it under Wine (Z: maps the Unix root); a Windows
// path is returned as it is.
std::string WindowsPath(const std::string& path);
// A fresh folder for one test's files, removed with its contents by the destructor.
class TempFolder {
  public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    [[nodiscard]] const std::string& Path() const { return path_; }
    [[nodiscard]] std::string File(const std::string& name) const { return path_ + "\\" + name; }

  private:
    std::string path_;
};

// A program started with its standard output captured.
class Process {
  public:
    Process(const std::string& commandLine);
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();
    [[nodiscard]] bool Started() const { return process_ != nullptr; }
    [[nodiscard]] DWORD Id() const { return id_; }
    // Waits for the end; none when it did not end in time (it is then killed).
    std::optional<DWORD> Wait(DWORD ms = kWaitMs);
    // Everything the program wrote to its standard output so far (call after Wait).
    std::string Output();

  private:
    HANDLE process_ = nullptr;
    HANDLE outputRead_ = nullptr;
    DWORD id_ = 0;
    std::string output_;
};

// Asks again every 50 ms until the answer is yes; false when it was still no after `ms`.
template <typename Predicate>
bool WaitUntil(DWORD ms, Predicate done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// What the screen shows follows a command by a moment (the program paints, then its pixels reach the
// screen). Eventually reads until the expected value shows or the time is up, and answers the last
// value read; Settled reads until two reads 100 ms apart agree.
template <typename T, typename Read>
T Eventually(const T& expected, Read read, DWORD ms = 3000) {
    T value = read();
    WaitUntil(ms, [&] { return (value = read()) == expected; });
    return value;
}
template <typename Read>
auto Settled(Read read, DWORD ms = 3000) -> decltype(read()) {
    auto value = read();
    WaitUntil(ms, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        auto again = read();
        const bool same = again == value;
        value = std::move(again);
        return same;
    });
    return value;
}

// A visible top-level window of the process with exactly this caption.
HWND WaitForWindow(DWORD processId, const std::string& caption, DWORD ms = kWaitMs);
// Waits until the window is gone.
bool WaitUntilClosed(HWND window, DWORD ms = kWaitMs);

std::string ControlText(HWND control);
std::string DialogItemText(HWND dialog, int id);
// Clicks a button the way the mouse would (BM_CLICK), without waiting for its handler.
void ClickButton(HWND dialog, int id);
// Sends a menu or control command to a window, without waiting.
void PostCommand(HWND window, int id);
// Clicks a button and waits for its handler to finish. False when it did not finish in time, as when
// the handler opened a modal window (which is then still open).
bool ClickButtonAndWait(HWND dialog, int id, DWORD ms = 3000);
// Sends a menu or control command and waits for its handler, as ClickButtonAndWait does.
bool SendCommandAndWait(HWND window, int id, DWORD ms = 3000);

bool IsButtonChecked(HWND dialog, int id);
// Has the window and its children paint what is waiting to be painted, before it returns.
void FinishPainting(HWND window);
// The window that has the keyboard focus in the thread of `window`.
HWND FocusedWindow(HWND window);

// One entry of an open pop-up menu as the screen shows it.
struct MenuRow {
    bool separator = false;
    bool checked = false;
    bool enabled = false;
};
// Opens a pop-up of a window's menu bar by its mnemonic, as Alt and the letter would (the window's
// update rules run as they do for the user), reads its entries from the screen, top to bottom, and
// closes it again. Empty when no pop-up opened.
std::vector<MenuRow> ReadMenuBarPopup(HWND window, char mnemonic);

// Holds keys down with the real keyboard for the lifetime of the object (SendInput), so a program that
// reads the keys' physical state sees them held.
class HeldKeys {
  public:
    explicit HeldKeys(std::vector<WORD> keys);
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;
    ~HeldKeys();

  private:
    std::vector<WORD> keys_;
};
// Moves the real mouse to the bottom-right corner of the screen, away from every control, so no tool
// tip covers what a capture is about to read.
void MoveMouseAway();

// Rests the real mouse on the middle of a control.
void HoverControl(HWND control);
// Rests the real mouse on the control `x` and `y` pixels from its top-left corner: on a group box's
// caption, for instance, which the mouse reaches through to the dialog.
void HoverControlAt(HWND control, int x, int y);
// The text of the tool tip the process shows now; empty when it shows none.
std::string VisibleToolTip(DWORD processId);
// Clicks the middle of a control with the real mouse.
void ClickControl(HWND control);
// Drags with the real mouse: presses the left button in the middle of the control, moves by (dx, dy)
// in small steps and releases.
void DragControl(HWND control, int dx, int dy);
// Types a path into the name field of a file picker with this caption and presses its OK button.
bool FillFileDialog(DWORD processId, const std::string& caption, const std::string& path);
// The text of the name field of a file picker that is open.
std::string FileDialogName(HWND picker);
// Closes a dialog with its Cancel button and waits until it is gone.
bool CancelDialog(HWND dialog);

struct MessageBoxSeen {
    HWND window = nullptr;
    std::string caption;
    std::string text;
};
// The next message box of the process (any caption).
std::optional<MessageBoxSeen> WaitForMessageBox(DWORD processId, DWORD ms = kWaitMs);
// Answers a message box with a button (IDOK, IDYES, IDNO, IDCANCEL).
void AnswerMessageBox(const MessageBoxSeen& box, int button);

}  // namespace tessera::driver
