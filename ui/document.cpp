#include "ui/document.h"

#include "base/alerts.h"
#include "base/texts.h"
#include "ui/main_commands.h"

namespace tessera {

namespace {

constexpr const char* kIconFilter = "Icon Files (*.ico)\0*.ico\0All Files (*.*)\0*.*\0";
constexpr const char* kColorTableFilter = "Photoshop Color Tables (*.act)\0*.act\0All Files (*.*)\0*.*\0";

// An untitled document's path is a folder; once the document is named, its path ends with the name.
bool PathNamesDocument(std::string_view documentPath, std::string_view documentName) {
    return !documentName.empty() && FileNameOf(documentPath) == documentName;
}

}  // namespace

std::string_view PickerFilterText(const char* filter) {
    if (filter == nullptr) {
        return {};
    }
    size_t length = 0;
    while (filter[length] != '\0' || filter[length + 1] != '\0') {
        ++length;
    }
    return std::string_view(filter, length + 2);
}

std::string GridCaption(std::string_view documentName) {
    return "Resource Grid for " + std::string(documentName);
}

std::string FolderOf(std::string_view path) {
    const size_t slash = path.rfind('\\');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string FileNameOf(std::string_view path) {
    const size_t slash = path.rfind('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string OpenProposal(std::string_view documentName) {
    return documentName == kUntitledDocumentName ? std::string() : std::string(documentName);
}

std::string SaveAsProposal(std::string_view documentName) {
    if (documentName == kUntitledDocumentName) {
        return std::string(documentName);
    }
    return "Copy of " + std::string(documentName);
}

std::string PickerFolder(std::string_view documentPath, std::string_view documentName) {
    if (PathNamesDocument(documentPath, documentName)) {
        return FolderOf(documentPath);
    }
    return std::string(documentPath);
}

FilePicker OpenIconPicker(const WindowOptions& options) {
    return FilePicker{.kind = PickerKind::Open,
                      .filter = kIconFilter,
                      .defaultExtension = "ico",
                      .initialName = OpenProposal(options.documentName),
                      .initialFolder = PickerFolder(options.documentPath, options.documentName),
                      .flags = kPickerFileMustExist | kPickerHideReadOnly | kPickerOverwritePrompt};
}

FilePicker SaveIconPicker(const WindowOptions& options) {
    return FilePicker{.kind = PickerKind::Save,
                      .filter = kIconFilter,
                      .defaultExtension = "ico",
                      .initialName = SaveAsProposal(options.documentName),
                      .initialFolder = PickerFolder(options.documentPath, options.documentName),
                      .flags = kPickerHideReadOnly | kPickerOverwritePrompt};
}

FilePicker ColorTablePicker(const WindowOptions& options) {
    return FilePicker{.kind = PickerKind::Open,
                      .filter = kColorTableFilter,
                      .defaultExtension = "act",
                      .initialName = {},
                      .initialFolder = PickerFolder(options.documentPath, options.documentName),
                      .flags = kPickerFileMustExist | kPickerHideReadOnly | kPickerOverwritePrompt};
}

bool DocumentCommands::ConfirmDiscard() {
    if (!window_.IsModified()) {
        return true;
    }
    Alert alert;
    alert.text = FormatText(texts::kSaveChanges, options_.documentName.c_str());
    alert.icon = AlertIcon::Warning;
    alert.buttons = AlertButtons::YesNoCancel;
    switch (alerts_.Show(alert)) {
        case AlertAnswer::Yes:
            return Save();
        case AlertAnswer::No:
            return true;
        default:
            return false;
    }
}

void DocumentCommands::New() {
    if (!ConfirmDiscard()) {
        return;
    }
    window_.ClearGrid();
    MakeUntitled();
    ShowGrid();
}

void DocumentCommands::Open() {
    if (!ConfirmDiscard()) {
        return;
    }
    const std::optional<std::string> picked = window_.PickFile(OpenIconPicker(options_));
    if (!picked) {
        return;
    }
    options_.documentPath = *picked;
    options_.documentName = FileNameOf(*picked);
    Load(IfUnopened::MakeUntitled);
}

bool DocumentCommands::Save() {
    return SaveDocument() || SaveAs();
}

bool DocumentCommands::SaveAs() {
    const std::optional<std::string> picked = window_.PickFile(SaveIconPicker(options_));
    if (!picked) {
        return false;
    }
    IcoStatus status = window_.WriteGrid(*picked);
    if (status.result == IcoResult::NotOpened) {
        // Save falls back to Save As without a word when its file cannot be created, but here the user
        // picked the file: without a message they would believe the icon saved.
        status = IcoStatus{.result = IcoResult::Failed, .failure = IcoFailure::Write};
    }
    ShowIcoFailure(alerts_, *picked, status);
    if (!status.Ok()) {
        return false;
    }
    // Only a file that holds the document names it.
    options_.documentPath = *picked;
    options_.documentName = FileNameOf(*picked);
    ShowName();
    return true;
}

void DocumentCommands::LoadDocument() {
    // The last document may simply be gone since the last run; then Save puts it back where it was.
    Load(IfUnopened::KeepName);
}

void DocumentCommands::Load(IfUnopened ifUnopened) {
    const IcoStatus status = window_.ReadGrid(options_.documentPath);
    ShowIcoFailure(alerts_, options_.documentPath, status);
    if (status.Ok()) {
        ShowName();
    } else if (status.result == IcoResult::Failed || ifUnopened == IfUnopened::MakeUntitled) {
        // The grid holds at most part of the file, and another program may read all of it: Save must
        // ask where to write rather than overwrite the file with the part read.
        MakeUntitled();
    }
    ShowGrid();
}

bool DocumentCommands::SaveDocument() {
    // The caption names the document even when the write fails and Save As takes over.
    ShowName();
    // A folder is never written to: the untitled document goes straight to Save As.
    if (!PathNamesDocument(options_.documentPath, options_.documentName)) {
        return false;
    }
    const IcoStatus status = window_.WriteGrid(options_.documentPath);
    // A file that cannot be created is no failure to tell of: Save As takes over and asks.
    ShowIcoFailure(alerts_, options_.documentPath, status);
    return status.Ok();
}

void DocumentCommands::MakeUntitled() {
    options_.documentPath = FolderOf(options_.documentPath);
    options_.documentName = kUntitledDocumentName;
    ShowName();
}

void DocumentCommands::ShowName() {
    window_.SetGridCaption(GridCaption(options_.documentName));
}

void DocumentCommands::ShowGrid() {
    window_.SetGridToolTip(KeptImagesToolTip(window_.Grid()));
    window_.RepaintCells();
}

}  // namespace tessera
