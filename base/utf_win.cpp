#include <windows.h>

#include <string>

#include "base/utf.h"
#include "base/wide_win.h"

namespace tessera {

std::optional<std::string> AnsiToUtf8(std::string_view bytes) {
    if (bytes.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (units <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<size_t>(units), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, wide.data(), units) != units) {
        return std::nullopt;
    }
    return Narrow(wide);
}

}  // namespace tessera
