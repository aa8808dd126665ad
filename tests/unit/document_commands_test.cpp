#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/fake_alerts.h"
#include "support/ico_fixtures.h"
#include "ui/document.h"

namespace tessera {
namespace {

// The window as the commands see it: pickers answered from a script, files that can or cannot be
// read and written.
class FakeDocumentWindow final : public DocumentWindow {
  public:
    std::optional<std::string> PickFile(const FilePicker& picker) override {
        pickers.push_back(picker);
        if (picks.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> picked = picks.front();
        picks.pop_front();
        return picked;
    }
    bool IsModified() override { return modified; }
    const ResourceGrid& Grid() override { return grid; }
    void ClearGrid() override {
        grid.ClearAll();
        modified = false;
        ++clears;
    }
    IcoStatus ReadGrid(const std::string& path) override {
        reads.push_back(path);
        grid.ClearAll();
        modified = false;
        if (damaged.count(path) != 0) {
            return IcoStatus{.result = IcoResult::Failed, .failure = IcoFailure::Header};
        }
        if (readable.count(path) == 0) {
            return IcoStatus{.result = IcoResult::NotOpened};
        }
        // Every file that reads holds a large image the grid cannot show.
        grid.Keep(test::KeptImageOf(0, 32, test::PngStream(256, 256)));
        return {};
    }
    IcoStatus WriteGrid(const std::string& path) override {
        writes.push_back(path);
        if (writable.count(path) == 0) {
            return IcoStatus{.result = IcoResult::NotOpened};
        }
        modified = false;
        return {};
    }
    void SetGridCaption(const std::string& text) override { caption = text; }
    void SetGridToolTip(const std::string& text) override { toolTip = text; }
    void RepaintCells() override { ++repaints; }

    bool modified = false;
    ResourceGrid grid;
    std::deque<std::optional<std::string>> picks;  // none: the user cancels
    std::set<std::string> readable;
    std::set<std::string> damaged;  // opened, but the reader stops at its header
    std::set<std::string> writable;

    std::vector<FilePicker> pickers;
    std::vector<std::string> reads;
    std::vector<std::string> writes;
    std::string caption = "Resource Grid for Untitled.ico";
    std::string toolTip;
    int clears = 0;
    int repaints = 0;
};

WindowOptions Named(const std::string& path, const std::string& name) {
    WindowOptions options;
    options.documentPath = path;
    options.documentName = name;
    return options;
}

// The description and pattern strings of a picker filter.
std::vector<std::string> FilterParts(const char* filter) {
    std::vector<std::string> parts;
    for (const char* p = filter; *p != '\0'; p += parts.back().size() + 1) {
        parts.emplace_back(p);
    }
    return parts;
}

struct PathCase {
    const char* path;
    const char* folder;
    const char* name;
};

TEST(DocumentTest, PathsSplitAtTheirLastBackslash) {
    const PathCase cases[] = {
        {"C:\\Icons\\a.ico", "C:\\Icons\\", "a.ico"},
        {"%USERPROFILE%\\My Documents", "%USERPROFILE%\\", "My Documents"},
        {"C:\\Icons\\", "C:\\Icons\\", ""},
        {"a.ico", "", "a.ico"},
        {"", "", ""},
    };
    for (const PathCase& c : cases) {
        EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
        EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
    }
}

struct ProposalCase {
    const char* name;
    const char* open;
    const char* saveAs;
};

TEST(DocumentTest, NameProposals) {
    const ProposalCase cases[] = {
        {"Untitled.ico", "", "Untitled.ico"},
        {"a.ico", "a.ico", "Copy of a.ico"},
        {"untitled.ico", "untitled.ico", "Copy of untitled.ico"},
        {"Copy of a.ico", "Copy of a.ico", "Copy of Copy of a.ico"},
    };
    for (const ProposalCase& c : cases) {
        EXPECT_EQ(OpenProposal(c.name), c.open) << c.name;
        EXPECT_EQ(SaveAsProposal(c.name), c.saveAs) << c.name;
    }
    EXPECT_EQ(GridCaption("a.ico"), "Resource Grid for a.ico");
}

TEST(DocumentTest, PickersStartInTheDocumentsFolder) {
    EXPECT_EQ(PickerFolder("C:\\Icons\\a.ico", "a.ico"), "C:\\Icons\\");
    EXPECT_EQ(PickerFolder("C:\\Icons\\", "Untitled.ico"), "C:\\Icons\\");
    EXPECT_EQ(PickerFolder("%USERPROFILE%\\My Documents", "Untitled.ico"), "%USERPROFILE%\\My Documents");
    EXPECT_EQ(PickerFolder("C:\\Icons\\b.ico", "a.ico"), "C:\\Icons\\b.ico");

    const WindowOptions named = Named("C:\\Icons\\a.ico", "a.ico");
    const FilePicker open = OpenIconPicker(named);
    EXPECT_EQ(open.kind, PickerKind::Open);
    EXPECT_EQ(FilterParts(open.filter),
              (std::vector<std::string>{"Icon Files (*.ico)", "*.ico", "All Files (*.*)", "*.*"}));
    EXPECT_STREQ(open.defaultExtension, "ico");
    EXPECT_EQ(open.initialName, "a.ico");
    EXPECT_EQ(open.initialFolder, "C:\\Icons\\");
    EXPECT_EQ(open.flags, 0x1006u);

    const FilePicker save = SaveIconPicker(named);
    EXPECT_EQ(save.kind, PickerKind::Save);
    EXPECT_EQ(FilterParts(save.filter), FilterParts(open.filter));
    EXPECT_EQ(save.initialName, "Copy of a.ico");
    EXPECT_EQ(save.flags, 0x0006u);

    const FilePicker table = ColorTablePicker(named);
    EXPECT_EQ(table.kind, PickerKind::Open);
    EXPECT_EQ(FilterParts(table.filter),
              (std::vector<std::string>{"Photoshop Color Tables (*.act)", "*.act", "All Files (*.*)", "*.*"}));
    EXPECT_STREQ(table.defaultExtension, "act");
    EXPECT_EQ(table.initialName, "");
    EXPECT_EQ(table.flags, 0x1006u);

    EXPECT_EQ(OpenIconPicker(WindowOptions()).initialName, "");
}

TEST(DocumentTest, FreshStartSavesThroughSaveAsThenSilently) {
    WindowOptions options;
    FakeDocumentWindow window;
    test::FakeAlerts alerts;
    DocumentCommands commands(options, window, alerts);
    window.modified = true;
    window.picks.push_back("C:\\Icons\\a.ico");
    window.writable.insert("C:\\Icons\\a.ico");

    EXPECT_TRUE(commands.Save());
    ASSERT_EQ(window.pickers.size(), 1u);
    EXPECT_EQ(window.pickers[0].kind, PickerKind::Save);
    EXPECT_EQ(window.pickers[0].initialName, "Untitled.ico");
    EXPECT_EQ(window.pickers[0].initialFolder, "%USERPROFILE%\\My Documents");
    EXPECT_EQ(window.writes, std::vector<std::string>{"C:\\Icons\\a.ico"});  // never the folder
    EXPECT_EQ(options.documentPath, "C:\\Icons\\a.ico");
    EXPECT_EQ(options.documentName, "a.ico");
    EXPECT_EQ(window.caption, "Resource Grid for a.ico");

    window.modified = true;
    EXPECT_TRUE(commands.Save());
    EXPECT_EQ(window.pickers.size(), 1u);
    EXPECT_EQ(window.writes.size(), 2u);
    EXPECT_FALSE(window.modified);

    EXPECT_FALSE(commands.SaveAs());
    ASSERT_EQ(window.pickers.size(), 2u);
    EXPECT_EQ(window.pickers[1].initialName, "Copy of a.ico");
    EXPECT_EQ(window.pickers[1].initialFolder, "C:\\Icons\\");
    EXPECT_EQ(options.documentPath, "C:\\Icons\\a.ico");
}

TEST(DocumentTest, SaveFallsBackToSaveAsWhenTheFileCannotBeWritten) {
    WindowOptions options = Named("C:\\Locked\\a.ico", "a.ico");
    FakeDocumentWindow window;
    test::FakeAlerts alerts;
    DocumentCommands commands(options, window, alerts);
    window.picks.push_back("C:\\Icons\\b.ico");
    window.writable.insert("C:\\Icons\\b.ico");

    EXPECT_TRUE(commands.Save());
    EXPECT_TRUE(alerts.Shown().empty()) << "Save goes to Save As without a word";
    EXPECT_EQ(window.writes, (std::vector<std::string>{"C:\\Locked\\a.ico", "C:\\Icons\\b.ico"}));
    ASSERT_EQ(window.pickers.size(), 1u);
    EXPECT_EQ(window.pickers[0].initialName, "Copy of a.ico");
    EXPECT_EQ(options.documentName, "b.ico");
    EXPECT_EQ(window.caption, "Resource Grid for b.ico");
}

struct PromptCase {
    const char* what;
    bool modified;
    AlertAnswer answer;
    bool named;  // the document has a file; otherwise untitled
    bool writable;
    std::optional<std::string> pick;
    bool goOn;
    const char* nameAfter;
    bool saveAsFails;  // the file picked in Save As cannot be created, and the user is told
};

TEST(DocumentTest, ThePromptGoesOnOnlyWhenNothingIsLost) {
    const PromptCase cases[] = {
        {"unchanged", false, AlertAnswer::Cancel, true, false, std::nullopt, true, "a.ico", false},
        {"no", true, AlertAnswer::No, true, false, std::nullopt, true, "a.ico", false},
        {"cancel", true, AlertAnswer::Cancel, true, true, std::nullopt, false, "a.ico", false},
        {"yes, written", true, AlertAnswer::Yes, true, true, std::nullopt, true, "a.ico", false},
        {"yes, untitled, picker cancelled", true, AlertAnswer::Yes, false, true, std::nullopt, false, "Untitled.ico",
         false},
        {"yes, untitled, saved as", true, AlertAnswer::Yes, false, true, "C:\\Icons\\a.ico", true, "a.ico", false},
        {"yes, write failed, picker cancelled", true, AlertAnswer::Yes, true, false, std::nullopt, false, "a.ico",
         false},
        {"yes, write failed, save as failed", true, AlertAnswer::Yes, true, false, "C:\\Locked\\b.ico", false, "a.ico",
         true},
    };
    for (const PromptCase& c : cases) {
        WindowOptions options = c.named ? Named("C:\\Icons\\a.ico", "a.ico") : WindowOptions();
        FakeDocumentWindow window;
        window.modified = c.modified;
        if (c.writable) {
            window.writable.insert("C:\\Icons\\a.ico");
        }
        window.picks.push_back(c.pick);
        test::FakeAlerts alerts;
        alerts.QueueAnswer(c.answer);
        window.caption = GridCaption(options.documentName);
        DocumentCommands commands(options, window, alerts);

        EXPECT_EQ(commands.ConfirmDiscard(), c.goOn) << c.what;
        // Only a Yes that goes on has written the document.
        EXPECT_EQ(window.modified, c.modified && !(c.answer == AlertAnswer::Yes && c.goOn)) << c.what;
        // A file that was not written never names the document.
        EXPECT_EQ(options.documentName, c.nameAfter) << c.what;
        EXPECT_EQ(window.caption, GridCaption(c.nameAfter)) << c.what;
        if (!c.modified) {
            EXPECT_TRUE(alerts.Shown().empty()) << c.what;
            continue;
        }
        ASSERT_EQ(alerts.Shown().size(), c.saveAsFails ? 2u : 1u) << c.what;
        if (c.saveAsFails) {
            const Alert& failed = alerts.Shown()[1];
            EXPECT_EQ(failed.text, "Error writing .ICO file") << c.what;
            EXPECT_EQ(failed.caption, AlertCaption::Path) << c.what;
            EXPECT_EQ(failed.path, *c.pick) << c.what;
            EXPECT_EQ(failed.icon, AlertIcon::Error) << c.what;
        }
        const Alert& prompt = alerts.Shown()[0];
        EXPECT_EQ(prompt.text, c.named ? "Save changes to the icon \"a.ico\" before closing?"
                                       : "Save changes to the icon \"Untitled.ico\" before closing?");
        EXPECT_EQ(prompt.caption, AlertCaption::Product);
        EXPECT_EQ(prompt.icon, AlertIcon::Warning);
        EXPECT_EQ(prompt.buttons, AlertButtons::YesNoCancel);
    }
}

TEST(DocumentTest, NewStartsUntitledInTheFolderOfTheLastDocument) {
    WindowOptions options = Named("C:\\Icons\\a.ico", "a.ico");
    FakeDocumentWindow window;
    test::FakeAlerts alerts;
    DocumentCommands commands(options, window, alerts);
    window.caption = "Resource Grid for a.ico";
    window.modified = true;

    alerts.QueueAnswer(AlertAnswer::Cancel);
    commands.New();
    EXPECT_EQ(window.clears, 0);
    EXPECT_TRUE(window.modified);
    EXPECT_EQ(options.documentPath, "C:\\Icons\\a.ico");
    EXPECT_EQ(window.caption, "Resource Grid for a.ico");

    alerts.QueueAnswer(AlertAnswer::No);
    commands.New();
    EXPECT_EQ(window.clears, 1);
    EXPECT_EQ(options.documentPath, "C:\\Icons\\");
    EXPECT_EQ(options.documentName, "Untitled.ico");
    EXPECT_EQ(window.caption, "Resource Grid for Untitled.ico");
    EXPECT_EQ(window.repaints, 1);

    commands.SaveAs();
    EXPECT_EQ(window.pickers.back().initialFolder, "C:\\Icons\\");
    EXPECT_EQ(window.pickers.back().initialName, "Untitled.ico");

    WindowOptions fresh;
    DocumentCommands(fresh, window, alerts).New();
    EXPECT_EQ(fresh.documentPath, "%USERPROFILE%\\");
}

TEST(DocumentTest, OpenLoadsThePickedFileAndCancelChangesNothing) {
    WindowOptions options = Named("C:\\Icons\\a.ico", "a.ico");
    FakeDocumentWindow window;
    test::FakeAlerts alerts;
    DocumentCommands commands(options, window, alerts);
    window.caption = "Resource Grid for a.ico";

    commands.Open();
    ASSERT_EQ(window.pickers.size(), 1u);
    EXPECT_EQ(window.pickers[0].initialName, "a.ico");
    EXPECT_TRUE(window.reads.empty());
    EXPECT_EQ(options.documentPath, "C:\\Icons\\a.ico");
    EXPECT_EQ(options.documentName, "a.ico");

    window.picks.push_back("D:\\Art\\b.ico");
    window.readable.insert("D:\\Art\\b.ico");
    commands.Open();
    EXPECT_EQ(window.reads, std::vector<std::string>{"D:\\Art\\b.ico"});
    EXPECT_EQ(options.documentPath, "D:\\Art\\b.ico");
    EXPECT_EQ(options.documentName, "b.ico");
    EXPECT_EQ(window.caption, "Resource Grid for b.ico");
}

enum class Action { New, Open, Start };
enum class FileState { Readable, Damaged, Unopened };

struct ReplaceCase {
    const char* what;
    Action action;
    FileState file;
    bool keepsImage;  // the grid's tool tip names the image the file holds beside the slots
    const char* path;
    const char* name;
};

// Whatever replaces the grid, its tool tip names what it keeps now, never what the last document kept.
// A file that did not read is no longer the document: Save asks where, rather than overwrite it with
// what was read of it.
TEST(DocumentTest, WhatReplacesTheGridLeavesTheDocument) {
    const ReplaceCase cases[] = {
        {"new", Action::New, FileState::Readable, false, "C:\\Icons\\", "Untitled.ico"},
        {"open", Action::Open, FileState::Readable, true, "D:\\Art\\b.ico", "b.ico"},
        {"open, damaged", Action::Open, FileState::Damaged, false, "D:\\Art\\", "Untitled.ico"},
        {"open, cannot be opened", Action::Open, FileState::Unopened, false, "D:\\Art\\", "Untitled.ico"},
        {"start, damaged", Action::Start, FileState::Damaged, false, "D:\\Art\\", "Untitled.ico"},
    };
    const std::string file = "D:\\Art\\b.ico";
    const std::string keptTip =
        "This icon also holds 1 image the grid does not show; Save keeps it as it is:\r\n"
        "256 x 256 pixels as PNG, 32 bits per pixel";
    for (const ReplaceCase& c : cases) {
        FakeDocumentWindow window;
        window.readable.insert("C:\\Icons\\a.ico");
        if (c.file == FileState::Readable) {
            window.readable.insert(file);
        } else if (c.file == FileState::Damaged) {
            window.damaged.insert(file);
        }
        test::FakeAlerts alerts;
        WindowOptions options = c.action == Action::Start ? Named(file, "b.ico") : Named("C:\\Icons\\a.ico", "a.ico");
        DocumentCommands commands(options, window, alerts);
        if (c.action == Action::Start) {
            commands.LoadDocument();
        } else {
            commands.LoadDocument();  // the last document, which keeps an image too
            ASSERT_EQ(window.toolTip, keptTip) << c.what;
            window.picks.push_back(file);
            if (c.action == Action::New) {
                commands.New();
            } else {
                commands.Open();
            }
        }
        EXPECT_EQ(window.toolTip, c.keepsImage ? keptTip : "") << c.what;
        EXPECT_EQ(alerts.Shown().size(), c.file == FileState::Damaged ? 1u : 0u) << c.what;
        EXPECT_EQ(options.documentPath, c.path) << c.what;
        EXPECT_EQ(options.documentName, c.name) << c.what;
        EXPECT_EQ(window.caption, GridCaption(c.name)) << c.what;

        window.writable.insert(file);
        window.picks.clear();
        const bool untitled = options.documentName == "Untitled.ico";
        EXPECT_EQ(commands.Save(), !untitled) << c.what;
        EXPECT_EQ(window.writes.empty(), untitled) << c.what;
        if (untitled) {
            EXPECT_EQ(window.pickers.back().kind, PickerKind::Save) << c.what;
            EXPECT_EQ(window.pickers.back().initialFolder, c.path) << c.what;
        }
    }
}

TEST(DocumentTest, OpenStopsWhenTheChangesCouldNotBeSaved) {
    WindowOptions options;
    FakeDocumentWindow window;
    test::FakeAlerts alerts;
    DocumentCommands commands(options, window, alerts);
    window.modified = true;
    alerts.QueueAnswer(AlertAnswer::Yes);

    commands.Open();  // Yes, then Cancel in the save picker
    ASSERT_EQ(window.pickers.size(), 1u);
    EXPECT_EQ(window.pickers[0].kind, PickerKind::Save);
    EXPECT_TRUE(window.modified);
    EXPECT_TRUE(window.reads.empty());
}

TEST(DocumentTest, AMissingLastFileLeavesTheCaptionAndIsWrittenBackWithoutAsking) {
    WindowOptions options = Named("C:\\Gone\\a.ico", "a.ico");
    FakeDocumentWindow window;
    test::FakeAlerts alerts;
    DocumentCommands commands(options, window, alerts);

    commands.LoadDocument();
    EXPECT_EQ(window.reads, std::vector<std::string>{"C:\\Gone\\a.ico"});
    EXPECT_EQ(window.caption, "Resource Grid for Untitled.ico");
    EXPECT_EQ(window.repaints, 1);

    window.writable.insert("C:\\Gone\\a.ico");
    EXPECT_TRUE(commands.Save());
    EXPECT_TRUE(window.pickers.empty());
    EXPECT_EQ(window.caption, "Resource Grid for a.ico");
}

}  // namespace
}  // namespace tessera
