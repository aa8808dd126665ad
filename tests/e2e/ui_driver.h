#pragma once
// Drives windows of another process the way a user would: finds them by caption, clicks their
// controls, reads their texts and answers message boxes. Everything waits with a time limit, so a
// window that never appears fails the test instead of hanging it.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tessera::test {

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

// The folder of the running test program (the plug-in and the host are copied there).
std::string ProgramFolder();

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

// Drags with the real mouse: presses the left button in the middle of the control, moves by (dx, dy)
// in small steps and releases.
void DragControl(HWND control, int dx, int dy);
// Types a path into the name field of a file picker with this caption and presses its OK button.
bool FillFileDialog(DWORD processId, const std::string& caption, const std::string& path);

struct MessageBoxSeen {
    HWND window = nullptr;
    std::string caption;
    std::string text;
};
// The next message box of the process (any caption).
std::optional<MessageBoxSeen> WaitForMessageBox(DWORD processId, DWORD ms = kWaitMs);
// Answers a message box with a button (IDOK, IDYES, IDNO, IDCANCEL).
void AnswerMessageBox(const MessageBoxSeen& box, int button);

}  // namespace tessera::test
