#pragma once
// Photoshop colour-table files (.act): 768 bytes of red, green, blue entries. Longer files carry an
// entry count and a transparent index after the table; we take the table and leave the rest.

#include <string>

#include "color/color_table.h"

namespace tessera {

class FileSystem;

enum class ActReadResult { Accepted, CannotOpen, WrongLength };

// Reads the first 768 bytes of the file into `destination`. A file that cannot be opened or holds
// fewer than 768 bytes is rejected and leaves `destination` as it was.
ActReadResult ReadActFile(FileSystem& files, const std::string& path, ColorTable& destination);

// What the user is told when a table file is rejected; none for an accepted one.
const char* ActRejectedMessage(ActReadResult result);

}  // namespace tessera
