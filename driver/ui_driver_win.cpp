#include "driver/ui_driver_win.h"

#include "driver/screen_capture_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iterator>
#include <thread>
#include <utility>

#include "base/wide_win.h"

namespace tessera::driver {

namespace {

constexpr DWORD kPollMs = 50;

struct FindRequest {
    DWORD processId;
    const std::string* caption;  // null: any message box (dialog class with a static 0xFFFF)
    HWND found;
};

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct ClassSearch {
    DWORD processId;
    const char* className;
    HWND found;
};

// A named callback, not a lambda: on 32-bit Windows a window enumerator must be stdcall.
BOOL CALLBACK FindOfClass(HWND candidate, LPARAM param) {
    auto* search = reinterpret_cast<ClassSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(candidate, &owner);
    if (owner == search->processId && IsWindowVisible(candidate) && ClassOf(candidate) == search->className) {
        search->found = candidate;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the process with this class, if there is one.
HWND VisibleWindowOfClass(DWORD processId, const char* className) {
    ClassSearch search{processId, className, nullptr};
    EnumWindows(FindOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
    auto* request = reinterpret_cast<FindRequest*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != request->processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    if (request->caption != nullptr) {
        if (ControlText(window) == *request->caption) {
            request->found = window;
            return FALSE;
        }
        return TRUE;
    }
    // A message box keeps its text in a static with id 0xFFFF; the -1 ids of our own dialog templates
    // read back as 0xFFFFFFFF and must not pass for one.
    HWND text = GetDlgItem(window, 0xFFFF);
    if (ClassOf(window) == "#32770" && text != nullptr && GetWindowLongPtrA(text, GWLP_ID) == 0xFFFF) {
        request->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::string WindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') {
        return path;
    }
    std::string result = "Z:" + path;
    for (char& c : result) {
        if (c == '/') {
            c = '\\';
        }
    }
    return result;
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    wchar_t name[MAX_PATH] = {};
    GetTempFileNameW(base, L"tes", 0, name);
    DeleteFileW(name);
    CreateDirectoryW(name, nullptr);
    path_ = Narrow(name).value_or(std::string());
}

TempFolder::~TempFolder() {
    // SHFileOperation wants a double-NUL-terminated list.
    std::wstring from = Wide(path_).value_or(std::wstring());
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

Process::Process(const std::string& commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outputWrite = nullptr;
    if (!CreatePipe(&outputRead_, &outputWrite, &inherit, 0)) {
        return;
    }
    SetHandleInformation(outputRead_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outputWrite;
    startup.hStdError = outputWrite;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    // Wide, so that a path outside the ANSI code page reaches the program intact.
    std::wstring mutableLine = Wide(commandLine).value_or(std::wstring());
    if (CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        process_ = info.hProcess;
        id_ = info.dwProcessId;
        CloseHandle(info.hThread);
        WaitForInputIdle(process_, kWaitMs);
    }
    CloseHandle(outputWrite);
}

Process::~Process() {
    if (process_ != nullptr) {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 99);
        }
        CloseHandle(process_);
    }
    if (outputRead_ != nullptr) {
        CloseHandle(outputRead_);
    }
}

std::optional<DWORD> Process::Wait(DWORD ms) {
    if (process_ == nullptr) {
        return std::nullopt;
    }
    // Drain the pipe while waiting, so a chatty program never blocks on a full pipe.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        Output();
        if (WaitForSingleObject(process_, kPollMs) == WAIT_OBJECT_0) {
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            TerminateProcess(process_, 99);
            return std::nullopt;
        }
    }
    Output();
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

std::string Process::Output() {
    DWORD available = 0;
    while (outputRead_ != nullptr && PeekNamedPipe(outputRead_, nullptr, 0, nullptr, &available, nullptr) &&
           available > 0) {
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(outputRead_, buffer, sizeof buffer, &got, nullptr) || got == 0) {
            break;
        }
        output_.append(buffer, got);
    }
    return output_;
}

HWND WaitForWindow(DWORD processId, const std::string& caption, DWORD ms) {
    FindRequest request{processId, &caption, nullptr};
    WaitUntil(ms, [&] {
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&request));
        return request.found != nullptr;
    });
    return request.found;
}

bool WaitUntilClosed(HWND window, DWORD ms) {
    return WaitUntil(ms, [&] { return !IsWindow(window); });
}

std::string ControlText(HWND control) {
    // WM_GETTEXT crosses process boundaries; GetWindowText does not for controls. Wide, so that a name
    // outside the ANSI code page reads back as it is shown.
    wchar_t text[4096] = {};
    SendMessageTimeoutW(control, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return Narrow(text).value_or(std::string());
}

std::string DialogItemText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr ? ControlText(control) : std::string();
}

void ClickButton(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PostCommand(HWND window, int id) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

bool ClickButtonAndWait(HWND dialog, int id, DWORD ms) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, ms, &result) != 0;
}

bool SendCommandAndWait(HWND window, int id, DWORD ms) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_ABORTIFHUNG, ms, &result) != 0;
}

