// The .ico reader on any bytes. Beyond "no crash, no leak", it checks what the rest of the program
// relies on: every image taken in has the geometry of its slot and its views lie inside its block, and
// what was read survives a write and a second read unchanged (biSizeImage aside), the images no slot
// holds included. The check of a file, which reads the file whole on its own, finds an error in every
// file the reader refuses.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "icon/ico_check.h"
#include "icon/ico_file.h"
#include "icon/resource_grid.h"
#include "support/fake_files.h"
#include "support/ico_fixtures.h"

namespace {

using namespace tessera;

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "ico reader broke a promise: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    test::MemoryFileSystem files;
    files.Put("in.ico", std::vector<uint8_t>(data, data + size));
    ResourceGrid grid;
    const IcoStatus read = ReadIcoFile(grid, "in.ico", files);
    Require(read.result != IcoResult::NotOpened, "the file opens");
    Require(read.Ok() == IcoFailureText(read).empty(), "a message exactly when the read fails");
    const std::optional<std::vector<IcoFinding>> findings = CheckIcoFile("in.ico", files);
    Require(findings && (read.Ok() || std::any_of(findings->begin(), findings->end(),
                                                  [](const IcoFinding& finding) { return finding.error; })),
            "the check finds an error where the reader fails");
    Require(files.OpenCount() == 0, "the file is closed");
    const std::string broken = test::BrokenSlotPromise(grid);
    Require(broken.empty(), broken.c_str());

    Require(WriteIcoFile(grid, "out.ico", files).Ok(), "the grid can be written");
    Require(!grid.IsModified(), "writing clears the flags");
    // The one grid our file cannot hold as it is: an earlier image of a kind kept beside its empty slot,
    // because the later one failed to read. Read back, the file names it as the slot's image.
    for (size_t i = 0; i < grid.KeptCount(); ++i) {
        const int slot = KeptImageSlot(grid.Kept(i));
        if (slot != -1 && grid.Slot(slot).present == 0) {
            Require(!read.Ok(), "a kept image of a slot's kind beside its empty slot only after a failed read");
            return 0;
        }
    }
    ResourceGrid again;
    Require(ReadIcoFile(again, "out.ico", files).Ok(), "our file reads");
    Require(!again.IsModified(), "our file needs no adjustment");
    for (int slot = 0; slot < kImageKindCount; ++slot) {
        const IconResource& before = grid.Slot(slot);
        const IconResource& after = again.Slot(slot);
        Require(before.present == after.present, "the same slots");
        if (before.present == 0) {
            continue;
        }
        Require(before.imageSize == after.imageSize && before.png == after.png, "the same block size and kind");
        const uint8_t* a = before.image.get();
        const uint8_t* b = after.image.get();
        if (IsWindowsSlot(slot)) {
            Require(std::memcmp(a, b, before.imageSize) == 0, "a Windows size's image byte for byte");
            continue;
        }
        Require(std::memcmp(a, b, 20) == 0 && std::memcmp(a + 24, b + 24, before.imageSize - 24) == 0,
                "the same block");
        Require(std::memcmp(b + 20, "\0\0\0\0", 4) == 0, "biSizeImage written as 0");
    }
    Require(again.KeptCount() == grid.KeptCount(), "the same kept images");
    for (size_t i = 0; i < grid.KeptCount(); ++i) {
        const KeptImage& before = grid.Kept(i);
        const KeptImage& after = again.Kept(i);
        Require(before.width == after.width && before.height == after.height && before.colorCount == after.colorCount &&
                    before.reserved == after.reserved && before.planes == after.planes &&
                    before.bitCount == after.bitCount,
                "the same directory fields");
        Require(before.size == after.size &&
                    (before.size == 0 || std::memcmp(before.bytes.get(), after.bytes.get(), before.size) == 0),
                "the same kept bytes");
    }
    return 0;
}
