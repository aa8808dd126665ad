#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "base/byte_reader.h"
#include "base/utf.h"
#include "host/parameters_block.h"
#include "host/plugin_call.h"
#include "host/plugin_entry.h"
#include "support/fake_alerts.h"
#include "support/fake_files.h"

namespace tessera {
namespace {

// Decoded where no file exists, so stored names read as they are.
ParametersBlock Decode(std::span<const uint8_t, kParametersBlockSize> bytes) {
    test::MemoryFileSystem noFiles;
    return DecodeParametersBlock(bytes, noFiles);
}

class FakePlatform final : public PluginPlatform {
  public:
    void ShowAbout(intptr_t owner) override { aboutOwners.push_back(owner); }
    bool IsFirstRun() override { return firstRun; }
    void ShowWelcome(intptr_t owner) override { welcomeOwners.push_back(owner); }
    int RunMainWindow(PluginCall& call, intptr_t owner) override {
        windowOwners.push_back(owner);
        if (windowSetsResult) {
            call.result = -1;  // as a failed fetch inside the window would
        }
        return endCode;
    }
    void ApplyToLayer(PluginCall& call) override {
        ++applied;
        call.result = applyResult;
    }
    Alerts& UserAlerts() override { return alerts; }

    bool firstRun = false;
    bool windowSetsResult = false;
    int endCode = kMainWindowDone;
    OSErr applyResult = noErr;
    int applied = 0;
    std::vector<intptr_t> aboutOwners, welcomeOwners, windowOwners;
    test::FakeAlerts alerts;
};

// Handle procs over a single static block, with switches for failing hosts.
struct FakeHandles {
    static inline std::vector<char> storage;
    static inline char* master = nullptr;
    static inline int newCalls = 0;
    static inline int locks = 0;
    static inline int unlocks = 0;
    static inline bool failNew = false;
    static inline bool failLock = false;
    static inline int disposals = 0;
    static inline int32 reportedSize = -1;  // what getSizeProc answers; -1: the true size

    static Handle New(int32 size) {
        ++newCalls;
        if (failNew) {
            return nullptr;
        }
        storage.assign(static_cast<size_t>(size), '\x5A');  // garbage, as fresh host memory may hold
        master = storage.data();
        return &master;
    }
    static void Dispose(Handle) { ++disposals; }
    static int32 GetSize(Handle) { return reportedSize >= 0 ? reportedSize : static_cast<int32>(storage.size()); }
    static Ptr Lock(Handle h, Boolean) {
        ++locks;
        return failLock ? nullptr : *h;
    }
    static void Unlock(Handle) { ++unlocks; }
    static void Reset() {
        storage.clear();
        master = nullptr;
        newCalls = locks = unlocks = disposals = 0;
        failNew = failLock = false;
        reportedSize = -1;
    }
};

HandleProcs FullProcs() {
    HandleProcs procs{};
    procs.handleProcsVersion = 1;
    procs.numHandleProcs = 8;
    procs.newProc = &FakeHandles::New;
    procs.disposeProc = &FakeHandles::Dispose;
    procs.getSizeProc = &FakeHandles::GetSize;
    procs.lockProc = &FakeHandles::Lock;
    procs.unlockProc = &FakeHandles::Unlock;
    return procs;
}

class PluginEntryTest : public testing::Test {
  protected:
    void SetUp() override {
        FakeHandles::Reset();
        std::memset(&record, 0, sizeof(record));
        procs = FullProcs();
        record.handleProcs = &procs;
        record.platformData = &platformData;
    }

    OSErr Call(int16 selector, int16 hostResult = 0) {
        int16 result = hostResult;
        data = 12345;
        PluginEntry(selector, &record, &data, &result, platform);
        return result;
    }

