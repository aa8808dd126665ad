// tessera ico list FILE: the filled slots of an icon file, as the plug-in would load them, the grid's
// and the Windows sizes', then the images no slot holds, which the plug-in keeps.
// tessera ico copy IN OUT: loads IN as the plug-in would and saves the grid as OUT.
// tessera ico check [--strict] FILE...: what in each file Windows 10 and 11 would not draw as it should.

#include <optional>

#include "base/console.h"
#include "cli/commands.h"
#include "icon/ico_check.h"
#include "icon/ico_file.h"
#include "icon/resource_grid.h"

namespace tessera::cli {

const char* const kIcoUsage =
    "tessera ico list FILE\n"
    "tessera ico copy IN OUT\n"
    "tessera ico check [--strict] FILE...";

const char* const kIcoHelp =
    "list: the images of FILE as the plug-in reads them, each filled slot of the grid with its size, depth\n"
    "and bytes, then the images of the sizes Windows draws above 100% (as PNG or BMP), then the images\n"
    "no slot holds, marked kept.\n"
    "copy: reads IN as the plug-in would and saves it as OUT; the kept images go along unchanged, a cursor's\n"
    "hot spots do not.\n"
    "check: checks each FILE against what Windows 10 and 11 need of an application's icon and prints one line\n"
    "per finding, FILE: IMAGE: error: WHAT; WHAT TO DO (IMAGE is a size and depth, an entry or the file).\n"
    "Errors: a size of Microsoft's minimum (16, 24, 32, 48 and 256 pixels) missing, a PNG that is not 32-bit\n"
    "RGBA, a 256-pixel bitmap, two images of one size and depth, a 32-bit image whose mask disagrees with its\n"
    "alpha, a 24-bit image, directory fields that disagree with the image (0 in planes, bit count or colour\n"
    "count is accepted), a damaged entry, a file Tessera cannot open. A note (FILE: file: note: ...) names\n"
    "the sizes Windows scales another image to at the display scales 100% to 400%. A file with nothing to\n"
    "report prints nothing. Exits with 1 when a file has an error (with --strict, a note too) or cannot be\n"
    "opened, so it can stop a build: tessera ico check app.ico || exit 1\n"
    "Any file name works, whatever the system's code page: names are read and printed as Unicode.\n";

namespace {

// Whether a read or a write of `path` worked; when it did not, the reason is printed: `notOpened` (a
// verb and the path) or the failure's message after the path.
bool Succeeded(const IcoStatus& status, const std::string& path, const char* notOpened, CommandContext& context) {
    switch (status.result) {
        case IcoResult::Ok:
            return true;
        case IcoResult::NotOpened:
            Print(context.err, "tessera: %s %s\n", notOpened, path.c_str());
            return false;
        case IcoResult::Failed:
            Print(context.err, "%s: %s\n", path.c_str(), IcoFailureText(status).c_str());
            return false;
    }
    return false;
}

// Reads `path` into the grid; when that failed, the reason has been printed.
IcoStatus Load(ResourceGrid& grid, const std::string& path, CommandContext& context) {
    const IcoStatus status = ReadIcoFile(grid, path, context.files);
    Succeeded(status, path, "cannot open", context);
    return status;
}

int List(const std::string& path, CommandContext& context) {
    ResourceGrid grid;
    if (!Load(grid, path, context).Ok()) {
        return kExitFailed;
    }
    for (int slot = 0; slot < kImageKindCount; ++slot) {
        const IconResource& r = grid.Slot(slot);
        if (r.present == 0) {
            continue;
        }
        const char* modified = r.modified != 0 ? " modified" : "";
        if (IsGridSlot(slot)) {
            Print(context.out, "%2dx%-2d %2d bpp %6u bytes%s\n", r.width, r.height, r.bitsPerPixel, r.imageSize,
                  modified);
        } else {
            Print(context.out, "%dx%d %s %2d bpp %6u bytes%s\n", r.width, r.height, r.png ? "PNG" : "BMP",
                  r.bitsPerPixel, r.imageSize, modified);
        }
    }
    // The images the grid does not show, which a copy keeps as they are.
    for (size_t i = 0; i < grid.KeptCount(); ++i) {
        const KeptImage& image = grid.Kept(i);
        Print(context.out, "%dx%d %s %2d bpp %6u bytes, kept\n", image.PixelWidth(), image.PixelHeight(),
              image.IsPng() ? "PNG" : "BMP", image.BitsPerPixel(), image.size);
    }
    return kExitOk;
}

// Prints each file's findings; kExitFailed when a file has an error (with `strict`, any finding) or
// cannot be opened.
int Check(const std::vector<std::string>& paths, bool strict, CommandContext& context) {
    int code = kExitOk;
    for (const std::string& path : paths) {
        const std::optional<std::vector<IcoFinding>> findings = CheckIcoFile(path, context.files);
        if (!findings) {
            Print(context.err, "tessera: cannot open %s\n", path.c_str());
            code = kExitFailed;
            continue;
        }
        for (const IcoFinding& finding : *findings) {
            Print(context.out, "%s: %s: %s: %s; %s\n", path.c_str(), finding.image.c_str(),
                  finding.error ? "error" : "note", finding.problem.c_str(), finding.remedy.c_str());
            if (finding.error || strict) {
                code = kExitFailed;
            }
        }
    }
    return code;
}

int Copy(const std::string& in, const std::string& out, CommandContext& context) {
    ResourceGrid grid;
    const IcoStatus read = Load(grid, in, context);
    if (!read.Ok()) {
        return kExitFailed;
    }
    if (read.cursor) {
        Print(context.err, "tessera: %s is a cursor read as an icon; its hot spots are not kept\n", in.c_str());
    }
    return SaveGrid(grid, out, context);
}

}  // namespace

int SaveGrid(ResourceGrid& grid, const std::string& path, CommandContext& context) {
    return Succeeded(WriteIcoFile(grid, path, context.files), path, "cannot create", context) ? kExitOk : kExitFailed;
}

int RunIcoCommand(const std::vector<std::string>& args, CommandContext& context) {
    if (args.size() == 2 && args[0] == "list") {
        return List(args[1], context);
    }
    if (args.size() == 3 && args[0] == "copy") {
        return Copy(args[1], args[2], context);
    }
    if (!args.empty() && args[0] == "check") {
        bool strict = false;
        std::vector<std::string> paths;
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--strict") {
                strict = true;
            } else if (args[i].starts_with("-")) {
                Print(context.err, "tessera: unknown option %s\n", args[i].c_str());
                return kExitUsage;
            } else {
                paths.push_back(args[i]);
            }
        }
        return paths.empty() ? kExitUsage : Check(paths, strict, context);
    }
    return kExitUsage;
}

}  // namespace tessera::cli