bool IsButtonChecked(HWND dialog, int id) {
    DWORD_PTR state = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return state == BST_CHECKED;
}

void FinishPainting(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

HWND FocusedWindow(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

namespace {

// The visible pop-up menu window of a process, if one is open.
HWND OpenPopupMenu(DWORD processId) {
    return VisibleWindowOfClass(processId, "#32768");
}

bool IsTextColour(uint32_t pixel) {
    // Screen pixels are 0x00RRGGBB; the system colours are COLORREFs, 0x00BBGGRR.
    const COLORREF colour = RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    return colour == GetSysColor(COLOR_MENUTEXT) || colour == GetSysColor(COLOR_HIGHLIGHTTEXT);
}

// Reads the entries of a pop-up menu from its pixels. Rows that differ from their entry's own
// background (taken at the right edge, so the highlighted entry counts too) form bands; bands closer
// than three rows belong to one entry (a mnemonic's underline sits under its text). A band of at most
// two rows that spans the pop-up is a separator. A check mark sits left of the text, inside the check
// column; an enabled entry's text is drawn in the menu's text colour, a greyed one's is not.
std::vector<MenuRow> ReadPopupPixels(const ScreenPixels& shot) {
    // Inside a one-pixel border and a two-pixel margin.
    const int left = 3;
    const int right = shot.width - 4;
    const int checkColumn = GetSystemMetrics(SM_CXMENUCHECK);
    struct Band {
        int top;
        int bottom;  // the first row after it
    };
    std::vector<Band> bands;
    for (int y = 1; y < shot.height - 1; ++y) {
        const uint32_t background = shot.At(right, y);
        bool content = false;
        for (int x = left; x < right && !content; ++x) {
            content = shot.At(x, y) != background;
        }
        if (!content) {
            continue;
        }
        if (!bands.empty() && y - bands.back().bottom < 3) {
            bands.back().bottom = y + 1;
        } else {
            bands.push_back({y, y + 1});
        }
    }
    std::vector<MenuRow> rows;
    for (const Band& band : bands) {
        MenuRow row;
        int leftmost = right;
        for (int y = band.top; y < band.bottom; ++y) {
            const uint32_t background = shot.At(right, y);
            for (int x = left; x < right; ++x) {
                const uint32_t pixel = shot.At(x, y);
                if (pixel == background) {
                    continue;
                }
                leftmost = std::min(leftmost, x);
                row.checked = row.checked || x < checkColumn;
                row.enabled = row.enabled || (x >= checkColumn && IsTextColour(pixel));
            }
        }
        row.separator = band.bottom - band.top <= 2 && leftmost < checkColumn;
        if (row.separator) {
            row.checked = false;
            row.enabled = false;
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

std::vector<MenuRow> ReadMenuBarPopup(HWND window, char mnemonic) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    PostMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(mnemonic));
    HWND popup = nullptr;
    if (!WaitUntil(kWaitMs, [&] { return (popup = OpenPopupMenu(processId)) != nullptr; })) {
        return {};
    }
    // The pop-up is shown before it has painted; its pixels settle once it has.
    ScreenPixels shot;
    WaitUntil(2000, [&] {
        FinishPainting(popup);
        const ScreenPixels again = CaptureWindow(popup);
        const bool settled = again.width > 0 && again.pixels == shot.pixels;
        shot = again;
        return settled;
    });
    std::vector<MenuRow> rows = ReadPopupPixels(shot);
    PostMessageA(window, WM_CANCELMODE, 0, 0);
    WaitUntil(kWaitMs, [&] { return OpenPopupMenu(processId) == nullptr; });
    return rows;
}

namespace {

void SendKey(WORD key, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof input);
    Sleep(15);
}

}  // namespace

HeldKeys::HeldKeys(std::vector<WORD> keys) : keys_(std::move(keys)) {
    for (WORD key : keys_) {
        SendKey(key, 0);
    }
}

HeldKeys::~HeldKeys() {
    for (auto key = keys_.rbegin(); key != keys_.rend(); ++key) {
        SendKey(*key, KEYEVENTF_KEYUP);
    }
}

namespace {

void SendMouse(DWORD flags, int x, int y) {
    // Two presses within the double-click time would arrive as a double click, which a control that
    // starts a drag on a press does not take as a press: every press here is a press of its own.
    static DWORD lastPress = 0;
    if ((flags & MOUSEEVENTF_LEFTDOWN) != 0) {
        const DWORD since = GetTickCount() - lastPress;
        if (lastPress != 0 && since <= GetDoubleClickTime()) {
            Sleep(GetDoubleClickTime() - since + 50);
        }
        lastPress = GetTickCount();
    }
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x, 65535, screenWidth - 1);
    input.mi.dy = MulDiv(y, 65535, screenHeight - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof input);
    Sleep(15);
}

// The middle of a control on the screen.
POINT Middle(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Arrives at the point from one pixel to its left, so the window under it sees the mouse move.
void RestMouse(POINT at) {
    SendMouse(0, at.x - 1, at.y);
    SendMouse(0, at.x, at.y);
}

}  // namespace

void MoveMouseAway() {
    SendMouse(0, GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
}

void HoverControl(HWND control) {
    RestMouse(Middle(control));
}

void HoverControlAt(HWND control, int x, int y) {
    RECT r{};
    GetWindowRect(control, &r);
    RestMouse(POINT{r.left + x, r.top + y});
}

std::string VisibleToolTip(DWORD processId) {
    // A tool tip answers WM_GETTEXT with the text it shows.
    HWND tip = VisibleWindowOfClass(processId, TOOLTIPS_CLASSA);
    return tip != nullptr ? ControlText(tip) : std::string();
}

void ClickControl(HWND control) {
    const POINT at = Middle(control);
    SendMouse(0, at.x, at.y);
    SendMouse(MOUSEEVENTF_LEFTDOWN, at.x, at.y);
    SendMouse(MOUSEEVENTF_LEFTUP, at.x, at.y);
}

void DragControl(HWND control, int dx, int dy) {
    const auto [x0, y0] = Middle(control);
    SendMouse(0, x0, y0);
    SendMouse(MOUSEEVENTF_LEFTDOWN, x0, y0);
    const int steps = std::max(1, std::max(std::abs(dx), std::abs(dy)) / 4);
    for (int i = 1; i <= steps; ++i) {
        SendMouse(0, x0 + dx * i / steps, y0 + dy * i / steps);
    }
    SendMouse(MOUSEEVENTF_LEFTUP, x0 + dx, y0 + dy);
}

namespace {

// The name field of a file picker: an edit (0x480) or a combo box with an edit (0x47C).
HWND PickerNameField(HWND picker) {
    HWND name = GetDlgItem(picker, 0x480);
    return name != nullptr ? name : GetDlgItem(picker, 0x47C);
}

}  // namespace

bool FillFileDialog(DWORD processId, const std::string& caption, const std::string& path) {
    HWND picker = WaitForWindow(processId, caption);
    if (picker == nullptr) {
        return false;
    }
    HWND name = PickerNameField(picker);
    if (name == nullptr) {
        return false;
    }
    const std::wstring wide = Wide(path).value_or(std::wstring());
    SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG, 5000, nullptr);
    ClickButton(picker, IDOK);
    return WaitUntilClosed(picker);
}

std::string FileDialogName(HWND picker) {
    HWND name = PickerNameField(picker);
    return name != nullptr ? ControlText(name) : std::string();
}

bool CancelDialog(HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return WaitUntilClosed(dialog);
}

std::optional<MessageBoxSeen> WaitForMessageBox(DWORD processId, DWORD ms) {
    FindRequest request{processId, nullptr, nullptr};
    if (!WaitUntil(ms, [&] {
            EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&request));
            return request.found != nullptr;
        })) {
        return std::nullopt;
    }
    MessageBoxSeen box;
    box.window = request.found;
    box.caption = ControlText(request.found);
    box.text = DialogItemText(request.found, 0xFFFF);
    return box;
}

void AnswerMessageBox(const MessageBoxSeen& box, int button) {
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

}  // namespace tessera::driver
