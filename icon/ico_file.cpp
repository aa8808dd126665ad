#include "icon/ico_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <span>

#include "base/byte_reader.h"
#include "base/checked.h"
#include "base/texts.h"
#include "icon/png_header.h"

namespace tessera {

namespace {

constexpr uint32_t kIconDirSize = 6;
constexpr uint32_t kIconDirEntrySize = 16;
constexpr uint16_t kIconType = 1;
constexpr uint16_t kCursorType = 2;
constexpr size_t kSizeImageOffset = 20;  // biSizeImage inside the image header

// The four ways loading one block can fail, for the block's purpose.
struct BlockFailures {
    IcoFailure allocating;
    IcoFailure locating;
    IcoFailure reading;
    IcoFailure readingAll;
};

// A block read only to learn, from its own header, which slot it belongs to.
constexpr BlockFailures kTemporaryFailures = {IcoFailure::TemporaryMemory, IcoFailure::TemporaryLocate,
                                              IcoFailure::TemporaryRead, IcoFailure::TemporaryShort};
constexpr BlockFailures kImageFailures = {IcoFailure::ImageMemory, IcoFailure::ImageLocate, IcoFailure::ImageRead,
                                          IcoFailure::ImageShort};

// The text of each failure, in the order of IcoFailure.
constexpr const char* kFailureTexts[] = {
    "",
    texts::kIcoHeader,
    texts::kIcoDirectoryMemory,
    texts::kIcoDirectoryRead,
    texts::kIcoDirectoryShort,
    texts::kIcoTemporaryMemory,
    texts::kIcoTemporaryLocate,
    texts::kIcoTemporaryRead,
    texts::kIcoTemporaryShort,
    texts::kIcoImageMemory,
    texts::kIcoImageLocate,
    texts::kIcoImageRead,
    texts::kIcoImageShort,
    texts::kIcoConvert,
    texts::kIcoWrite,
};
static_assert(std::size(kFailureTexts) == static_cast<size_t>(IcoFailure::Write) + 1);

struct DirectoryEntry {
    uint8_t width;
    uint8_t height;
    uint8_t colorCount;
    uint8_t reserved;
    uint16_t planes;
    uint16_t bitCount;
    uint32_t bytesInRes;
    uint32_t imageOffset;
};

// An image's three numbers, as a directory entry or an image's own header gives them.
struct ImageNumbers {
    int width;
    int height;
    int bitsPerPixel;
};

IcoStatus Failure(IcoFailure failure, const ImageNumbers& kind = {}) {
    return IcoStatus{.result = IcoResult::Failed,
                     .failure = failure,
                     .width = kind.width,
                     .height = kind.height,
                     .bitsPerPixel = kind.bitsPerPixel};
}

// Planes times bits per plane. A file may hold any two 16-bit values here; their product is capped so
// that it always fits an int.
int DepthOf(uint16_t planes, uint16_t bitCount) {
    const uint32_t depth = uint32_t{planes} * uint32_t{bitCount};
    return static_cast<int>(std::min<uint32_t>(depth, std::numeric_limits<int>::max()));
}

// Newer icons store their large images as PNG streams; they are no grid kind.
bool IsPng(std::span<const uint8_t> block) {
    return StartsWithPngSignature(block);
}

// The kind an image header describes; none when the block cannot hold a 40-byte header.
std::optional<ImageNumbers> KindFromHeader(std::span<const uint8_t> block) {
    ByteReader reader(block);
    const uint32_t biSize = reader.U32LE();
    const int32_t biWidth = reader.I32LE();
    const int32_t biHeight = reader.I32LE();
    const uint16_t biPlanes = reader.U16LE();
    const uint16_t biBitCount = reader.U16LE();
    if (!reader.Ok() || biSize < kBitmapInfoHeaderSize || block.size() < kBitmapInfoHeaderSize) {
        return std::nullopt;
    }
    return ImageNumbers{biWidth, biHeight / 2, DepthOf(biPlanes, biBitCount)};
}

// Where an image goes, as its directory entry and the start of its block say.
struct Placement {
    int slot = -1;          // -1: no slot holds it
    bool byHeader = false;  // the directory names no grid kind; the image's own header placed it
    bool noHeader = false;  // the directory names no grid kind and the block is too short to say
    ImageNumbers kind{};    // the entry's numbers, or the header's when it placed the image
};

// The slot the directory entry names by its own numbers; -1 for none.
int NamedSlot(const DirectoryEntry& entry) {
    return ResourceGrid::SlotIndex(DirectorySide(entry.width), DirectorySide(entry.height),
                                   DepthOf(entry.planes, entry.bitCount));
}

// The Windows size's slot a PNG stream stands for, by its own header: a square image of one of those
// sizes in 8-bit red, green, blue and alpha. -1 for any other stream.
int PngSlot(std::span<const uint8_t> head) {
    const std::optional<PngHeader> png = ReadPngHeader(head);
    if (!png || !png->IsRgba32() || png->width != png->height || png->width > uint32_t{kPngSide}) {
        return -1;
    }
    const int slot = SlotOfKind(tessera::ImageKind{static_cast<int>(png->width), kWindowsBitsPerPixel});
    return IsWindowsSlot(slot) ? slot : -1;
}

// `head` is the block, or at least its first kBitmapInfoHeaderSize bytes.
Placement PlaceImage(const DirectoryEntry& entry, std::span<const uint8_t> head) {
    Placement place;
    place.kind = ImageNumbers{entry.width, entry.height, DepthOf(entry.planes, entry.bitCount)};
    // Of PNG streams only a Windows size's true-colour image has a slot; every other one is kept as it is.
    if (IsPng(head)) {
        place.slot = PngSlot(head);
        return place;
    }
    place.slot = NamedSlot(entry);
    if (place.slot != -1) {
        return place;
    }
    // The directory names no grid kind, but some writers leave planes and bits 0: the image's own
    // header decides.
    const std::optional<ImageNumbers> own = KindFromHeader(head);
    if (!own) {
        place.noHeader = true;
        return place;
    }
    place.slot = ResourceGrid::SlotIndex(own->width, own->height, own->bitsPerPixel);
    if (place.slot != -1) {
        place.byHeader = true;
        place.kind = *own;
    }
    return place;
}

DirectoryEntry ReadDirectoryEntry(ByteReader& reader) {
    DirectoryEntry entry{};
    entry.width = reader.U8();
    entry.height = reader.U8();
    entry.colorCount = reader.U8();
    entry.reserved = reader.U8();
    entry.planes = reader.U16LE();
    entry.bitCount = reader.U16LE();
    entry.bytesInRes = reader.U32LE();
    entry.imageOffset = reader.U32LE();
    return entry;
}

class IcoReader {
  public:
    IcoReader(ResourceGrid& grid, File& file, uint64_t fileSize) : grid_(grid), file_(file), fileSize_(fileSize) {
        lastEntry_.fill(-1);
    }

