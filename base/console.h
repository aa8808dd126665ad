#pragma once
// The console programs' side of text: their arguments as UTF-8, and their output, which is UTF-8 in a
// file or a pipe and the console's own wide text on a console, so that any name prints intact.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessera {

// Whether a stream goes to a terminal, where a person watches, rather than to a file or a pipe.
bool IsTerminal(std::FILE* stream);

// The program's arguments after its name, as UTF-8. On Windows they are read as the UTF-16 command
// line, not through the ANSI code page. None, with `error` naming the argument, when one is not text.
std::optional<std::vector<std::string>> ProgramArguments(int argc, char** argv, std::string& error);

// Writes UTF-8 text to the stream.
void WriteText(std::FILE* stream, std::string_view text);
// printf-style formatting, written with WriteText.
void Print(std::FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace tessera
