// The built plug-in as a host sees it: its declaration resources, its tables, its windows' templates
// and its entry point.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/byte_reader.h"
#include "base/module_win.h"
#include "host/filter_record.h"
#include "resources/resource_ids.h"
#include "support/gdi_objects_win.h"

namespace tessera {
namespace {

std::string PluginPath() {
    return ProgramFolder() + "\\tessera.8bf";
}

class PluginBinaryTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        module = LoadLibraryA(PluginPath().c_str());
    }
    static void TearDownTestSuite() {
        if (module != nullptr) {
            FreeLibrary(module);
        }
    }
    void SetUp() override { ASSERT_NE(module, nullptr) << PluginPath(); }

    static std::vector<uint8_t> Resource(const char* type, int id) {
        HRSRC info = FindResourceExA(module, type, MAKEINTRESOURCEA(id), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        if (info == nullptr) {
            return {};
        }
        const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, info)));
        return std::vector<uint8_t>(bytes, bytes + SizeofResource(module, info));
    }

    static inline HMODULE module = nullptr;
};

uint32_t Code(const char* four) {
    return (uint32_t(uint8_t(four[0])) << 24) | (uint32_t(uint8_t(four[1])) << 16) | (uint32_t(uint8_t(four[2])) << 8) |
           uint32_t(uint8_t(four[3]));
}

std::string PascalString(std::span<const uint8_t> data) {
    return data.empty() ? std::string() : std::string(data.begin() + 1, data.begin() + 1 + data[0]);
}

struct Property {
    uint32_t vendor, key;
    int32_t id;
    std::vector<uint8_t> data;
};

TEST_F(PluginBinaryTest, DeclaresAnRgbFilterToTheHost) {
    const std::vector<uint8_t> pipl = Resource("PIPL", IDP_PIPL);
    ASSERT_FALSE(pipl.empty());
    ByteReader r(pipl);
    EXPECT_EQ(r.I16LE(), 1);
    EXPECT_EQ(r.I32LE(), 0);
    const uint32_t count = r.U32LE();
    std::vector<Property> props;
    for (uint32_t i = 0; i < count && r.Ok(); ++i) {
        Property p;
        p.vendor = r.U32LE();
        p.key = r.U32LE();
        p.id = r.I32LE();
        const uint32_t length = r.U32LE();
        EXPECT_EQ(length % 4, 0u) << "lengths count their padding";
        const auto data = r.Bytes(length);
        p.data.assign(data.begin(), data.end());
        props.push_back(p);
    }
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.Remaining(), 0u);

    std::vector<uint32_t> keys;
    for (const Property& p : props) {
        EXPECT_EQ(p.vendor, Code("8BIM"));
        EXPECT_EQ(p.id, 0);
        keys.push_back(p.key);
    }
    std::vector<uint32_t> expected = {Code("kind"), Code("name"), Code("catg"), Code("vers"), Code("wx86")};
    if (sizeof(void*) == 8) {
        expected.push_back(Code("8664"));
    }
    for (const char* key : {"mode", "hstm", "enbl", "fici"}) {
        expected.push_back(Code(key));
    }
    ASSERT_EQ(keys, expected);

    auto data = [&](const char* key) {
        for (const Property& p : props) {
            if (p.key == Code(key)) {
                return p.data;
            }
        }
        return std::vector<uint8_t>();
    };
    EXPECT_EQ(LoadU32LE(data("kind").data()), Code("8BFM"));
    EXPECT_EQ(PascalString(data("name")), "Tessera 1.2...");
    EXPECT_EQ(PascalString(data("catg")), "Quorvane");
    EXPECT_EQ(LoadU32LE(data("vers").data()), 0x00040000u);
    EXPECT_STREQ(reinterpret_cast<const char*>(data("wx86").data()), "PluginMain");
    EXPECT_EQ(data("mode"), (std::vector<uint8_t>{0x10, 0x00, 0x00, 0x00}));
    EXPECT_STREQ(reinterpret_cast<const char*>(data("enbl").data()), "in (PSHOP_ImageMode, RGBMode)");

    const std::vector<uint8_t> hstm = data("hstm");
    ASSERT_GE(hstm.size(), 14u + 37u);
    EXPECT_EQ(LoadU32LE(hstm.data()), 0u);
    EXPECT_EQ(LoadU32LE(hstm.data() + 4), Code("sdk1"));
    EXPECT_EQ(LoadU32LE(hstm.data() + 8), Code("sdk1"));
    EXPECT_EQ(LoadU16LE(hstm.data() + 12), 16000);
    const std::string unique(reinterpret_cast<const char*>(hstm.data() + 14));
    EXPECT_EQ(unique.size(), 36u);

    const std::vector<uint8_t> fici = data("fici");
    ASSERT_EQ(fici.size(), 28u);
    for (int filterCase = 0; filterCase < 7; ++filterCase) {
        const uint8_t* e = fici.data() + 4 * filterCase;
        EXPECT_EQ(std::vector<uint8_t>(e, e + 4), (std::vector<uint8_t>{1, 1, 3, 0})) << "case " << filterCase + 1;
    }
}

