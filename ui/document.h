#pragma once
// The document commands: New, Open, Save, Save As, loading the last file, and the prompt that guards
// unsaved changes. The names, folders, picker settings and outcomes are decided here; the window
// supplies the pickers, the grid with its file, and the screen.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "icon/ico_file.h"
#include "icon/resource_grid.h"
#include "ui/window_options.h"

namespace tessera {

class Alerts;

// Options of the system's file pickers, with the values the platform gives them.
inline constexpr uint32_t kPickerOverwritePrompt = 0x00000002;
inline constexpr uint32_t kPickerHideReadOnly = 0x00000004;
inline constexpr uint32_t kPickerFileMustExist = 0x00001000;
// Room for the picked path, in UTF-16 units: the longest path Windows can name. One longer than the
// settings and parameters blocks keep (1023 bytes of UTF-8) opens and saves all the same.
inline constexpr size_t kPickerPathCapacity = 32768;

enum class PickerKind { Open, Save };

// Everything a system file picker is given; the window passes it through unchanged.
struct FilePicker {
    PickerKind kind = PickerKind::Open;  // the picker titled "Open", or the one titled "Save As"
    // Pairs of description and pattern, each ended by a NUL, the list by a second NUL.
    const char* filter = nullptr;
    const char* defaultExtension = nullptr;  // without its dot, as the pickers take it
    std::string initialName;
    std::string initialFolder;
    uint32_t flags = 0;
};

// A picker's filter as one piece of text: its pairs with their NULs and the NUL that ends the list.
std::string_view PickerFilterText(const char* filter);

std::string GridCaption(std::string_view documentName);
// The text up to and including its last backslash; empty when it has none.
std::string FolderOf(std::string_view path);
// The text after its last backslash; all of it when it has none.
std::string FileNameOf(std::string_view path);
// The name the open picker proposes: the document's own, none while it is untitled.
std::string OpenProposal(std::string_view documentName);
// The name Save As proposes: "Copy of " and the document's name, or "Untitled.ico" as it stands.
std::string SaveAsProposal(std::string_view documentName);
// The folder the pickers start in. The document's path names either a folder (untitled) or the
// document's own file, and the pickers want a folder.
std::string PickerFolder(std::string_view documentPath, std::string_view documentName);

FilePicker OpenIconPicker(const WindowOptions& options);
FilePicker SaveIconPicker(const WindowOptions& options);
FilePicker ColorTablePicker(const WindowOptions& options);

// What the document commands need from the window.
class DocumentWindow {
  public:
    virtual ~DocumentWindow() = default;
    // Runs a system file picker: the full path picked, or none when the user cancelled.
    virtual std::optional<std::string> PickFile(const FilePicker& picker) = 0;
    virtual bool IsModified() = 0;
    // The document, read to tell what it keeps beside its slots. Only ClearGrid and ReadGrid change what
    // it keeps; the layer's commands change slots alone.
    virtual const ResourceGrid& Grid() = 0;
    // Empties every slot and every kept image, and clears every modified flag.
    virtual void ClearGrid() = 0;
    // Reads an .ico file into the grid (emptied first). Nobody has been told of a failure yet.
    virtual IcoStatus ReadGrid(const std::string& path) = 0;
    // Writes the grid as an .ico file, every modified flag cleared when it was written. Nobody has been
    // told of a failure yet.
    virtual IcoStatus WriteGrid(const std::string& path) = 0;
    virtual void SetGridCaption(const std::string& caption) = 0;
    virtual void SetGridToolTip(const std::string& text) = 0;
    virtual void RepaintCells() = 0;
};

class DocumentCommands {
  public:
    DocumentCommands(WindowOptions& options, DocumentWindow& window, Alerts& alerts)
        : options_(options), window_(window), alerts_(alerts) {}
    DocumentCommands(const DocumentCommands&) = delete;
    DocumentCommands& operator=(const DocumentCommands&) = delete;

    // Asks whether to save unsaved changes: true when the caller may go on. Yes goes on only once the
    // document is written, so a cancelled picker or a failed write loses nothing.
    [[nodiscard]] bool ConfirmDiscard();
    // An empty untitled document in the folder of the last one.
    void New();
    void Open();
    // Writes to the document's own file, or through Save As when that cannot be written; true when the
    // document was written.
    bool Save();
    // True when a file was picked and the document was written to it. A file that cannot be created or
    // written is named in the writer's message, and the document keeps the name it had.
    bool SaveAs();
    // Reads the document's file again, as the window does when it opens. A file that cannot be opened
    // leaves the grid empty and the name and caption as they were; one that opens but does not read
    // leaves the document untitled in its folder, as an Open that fails does.
    void LoadDocument();

  private:
    // What a file that cannot be opened at all does to the document's name.
    enum class IfUnopened { KeepName, MakeUntitled };
    void Load(IfUnopened ifUnopened);
    // An untitled document in the folder of the document's file (or in its folder while untitled).
    void MakeUntitled();
    bool SaveDocument();
    void ShowName();
    // Shows the grid's contents: its cells, and the tool tip that names the images it keeps beside the
    // slots. Runs after every change of the window's grid that can change those images (clearing it,
    // reading a file into it), whether or not the document's name changes with it.
    void ShowGrid();

    WindowOptions& options_;
    DocumentWindow& window_;
    Alerts& alerts_;
};

}  // namespace tessera