    // Reads the whole file into the grid.
    IcoStatus Read() {
        uint16_t reserved = 0;
        uint16_t type = 0;
        uint16_t count = 0;
        if (!ReadU16(reserved) || reserved != 0 || !ReadU16(type) || !ReadU16(count)) {
            return Failure(IcoFailure::Header);
        }
        // A cursor file, or any other type, is still read as icons, but the document counts as changed.
        adjusted_ = type != kIconType;

        const size_t directorySize = size_t{count} * kIconDirEntrySize;
        std::unique_ptr<uint8_t[]> directory(new (std::nothrow) uint8_t[std::max<size_t>(directorySize, 1)]);
        if (!directory) {
            return Failure(IcoFailure::DirectoryMemory);
        }
        const std::optional<size_t> got = file_.Read(directory.get(), directorySize);
        if (!got) {
            return Failure(IcoFailure::DirectoryRead);
        }
        if (*got != directorySize) {
            return Failure(IcoFailure::DirectoryShort);
        }

        const std::span<const uint8_t> entries(directory.get(), directorySize);
        FindLastEntries(entries, count);
        ByteReader reader(entries);
        for (int i = 0; i < count; ++i) {
            const IcoStatus status = ReadEntry(ReadDirectoryEntry(reader), i);
            if (!status.Ok()) {
                return status;
            }
        }
        return IcoStatus{.cursor = type == kCursorType};
    }

  private:
    bool ReadU16(uint16_t& value) {
        uint8_t bytes[2];
        const std::optional<size_t> got = file_.Read(bytes, sizeof bytes);
        if (!got || *got != sizeof bytes) {
            return false;
        }
        value = LoadU16LE(bytes);
        return true;
    }

    // Which entry each slot takes: of the entries of one kind the last, as the later image of a kind
    // replaces the earlier. Only the start of each block is read here; an entry whose start cannot be
    // read takes no slot, and reading its block in full fails anyway.
    void FindLastEntries(std::span<const uint8_t> directory, int count) {
        ByteReader reader(directory);
        for (int i = 0; i < count; ++i) {
            const DirectoryEntry entry = ReadDirectoryEntry(reader);
            uint8_t head[kBitmapInfoHeaderSize];
            const uint32_t length = std::min(entry.bytesInRes, kBitmapInfoHeaderSize);
            if (!RangeFits(entry.imageOffset, entry.bytesInRes, fileSize_) || !file_.Seek(entry.imageOffset)) {
                continue;
            }
            const std::optional<size_t> got = file_.Read(head, length);
            if (!got || *got != length) {
                continue;
            }
            const int slot = PlaceImage(entry, {head, length}).slot;
            if (slot != -1 && (!IsPng({head, length}) || PngDecodes(entry, slot))) {
                lastEntry_[static_cast<size_t>(slot)] = i;
            }
        }
    }