TEST_F(PluginBinaryTest, TerminologyNamesTheFilterEvent) {
    const std::vector<uint8_t> aete = Resource("AETE", IDP_PIPL);
    ASSERT_FALSE(aete.empty());
    ByteReader r(aete);
    auto pstring = [&r] {
        const uint8_t length = r.U8();
        const auto bytes = r.Bytes(length);
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(r.U16LE(), 1);
    EXPECT_EQ(r.U8(), 1);  // version 1.0
    EXPECT_EQ(r.U8(), 0);
    EXPECT_EQ(r.U16LE(), 0);  // language
    EXPECT_EQ(r.U16LE(), 0);  // script
    EXPECT_EQ(r.U16LE(), 1);  // suites
    EXPECT_EQ(pstring(), "Quorvane");
    EXPECT_EQ(pstring(), "Adobe example plug-ins");
    EXPECT_EQ(r.U32LE(), Code("sdk1"));
    EXPECT_EQ(r.U16LE(), 1);  // level
    EXPECT_EQ(r.U16LE(), 1);  // version
    EXPECT_EQ(r.U16LE(), 1);  // events
    EXPECT_EQ(pstring(), "Tessera 1.2");
    EXPECT_EQ(pstring(), "Tessera filter plug-in");
    EXPECT_EQ(r.U32LE(), Code("sdk1"));
    EXPECT_EQ(r.U32LE(), Code("sdk1"));
    EXPECT_EQ(r.U32LE(), Code("null"));
    EXPECT_EQ(pstring(), "");
    EXPECT_EQ(r.U16LE(), 0);
    EXPECT_EQ(r.U32LE(), Code("#ImR"));
    EXPECT_EQ(pstring(), "");
    EXPECT_EQ(r.U16LE(), 0xB000);
    EXPECT_EQ(r.U16LE(), 0);  // further parameters
    EXPECT_EQ(r.U16LE(), 0);  // classes
    EXPECT_EQ(r.U16LE(), 0);  // comparison operators
    EXPECT_EQ(r.U16LE(), 0);  // enumerations
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.Remaining(), 0u);
}

TEST_F(PluginBinaryTest, ColourTablesFollowTheirRules) {
    const std::vector<uint8_t> t16 = Resource("COLORTABLE", IDT_TABLE_16);
    const std::vector<uint8_t> t256 = Resource("COLORTABLE", IDT_TABLE_256);
    ASSERT_EQ(t16.size(), 768u);
    ASSERT_EQ(t256.size(), 768u);
    // The sixteen system colours in their fixed order, as 0xRRGGBB.
    const uint32_t sixteen[16] = {0xFF00FF, 0x800080, 0x0000FF, 0x000080, 0x00FFFF, 0x008080, 0x00FF00, 0x008000,
                                  0xFFFF00, 0x808000, 0xFF0000, 0x800000, 0xFFFFFF, 0xC0C0C0, 0x808080, 0x000000};
    auto rgb = [](const std::vector<uint8_t>& t, size_t i) {
        return (uint32_t(t[3 * i]) << 16) | (uint32_t(t[3 * i + 1]) << 8) | t[3 * i + 2];
    };
    for (size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(rgb(t16, i), i < 16 ? sixteen[i] : 0u) << "16-colour entry " << i;
    }
    size_t i = 0;
    for (int r = 5; r >= 0; --r) {
        for (int g = 5; g >= 0; --g) {
            for (int b = 5; b >= 0; --b) {
                if (r + g + b == 0) {
                    continue;  // black comes last, after the ramps
                }
                EXPECT_EQ(rgb(t256, i), (uint32_t(51 * r) << 16) | (uint32_t(51 * g) << 8) | uint32_t(51 * b)) << i;
                ++i;
            }
        }
    }
    ASSERT_EQ(i, 215u);
    const uint32_t ramp[10] = {0xEE, 0xDD, 0xBB, 0xAA, 0x88, 0x77, 0x55, 0x44, 0x22, 0x11};
    for (size_t k = 0; k < 10; ++k) {
        EXPECT_EQ(rgb(t256, 215 + k), ramp[k] << 16);
        EXPECT_EQ(rgb(t256, 225 + k), ramp[k] << 8);
        EXPECT_EQ(rgb(t256, 235 + k), ramp[k]);
        EXPECT_EQ(rgb(t256, 245 + k), ramp[k] * 0x010101u);
    }
    EXPECT_EQ(rgb(t256, 255), 0u);
}

