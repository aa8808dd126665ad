// The standalone host end to end. Apply to Photoshop Layer: tessera-host.exe runs the plug-in on a PNG
// layer, the main window opens a saved icon file and ends with Apply, and the layer that comes back
// holds exactly the chosen resource, centred in the selection, with every other pixel as it was. Done
// gives the layer back untouched; bad command lines and images end with their exit codes.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>

#include "base/files.h"
#include "base/win_handles_win.h"
#include "driver/ui_driver_win.h"
#include "hostapp/layer_host.h"
#include "hostapp/png.h"
#include "icon/ico_file.h"
#include "icon/resource_grid.h"
#include "resources/resource_ids.h"
#include "support/fake_alerts.h"
#include "support/ico_fixtures.h"
#include "support/layers.h"

namespace tessera::test {

using namespace driver;
namespace {

constexpr const char* kMainWindowCaption = "Tessera by The Quorvane";
constexpr const char* kWelcomeCaption = "Using Tessera";

// The layer the host starts from: a pattern in every plane, so a pixel written by mistake shows.
Layer StartLayer(int width, int height, int planes) {
    return LayerOfPixels(width, height, planes, [](int x, int y) {
        return Rgba{static_cast<uint8_t>(x * 2), static_cast<uint8_t>(y * 3), static_cast<uint8_t>(x + y),
                    static_cast<uint8_t>(40 + x)};
    });
}

bool MaskedAt(int x, int y) {
    return (x + 2 * y) % 5 == 0;
}

// The resource at square pixel (x, y), top row first, as red, green, blue, alpha; the alpha of a
// paletted image is its mask (0 masked, 255 not).
void ResourcePixel(int bits, int x, int y, uint8_t rgba[4]) {
    if (bits == 32) {
        rgba[0] = static_cast<uint8_t>((x + y) * 2);
        rgba[1] = static_cast<uint8_t>(y * 5);
        rgba[2] = static_cast<uint8_t>(x * 5);
        rgba[3] = static_cast<uint8_t>(x * y);
        return;
    }
    const int i = (x + y) % 16;
    rgba[0] = static_cast<uint8_t>(i * 16);
    rgba[1] = static_cast<uint8_t>(255 - i * 16);
    rgba[2] = static_cast<uint8_t>(i * 8);
    rgba[3] = MaskedAt(x, y) ? 0 : 255;
}

bool WriteIcon(const std::string& path, const ResourceFormat& format) {
    ResourceGrid grid;
    grid.PrepareResource(format);
    ResourceBits rb;
    grid.GetResourceBits(format, rb);
    const int side = format.PixelSize();
    const int bits = ResourceGrid::FormatGeometry(format).bitsPerPixel;
    for (int i = 0; bits == 4 && i < 16; ++i) {
        uint8_t rgba[4];
        ResourcePixel(bits, i, 0, rgba);  // entry i is the colour of pixel (i, 0)
        rb.colorTable[i * 4 + 0] = rgba[2];
        rb.colorTable[i * 4 + 1] = rgba[1];
        rb.colorTable[i * 4 + 2] = rgba[0];
    }
    for (int y = 0; y < side; ++y) {
        uint8_t* row = rb.colorRows + (side - 1 - y) * rb.colorStride;
        uint8_t* mask = rb.maskRows + (side - 1 - y) * rb.maskStride;
        for (int x = 0; x < side; ++x) {
            uint8_t rgba[4];
            ResourcePixel(bits, x, y, rgba);
            if (bits == 32) {
                row[x * 4 + 0] = rgba[2];
                row[x * 4 + 1] = rgba[1];
                row[x * 4 + 2] = rgba[0];
                row[x * 4 + 3] = rgba[3];
            } else {
                row[x / 2] = static_cast<uint8_t>(row[x / 2] | (((x + y) % 16) << (x % 2 == 0 ? 4 : 0)));
                if (MaskedAt(x, y)) {
                    mask[x / 8] = static_cast<uint8_t>(mask[x / 8] | (0x80 >> (x % 8)));
                }
            }
        }
    }
    FakeAlerts alerts;
    return test::WriteIco(grid, path, PlatformFileSystem(), alerts) == IcoResult::Ok;
}

// What the layer must hold at (x, y) after Apply put the resource's square at (left, top).
void ExpectedPixel(const Layer& start, int bits, int side, int left, int top, int x, int y, uint8_t* out) {
    const uint8_t* before = start.At(x, y);
    for (int p = 0; p < start.planes; ++p) {
        out[p] = before[p];
    }
    if (x < left || x >= left + side || y < top || y >= top + side) {
        return;
    }
    uint8_t rgba[4];
    ResourcePixel(bits, x - left, y - top, rgba);
    const bool masked = bits != 32 && rgba[3] == 0;
    for (int p = 0; p < 3; ++p) {
        out[p] = masked && start.planes == 3 ? 255 : rgba[p];
    }
    if (start.planes == 4) {
        out[3] = rgba[3];
    }
}

struct ApplyCase {
    const char* name;
    int width;
    int height;
    int planes;
    const char* selection;  // --selection, or none for the whole image
    int size;
    int depth;
    int sizeButton;
    int depthButton;
    int left;  // where the square must land
    int top;
};

std::string HostCommand(const std::string& arguments) {
    return "\"" + ProgramFolder() + "\\tessera-host.exe\" " + arguments;
}

// The plug-in's result as the host printed it, on a line "result N"; none when there is no such line.
std::optional<int> ReportedResult(const std::string& output) {
    size_t at = output.starts_with("result ") ? 0 : output.find("\nresult ");
    if (at == std::string::npos) {
        return std::nullopt;
    }
    at = output.find(' ', at) + 1;
    return std::atoi(output.c_str() + at);
}

// Waits for the main window, answering the welcome dialog of a first run on the way.
HWND WaitForMainWindow(const Process& host) {
    if (HWND welcome = WaitForWindow(host.Id(), kWelcomeCaption, 5000)) {
        ClickButton(welcome, IDOK);
    }
    return WaitForWindow(host.Id(), kMainWindowCaption);
}

class ApplyEndToEnd : public ::testing::TestWithParam<ApplyCase> {};

TEST_P(ApplyEndToEnd, TheLayerGetsTheSavedResourceCentred) {
    const ApplyCase c = GetParam();
    TempFolder folder;
    const std::string layerPath = folder.File("layer.png");
    const std::string iconPath = folder.File("saved.ico");
    const std::string outPath = folder.File("applied.png");
    const Layer start = StartLayer(c.width, c.height, c.planes);
    std::string error;
    ASSERT_TRUE(WritePngLayer(start, layerPath, error)) << error;
    const ResourceFormat format(c.size, c.depth, 1, 0);
    ASSERT_TRUE(WriteIcon(iconPath, format));

    std::string command = HostCommand("\"" + layerPath + "\" --output \"" + outPath + "\"");
    if (c.selection != nullptr) {
        command += std::string(" --selection ") + c.selection;
    }
    Process host(command);
    ASSERT_TRUE(host.Started());
    HWND window = WaitForMainWindow(host);
    ASSERT_NE(nullptr, window);
    PostCommand(window, ID_FILE_OPEN);
    ASSERT_TRUE(FillFileDialog(host.Id(), "Open", iconPath));
    ClickButton(window, c.sizeButton);
    ClickButton(window, c.depthButton);
    ClickButton(window, IDOK);
    if (const std::optional<MessageBoxSeen> box = WaitForMessageBox(host.Id(), 1500)) {
        AnswerMessageBox(*box, IDNO);
        FAIL() << "unexpected message: " << box->text;
    }
    const std::optional<DWORD> code = host.Wait();
    ASSERT_TRUE(code);
    EXPECT_EQ(0u, *code);
    EXPECT_EQ(std::optional<int>(0), ReportedResult(host.Output())) << host.Output();

    const std::optional<Layer> applied = ReadPngLayer(outPath, error);
    ASSERT_TRUE(applied) << error;
    ASSERT_EQ(c.width, applied->width);
    ASSERT_EQ(c.height, applied->height);
    ASSERT_EQ(c.planes, applied->planes);
    const int bits = ResourceGrid::FormatGeometry(format).bitsPerPixel;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            uint8_t want[4];
            ExpectedPixel(start, bits, format.PixelSize(), c.left, c.top, x, y, want);
            for (int p = 0; p < c.planes; ++p) {
                ASSERT_EQ(want[p], applied->At(x, y)[p]) << "pixel " << x << ", " << y << " plane " << p;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layers,
    ApplyEndToEnd,
    ::testing::Values(
        // 48 x 48 true colour into a 101 x 60 layer with transparency: alpha goes in as it is.
        ApplyCase{"TrueColourWithTransparency", 101, 60, 4, nullptr, 3, 2, IDC_SIZE_HUGE, IDC_DEPTH_TRUE, 26, 6},
        // 16 x 16 at 4 bits into part of a layer without transparency: masked pixels turn white.
        ApplyCase{"SixteenColoursOnOpaqueLayer", 63, 50, 3, "10,5,46,41", 0, 0, IDC_SIZE_SMALL, IDC_DEPTH_16, 20, 15}),
    [](const ::testing::TestParamInfo<ApplyCase>& param) { return std::string(param.param.name); });

class HostRoundTrip : public ::testing::TestWithParam<int> {};

// Done cancels the run: the host reports the plug-in's -128 and writes the layer exactly as it read it.
TEST_P(HostRoundTrip, DoneGivesTheLayerBackUnchanged) {
    const int planes = GetParam();
    TempFolder folder;
    const Layer start = StartLayer(37, 23, planes);
    std::string error;
    ASSERT_TRUE(WritePngLayer(start, folder.File("layer.png"), error)) << error;
    Process host(HostCommand("\"" + folder.File("layer.png") + "\" --output \"" + folder.File("out.png") + "\""));
    ASSERT_TRUE(host.Started());
    HWND window = WaitForMainWindow(host);
    ASSERT_NE(nullptr, window);
    ClickButton(window, IDCANCEL);
    const std::optional<DWORD> code = host.Wait();
    ASSERT_TRUE(code);
    EXPECT_EQ(0u, *code);
    EXPECT_EQ(std::optional<int>(-128), ReportedResult(host.Output())) << host.Output();
    const std::optional<Layer> out = ReadPngLayer(folder.File("out.png"), error);
    ASSERT_TRUE(out) << error;
    ASSERT_EQ(planes, out->planes);
    ASSERT_EQ(start.ByteCount(), out->ByteCount());
    EXPECT_EQ(0, std::memcmp(start.pixels.get(), out->pixels.get(), start.ByteCount()));
}

INSTANTIATE_TEST_SUITE_P(Planes, HostRoundTrip, ::testing::Values(3, 4));

TEST(Host, RefusesBadCommandLinesAndImages) {
    TempFolder folder;
    std::string error;
    ASSERT_TRUE(WritePngLayer(StartLayer(20, 10, 3), folder.File("layer.png"), error)) << error;
    {
        std::ofstream text(folder.File("text.png"), std::ios::binary);
        text << "this is not a PNG file";
    }
    const std::string layer = "\"" + folder.File("layer.png") + "\"";
    struct Case {
        std::string arguments;
        DWORD exitCode;
    };
    const Case cases[] = {
        {"", 1},
        {layer + " --frobnicate", 1},
        {layer + " --selection 1,2,3", 1},
        {layer + " --selection 0,0,21,10", 1},  // wider than the image
        {layer + " --selection 5,5,5,8", 1},    // empty
        {layer + " --output", 1},
        {"\"" + folder.File("missing.png") + "\"", 2},
        {"\"" + folder.File("text.png") + "\"", 2},
        {layer + " --plugin \"" + folder.File("missing.8bf") + "\"", 3},
    };
    for (const Case& c : cases) {
        Process host(HostCommand(c.arguments));
        ASSERT_TRUE(host.Started());
        const std::optional<DWORD> code = host.Wait();
        ASSERT_TRUE(code) << c.arguments;
        EXPECT_EQ(c.exitCode, *code) << c.arguments;
        EXPECT_FALSE(ReportedResult(host.Output())) << c.arguments;
    }
}

}  // namespace
}  // namespace tessera::test