    FilterRecord record;
    HandleProcs procs;
    PlatformData platformData{0x1234};
    intptr_t data = 0;
    FakePlatform platform;
};

TEST_F(PluginEntryTest, SelectorsAnswerTheirResultsAndAlwaysClearTheDataValue) {
    struct Case {
        int16 selector;
        int16 hostResult;
        OSErr expected;
    };
    const Case cases[] = {
        {filterSelectorPrepare, 7, noErr},
        {filterSelectorContinue, 7, noErr},
        {filterSelectorFinish, 7, noErr},
        {6, 7, 7},
        {-3, -99, -99},
        {filterSelectorParameters, 7, noErr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Call(c.selector, c.hostResult), c.expected) << "selector " << c.selector;
        EXPECT_EQ(data, 0) << "selector " << c.selector;
    }
}

TEST_F(PluginEntryTest, AboutReadsOnlyTheAboutRecord) {
    AboutRecord about{};
    PlatformData owner{0x4321};
    about.platformData = &owner;
    int16 result = 9;
    PluginEntry(filterSelectorAbout, &about, &data, &result, platform);
    EXPECT_EQ(result, noErr);
    ASSERT_EQ(platform.aboutOwners.size(), 1u);
    EXPECT_EQ(platform.aboutOwners[0], 0x4321);

    about.platformData = nullptr;
    PluginEntry(filterSelectorAbout, &about, &data, &result, platform);
    PluginEntry(filterSelectorAbout, nullptr, nullptr, nullptr, platform);
    EXPECT_EQ(platform.aboutOwners, (std::vector<intptr_t>{0x4321, 0, 0}));
}

TEST_F(PluginEntryTest, FirstParametersCallMakesAClearedBlock) {
    EXPECT_EQ(Call(filterSelectorParameters), noErr);
    ASSERT_TRUE(record.parameters != nullptr);  // by value: the packed field is not aligned for a reference
    ASSERT_EQ(FakeHandles::storage.size(), kParametersBlockSize);
    const auto* p = reinterpret_cast<const uint8_t*>(FakeHandles::storage.data());
    EXPECT_EQ(LoadU32LE(p), 1u);
    for (int offset = 4; offset < 24; ++offset) {
        EXPECT_EQ(p[offset], 0) << offset;
    }
    EXPECT_EQ(p[24], 0);
    EXPECT_EQ(p[280], 0);
    EXPECT_EQ(FakeHandles::locks, FakeHandles::unlocks);
}

TEST_F(PluginEntryTest, SecondParametersCallKeepsTheLastRunsChoice) {
    Call(filterSelectorParameters);
    ParametersBlock block;
    block.marker = 0;
    block.size = 2;
    block.depth = 1;
    block.mask = 0;
    block.view = 2;
    block.documentName = "a.ico";
    block.documentPath = "C:\\icons\\a.ico";
    EncodeParametersBlock(block, std::span<uint8_t, kParametersBlockSize>(
                                     reinterpret_cast<uint8_t*>(FakeHandles::storage.data()), kParametersBlockSize));
    EXPECT_EQ(Call(filterSelectorParameters), noErr);
    EXPECT_EQ(FakeHandles::newCalls, 1);
    const ParametersBlock kept = Decode(std::span<const uint8_t, kParametersBlockSize>(
        reinterpret_cast<const uint8_t*>(FakeHandles::storage.data()), kParametersBlockSize));
    EXPECT_EQ(kept.marker, 1);
    EXPECT_EQ(kept.size, 2);
    EXPECT_EQ(kept.depth, 1);
    EXPECT_EQ(kept.view, 2);
    EXPECT_EQ(kept.documentName, "a.ico");
    EXPECT_EQ(kept.documentPath, "C:\\icons\\a.ico");
}

TEST_F(PluginEntryTest, AKeptHandleTooSmallForTheBlockStartsAgain) {
    struct Case {
        const char* what;
        size_t kept;         // bytes of the handle the host gives back
        int32 reportedSize;  // what its getSizeProc says (-1: the truth)
        bool replaced;
    };
    const Case cases[] = {
        {"a whole block", kParametersBlockSize, -1, false},
        {"larger than a block", kParametersBlockSize + 20, -1, false},
        {"short", 100, -1, true},
        {"one byte", 1, -1, true},
        {"a host that cannot tell", kParametersBlockSize, 0, false},
    };
    for (const Case& c : cases) {
        SetUp();
        FakeHandles::storage.assign(c.kept, '\x33');
        FakeHandles::master = FakeHandles::storage.data();
        FakeHandles::reportedSize = c.reportedSize;
        record.parameters = &FakeHandles::master;
        EXPECT_EQ(Call(filterSelectorParameters), noErr) << c.what;
        EXPECT_EQ(FakeHandles::newCalls, c.replaced ? 1 : 0) << c.what;
        EXPECT_EQ(FakeHandles::disposals, c.replaced ? 1 : 0) << c.what;
        ASSERT_GE(FakeHandles::storage.size(), kParametersBlockSize) << c.what;
        const auto* p = reinterpret_cast<const uint8_t*>(FakeHandles::storage.data());
        EXPECT_EQ(LoadU32LE(p), 1u) << c.what;
        EXPECT_EQ(LoadU32LE(p + 4), c.replaced ? 0u : 0x33333333u) << c.what;
    }
}

TEST_F(PluginEntryTest, ParametersFailuresOfTheHost) {
    struct Case {
        const char* what;
        void (*breakHost)(HandleProcs&);
        OSErr expected;
        bool handleKept;
    };
    const Case cases[] = {
        {"newProc fails", [](HandleProcs&) { FakeHandles::failNew = true; }, nilHandleErr, false},
        {"newProc null", [](HandleProcs& p) { p.newProc = nullptr; }, nilHandleErr, false},
        {"no procs declared", [](HandleProcs& p) { p.numHandleProcs = 0; }, nilHandleErr, false},
        {"lockProc fails", [](HandleProcs&) { FakeHandles::failLock = true; }, paramErr, true},
        {"lockProc null", [](HandleProcs& p) { p.lockProc = nullptr; }, paramErr, true},
        {"lock beyond numHandleProcs", [](HandleProcs& p) { p.numHandleProcs = 4; }, paramErr, true},
    };
    for (const Case& c : cases) {
        SetUp();
        c.breakHost(procs);
        EXPECT_EQ(Call(filterSelectorParameters), c.expected) << c.what;
        EXPECT_EQ(record.parameters != nullptr, c.handleKept) << c.what;
    }
    SetUp();
    record.handleProcs = nullptr;
    EXPECT_EQ(Call(filterSelectorParameters), nilHandleErr);
}

TEST_F(PluginEntryTest, UnlockBeyondNumHandleProcsIsSkipped) {
    procs.numHandleProcs = 5;
    EXPECT_EQ(Call(filterSelectorParameters), noErr);
    EXPECT_EQ(FakeHandles::unlocks, 0);
}

TEST_F(PluginEntryTest, StartEndCodesDecideTheResult) {
    struct Case {
        int endCode;
        OSErr expected;
        int applied;
        size_t messages;
    };
    const Case cases[] = {
        {kMainWindowDone, userCanceledErr, 0, 0},
        {kMainWindowApply, noErr, 1, 0},
        {kMainWindowFailed, userCanceledErr, 0, 1},
        {0, 42, 0, 0},
        {7, 42, 0, 0},
    };
    for (const Case& c : cases) {
        SetUp();
        platform = FakePlatform();
        platform.endCode = c.endCode;
        // Whatever the window left requested, the host sees nothing more to do.
        record.inRect = record.outRect = record.maskRect = Rect{1, 2, 3, 4};
        EXPECT_EQ(Call(filterSelectorStart, 42), c.expected) << "end code " << c.endCode;
        EXPECT_TRUE(record.inRect == Rect{} && record.outRect == Rect{} && record.maskRect == Rect{});
        // A host that never called Parameters still gets the block Apply needs.
        EXPECT_TRUE(record.parameters != nullptr) << "end code " << c.endCode;
        EXPECT_EQ(FakeHandles::newCalls, 1);
        EXPECT_EQ(platform.applied, c.applied) << "end code " << c.endCode;
        ASSERT_EQ(platform.alerts.Shown().size(), c.messages) << "end code " << c.endCode;
        if (c.messages != 0) {
            const Alert& a = platform.alerts.Shown()[0];
            EXPECT_EQ(a.text, "Can't open application window.");
            EXPECT_EQ(a.caption, AlertCaption::Product);
            EXPECT_EQ(a.icon, AlertIcon::Warning);
            EXPECT_EQ(a.buttons, AlertButtons::Ok);
        }
        EXPECT_EQ(data, 0);
    }
}

TEST_F(PluginEntryTest, ApplyReportsWhatWritingIntoTheLayerReports) {
    platform.endCode = kMainWindowApply;
    platform.applyResult = paramErr;
    EXPECT_EQ(Call(filterSelectorStart), paramErr);
}

TEST_F(PluginEntryTest, AnErrorLeftByTheWindowSurvivesAnUnknownEndCode) {
    platform.endCode = 5;
    platform.windowSetsResult = true;
    EXPECT_EQ(Call(filterSelectorStart), -1);
}

TEST_F(PluginEntryTest, WelcomeOnlyOnTheFirstRunAndOwnedByTheHostWindow) {
    platform.firstRun = true;
    Call(filterSelectorStart);
    platform.firstRun = false;
    Call(filterSelectorStart);
    EXPECT_EQ(platform.welcomeOwners, (std::vector<intptr_t>{0x1234}));
    EXPECT_EQ(platform.windowOwners, (std::vector<intptr_t>{0x1234, 0x1234}));
    record.platformData = nullptr;
    Call(filterSelectorStart);
    EXPECT_EQ(platform.windowOwners.back(), 0);
}

TEST_F(PluginEntryTest, NullPointersFromTheHostAreNeverWrittenThrough) {
    for (int16 selector = -1; selector <= 6; ++selector) {
        PluginEntry(selector, nullptr, nullptr, nullptr, platform);
        int16 result = 3;
        PluginEntry(selector, nullptr, &data, &result, platform);
        if (selector == filterSelectorParameters || selector == filterSelectorStart) {
            EXPECT_EQ(result, paramErr) << selector;
        }
    }
    EXPECT_EQ(platform.windowOwners.size(), 0u);
}

TEST(ParametersBlockTest, LongNamesAreCutWithTheirTerminator) {
    ParametersBlock block;
    block.documentName = std::string(300, 'n');
    block.documentPath = std::string(2000, 'p');
    std::array<uint8_t, kParametersBlockSize> bytes{};
    EncodeParametersBlock(block, bytes);
    EXPECT_EQ(bytes[24 + 255], 0);
    EXPECT_EQ(bytes[280 + 1023], 0);
    const ParametersBlock back = Decode(bytes);
    EXPECT_EQ(back.documentName, std::string(255, 'n'));
    // A path that does not fit keeps its start and the mark that no file name holds.
    EXPECT_EQ(back.documentPath, std::string(1022, 'p') + kCutPathMark);
    EXPECT_EQ(back.pathState, StoredPath::TooLong);
}

// Names are UTF-8 in the same fields; an older block's ANSI names read as the names they were, and a
// name is never cut inside a character.
TEST(ParametersBlockTest, NamesAreUtf8AndOlderAnsiNamesReadAsTheyWere) {
    const std::string e = "\xC3\xA9";  // é in UTF-8
    struct Case {
        const char* name;
        std::string storedName;  // the bytes in the field
        std::string storedPath;
        std::string readName;
        std::string readPath;
        StoredPath pathState;
        std::string existing = {};  // a file that exists
    };
    const Case cases[] = {
        {"UTF-8", "\xD0\x98\xE5\x9B\xBE.ico", "C:\\\xF0\x9F\x8E\xA8\\a.ico", "\xD0\x98\xE5\x9B\xBE.ico",
         "C:\\\xF0\x9F\x8E\xA8\\a.ico", StoredPath::Whole},
        {"ANSI of an older block", "\xE9\xFC.ico", "C:\\\xE9\\\xFC.ico", e + "\xC3\xBC.ico",
         "C:\\" + e + "\\\xC3\xBC.ico", StoredPath::Whole},
        // \xC3\xA9 is the UTF-8 of e-acute and the Windows-1252 of A-tilde and the copyright sign.
        {"ANSI that is UTF-8 too, naming a file only as ANSI", "\xC3\xA9.ico", "C:\\\xC3\xA9.ico",
         "\xC3\x83\xC2\xA9.ico", "C:\\\xC3\x83\xC2\xA9.ico", StoredPath::Whole, "C:\\\xC3\x83\xC2\xA9.ico"},
        {"at the limit", std::string(254, 'n') + e, "C:\\a.ico", std::string(254, 'n'), "C:\\a.ico", StoredPath::Whole},
        {"a path at the limit", "a.ico", std::string(1021, 'p') + e, "a.ico", std::string(1021, 'p') + e,
         StoredPath::Whole},
        {"a path one byte over, cut before its last character", "a.ico", std::string(1022, 'p') + e, "a.ico",
         std::string(1022, 'p') + kCutPathMark, StoredPath::TooLong},
#ifndef _WIN32
        {"neither UTF-8 nor ANSI", "a.ico", "C:\\\x81.ico", "a.ico", "", StoredPath::NotText},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::array<uint8_t, kParametersBlockSize> bytes{};
        if (IsUtf8(c.storedName) && IsUtf8(c.storedPath)) {
            ParametersBlock block;
            block.documentName = c.storedName;
            block.documentPath = c.storedPath;
            EncodeParametersBlock(block, bytes);
        } else {
            std::copy(c.storedName.begin(), c.storedName.end(), bytes.begin() + 24);
            std::copy(c.storedPath.begin(), c.storedPath.end(), bytes.begin() + 280);
        }
        test::MemoryFileSystem files;
        if (!c.existing.empty()) {
            files.Put(c.existing, {});
        }
        const ParametersBlock back = DecodeParametersBlock(bytes, files);
        EXPECT_EQ(c.readName, back.documentName);
        EXPECT_EQ(c.readPath, back.documentPath);
        EXPECT_EQ(c.pathState, back.pathState);
    }
}

}  // namespace
}  // namespace tessera

