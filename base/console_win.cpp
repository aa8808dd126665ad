#include <windows.h>

#include <io.h>
#include <shellapi.h>

#include "base/console.h"
#include "base/wide_win.h"

namespace tessera {

namespace {

HANDLE StreamHandle(std::FILE* stream) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

}  // namespace

bool IsTerminal(std::FILE* stream) {
    // A console is a character device; so is NUL, which nobody watches, but a console also has a mode.
    const HANDLE handle = StreamHandle(stream);
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode);
}

std::optional<std::vector<std::string>> ProgramArguments(int, char**, std::string& error) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        error = "the command line cannot be read";
        return std::nullopt;
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        std::optional<std::string> argument = Narrow(wide[i]);
        if (!argument) {
            error = "argument " + std::to_string(i) + " is not valid text (it holds an unpaired surrogate)";
            LocalFree(wide);
            return std::nullopt;
        }
        arguments.push_back(std::move(*argument));
    }
    LocalFree(wide);
    return arguments;
}

void WriteText(std::FILE* stream, std::string_view text) {
    if (IsTerminal(stream)) {
        const std::optional<std::wstring> wide = Wide(text);
        if (wide) {
            std::fflush(stream);
            DWORD written = 0;
            WriteConsoleW(StreamHandle(stream), wide->data(), static_cast<DWORD>(wide->size()), &written, nullptr);
            return;
        }
    }
    std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace tessera