std::string MenuText(HMENU menu, UINT item, UINT flags) {
    char text[128] = {};
    GetMenuStringA(menu, item, text, sizeof text, flags);
    return text;
}

TEST_F(PluginBinaryTest, MenusCarryTheirCommands) {
    HMENU main = LoadMenuA(module, MAKEINTRESOURCEA(IDR_MAIN_MENU));
    ASSERT_NE(main, nullptr);
    const char* popups[] = {"&File", "&Layer", "&Resource", "&Options", "&Web"};
    ASSERT_EQ(GetMenuItemCount(main), 5);
    for (UINT i = 0; i < 5; ++i) {
        EXPECT_EQ(MenuText(main, i, MF_BYPOSITION), popups[i]);
    }
    struct Entry {
        UINT id;
        const char* text;
    };
    const Entry entries[] = {
        {ID_FILE_NEW, "&New"},
        {ID_FILE_OPEN, "&Open..."},
        {ID_FILE_SAVE, "&Save"},
        {ID_FILE_SAVE_AS, "Save &As..."},
        {ID_LAYER_COPY_BOTH, "Copy &Both to Resource"},
        {ID_LAYER_COPY_DATA, "Copy &Data to Resource"},
        {ID_LAYER_COPY_MASK, "Copy Mas&k to Resource"},
        {ID_LAYER_SHOW_SMALL, "Show &Small"},
        {ID_LAYER_SHOW_HUGE, "Show &Huge"},
        {ID_LAYER_SHOW_16, "Show &16 Colors"},
        {ID_LAYER_SHOW_TRUE, "Show &True Color"},
        {ID_RESOURCE_CLEAR, "&Clear Resource"},
        {ID_RESOURCE_SHOW_BOTH, "Show &Both Data and Mask"},
        {ID_RESOURCE_SHOW_DATA, "Show &Data Only"},
        {ID_RESOURCE_SHOW_MASK, "Show Mas&k Only"},
        {ID_RESOURCE_APPLY, "Apply to &Photoshop Layer"},
        {ID_OPTIONS_TOOL_TIPS, "Show &Tool Tips"},
        {ID_OPTIONS_BACKGROUND, "Set &Background Color..."},
        {ID_OPTIONS_USE_CUSTOM_TABLE, "&Use Custom Color Table"},
        {ID_OPTIONS_SET_CUSTOM_TABLE, "&Set Custom Color Table..."},
        {ID_OPTIONS_AUTOMATIC_TABLE, "&Automatic Color Table"},
        {ID_OPTIONS_TEST_ICON, "Test Icon..."},
        {ID_WEB_HOME, "Tessera &Home Page"},
        {ID_WEB_SUPPORT, "Tessera &Support"},
        {ID_WEB_MSDN, "&MSDN - Creating Windows XP Icons"},
        {ID_WEB_MAKER, "Visit The &Quorvane"},
    };
    for (const Entry& e : entries) {
        EXPECT_EQ(MenuText(main, e.id, MF_BYCOMMAND), e.text) << e.id;
    }
    EXPECT_FALSE(MenuText(main, ID_WEB_MAKER_SECOND, MF_BYCOMMAND).empty());
    DestroyMenu(main);

    HMENU layer = LoadMenuA(module, MAKEINTRESOURCEA(IDR_LAYER_MENU));
    ASSERT_NE(layer, nullptr);
    HMENU popup = GetSubMenu(layer, 0);
    ASSERT_NE(popup, nullptr);
    const Entry layerEntries[] = {
        {ID_VIEW_DEPTH_4, "4-bits per pixel"},   {ID_VIEW_DEPTH_8, "8-bits per pixel"},
        {ID_VIEW_DEPTH_32, "32-bits per pixel"}, {0, ""},
        {ID_VIEW_SIZE_16, "16x16 pixels"},       {ID_VIEW_SIZE_24, "24x24 pixels"},
        {ID_VIEW_SIZE_32, "32x32 pixels"},       {ID_VIEW_SIZE_48, "48x48 pixels"},
    };
    ASSERT_EQ(GetMenuItemCount(popup), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(GetMenuItemID(popup, i), layerEntries[i].id) << i;
        EXPECT_EQ(MenuText(popup, static_cast<UINT>(i), MF_BYPOSITION), layerEntries[i].text) << i;
    }
    DestroyMenu(layer);
}

