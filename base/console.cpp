#include "base/console.h"

#include <cstdarg>

#include "base/alerts.h"

namespace tessera {

void Print(std::FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatTextList(format, args);
    va_end(args);
    WriteText(stream, text);
}

}  // namespace tessera
