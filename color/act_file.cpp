#include "color/act_file.h"

#include <memory>

#include "base/files.h"
#include "base/texts.h"

namespace tessera {

ActReadResult ReadActFile(FileSystem& files, const std::string& path, ColorTable& destination) {
    const std::unique_ptr<File> file = files.OpenExisting(path);
    if (file == nullptr) {
        return ActReadResult::CannotOpen;
    }
    // Read into a copy: a short file must not leave part of itself in the caller's table.
    ColorTable table;
    size_t filled = 0;
    while (filled < kColorTableBytes) {
        const std::optional<size_t> got = file->Read(table.bytes.data() + filled, kColorTableBytes - filled);
        if (!got || *got == 0) {
            break;
        }
        filled += *got;
    }
    file->Close();
    if (filled != kColorTableBytes) {
        return ActReadResult::WrongLength;
    }
    destination = table;
    return ActReadResult::Accepted;
}

const char* ActRejectedMessage(ActReadResult result) {
    switch (result) {
        case ActReadResult::Accepted:
            break;
        case ActReadResult::CannotOpen:
            return texts::kCannotOpenTableFile;
        case ActReadResult::WrongLength:
            return texts::kTableFileLength;
    }
    return nullptr;
}

}  // namespace tessera
