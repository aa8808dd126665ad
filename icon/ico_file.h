#pragma once
// The grid as an .ico file: a 6-byte header, one 16-byte directory entry per present slot in slot
// order and one per kept image in the order the file had them, then each slot's block as the grid
// holds it (only biSizeImage is written as 0), then each kept image's bytes as they were read. Kept
// entries follow the slots' entries, except that an earlier image of a slot's kind, and the kept images
// before it, come before them: of two images of one kind a reader takes the later.

#include <cstdint>
#include <string>

#include "base/alerts.h"
#include "base/files.h"
#include "icon/resource_grid.h"

namespace tessera {

enum class IcoResult {
    Ok,
    // Reading: the file could not be opened. Writing: the file could not be created or put in place of
    // the old one. Nobody has been told; the caller decides (Open stays silent, Save falls back to
    // Save As, Apply ends without writing).
    NotOpened,
    // Any other failure, which the user must be told of (IcoFailureText).
    Failed,
};

// Why a read or a write failed. Those about one image name it by its three numbers.
enum class IcoFailure {
    None,
    Header,
    DirectoryMemory,
    DirectoryRead,
    DirectoryShort,
    // An image read only to learn, from its own header, which slot it belongs to.
    TemporaryMemory,
    TemporaryLocate,
    TemporaryRead,
    TemporaryShort,
    ImageMemory,
    ImageLocate,
    ImageRead,
    ImageShort,
    Convert,
    Write,
};

struct IcoStatus {
    IcoResult result = IcoResult::Ok;
    IcoFailure failure = IcoFailure::None;
    int width = 0;  // of the image the failure is about
    int height = 0;
    int bitsPerPixel = 0;
    // Reading: the file is a cursor file, read as icons. The hot spots its directory holds where an
    // icon's holds planes and bit counts are gone; nothing in the grid could keep them.
    bool cursor = false;

    [[nodiscard]] bool Ok() const { return result == IcoResult::Ok; }
};

// The message that tells the user of a failure; empty when there is nothing to tell.
std::string IcoFailureText(const IcoStatus& status);
// Tells the user of a failure, with the file's full path as the caption; nothing when there is none.
void ShowIcoFailure(Alerts& alerts, const std::string& path, const IcoStatus& status);

// Empties the grid, then fills it from the file. Images no slot holds (other sizes and depths, PNG
// streams) are kept aside, in file order, and so is the earlier of two images of one kind: the slot
// takes the later. Kept images never outgrow the file; those that would are dropped. On failure the
// slots and kept images completed before the failing entry stay.
IcoStatus ReadIcoFile(ResourceGrid& grid, const std::string& path, FileSystem& files);

// Writes the present slots to a temporary file beside `path` and puts it in place of `path` only when
// all of it is written. On success every modified flag is cleared; on failure the old file, the grid
// and its flags are as they were, and no temporary is left.
IcoStatus WriteIcoFile(ResourceGrid& grid, const std::string& path, FileSystem& files);

// The slot a reader puts a kept image in when no later image of its kind follows it in the file: an
// earlier image of a kind the file held twice has one; -1 for the images no slot holds.
int KeptImageSlot(const KeptImage& image);

// Where WriteIcoFile puts the block of `slot` for the grid as it is now.
uint64_t ImageOffset(const ResourceGrid& grid, int slot);

}  // namespace tessera
