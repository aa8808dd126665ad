// The plug-in run by the standalone host as a photo editor would: the welcome dialog on the first run
// only, the About box, and the options remembered once the window has closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "driver/ui_driver_win.h"
#include "resources/resource_ids.h"

namespace tessera::test {

using namespace driver;
namespace {

constexpr const char* kSettingsKey = "Software\\Quorvane\\Tessera\\1.2";

std::string Host() {
    return "\"" + ProgramFolder() + "\\tessera-host.exe\"";
}

std::string Artwork() {
    return "\"" + WindowsPath(std::string(TESSERA_SOURCE_DIR) + "/examples/sample-artwork.png") + "\"";
}

DWORD StoredSettingsLength() {
    DWORD length = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, "Settings", RRF_RT_REG_BINARY, nullptr, nullptr, &length) !=
        ERROR_SUCCESS) {
        return 0;
    }
    return length;
}

// Opens the main window (answering the welcome dialog when it comes), then closes it with Done.
// Answers whether the welcome dialog was shown.
bool RunAndClose(bool expectWelcome) {
    Process host(Host() + " " + Artwork());
    EXPECT_TRUE(host.Started());
    bool welcomed = false;
    if (HWND welcome = WaitForWindow(host.Id(), "Using Tessera", expectWelcome ? kWaitMs : 1500)) {
        welcomed = true;
        ClickButton(welcome, IDOK);
    }
    HWND window = WaitForWindow(host.Id(), "Tessera by The Quorvane");
    EXPECT_NE(window, nullptr);
    if (window != nullptr) {
        ClickButton(window, IDCANCEL);
    }
    const std::optional<DWORD> code = host.Wait();
    EXPECT_EQ(code, 0u);
    EXPECT_NE(host.Output().find("result -128"), std::string::npos) << host.Output();
    return welcomed;
}

TEST(PluginRunTest, WelcomeOnTheFirstRunOnlyAndOptionsKeptAfterDone) {
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    EXPECT_TRUE(RunAndClose(true));
    EXPECT_EQ(StoredSettingsLength(), 2180u);
    EXPECT_FALSE(RunAndClose(false));
}

TEST(PluginRunTest, AboutBoxOpensAndClosesWithoutTouchingAnything) {
    const DWORD before = StoredSettingsLength();
    Process host(Host() + " --about");
    ASSERT_TRUE(host.Started());
    HWND about = WaitForWindow(host.Id(), "About Tessera");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(DialogItemText(about, IDOK), "Close");
    ClickButton(about, IDOK);
    EXPECT_EQ(host.Wait(), 0u);
    EXPECT_NE(host.Output().find("result 0"), std::string::npos) << host.Output();
    EXPECT_EQ(StoredSettingsLength(), before);
}

}  // namespace
}  // namespace tessera::test
