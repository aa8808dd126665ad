// A day in one host: one process runs whole sessions one after another (welcome, QuickBuild, the
// Windows Sizes dialog with Build All, the Test dialog, Save As, Open, Apply), with the plug-in's DLL
// kept loaded, freed and loaded again at another base, and with a host that refuses memory. After the second session,
// nothing grows: GDI objects, windows, kernel handles and (DLL kept loaded) private memory.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/ui_driver_win.h"

namespace tessera::test {
namespace {

using namespace driver;

struct SessionFigures {
    int session = 0;
    long long gdi = 0;
    long long windows = 0;
    long long handles = 0;
    long long privateBytes = 0;
};

// What the system's own pickers leave behind for one session's two picks, as session-soak measures it.
long long PickerHandles(const std::string& output) {
    long long handles = 0;
    std::sscanf(output.c_str(), "pickers %lld", &handles);
    return handles;
}

std::vector<SessionFigures> ParseFigures(const std::string& output) {
    std::vector<SessionFigures> sessions;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        SessionFigures f;
        if (std::sscanf(line.c_str(), "session %d gdi %lld windows %lld handles %lld private %lld", &f.session, &f.gdi,
                        &f.windows, &f.handles, &f.privateBytes) == 5) {
            sessions.push_back(f);
        }
    }
    return sessions;
}

struct SoakCase {
    const char* mode;
    int sessions;
    bool memory;  // private memory is held to the second session's too
};

TEST(SessionSoak, NothingOutlivesItsSession) {
    const std::string artwork = WindowsPath(std::string(TESSERA_SOURCE_DIR) + "/examples/sample-artwork.png");
    for (const SoakCase& c :
         {SoakCase{"kept", 12, true}, SoakCase{"reloaded", 12, false}, SoakCase{"refused", 6, true}}) {
        SCOPED_TRACE(c.mode);
        const TempFolder folder;
        Process soak("\"" + ProgramFolder() + "\\session-soak.exe\" \"" + artwork + "\" " + std::to_string(c.sessions) +
                     " " + c.mode + " \"" + folder.Path() + "\"");
        ASSERT_TRUE(soak.Started());
        EXPECT_EQ(std::optional<DWORD>(0), soak.Wait(900000));
        const std::string output = soak.Output();
        const std::vector<SessionFigures> sessions = ParseFigures(output);
        ASSERT_EQ(static_cast<size_t>(c.sessions), sessions.size()) << output;
        const SessionFigures& second = sessions[1];
        const SessionFigures& last = sessions.back();
        // Wine may make an object of its own once, some sessions in; a leak grows every session, so the
        // second half of the run must hold steady.
        const SessionFigures& middle = sessions[sessions.size() / 2];
        EXPECT_EQ(middle.gdi, last.gdi) << output;
        EXPECT_EQ(second.windows, last.windows) << output;
        // The system's pickers may keep what they keep; nothing more may stay.
        const long long pickers = std::string_view(c.mode) == "refused" ? 0 : PickerHandles(output);
        EXPECT_LE(last.handles - second.handles, pickers * (c.sessions - 2)) << output;
        if (c.memory) {
            // The heap settles over a few sessions (a session that builds the 256-pixel image and draws
            // 1024-pixel icons takes three); a grid's worth of blocks (30 KiB) a session would not settle.
            EXPECT_LE(last.privateBytes - middle.privateBytes, 64 * 1024) << output;
        }
    }
}

}  // namespace
}  // namespace tessera::test
