#pragma once
// Whether a stream goes to a terminal, where a person watches, rather than to a file or a pipe.

#include <cstdio>

namespace tessera::cli {

bool IsTerminal(std::FILE* stream);

}  // namespace tessera::cli
