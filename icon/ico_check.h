#pragma once
// Whether an icon file is what Windows 10 and 11 want of an application's icon: the sizes Microsoft
// asks for, images Windows cannot draw or draws wrongly, directory entries that disagree with their
// images, damaged entries, and whether our own reader takes the file. Findings are for people (the
// command line prints them), so each says what is wrong and what to do.

#include <optional>
#include <string>
#include <vector>

#include "base/files.h"

namespace tessera {

struct IcoFinding {
    // An error makes the file unfit for Windows; a note says how Windows will draw a fit one.
    bool error = true;
    // The image it is about: its size and depth ("48x48 32 bpp"), "entry 3" (counting from 1) when the
    // entry's bytes are no image, or "file".
    std::string image;
    std::string problem;
    std::string remedy;
};

// The findings about the icon file at `path`: those about each entry in directory order, then those
// about the whole file. Empty when there is nothing to say; none when the file cannot be opened.
std::optional<std::vector<IcoFinding>> CheckIcoFile(const std::string& path, FileSystem& files);

}  // namespace tessera