    // Whether the PNG stream of an entry that lies inside the file decodes to the image of `slot`. A
    // stream that does not is kept as it is, as every PNG stream once was.
    bool PngDecodes(const DirectoryEntry& entry, int slot) {
        std::unique_ptr<uint8_t[]> stream(new (std::nothrow) uint8_t[entry.bytesInRes]);
        if (!stream || !file_.Seek(entry.imageOffset)) {
            return false;
        }
        const std::optional<size_t> got = file_.Read(stream.get(), entry.bytesInRes);
        return got && *got == entry.bytesInRes && ResourceGrid::PngFitsSlot({stream.get(), entry.bytesInRes}, slot);
    }

    IcoStatus ReadEntry(const DirectoryEntry& entry, int index) {
        const ImageNumbers named{entry.width, entry.height, DepthOf(entry.planes, entry.bitCount)};
        IcoStatus status;
        std::unique_ptr<uint8_t[]> block =
            LoadBlock(entry, NamedSlot(entry) != -1 ? kImageFailures : kTemporaryFailures, named, status);
        if (!block) {
            return status;
        }
        const std::span<const uint8_t> bytes(block.get(), entry.bytesInRes);
        const Placement place = PlaceImage(entry, bytes);
        if (place.noHeader) {
            return Failure(IcoFailure::Convert, named);
        }
        // An earlier image of a kind that a later entry has too goes aside like the images no slot holds,
        // and like them it is no change to the document, however it was placed. So does a PNG stream
        // that does not decode to its size's image, which no entry stands for.
        if (place.slot == -1 || lastEntry_[static_cast<size_t>(place.slot)] != index) {
            return Keep(entry, std::move(block), place.kind);
        }
        adjusted_ = adjusted_ || place.byHeader;
        if (!grid_.AdoptImage(place.slot, std::move(block), entry.bytesInRes, adjusted_ ? 1 : 0)) {
            return Failure(IcoFailure::Convert, place.kind);
        }
        return {};
    }

    // An image no slot holds goes aside as the file has it. Entries may name the same bytes, thousands
    // of times: equal blocks are held once, and what is held never outgrows the file. An image that
    // would make it outgrow the file is dropped without a word, as images of no grid kind once were, so
    // that the rest of the file, the grid's images too, is still read.
    IcoStatus Keep(const DirectoryEntry& entry, std::unique_ptr<uint8_t[]> block, const ImageNumbers& kind) {
        KeptImage image;
        image.width = entry.width;
        image.height = entry.height;
        image.colorCount = entry.colorCount;
        image.reserved = entry.reserved;
        image.planes = entry.planes;
        image.bitCount = entry.bitCount;
        image.size = entry.bytesInRes;
        image.bytes = HeldBlock(entry.bytesInRes, block.get());
        if (!image.bytes) {
            if (entry.bytesInRes > fileSize_ - keptBytes_) {
                return {};
            }
            keptBytes_ += entry.bytesInRes;
            image.bytes = std::move(block);
        }
        if (!grid_.Keep(std::move(image))) {
            return Failure(IcoFailure::TemporaryMemory, kind);
        }
        return {};
    }

    // The block of a kept image with these bytes; none when no kept image has them.
    std::shared_ptr<const uint8_t[]> HeldBlock(uint32_t size, const uint8_t* bytes) const {
        for (size_t i = 0; i < grid_.KeptCount(); ++i) {
            const KeptImage& kept = grid_.Kept(i);
            if (kept.size == size && (size == 0 || std::memcmp(kept.bytes.get(), bytes, size) == 0)) {
                return kept.bytes;
            }
        }
        return nullptr;
    }