INT_PTR CALLBACK KeepOpen(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

struct ControlCase {
    int id;
    const char* className;
    const char* text;
};

void ExpectControls(HWND dialog, std::initializer_list<ControlCase> controls) {
    for (const ControlCase& c : controls) {
        HWND control = GetDlgItem(dialog, c.id);
        ASSERT_NE(control, nullptr) << c.id;
        char className[64] = {};
        GetClassNameA(control, className, sizeof className);
        EXPECT_STRCASEEQ(className, c.className) << c.id;
        if (c.text != nullptr) {
            char text[256] = {};
            GetWindowTextA(control, text, sizeof text);
            EXPECT_STREQ(text, c.text) << c.id;
        }
    }
}

std::string Caption(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

TEST_F(PluginBinaryTest, MainWindowTemplateHasEveryControl) {
    HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_MAIN), nullptr, KeepOpen, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Caption(dialog), "Tessera by The Quorvane");
    EXPECT_NE(GetMenu(dialog), nullptr);
    ExpectControls(dialog, {
                               {IDC_LAYER_VIEW, "Static", nullptr},
                               {IDC_CENTER, "Button", "Center"},
                               {IDC_QUICKBUILD, "Button", "QuickBuild"},
                               {IDC_SIZE_SMALL, "Button", "Small"},
                               {IDC_SIZE_MEDIUM, "Button", "Medium"},
                               {IDC_SIZE_LARGE, "Button", "Large"},
                               {IDC_SIZE_HUGE, "Button", "Huge"},
                               {IDC_DEPTH_16, "Button", "16 colors"},
                               {IDC_DEPTH_256, "Button", "256 colors"},
                               {IDC_DEPTH_TRUE, "Button", "True color"},
                               {IDC_MASK_HARD, "Button", "Hard"},
                               {IDC_MASK_SOFT, "Button", "Soft"},
                               {IDC_COPY, "Button", "->"},
                               {IDC_PREVIEW, "Static", nullptr},
                               {IDC_VIEW_BOTH, "Button", "Both"},
                               {IDC_VIEW_DATA, "Button", "Data"},
                               {IDC_VIEW_MASK, "Button", "Mask"},
                               {IDOK, "Button", "Apply to Photoshop Layer"},
                               {IDC_LOGO, "Static", nullptr},
                               {IDC_GRID_GROUP, "Button", "Resource Grid for Untitled.ico"},
                               {IDC_SET_BACKGROUND, "Button", "Set Background Color"},
                               {IDC_CYCLE, "Button", "Cycle"},
                               {IDC_NEW, "Button", "New"},
                               {IDC_OPEN, "Button", "Open"},
                               {IDC_SAVE, "Button", "Save"},
                               {IDCANCEL, "Button", "Done"},
                           });
    for (int id = IDC_CELL_FIRST; id <= IDC_CELL_LAST; ++id) {
        EXPECT_NE(GetDlgItem(dialog, id), nullptr) << id;
    }
    // The layer view comes first in the tab order, so it holds the focus when the window opens.
    EXPECT_EQ(GetNextDlgTabItem(dialog, nullptr, FALSE), GetDlgItem(dialog, IDC_LAYER_VIEW));
    DestroyWindow(dialog);
}

TEST_F(PluginBinaryTest, SmallDialogTemplates) {
    HWND about = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, KeepOpen, 0);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(Caption(about), "About Tessera");
    ExpectControls(about, {{IDOK, "Button", "Close"}});
    DestroyWindow(about);

    HWND welcome = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_WELCOME), nullptr, KeepOpen, 0);
    ASSERT_NE(welcome, nullptr);
    EXPECT_EQ(Caption(welcome), "Using Tessera");
    ExpectControls(welcome, {{IDOK, "Button", "OK"}});
    DestroyWindow(welcome);

    HWND test = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_TEST_ICON), nullptr, KeepOpen, 0);
    ASSERT_NE(test, nullptr);
    EXPECT_EQ(Caption(test), "Tessera Test");
    ExpectControls(test, {
                             {IDOK, "Button", "Done"},
                             {IDC_TEST_PICTURE, "Static", nullptr},
                             {IDC_TEST_SIZE_TEXT, "Static", "???"},
                             {IDC_TEST_SLIDER, TRACKBAR_CLASSA, nullptr},
                             {IDC_TEST_CENTER, "Button", "Center Image"},
                             {IDC_TEST_CLIENT_EDGE, "Button", "Client Edge"},
                             {IDC_TEST_STATIC_EDGE, "Button", "Static Edge"},
                             {IDC_TEST_BUTTON_SMALL, "Button", nullptr},
                             {IDC_TEST_BUTTON_MIDDLE, "Button", nullptr},
                             {IDC_TEST_BUTTON_LARGE, "Button", nullptr},
                             {IDC_TEST_DISABLE, "Button", "Disable Buttons"},
                             {IDC_TEST_TREE, WC_TREEVIEWA, nullptr},
                         });
    DestroyWindow(test);
}

