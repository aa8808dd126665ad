#include <gtest/gtest.h>

#include <functional>

#include "icon/ico_file.h"
#include "support/fake_alerts.h"
#include "support/fake_files.h"
#include "support/ico_fixtures.h"

namespace tessera {
namespace {

using test::FakeAlerts;
using test::MemoryFileSystem;

constexpr const char* kPath = "D:\\work\\app.ico";
const std::vector<uint8_t> kOldFile = {0, 0, 1, 0, 0, 0};

// Slots 3 (16 x 16 at 4 bits, 296 bytes) and 8 (48 x 48 at 32 bits, 9640 bytes): header 6, directory
// 32, first image at 38, second at 334, end at 9974.
void FillTwoSlots(ResourceGrid& grid) {
    test::FillCanonical(grid, ResourceFormat(0, 0, 0, 0), 3);
    test::FillCanonical(grid, ResourceFormat(3, 2, 0, 0), 8);
}

struct WriteFailure {
    const char* what;
    // Arranges the failure; may return a file it keeps open for the length of the write.
    std::function<std::unique_ptr<File>(MemoryFileSystem&)> arrange;
    IcoResult result;
    std::string message;
};

std::function<std::unique_ptr<File>(MemoryFileSystem&)> WriteStopsAfter(uint64_t bytes) {
    return [bytes](MemoryFileSystem& files) {
        files.faults.failWriteAfter = bytes;
        return std::unique_ptr<File>();
    };
}

TEST(IcoWriteTest, FailedSaveLeavesTheOldFileTheFlagsAndNoTemporary) {
    // A failed write says so wherever it stops; a file that cannot be made or put in place is silent,
    // and Save goes on to Save As.
    const std::string header = "Error writing .ICO file";
    const WriteFailure cases[] = {
        {"temporary cannot be made",
         [](MemoryFileSystem& files) {
             files.faults.failCreate = true;
             return std::unique_ptr<File>();
         },
         IcoResult::NotOpened, ""},
        {"nothing can be written", WriteStopsAfter(0), IcoResult::Failed, header},
        {"idType cut in half", WriteStopsAfter(3), IcoResult::Failed, header},
        {"idCount cannot be written", WriteStopsAfter(4), IcoResult::Failed, header},
        {"after the header", WriteStopsAfter(6), IcoResult::Failed, header},
        {"inside the second entry", WriteStopsAfter(6 + 16 + 7), IcoResult::Failed, header},
        {"after the directory", WriteStopsAfter(38), IcoResult::Failed, header},
        {"inside biSizeImage", WriteStopsAfter(38 + 22), IcoResult::Failed, header},
        {"in the middle of an image", WriteStopsAfter(334 + 4000), IcoResult::Failed, header},
        {"one byte short", WriteStopsAfter(9973), IcoResult::Failed, header},
        {"data does not reach the disk",
         [](MemoryFileSystem& files) {
             files.faults.failClose = true;
             return std::unique_ptr<File>();
         },
         IcoResult::Failed, header},
        {"target cannot be replaced",
         [](MemoryFileSystem& files) {
             files.faults.failReplace = true;
             return std::unique_ptr<File>();
         },
         IcoResult::NotOpened, ""},
        {"target is read-only",
         [](MemoryFileSystem& files) {
             files.SetReadOnly(kPath);
             return std::unique_ptr<File>();
         },
         IcoResult::NotOpened, ""},
        {"target is held open by someone", [](MemoryFileSystem& files) { return files.OpenExisting(kPath); },
         IcoResult::NotOpened, ""},
    };
    for (const WriteFailure& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryFileSystem files;
        files.Put(kPath, kOldFile);
        const std::unique_ptr<File> held = c.arrange(files);
        ResourceGrid grid;
        FillTwoSlots(grid);
        grid.RemoveSlot(5);
        FakeAlerts alerts;

        EXPECT_EQ(test::WriteIco(grid, kPath, files, alerts), c.result);
        if (c.message.empty()) {
            EXPECT_TRUE(alerts.Shown().empty());
        } else {
            ASSERT_EQ(alerts.Shown().size(), 1u);
            EXPECT_EQ(alerts.Shown()[0].text, c.message);
            EXPECT_EQ(alerts.Shown()[0].caption, AlertCaption::Path);
            EXPECT_EQ(alerts.Shown()[0].path, kPath);
            EXPECT_EQ(alerts.Shown()[0].icon, AlertIcon::Error);
        }
        EXPECT_EQ(files.Get(kPath), kOldFile);
        EXPECT_EQ(files.Paths(), std::vector<std::string>{kPath}) << "no temporary left behind";
        EXPECT_EQ(files.OpenCount(), held ? 1 : 0);
        EXPECT_EQ(grid.Slot(3).modified, 1);
        EXPECT_EQ(grid.Slot(5).modified, 1);
        EXPECT_EQ(grid.Slot(8).modified, 1);
        EXPECT_EQ(grid.CountPresent(), 2);
    }
}

TEST(IcoWriteTest, FailedFirstSaveLeavesNoFileAtAll) {
    MemoryFileSystem files;
    files.faults.failWriteAfter = 500;
    ResourceGrid grid;
    FillTwoSlots(grid);
    FakeAlerts alerts;
    EXPECT_EQ(test::WriteIco(grid, kPath, files, alerts), IcoResult::Failed);
    EXPECT_TRUE(files.Paths().empty());
}

TEST(IcoWriteTest, FolderInTheWayCannotBeReplaced) {
    MemoryFileSystem files;
    files.AddFolder(kPath);
    ResourceGrid grid;
    FillTwoSlots(grid);
    FakeAlerts alerts;
    EXPECT_EQ(test::WriteIco(grid, kPath, files, alerts), IcoResult::NotOpened);
    EXPECT_TRUE(files.Paths().empty());
    EXPECT_TRUE(alerts.Shown().empty());
    EXPECT_TRUE(grid.IsModified());
}

TEST(IcoWriteTest, SuccessfulSaveReplacesTheOldFileAndClearsTheFlags) {
    MemoryFileSystem files;
    files.Put(kPath, kOldFile);
    ResourceGrid grid;
    FillTwoSlots(grid);
    grid.RemoveSlot(5);
    FakeAlerts alerts;
    EXPECT_EQ(test::WriteIco(grid, kPath, files, alerts), IcoResult::Ok);
    EXPECT_EQ(files.Paths(), std::vector<std::string>{kPath});
    ASSERT_TRUE(files.Get(kPath));
    EXPECT_EQ(files.Get(kPath)->size(), 9974u);
    EXPECT_FALSE(grid.IsModified());
    EXPECT_EQ(files.OpenCount(), 0);
}

}  // namespace
}  // namespace tessera
