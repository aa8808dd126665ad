#include "base/text_field.h"

#include <algorithm>

#include "base/files.h"

namespace tessera {

namespace {

std::string_view FieldBytes(std::span<const uint8_t> field) {
    const auto end = std::find(field.begin(), field.end(), uint8_t{0});
    return std::string_view(reinterpret_cast<const char*>(field.data()), static_cast<size_t>(end - field.begin()));
}

// Whether UTF-8 bytes of a stored path are an older version's ANSI path: the file they name as UTF-8
// is not there, the one they name in the ANSI code page is. A path that reads the same both ways (all
// ASCII, as most are) is left alone without asking the disk.
bool IsOlderAnsiPath(std::string_view path, FileSystem& files) {
    if (!IsUtf8(path)) {
        return false;
    }
    const std::optional<std::string> ansi = AnsiToUtf8(path);
    return ansi && *ansi != path && !files.FileExists(std::string(path)) && files.FileExists(*ansi);
}

}  // namespace

DocumentFields ReadDocumentFields(std::span<const uint8_t> nameField,
                                  std::span<const uint8_t> pathField,
                                  FileSystem& files) {
    const std::string_view name = FieldBytes(nameField);
    const std::string_view path = FieldBytes(pathField);
    if (IsOlderAnsiPath(path, files)) {
        return {.name = AnsiToUtf8(name), .path = AnsiToUtf8(path)};
    }
    return {.name = StoredTextToUtf8(name), .path = StoredTextToUtf8(path)};
}

}  // namespace tessera
