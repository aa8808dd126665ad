#include <unistd.h>

#include <algorithm>

#include "base/console.h"

namespace tessera {

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

std::optional<std::vector<std::string>> ProgramArguments(int argc, char** argv, std::string&) {
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

void WriteText(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace tessera
