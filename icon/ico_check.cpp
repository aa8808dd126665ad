#include "icon/ico_check.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <new>
#include <span>

#include "base/alerts.h"
#include "base/byte_reader.h"
#include "base/checked.h"
#include "icon/ico_file.h"
#include "icon/image_kind.h"
#include "icon/png_header.h"
#include "icon/resource_grid.h"
#include "icon/windows_scales.h"

namespace tessera {

namespace {

// Microsoft's minimum for an application's icon: the grid's sizes and the largest of Windows' own.
constexpr std::array<int, kGridSides.size() + 1> kMinimumSides = [] {
    std::array<int, kGridSides.size() + 1> sides{};
    std::copy(kGridSides.begin(), kGridSides.end(), sides.begin());
    sides.back() = kWindowsSides.back();
    return sides;
}();

struct DirectoryEntry {
    uint8_t width;  // 0 means 256
    uint8_t height;
    uint8_t colorCount;
    uint16_t planes;
    uint16_t bitCount;
    uint32_t bytesInRes;
    uint32_t imageOffset;
};

// What an entry's own bytes say it is.
struct Image {
    int width = 0;
    int height = 0;
    int planes = 0;
    int bitCount = 0;

    [[nodiscard]] int BitsPerPixel() const { return planes * bitCount; }
};

std::string Name(const Image& image) {
    return FormatText("%dx%d %d bpp", image.width, image.height, image.BitsPerPixel());
}

// "16, 24 and 32", with `last` before the last side.
std::string SideList(std::span<const int> sides, const char* last) {
    std::string list;
    for (size_t i = 0; i < sides.size(); ++i) {
        list += i == 0 ? "" : i + 1 == sides.size() ? FormatText(" %s ", last) : ", ";
        list += std::to_string(sides[i]);
    }
    return list;
}

bool IsKindSide(int side) {
    return std::any_of(kImageKinds.begin(), kImageKinds.end(), [side](ImageKind kind) { return kind.side == side; });
}

class Checker {
  public:
    Checker(std::span<const uint8_t> file, std::vector<IcoFinding>& findings) : file_(file), findings_(findings) {}

    // Checks each entry; false when the header or the directory is cut short, or the header is no icon
    // file's: our reader's message then says what is wrong with the file.
    bool CheckEntries() {
        ByteReader reader(file_);
        const uint16_t reserved = reader.U16LE();
        const uint16_t type = reader.U16LE();
        const uint16_t count = reader.U16LE();
        if (!reader.Ok() || reserved != 0) {
            return false;
        }
        // A cursor file's directory holds hot spots where an icon's holds planes and bit counts.
        const bool icon = type == 1;
        if (!icon) {
            Error("file", FormatText("its header names type %u, not an icon (1)", type),
                  "`tessera ico copy` writes it as an icon");
        }
        for (int number = 1; number <= count; ++number) {
            DirectoryEntry entry{};
            entry.width = reader.U8();
            entry.height = reader.U8();
            entry.colorCount = reader.U8();
            reader.Skip(1);
            entry.planes = reader.U16LE();
            entry.bitCount = reader.U16LE();
            entry.bytesInRes = reader.U32LE();
            entry.imageOffset = reader.U32LE();
            if (!reader.Ok()) {
                return false;
            }
            CheckEntry(entry, number, icon);
        }
        return true;
    }

    // What concerns the images together, after CheckEntries.
    void CheckWholeFile() {
        CheckMinimumSides();
        NoteScaledSides();
    }

  private:
    void Error(std::string image, std::string problem, std::string remedy) {
        findings_.push_back(IcoFinding{true, std::move(image), std::move(problem), std::move(remedy)});
    }

    void CheckEntry(const DirectoryEntry& entry, int number, bool icon) {
        const std::string label = FormatText("entry %d", number);
        if (!RangeFits(entry.imageOffset, entry.bytesInRes, file_.size())) {
            Error(label,
                  FormatText("its %u bytes at offset %u lie outside the file of %s bytes", entry.bytesInRes,
                             entry.imageOffset, std::to_string(file_.size()).c_str()),
                  "the file is cut short or damaged: make it again");
            return;
        }
        const std::span<const uint8_t> block = file_.subspan(entry.imageOffset, entry.bytesInRes);
        std::optional<Image> image;
        if (StartsWithPngSignature(block)) {
            image = CheckPng(block, label);
        } else {
            image = CheckBitmap(block, label);
        }
        if (!image) {
            return;
        }
        CheckDirectory(entry, *image, icon);
        const std::array<int, 3> kind = {image->width, image->height, image->BitsPerPixel()};
        const auto [first, added] = firstOfKind_.emplace(kind, number);
        if (!added) {
            Error(Name(*image), FormatText("a second image of this size and depth, after entry %d", first->second),
                  "remove one: Windows draws only one of them");
        }
        if (image->width == image->height) {
            sides_.push_back(image->width);
        }
    }

