// The platform's file layer on a real disk: natively the POSIX one, under Wine the Windows one.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/files.h"
#include "icon/ico_file.h"
#include "support/fake_alerts.h"
#include "support/ico_fixtures.h"

namespace tessera {
namespace {

namespace fs = std::filesystem;

class PlatformFilesTest : public testing::Test {
  protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::temp_directory_path() /
                  (std::string("tessera-") + info->name() + "-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder_, error)) {
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
        }
        fs::remove_all(folder_, error);
    }

    std::string PathOf(const char* name) const { return (folder_ / name).string(); }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    static void Put(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    static std::vector<uint8_t> Get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    fs::path folder_;
    FileSystem& files_ = PlatformFileSystem();
    test::FakeAlerts alerts_;
};

const std::vector<uint8_t> kOldFile = {0, 0, 1, 0, 0, 0};

TEST_F(PlatformFilesTest, SaveAndOpenRoundTrip) {
    ResourceGrid grid;
    test::FillAllSlots(grid);
    const std::string path = PathOf("a.ico");
    Put(path, kOldFile);
    ASSERT_EQ(test::WriteIco(grid, path, files_, alerts_), IcoResult::Ok);
    EXPECT_EQ(Names(), std::vector<std::string>{"a.ico"});
    EXPECT_EQ(Get(path).size(), 29926u);

    ResourceGrid again;
    ASSERT_EQ(test::ReadIco(again, path, files_, alerts_), IcoResult::Ok);
    EXPECT_EQ(again.CountPresent(), kGridSlotCount);
    EXPECT_TRUE(alerts_.Shown().empty());
}

TEST_F(PlatformFilesTest, FileReadsInFullAndSeeksPastTheEnd) {
    const std::string path = PathOf("b.bin");
    Put(path, {1, 2, 3, 4, 5});
    std::unique_ptr<File> file = files_.OpenExisting(path);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Size(), 5u);
    uint8_t buffer[8] = {};
    EXPECT_EQ(file->Read(buffer, 8), 5u);
    EXPECT_EQ(buffer[4], 5);
    ASSERT_TRUE(file->Seek(100));
    EXPECT_EQ(file->Read(buffer, 8), 0u);
    EXPECT_TRUE(file->Close());
}

TEST_F(PlatformFilesTest, OpenFileIsSharedWithNobody) {
    const std::string path = PathOf("c.ico");
    Put(path, kOldFile);
    std::unique_ptr<File> held = files_.OpenExisting(path);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(files_.OpenExisting(path), nullptr);

    ResourceGrid grid;
    test::FillCanonical(grid, ResourceFormat(), 1);
    EXPECT_EQ(test::WriteIco(grid, path, files_, alerts_), IcoResult::NotOpened);
    held.reset();
    EXPECT_EQ(Get(path), kOldFile);
    EXPECT_EQ(Names(), std::vector<std::string>{"c.ico"});
    EXPECT_TRUE(grid.IsModified());
    EXPECT_NE(files_.OpenExisting(path), nullptr) << "free again once closed";
}

TEST_F(PlatformFilesTest, TargetsThatCannotBeReplacedAreLeftAlone) {
    ResourceGrid grid;
    test::FillCanonical(grid, ResourceFormat(), 1);

    const std::string readOnly = PathOf("d.ico");
    Put(readOnly, kOldFile);
    fs::permissions(readOnly, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    EXPECT_EQ(test::WriteIco(grid, readOnly, files_, alerts_), IcoResult::NotOpened);
    EXPECT_EQ(Get(readOnly), kOldFile);

    const std::string folder = PathOf("e.ico");
    fs::create_directory(folder);
    EXPECT_EQ(test::WriteIco(grid, folder, files_, alerts_), IcoResult::NotOpened);
    EXPECT_EQ(files_.OpenExisting(folder), nullptr) << "a folder is no file to read";

    EXPECT_EQ(test::WriteIco(grid, PathOf("missing/f.ico"), files_, alerts_), IcoResult::NotOpened);
    EXPECT_EQ(Names(), (std::vector<std::string>{"d.ico", "e.ico"}));
    EXPECT_TRUE(alerts_.Shown().empty());
    EXPECT_TRUE(grid.IsModified());
}

}  // namespace
}  // namespace tessera
