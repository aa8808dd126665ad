#include <windows.h>

#include <io.h>

#include "cli/terminal.h"

namespace tessera::cli {

bool IsTerminal(std::FILE* stream) {
    // A console is a character device; so is NUL, which nobody watches, but a console also has a mode.
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode);
}

}  // namespace tessera::cli