    std::optional<Image> CheckPng(std::span<const uint8_t> block, const std::string& label) {
        const std::optional<PngHeader> png = ReadPngHeader(block);
        if (!png) {
            Error(label, "a PNG stream whose image header (IHDR) is missing or broken, which Windows cannot draw",
                  "replace it with a 32-bit RGBA PNG");
            return std::nullopt;
        }
        const Image image{static_cast<int>(png->width), static_cast<int>(png->height), 1,
                          PngBitsPerPixel(png->bitDepth, png->colorType)};
        if (!png->IsRgba32()) {
            Error(
                Name(image),
                FormatText("a PNG of bit depth %d and colour type %d, not 32-bit RGBA", png->bitDepth, png->colorType),
                "store it as a 32-bit RGBA PNG");
        }
        return image;
    }

    std::optional<Image> CheckBitmap(std::span<const uint8_t> block, const std::string& label) {
        const std::optional<BitmapLayout> layout = LayOutBitmap(block);
        if (!layout) {
            Error(label, "its bytes are no PNG stream and too few for the bitmap their header describes",
                  "the image is damaged: make it again");
            return std::nullopt;
        }
        const Image image{layout->width, layout->height, layout->planes, layout->bitCount};
        const std::string name = Name(image);
        if (image.BitsPerPixel() == 24) {
            Error(name, "a 24-bit bitmap, which Windows does not support in icons",
                  "store it at 32 bits per pixel, with alpha");
        }
        if (image.width == kPngSide && image.height == kPngSide) {
            Error(name, FormatText("a %d-pixel image stored as a bitmap", kPngSide),
                  "store it as a PNG, as Microsoft asks");
        }
        // The layout's rows are as wide as the bit count makes them, whatever the planes: only one plane
        // of 32 bits has rows of alpha to hold the mask against. Eight planes of 4 bits is no such image.
        if (layout->planes == 1 && layout->bitCount == 32) {
            CheckMask(block, *layout, name);
        }
        return image;
    }

    // Windows draws a 32-bit image by its alpha, older code and other systems by its mask: the two must
    // show the same shape. An image whose alpha is 0 everywhere has none, and Windows draws it through
    // its mask alone.
    void CheckMask(std::span<const uint8_t> block, const BitmapLayout& layout, const std::string& name) {
        const auto colorStride = static_cast<size_t>(ColorStride(layout.width, 32));
        const auto maskStride = static_cast<size_t>(MaskStride(layout.width));
        size_t disagreeing = 0;
        bool hasAlpha = false;
        for (size_t row = 0; row < static_cast<size_t>(layout.height); ++row) {
            const uint8_t* color = block.data() + layout.colorOffset + row * colorStride;
            const uint8_t* mask = block.data() + layout.maskOffset + row * maskStride;
            for (size_t x = 0; x < static_cast<size_t>(layout.width); ++x) {
                const bool transparent = ((mask[x / 8] >> (7 - x % 8)) & 1) != 0;
                const uint8_t alpha = color[4 * x + 3];
                hasAlpha = hasAlpha || alpha != 0;
                disagreeing += transparent != (alpha == 0) ? 1 : 0;
            }
        }
        if (hasAlpha && disagreeing != 0) {
            Error(name,
                  FormatText("its mask disagrees with its alpha at %s pixel%s", std::to_string(disagreeing).c_str(),
                             disagreeing == 1 ? "" : "s"),
                  "make the mask transparent exactly where the alpha is 0");
        }
    }

