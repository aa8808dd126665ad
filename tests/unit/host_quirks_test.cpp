// The plug-in in hosts that fill the record and answer requests otherwise than the photo editor. A whole
// run (QuickBuild with the automatic table, so the scan runs too, Save, Apply) on the in-process host
// with each quirk switched on gives the icon, the layer and the messages of the photo editor's run,
// byte for byte; and no host is ever asked for pixels outside the image.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/module_resources.h"
#include "host/apply_to_layer.h"
#include "host/parameters_block.h"
#include "host/plugin_call.h"
#include "host/plugin_entry.h"
#include "hostapp/layer_host.h"
#include "icon/ico_file.h"
#include "support/fake_alerts.h"
#include "support/ico_fixtures.h"
#include "support/layers.h"
#include "ui/layer_render.h"
#include "ui/main_commands.h"

namespace tessera {
namespace {

// Colours that change with every pixel and a transparency that runs from clear to opaque.
Layer Artwork() {
    return test::LayerOfPixels(70, 60, 4, [](int x, int y) {
        return test::Rgba{static_cast<uint8_t>(x * 3 + y), static_cast<uint8_t>(y * 4),
                          static_cast<uint8_t>(255 - x * 2), static_cast<uint8_t>((x + y) % 7 == 0 ? 0 : 60 + 3 * x)};
    });
}

// The main window's work, without the window: every slot built by QuickBuild from squares placed
// partly outside the image, the icon saved, and Apply chosen for the 48-pixel true-colour image.
class QuickBuildAndApply final : public PluginPlatform {
  public:
    explicit QuickBuildAndApply(std::string path) : path_(std::move(path)) {}

    void ShowAbout(intptr_t) override {}
    bool IsFirstRun() override { return false; }
    void ShowWelcome(intptr_t) override {}
    int RunMainWindow(PluginCall& call, intptr_t) override {
        LayerSquareState state;
        state.useActiveTable = true;
        state.automaticTable = true;
        state.squares.positions = {Rect{-5, -4, 11, 12}, Rect{40, 50, 64, 74}, Rect{20, 20, 52, 52},
                                   Rect{-10, 30, 38, 78}};
        ResourceGrid grid;
        for (const SizeAndDepth& slot : QuickBuildList(ResourceFormat(), false, false)) {
            QuickBuildSlot(call, state, grid, SlotFormat(slot.size * 3 + slot.depth), EmbeddedResources());
        }
        if (test::WriteIco(grid, path_, PlatformFileSystem(), alerts) != IcoResult::Ok) {
            return kMainWindowDone;
        }
        ParametersBlock choice;
        choice.size = 3;
        choice.depth = 2;
        choice.mask = 1;
        choice.documentName = "quirks.ico";
        choice.documentPath = path_;
        StoreApplyChoice(*call.record, choice);
        return kMainWindowApply;
    }
    void ApplyToLayer(PluginCall& call) override { tessera::ApplyToLayer(call, PlatformFileSystem()); }
    Alerts& UserAlerts() override { return alerts; }

    test::FakeAlerts alerts;

  private:
    std::string path_;
};

QuickBuildAndApply* g_platform = nullptr;

void Entry(int16 selector, void* record, intptr_t* data, int16* result) {
    PluginEntry(selector, record, data, result, *g_platform);
}

struct Outcome {
    OSErr result = noErr;
    std::vector<uint8_t> icon;
    std::vector<uint8_t> layer;
    std::vector<std::string> messages;
    int outsideRequests = 0;
};

Outcome RunSession(const HostQuirks& quirks, const std::string& path) {
    std::filesystem::remove(path);
    QuickBuildAndApply platform(path);
    g_platform = &platform;
    LayerHost host(Artwork(), LayerHostOptions{.rowPadding = 3, .haveMask = true, .quirks = quirks});
    EXPECT_TRUE(host.SetSelection(Rect{2, 3, 58, 66}));
    Outcome outcome;
    outcome.result = host.RunFilter(&Entry).result;
    std::ifstream file(path, std::ios::binary);
    outcome.icon.assign(std::istreambuf_iterator<char>(file), {});
    const Layer& layer = host.GetLayer();
    outcome.layer.assign(layer.pixels.get(), layer.pixels.get() + layer.ByteCount());
    for (const Alert& alert : platform.alerts.Shown()) {
        outcome.messages.push_back(alert.text);
    }
    outcome.outsideRequests = host.OutsideRequests();
    g_platform = nullptr;
    return outcome;
}

TEST(HostQuirks, EveryQuirkGivesThePhotoEditorsIconAndLayer) {
    const std::string path = (std::filesystem::path(::testing::TempDir()) / "tessera_quirks.ico").string();
    const Outcome expected = RunSession(HostQuirks{}, path);
    ASSERT_EQ(noErr, expected.result);
    EXPECT_TRUE(expected.messages.empty());
    EXPECT_EQ(0, expected.outsideRequests);
    const Layer before = Artwork();
    ASSERT_NE(std::vector<uint8_t>(before.pixels.get(), before.pixels.get() + before.ByteCount()), expected.layer);
    ResourceGrid saved;
    test::FakeAlerts alerts;
    ASSERT_EQ(IcoResult::Ok, test::ReadIco(saved, path, PlatformFileSystem(), alerts));
    EXPECT_EQ(kSlotCount, saved.CountPresent());

    const struct {
        const char* what;
        HostQuirks quirks;
    } cases[] = {
        {"no padding", {.noPadding = true}},
        {"no pixel steps", {.zeroColumnBytes = true}},
        {"no absolute layer planes", {.noAbsoluteLayerPlanes = true}},
        {"rectangles clamped in place", {.clampRectsInPlace = true}},
        {"new buffers at every call", {.newBuffersEveryCall = true}},
        {"a fresh output surface", {.freshOutput = true}},
        {"no Parameters call", {.skipParameters = true}},
        {"handle sizes unknown", {.handleSizesUnknown = true}},
        {"all at once",
         {.noPadding = true,
          .zeroColumnBytes = true,
          .noAbsoluteLayerPlanes = true,
          .clampRectsInPlace = true,
          .newBuffersEveryCall = true,
          .freshOutput = true,
          .skipParameters = true,
          .handleSizesUnknown = true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = RunSession(c.quirks, path);
        EXPECT_EQ(expected.result, outcome.result);
        EXPECT_EQ(expected.messages, outcome.messages);
        EXPECT_EQ(0, outcome.outsideRequests);
        EXPECT_TRUE(expected.icon == outcome.icon);
        EXPECT_TRUE(expected.layer == outcome.layer);
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace tessera