    // The entry's block, or none with `status` set. A block that does not lie wholly inside the file
    // is refused before anything is allocated: it could never be read in full.
    std::unique_ptr<uint8_t[]> LoadBlock(const DirectoryEntry& entry,
                                         const BlockFailures& failures,
                                         const ImageNumbers& kind,
                                         IcoStatus& status) {
        const auto fail = [&](IcoFailure failure) {
            status = Failure(failure, kind);
            return std::unique_ptr<uint8_t[]>();
        };
        if (!RangeFits(entry.imageOffset, entry.bytesInRes, fileSize_)) {
            return fail(failures.readingAll);
        }
        // At least one byte, so that an empty block is still an allocation.
        std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[std::max<size_t>(entry.bytesInRes, 1)]);
        if (!block) {
            return fail(failures.allocating);
        }
        if (!file_.Seek(entry.imageOffset)) {
            return fail(failures.locating);
        }
        const std::optional<size_t> got = file_.Read(block.get(), entry.bytesInRes);
        if (!got) {
            return fail(failures.reading);
        }
        if (*got != entry.bytesInRes) {
            return fail(failures.readingAll);
        }
        return block;
    }

    ResourceGrid& grid_;
    File& file_;
    uint64_t fileSize_;
    uint64_t keptBytes_ = 0;  // held for kept images, each block once; never more than fileSize_
    bool adjusted_ = false;
    std::array<int, kImageKindCount> lastEntry_{};  // -1: no entry takes the slot
};

bool WriteU16(File& file, uint16_t value) {
    uint8_t bytes[2];
    StoreU16LE(bytes, value);
    return file.Write(bytes, sizeof bytes);
}

// The directory's entries: the slots' and the kept images'.
uint64_t EntryCount(const ResourceGrid& grid) {
    return static_cast<uint64_t>(grid.CountPresent()) + grid.KeptCount();
}

// Where the kept image `index` goes: after every slot's block and the kept images before it.
uint64_t KeptOffset(const ResourceGrid& grid, size_t index) {
    uint64_t offset = ImageOffset(grid, kImageKindCount);
    for (size_t before = 0; before < index; ++before) {
        offset += grid.Kept(before).size;
    }
    return offset;
}

bool WriteEntry(File& file, const DirectoryEntry& entry) {
    uint8_t bytes[kIconDirEntrySize];
    bytes[0] = entry.width;
    bytes[1] = entry.height;
    bytes[2] = entry.colorCount;
    bytes[3] = entry.reserved;
    StoreU16LE(bytes + 4, entry.planes);
    StoreU16LE(bytes + 6, entry.bitCount);
    StoreU32LE(bytes + 8, entry.bytesInRes);
    StoreU32LE(bytes + 12, entry.imageOffset);
    return file.Write(bytes, sizeof bytes);
}

// A kept image's entry: its directory fields as read, and where its bytes go.
DirectoryEntry KeptEntry(const KeptImage& image, uint64_t offset) {
    return DirectoryEntry{image.width,  image.height,   image.colorCount, image.reserved,
                          image.planes, image.bitCount, image.size,       static_cast<uint32_t>(offset)};
}

// How many kept images go into the directory before the slots' entries: up to the last one that a
// reader would place in a slot, an earlier image of a kind the file held twice. Readers take the later
// of two images of a kind, so the slot's own entry must follow it; the others keep their place after
// the slots, and all keep their order.
size_t KeptBeforeSlots(const ResourceGrid& grid) {
    size_t before = 0;
    for (size_t i = 0; i < grid.KeptCount(); ++i) {
        if (KeptImageSlot(grid.Kept(i)) != -1) {
            before = i + 1;
        }
    }
    return before;
}

bool WriteKeptEntries(const ResourceGrid& grid, File& file, size_t from, size_t to) {
    uint64_t offset = KeptOffset(grid, from);
    for (size_t i = from; i < to; ++i) {
        if (!WriteEntry(file, KeptEntry(grid.Kept(i), offset))) {
            return false;
        }
        offset += grid.Kept(i).size;
    }
    return true;
}

bool WriteContents(const ResourceGrid& grid, File& file) {
    const auto count = static_cast<uint16_t>(EntryCount(grid));
    if (!WriteU16(file, 0) || !WriteU16(file, kIconType) || !WriteU16(file, count)) {
        return false;
    }
    const size_t keptBefore = KeptBeforeSlots(grid);
    if (!WriteKeptEntries(grid, file, 0, keptBefore)) {
        return false;
    }
    for (int slot = 0; slot < kImageKindCount; ++slot) {
        const IconResource& r = grid.Slot(slot);
        if (r.present == 0) {
            continue;
        }
        // A PNG stream has no planes or bit count of its own: it is one plane of 32 bits.
        const uint16_t planes = r.png ? 1 : LoadU16LE(r.header + 12);
        const uint16_t bitCount = r.png ? 32 : LoadU16LE(r.header + 14);
        const int depth = DepthOf(planes, bitCount);
        const DirectoryEntry entry{static_cast<uint8_t>(r.width),
                                   static_cast<uint8_t>(r.height),
                                   static_cast<uint8_t>(depth < 8 ? 1u << depth : 0u),
                                   0,
                                   planes,
                                   bitCount,
                                   r.imageSize,
                                   static_cast<uint32_t>(ImageOffset(grid, slot))};
        if (!WriteEntry(file, entry)) {
            return false;
        }
    }
    if (!WriteKeptEntries(grid, file, keptBefore, grid.KeptCount())) {
        return false;
    }
    // A grid slot's block goes out as held, but with biSizeImage 0; the grid's own header is not touched.
    // A Windows size's image goes out byte for byte, as it was read or made.
    const uint8_t zeroSizeImage[4] = {};
    for (int slot = 0; slot < kImageKindCount; ++slot) {
        const IconResource& r = grid.Slot(slot);
        if (r.present == 0) {
            continue;
        }
        const uint8_t* block = r.image.get();
        const size_t rest = kSizeImageOffset + sizeof zeroSizeImage;
        const bool written = IsGridSlot(slot) ? file.Write(block, kSizeImageOffset) &&
                                                    file.Write(zeroSizeImage, sizeof zeroSizeImage) &&
                                                    file.Write(block + rest, r.imageSize - rest)
                                              : file.Write(block, r.imageSize);
        if (!written) {
            return false;
        }
    }
    for (size_t i = 0; i < grid.KeptCount(); ++i) {
        if (!file.Write(grid.Kept(i).bytes.get(), grid.Kept(i).size)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int KeptImageSlot(const KeptImage& image) {
    const std::span<const uint8_t> bytes(image.bytes.get(), image.size);
    const int slot = PlaceImage(KeptEntry(image, 0), bytes).slot;
    return slot != -1 && IsPng(bytes) && !ResourceGrid::PngFitsSlot(bytes, slot) ? -1 : slot;
}

uint64_t ImageOffset(const ResourceGrid& grid, int slot) {
    uint64_t offset = kIconDirSize + uint64_t{kIconDirEntrySize} * EntryCount(grid);
    for (int lower = 0; lower < slot && lower < kImageKindCount; ++lower) {
        const IconResource& r = grid.Slot(lower);
        offset += r.present != 0 ? r.imageSize : 0;
    }
    return offset;
}

std::string IcoFailureText(const IcoStatus& status) {
    if (status.result != IcoResult::Failed) {
        return {};
    }
    const char* text = kFailureTexts[static_cast<size_t>(status.failure)];
    return FormatText(text, status.width, status.height, status.bitsPerPixel);
}

void ShowIcoFailure(Alerts& alerts, const std::string& path, const IcoStatus& status) {
    if (status.result != IcoResult::Failed) {
        return;
    }
    Alert alert;
    alert.text = IcoFailureText(status);
    alert.caption = AlertCaption::Path;
    alert.path = path;
    alert.icon = AlertIcon::Error;
    alert.buttons = AlertButtons::Ok;
    alerts.Show(alert);
}

IcoStatus ReadIcoFile(ResourceGrid& grid, const std::string& path, FileSystem& files) {
    grid.ClearAll();
    std::unique_ptr<File> file = files.OpenExisting(path);
    if (!file) {
        return IcoStatus{.result = IcoResult::NotOpened};
    }
    const std::optional<uint64_t> size = file->Size();
    const IcoStatus status = size ? IcoReader(grid, *file, *size).Read() : Failure(IcoFailure::Header);
    file->Close();
    return status;
}

IcoStatus WriteIcoFile(ResourceGrid& grid, const std::string& path, FileSystem& files) {
    // Every offset and size in the directory is 32 bits wide, and the count 16.
    if (EntryCount(grid) > std::numeric_limits<uint16_t>::max() ||
        KeptOffset(grid, grid.KeptCount()) > std::numeric_limits<uint32_t>::max()) {
        return Failure(IcoFailure::Write);
    }
    std::string tempPath;
    std::unique_ptr<File> file = files.CreateTemporaryBeside(path, tempPath);
    if (!file) {
        return IcoStatus{.result = IcoResult::NotOpened};
    }
    const bool written = WriteContents(grid, *file);
    const bool closed = file->Close();
    file.reset();
    if (!written || !closed) {
        // Whatever part of the file failed, the save did not happen: say so, or Save As would leave
        // the user believing the icon is on disk.
        files.Remove(tempPath);
        return Failure(IcoFailure::Write);
    }
    if (!files.Replace(tempPath, path)) {
        files.Remove(tempPath);
        return IcoStatus{.result = IcoResult::NotOpened};
    }
    grid.ClearModifiedFlags();
    return {};
}

}  // namespace tessera