    // Windows picks the image to draw by the directory, so a field that disagrees with the image may
    // make it draw another one, or stretch this one. A planes, bit count or colour count of 0 says
    // nothing, as many writers leave them: Windows then goes by the image itself.
    void CheckDirectory(const DirectoryEntry& entry, const Image& image, bool icon) {
        const std::string name = Name(image);
        const char* remedy = "correct the directory entry, or make the icon again";
        if (DirectorySide(entry.width) != image.width || DirectorySide(entry.height) != image.height) {
            Error(name, FormatText("the directory says %dx%d", DirectorySide(entry.width), DirectorySide(entry.height)),
                  remedy);
        }
        if (!icon) {
            return;
        }
        if (entry.planes != 0 && entry.planes != image.planes) {
            Error(name, FormatText("the directory says %u planes, the image has %d", entry.planes, image.planes),
                  remedy);
        }
        if (entry.bitCount != 0 && entry.bitCount != image.bitCount) {
            Error(name, FormatText("the directory says %u bits per pixel", entry.bitCount), remedy);
        }
        // 2^bits below 8 bits per pixel, else 0: the field is a byte.
        const int bits = image.BitsPerPixel();
        const int colors = bits < 8 ? 1 << bits : 0;
        if (entry.colorCount != 0 && entry.colorCount != colors) {
            Error(name,
                  FormatText("the directory says %u colours, where %d bits per pixel take %d", entry.colorCount, bits,
                             colors),
                  remedy);
        }
    }

    void CheckMinimumSides() {
        std::vector<int> missing;
        for (const int side : kMinimumSides) {
            if (std::find(sides_.begin(), sides_.end(), side) == sides_.end()) {
                missing.push_back(side);
            }
        }
        if (!missing.empty()) {
            Error("file", FormatText("no image of %s pixels", SideList(missing, "or").c_str()),
                  FormatText("add %s: Microsoft asks for %s pixels at the least", missing.size() == 1 ? "it" : "them",
                             SideList(kMinimumSides, "and").c_str()));
        }
    }

    // One line for all the surfaces and scales at which Windows must scale another image. Only the sizes
    // an icon of ours can hold count: at 175% Windows draws at sizes nobody is asked for (28, 42 and 56
    // pixels), and scales any icon there.
    void NoteScaledSides() {
        if (sides_.empty()) {
            return;
        }
        std::string surfaces;
        for (const IconSurface& surface : kIconSurfaces) {
            std::string scaled;
            for (size_t scale = 0; scale < kDisplayScales.size(); ++scale) {
                const int side = surface.sides[scale];
                if (IsKindSide(side) && SideWindowsDraws(sides_, side) != side) {
                    scaled += FormatText("%s%d (%d%%)", scaled.empty() ? "" : ", ", side, kDisplayScales[scale]);
                }
            }
            if (!scaled.empty()) {
                surfaces += FormatText("%s%s %s", surfaces.empty() ? "" : "; ", surface.name, scaled.c_str());
            }
        }
        if (!surfaces.empty()) {
            findings_.push_back(IcoFinding{false, "file",
                                           "Windows draws these sizes from an image of another size: " + surfaces,
                                           "add images of these sizes for an icon that is sharp at every scale"});
        }
    }

    std::span<const uint8_t> file_;
    std::vector<IcoFinding>& findings_;
    std::map<std::array<int, 3>, int> firstOfKind_;  // width, height, bits per pixel: the first entry
    std::vector<int> sides_;                         // of the square images
};

// The whole file, or none when it cannot be held or read.
std::unique_ptr<uint8_t[]> ReadWhole(File& file, size_t& size) {
    const std::optional<uint64_t> length = file.Size();
    if (!length || static_cast<size_t>(*length) != *length) {
        return nullptr;
    }
    size = static_cast<size_t>(*length);
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[std::max<size_t>(size, 1)]);
    if (!bytes) {
        return nullptr;
    }
    const std::optional<size_t> got = file.Read(bytes.get(), size);
    return got && *got == size ? std::move(bytes) : nullptr;
}

}  // namespace

std::optional<std::vector<IcoFinding>> CheckIcoFile(const std::string& path, FileSystem& files) {
    ResourceGrid grid;
    const IcoStatus read = ReadIcoFile(grid, path, files);
    if (read.result == IcoResult::NotOpened) {
        return std::nullopt;
    }
    std::unique_ptr<File> file = files.OpenExisting(path);
    if (!file) {
        return std::nullopt;
    }
    size_t size = 0;
    const std::unique_ptr<uint8_t[]> bytes = ReadWhole(*file, size);
    file->Close();
    std::vector<IcoFinding> findings;
    if (!bytes) {
        findings.push_back(IcoFinding{true, "file", "it cannot be read whole to check it",
                                      "make sure it can be read and that memory is free"});
    }
    Checker checker({bytes.get(), bytes ? size : 0}, findings);
    const bool checked = bytes && checker.CheckEntries();
    if (!read.Ok()) {
        findings.push_back(IcoFinding{true, "file", IcoFailureText(read), "Tessera cannot open it: make it again"});
    }
    if (checked) {
        checker.CheckWholeFile();
    }
    return findings;
}

}  // namespace tessera