TEST_F(PluginBinaryTest, ArtAndCursorsAreThere) {
    HICON arrow = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_COPY_ARROW), IMAGE_ICON, 32, 32, 0));
    EXPECT_NE(arrow, nullptr);
    DestroyIcon(arrow);
    struct Picture {
        int id, width, height;
    };
    for (const Picture& p :
         {Picture{IDB_GRID_BACKDROP, 246, 192}, Picture{IDB_LOGO, 208, 67}, Picture{IDB_BULLET, 0, 0}}) {
        HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(p.id), IMAGE_BITMAP, 0, 0, 0));
        ASSERT_NE(bitmap, nullptr) << p.id;
        BITMAP info{};
        GetObjectA(bitmap, sizeof info, &info);
        if (p.width != 0) {
            EXPECT_EQ(info.bmWidth, p.width) << p.id;
            EXPECT_EQ(info.bmHeight, p.height) << p.id;
        }
        DeleteObject(bitmap);
    }
    struct HotSpot {
        int id;
        LONG x, y;
    };
    for (const HotSpot& h : {HotSpot{IDC_MOVE_CURSOR, 16, 15}, HotSpot{IDC_HAND_CURSOR, 12, 8}}) {
        HCURSOR cursor = static_cast<HCURSOR>(LoadImageA(module, MAKEINTRESOURCEA(h.id), IMAGE_CURSOR, 32, 32, 0));
        ASSERT_NE(cursor, nullptr) << h.id;
        const POINT spot = test::CursorHotSpot(cursor);
        EXPECT_EQ(spot.x, h.x) << h.id;
        EXPECT_EQ(spot.y, h.y) << h.id;
        DestroyCursor(cursor);
    }
}

using PluginMainProc = void (*)(int16, void*, intptr_t*, int16*);

PluginMainProc EntryPoint(HMODULE module) {
    // GetProcAddress answers a generic function pointer; the export is PluginMain's own type.
    return reinterpret_cast<PluginMainProc>(reinterpret_cast<void*>(GetProcAddress(module, "PluginMain")));
}

TEST_F(PluginBinaryTest, EntryPointAnswersTheQuietSelectors) {
    const PluginMainProc entry = EntryPoint(module);
    ASSERT_NE(entry, nullptr);
    FilterRecord record{};
    struct Case {
        int16 selector, hostResult, expected;
    };
    for (const Case& c : {Case{2, 5, 0}, Case{4, 5, 0}, Case{5, 5, 0}, Case{6, 5, 5}, Case{1, 5, nilHandleErr}}) {
        intptr_t data = 77;
        int16 result = c.hostResult;
        entry(c.selector, &record, &data, &result);
        EXPECT_EQ(result, c.expected) << "selector " << c.selector;
        EXPECT_EQ(data, 0) << "selector " << c.selector;
    }
    entry(6, nullptr, nullptr, nullptr);
}

TEST_F(PluginBinaryTest, AboutBoxOpensAndClosesWhateverOwnerTheHostGives) {
    const PluginMainProc entry = EntryPoint(module);
    ASSERT_NE(entry, nullptr);
    // No platform data, no window, and a value that is no window (left over, or of a process gone).
    PlatformData none{0};
    PlatformData stale{0x7A5E0};
    for (PlatformData* owner : {static_cast<PlatformData*>(nullptr), &none, &stale}) {
        std::atomic<bool> seen = false;
        const DWORD thread = GetCurrentThreadId();
        std::thread closer([&] {
            for (int i = 0; i < 400 && !seen; ++i) {
                Sleep(25);
                HWND box = FindWindowA("#32770", "About Tessera");
                if (box != nullptr && GetWindowThreadProcessId(box, nullptr) == thread) {
                    seen = true;
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                }
            }
        });
        AboutRecord about{};
        about.platformData = owner;
        intptr_t data = 3;
        int16 result = 9;
        entry(filterSelectorAbout, &about, &data, &result);
        closer.join();
        EXPECT_TRUE(seen);
        EXPECT_EQ(result, noErr);
        EXPECT_EQ(data, 0);
    }
}

}  // namespace
}  // namespace tessera
