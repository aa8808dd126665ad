#include <unistd.h>

#include "cli/terminal.h"

namespace tessera::cli {

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

}  // namespace tessera::cli
