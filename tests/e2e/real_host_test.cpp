// Tessera inside pspiHost, a host engine nobody here wrote (PhotoDemon runs filters through it), which
// fills the filter record its own way: no pixel steps, no absolute layer planes, no padding, no owner
// window, no handle sizes. The same session as a user would work it (the welcome dialog of a first run,
// QuickBuild, Save As, Apply) must give the icon and the layer that tessera-host gives.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "driver/ui_driver_win.h"
#include "resources/resource_ids.h"
#include "tessera_session.h"

namespace tessera::test {

using namespace driver;
namespace {

struct SessionResult {
    std::vector<uint8_t> icon;
    std::optional<Layer> layer;
};

SessionResult RunSession(const std::string& program, const TempFolder& folder, const std::string& name) {
    const std::string artwork = WindowsPath(std::string(TESSERA_SOURCE_DIR) + "/examples/sample-artwork.png");
    const std::string icon = folder.File(name + ".ico");
    const std::string applied = folder.File(name + ".png");
    SessionResult result;
    {
        HostSession run(artwork, true, "--output \"" + applied + "\"", {}, program);
        if (run.Window() == nullptr) {
            ADD_FAILURE() << program << ": no main window";
            return result;
        }
        EXPECT_TRUE(ClickButtonAndWait(run.Window(), IDC_QUICKBUILD, 20000)) << program;
        PostCommand(run.Window(), ID_FILE_SAVE_AS);
        EXPECT_TRUE(FillFileDialog(run.Id(), "Save As", icon)) << program;
        EXPECT_TRUE(WaitUntil(5000, [&] { return run.GridCaption() == "Resource Grid for " + name + ".ico"; }))
            << program;
        // The 16-colour image: its colours are not the layer's, so the applied square shows.
        EXPECT_TRUE(ClickButtonAndWait(run.Window(), IDC_DEPTH_16)) << program;
        ClickButton(run.Window(), IDOK);  // Apply to Photoshop Layer
        run.ExpectEnded(0);
    }
    std::ifstream in(icon, std::ios::binary);
    result.icon.assign(std::istreambuf_iterator<char>(in), {});
    std::string error;
    result.layer = ReadPngLayer(applied, error);
    EXPECT_TRUE(result.layer) << program << ": " << error;
    return result;
}

TEST(RealHost, PspiHostRunsTheSessionTesseraHostRuns) {
    const TempFolder folder;
    const SessionResult expected = RunSession("tessera-host.exe", folder, "photo-editor");
    const SessionResult engine = RunSession("pspi-run.exe", folder, "pspihost");

    const std::optional<std::vector<std::pair<int, int>>> slots = IcoSlots(folder.File("pspihost.ico"));
    ASSERT_TRUE(slots);
    EXPECT_EQ(12u, slots->size());
    EXPECT_TRUE(expected.icon == engine.icon) << "the icons differ";
    ASSERT_TRUE(expected.layer && engine.layer);
    std::string error;
    const std::optional<Layer> artwork =
        ReadPngLayer(WindowsPath(std::string(TESSERA_SOURCE_DIR) + "/examples/sample-artwork.png"), error);
    ASSERT_TRUE(artwork) << error;
    EXPECT_NE(0, std::memcmp(artwork->pixels.get(), expected.layer->pixels.get(), artwork->ByteCount()))
        << "Apply wrote nothing";
    ASSERT_EQ(expected.layer->ByteCount(), engine.layer->ByteCount());
    EXPECT_EQ(0, std::memcmp(expected.layer->pixels.get(), engine.layer->pixels.get(), expected.layer->ByteCount()))
        << "the applied layers differ";
}

}  // namespace
}  // namespace tessera::test