namespace tessera {
namespace {

TEST_F(PluginEntryTest, ApplyChoiceKeepsMarkerAndReservedWord) {
    Call(filterSelectorParameters);
    auto* bytes = reinterpret_cast<uint8_t*>(FakeHandles::storage.data());
    StoreU32LE(bytes + 20, 0xABCD);
    ParametersBlock choice;
    choice.size = 1;
    choice.depth = 2;
    choice.mask = 1;
    choice.view = 2;
    choice.documentName = "b.ico";
    choice.documentPath = "C:\\x\\b.ico";
    ASSERT_TRUE(StoreApplyChoice(record, choice));
    const ParametersBlock stored = Decode(std::span<const uint8_t, kParametersBlockSize>(bytes, kParametersBlockSize));
    EXPECT_EQ(stored.marker, 1);
    EXPECT_EQ(stored.reserved, 0xABCD);
    EXPECT_EQ(stored.size, 1);
    EXPECT_EQ(stored.depth, 2);
    EXPECT_EQ(stored.mask, 1);
    EXPECT_EQ(stored.view, 2);
    EXPECT_EQ(stored.documentName, "b.ico");
    EXPECT_EQ(stored.documentPath, "C:\\x\\b.ico");
    EXPECT_EQ(FakeHandles::locks, FakeHandles::unlocks);

    FakeHandles::failLock = true;
    EXPECT_FALSE(StoreApplyChoice(record, choice));
    record.parameters = nullptr;
    EXPECT_FALSE(StoreApplyChoice(record, choice));
}

}  // namespace
}  // namespace tessera
