#include "ui_driver.h"

#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace tessera::test {

namespace {

constexpr DWORD kPollMs = 50;

template <typename Predicate>
bool PollUntil(DWORD ms, Predicate done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    return true;
}

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
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    char name[MAX_PATH] = {};
    GetTempFileNameA(base, "tes", 0, name);
    DeleteFileA(name);
    CreateDirectoryA(name, nullptr);
    path_ = name;
}

TempFolder::~TempFolder() {
    // SHFileOperation wants a double-NUL-terminated list.
    std::string from = path_;
    from.push_back('\0');
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationA(&op);
}

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

Process::Process(const std::string& commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outputWrite = nullptr;
    if (!CreatePipe(&outputRead_, &outputWrite, &inherit, 0)) {
        return;
    }
    SetHandleInformation(outputRead_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outputWrite;
    startup.hStdError = outputWrite;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    std::string mutableLine = commandLine;
    if (CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
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
    PollUntil(ms, [&] {
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&request));
        return request.found != nullptr;
    });
    return request.found;
}

bool WaitUntilClosed(HWND window, DWORD ms) {
    return PollUntil(ms, [&] { return !IsWindow(window); });
}

std::string ControlText(HWND control) {
    // WM_GETTEXT crosses process boundaries; GetWindowText does not for controls.
    char text[4096] = {};
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return text;
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

namespace {

void SendMouse(DWORD flags, int x, int y) {
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

}  // namespace

void DragControl(HWND control, int dx, int dy) {
    RECT r{};
    GetWindowRect(control, &r);
    const int x0 = (r.left + r.right) / 2;
    const int y0 = (r.top + r.bottom) / 2;
    SendMouse(0, x0, y0);
    SendMouse(MOUSEEVENTF_LEFTDOWN, x0, y0);
    const int steps = std::max(1, std::max(std::abs(dx), std::abs(dy)) / 4);
    for (int i = 1; i <= steps; ++i) {
        SendMouse(0, x0 + dx * i / steps, y0 + dy * i / steps);
    }
    SendMouse(MOUSEEVENTF_LEFTUP, x0 + dx, y0 + dy);
}

bool FillFileDialog(DWORD processId, const std::string& caption, const std::string& path) {
    HWND picker = WaitForWindow(processId, caption);
    if (picker == nullptr) {
        return false;
    }
    // The name field of the picker: an edit (0x480) or a combo box with an edit (0x47C).
    HWND name = GetDlgItem(picker, 0x480);
    if (name == nullptr) {
        name = GetDlgItem(picker, 0x47C);
    }
    if (name == nullptr) {
        return false;
    }
    SendMessageTimeoutA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_ABORTIFHUNG, 5000, nullptr);
    ClickButton(picker, IDOK);
    return WaitUntilClosed(picker);
}

std::optional<MessageBoxSeen> WaitForMessageBox(DWORD processId, DWORD ms) {
    FindRequest request{processId, nullptr, nullptr};
    if (!PollUntil(ms, [&] {
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

}  // namespace tessera::test
