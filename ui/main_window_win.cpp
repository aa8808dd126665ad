#include "ui/main_window_win.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cwchar>
#include <string>

#include "base/alerts_win.h"
#include "base/common_dialogs_win.h"
#include "base/dialog_win.h"
#include "base/files.h"
#include "base/module_win.h"
#include "base/settings_store_win.h"
#include "base/texts.h"
#include "base/wide_win.h"
#include "base/win_handles_win.h"
#include "color/act_file.h"
#include "host/parameters_block.h"
#include "host/plugin_call.h"
#include "host/plugin_entry.h"
#include "icon/ico_file.h"
#include "icon/icon_handle_win.h"
#include "icon/resource_cell_win.h"
#include "resources/resource_ids.h"
#include "ui/document.h"
#include "ui/layer_view_win.h"
#include "ui/main_commands.h"
#include "ui/settings_block.h"
#include "ui/simple_dialogs_win.h"
#include "ui/test_icon_dialog_win.h"
#include "ui/windows_sizes_dialog_win.h"

namespace tessera {

namespace {

constexpr int kLayerViewPixels = 198;
constexpr int kPreviewPixels = 198;
constexpr int kCellPixels = 54;
// A width limit lets the tips break at their line ends; wider than any of their lines, so none wraps.
constexpr int kToolTipWidthPixels = 600;

struct ControlTip {
    int id;
    const char* text;
};

constexpr ControlTip kControlTips[] = {
    {IDC_COPY, "Copy the current Photoshop layer into the icon resource"},
    {IDC_LAYER_VIEW, "Drag layer (left mouse button) or Show properties (right mouse button)"},
    {IDC_PREVIEW, "Current icon resource, select another resource by clicking on grid"},
    {IDC_QUICKBUILD, "Build entire grid, all of same size (shift), all of same depth (control)"},
    {IDC_CENTER, "Center the current layer view within the selection"},
    {IDC_NEW, "Empty the resource grid and create a new icon"},
    {IDC_OPEN, "Load an existing icon file into the resource grid"},
    {IDC_SAVE, "Save the current resource grid in an icon file"},
    {IDC_SET_BACKGROUND, "Choose a new background color for the previews and resource grid"},
    {IDC_CYCLE, "Cycle through the custom background colors"},
    {IDOK, "Save the current icon resource in the Photoshop layer"},
    {IDCANCEL, "Return to Photoshop"},
    {IDC_LOGO, "Learn more about Tessera"},
};

struct WebPage {
    int id;
    const char* address;
};

constexpr WebPage kWebPages[] = {
    {ID_WEB_HOME, "https://www.quorvane.com/tessera/"},
    {ID_WEB_SUPPORT, "https://www.quorvane.com/tessera/support/"},
    {ID_WEB_MSDN, "https://learn.microsoft.com/windows/win32/uxguide/vis-icons"},
    {ID_WEB_MAKER, "https://www.quorvane.com/"},
    {ID_WEB_MAKER_SECOND, "https://gallery.quorvane.com/"},
};

bool KeyHeld(int key) {
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

void ResizeControl(HWND control, int width, int height) {
    SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

class MainWindow;

// The window's message pre-translation: every message of the thread passes the tool tips first, so they
// see the mouse over every control, static pictures included. The window is modal, so there is one.
MainWindow* relayWindow = nullptr;

class MainWindow final : public DocumentWindow, public LayerViewOwner {
  public:
    explicit MainWindow(PluginCall& call)
        : call_(call),
          alerts_(MessageBoxAlerts()),
          store_(RegistrySettingsStore()),
          windowsSquaresStore_(RegistryWindowsSquaresStore()),
          files_(PlatformFileSystem()),
          documents_(options_, *this, alerts_) {
        for (int slot = 0; slot < kGridSlotCount; ++slot) {
            slotFormats_[static_cast<size_t>(slot)] = SlotFormat(slot);
        }
    }
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    static constexpr INT_PTR kEndOnException = kMainWindowDone;

    static LRESULT CALLBACK RelayHook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HC_ACTION && relayWindow != nullptr && relayWindow->toolTips_ != nullptr) {
            auto* message = reinterpret_cast<MSG*>(lParam);
            SendMessageA(relayWindow->toolTips_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(message));
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    // LayerViewOwner
    void UpdateSelectionControls() override {
        UpdateRadioButtons();
        HighlightCurrentCell();
    }
    void RefreshPreviews() override {
        layerView_.Rerender();
        cells_[0].Repaint();
    }
    void CopyLayerToResource(bool data, bool mask) override {
        layerView_.ConvertLayerToResource(grid_, data, mask);
        UpdateSelectionControls();
        RefreshPreviews();
    }
    void ClearResource() override {
        grid_.RemoveResource(options_.currentFormat);
        RefreshPreviews();
        HighlightCurrentCell();
    }

    // DocumentWindow
    std::optional<std::string> PickFile(const FilePicker& picker) override {
        std::wstring path(kPickerPathCapacity, L'\0');
        const std::wstring initialName = Wide(picker.initialName).value_or(std::wstring());
        std::copy_n(initialName.begin(), std::min(initialName.size(), path.size() - 1), path.begin());
        const std::wstring initialFolder = Wide(picker.initialFolder).value_or(std::wstring());
        const std::wstring filter = Wide(PickerFilterText(picker.filter)).value_or(std::wstring());
        const std::wstring extension = Wide(picker.defaultExtension).value_or(std::wstring());
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = dialog_;
        dialog.lpstrFilter = filter.c_str();
        dialog.lpstrFile = path.data();
        dialog.nMaxFile = static_cast<DWORD>(path.size());
        dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
        dialog.lpstrDefExt = extension.c_str();
        dialog.Flags = picker.flags;
        const BOOL picked = picker.kind == PickerKind::Open ? PickFileToOpen(dialog) : PickFileToSave(dialog);
        if (!picked) {
            return std::nullopt;
        }
        path.resize(std::wcslen(path.c_str()));
        std::optional<std::string> name = Narrow(path);
        if (!name) {
            alerts_.Show(WarningAlert(texts::kPickedNameNotText));
        }
        return name;
    }
    bool IsModified() override { return grid_.IsModified(); }
    const ResourceGrid& Grid() override { return grid_; }
    void ClearGrid() override { grid_.ClearAll(); }
    IcoStatus ReadGrid(const std::string& path) override { return ReadIcoFile(grid_, path, files_); }
    IcoStatus WriteGrid(const std::string& path) override { return WriteIcoFile(grid_, path, files_); }
    void SetGridCaption(const std::string& caption) override {
        SetDlgItemTextW(dialog_, IDC_GRID_GROUP, Wide(caption).value_or(std::wstring()).c_str());
    }
    // The text is kept for the tool tip control, which is made after the document is first loaded.
    void SetGridToolTip(const std::string& text) override {
        gridToolTip_ = text;
        if (toolTips_ == nullptr) {
            return;
        }
        TTTOOLINFOA tool = GridTool();
        tool.lpszText = const_cast<char*>(gridToolTip_.c_str());
        SendMessageA(toolTips_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    void RepaintCells() override {
        for (ResourceCell& cell : cells_) {
            cell.Repaint();
        }
    }

  private:
    friend INT_PTR CALLBACK ObjectDialogProc<MainWindow>(HWND, UINT, WPARAM, LPARAM);

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_INITDIALOG:
                dialog_ = dialog;
                return Initialise();
            case WM_COMMAND:
                return Command(LOWORD(wParam), HIWORD(wParam));
            case WM_INITMENUPOPUP:
                if (HIWORD(lParam) == 0) {
                    UpdatePopup(reinterpret_cast<HMENU>(wParam));
                }
                return TRUE;
            case WM_DESTROY:
                // The dialog's own closing work is done; what is left is to remember the options.
                relayHook_.reset();
                relayWindow = nullptr;
                // The dialog owns the tool tip window and destroys it with itself.
                toolTips_ = nullptr;
                SendDlgItemMessageA(dialog_, IDC_COPY, BM_SETIMAGE, IMAGE_ICON, 0);
                ReleaseTemplateBitmaps(dialog_);
                options_.layerSquares = layerView_.Squares();
                WriteSettings(store_, options_);
                WriteWindowsSquares(windowsSquaresStore_, windowsSquares_);
                return FALSE;
            default:
                return FALSE;
        }
    }

    BOOL Initialise() {
        // The button shows the arrow but never frees it: the window owns it (not shared, so it goes
        // with the window and never outlives the module).
        copyArrow_.reset(
            static_cast<HICON>(LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(IDI_COPY_ARROW), IMAGE_ICON, 32, 32, 0)));
        SendDlgItemMessageA(dialog_, IDC_COPY, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(copyArrow_.get()));

        HWND view = GetDlgItem(dialog_, IDC_LAYER_VIEW);
        ResizeControl(view, kLayerViewPixels, kLayerViewPixels);
        layerView_.Attach(view, &options_.currentFormat, &call_, ModuleOwnResources());
        layerView_.Rerender();

        HWND preview = GetDlgItem(dialog_, IDC_PREVIEW);
        ResizeControl(preview, kPreviewPixels, kPreviewPixels);
        cells_[0].Attach(preview, &options_.currentFormat, &grid_);
        cells_[0].SetCurrent(1);
        cells_[0].SetClickable(0);
        cells_[0].SetStretch(1);
        for (int slot = 0; slot < kGridSlotCount; ++slot) {
            HWND cell = GetDlgItem(dialog_, CellControlId(slot));
            ResizeControl(cell, kCellPixels, kCellPixels);
            cells_[static_cast<size_t>(slot + 1)].Attach(cell, &slotFormats_[static_cast<size_t>(slot)], &grid_);
        }

        if (ReadSettings(store_, alerts_, files_, options_)) {
            layerView_.SetSquares(options_.layerSquares);
            layerView_.SetUseActiveTable(options_.useCustomColorTable);
            layerView_.SetActiveTable(options_.customColorTable);
            layerView_.SetAutomaticTable(options_.automaticColorTable);
        }
        windowsSquares_ = ReadWindowsSquares(windowsSquaresStore_);
        layerView_.SetOwner(this);
        documents_.LoadDocument();

        ApplyBackground();
        UpdateRadioButtons();
        HighlightCurrentCell();
        RefreshPreviews();

        CreateToolTips();
        return TRUE;  // the default focus: the layer view, first in the tab order
    }

    void CreateToolTips() {
        toolTips_ =
            CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog_, nullptr, ModuleInstance(), nullptr);
        if (toolTips_ == nullptr) {
            return;
        }
        for (const ControlTip& tip : kControlTips) {
            AddTool(GetDlgItem(dialog_, tip.id), tip.text);
        }
        for (int slot = 0; slot < kGridSlotCount; ++slot) {
            AddTool(GetDlgItem(dialog_, CellControlId(slot)), CellToolTip(slot).c_str());
        }
        AddGridTool();
        SendMessageA(toolTips_, TTM_ACTIVATE, options_.toolTipsEnabled != 0, 0);
        relayWindow = this;
        relayHook_.reset(SetWindowsHookExA(WH_GETMESSAGE, RelayHook, nullptr, GetCurrentThreadId()));
    }

    void AddTool(HWND control, const char* text) {
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = dialog_;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = const_cast<char*>(text);
        SendMessageA(toolTips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }

    // The grid's group box lets the mouse through to the dialog, so its tool is the box's rectangle
    // there: the caption and the gaps between the cells. Its text lists the images the grid does not
    // show, several lines wide.
    void AddGridTool() {
        TTTOOLINFOA tool = GridTool();
        if (!GetWindowRect(GetDlgItem(dialog_, IDC_GRID_GROUP), &tool.rect)) {
            return;
        }
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&tool.rect), 2);
        tool.lpszText = const_cast<char*>(gridToolTip_.c_str());
        SendMessageA(toolTips_, TTM_SETMAXTIPWIDTH, 0, kToolTipWidthPixels);
        SendMessageA(toolTips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }

    [[nodiscard]] TTTOOLINFOA GridTool() const {
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = dialog_;
        tool.uId = IDC_GRID_GROUP;
        return tool;
    }

    // One command: the ids it answers (first..last), and what it does with the id and the control's
    // notification code.
    struct CommandEntry {
        int first;
        int last;
        void (MainWindow::*run)(int id, int code);
    };

    INT_PTR Command(int id, int code) {
        // A menu entry and a control that do the same thing share one entry or one handler.
        static constexpr CommandEntry kCommands[] = {
            {IDC_CELL_FIRST, IDC_CELL_LAST, &MainWindow::CellClicked},
            {IDC_SIZE_SMALL, IDC_SIZE_HUGE, &MainWindow::SizeButton},
            {ID_LAYER_SHOW_SMALL, ID_LAYER_SHOW_HUGE, &MainWindow::SizeMenu},
            {IDC_DEPTH_16, IDC_DEPTH_TRUE, &MainWindow::DepthButton},
            {ID_LAYER_SHOW_16, ID_LAYER_SHOW_TRUE, &MainWindow::DepthMenu},
            {IDC_MASK_HARD, IDC_MASK_SOFT, &MainWindow::MaskButton},
            {IDC_VIEW_BOTH, IDC_VIEW_MASK, &MainWindow::ViewButton},
            {ID_RESOURCE_SHOW_BOTH, ID_RESOURCE_SHOW_BOTH, &MainWindow::ViewMenu},
            {ID_RESOURCE_SHOW_DATA, ID_RESOURCE_SHOW_DATA, &MainWindow::ViewMenu},
            {ID_RESOURCE_SHOW_MASK, ID_RESOURCE_SHOW_MASK, &MainWindow::ViewMenu},
            {IDC_COPY, IDC_COPY, &MainWindow::Copy},
            {ID_LAYER_COPY_BOTH, ID_LAYER_COPY_BOTH, &MainWindow::Copy},
            {ID_LAYER_COPY_DATA, ID_LAYER_COPY_DATA, &MainWindow::Copy},
            {ID_LAYER_COPY_MASK, ID_LAYER_COPY_MASK, &MainWindow::Copy},
            {IDC_QUICKBUILD, IDC_QUICKBUILD, &MainWindow::QuickBuild},
            {IDC_CENTER, IDC_CENTER, &MainWindow::Center},
            {ID_RESOURCE_CLEAR, ID_RESOURCE_CLEAR, &MainWindow::Clear},
            {IDC_SET_BACKGROUND, IDC_SET_BACKGROUND, &MainWindow::ChooseBackground},
            {ID_OPTIONS_BACKGROUND, ID_OPTIONS_BACKGROUND, &MainWindow::ChooseBackground},
            {IDC_CYCLE, IDC_CYCLE, &MainWindow::Cycle},
            {ID_OPTIONS_TOOL_TIPS, ID_OPTIONS_TOOL_TIPS, &MainWindow::ToggleToolTips},
            {ID_OPTIONS_USE_CUSTOM_TABLE, ID_OPTIONS_USE_CUSTOM_TABLE, &MainWindow::ToggleCustomTable},
            {ID_OPTIONS_SET_CUSTOM_TABLE, ID_OPTIONS_SET_CUSTOM_TABLE, &MainWindow::SetCustomColorTable},
            {ID_OPTIONS_AUTOMATIC_TABLE, ID_OPTIONS_AUTOMATIC_TABLE, &MainWindow::ToggleAutomaticTable},
            {ID_OPTIONS_TEST_ICON, ID_OPTIONS_TEST_ICON, &MainWindow::TestIcon},
            {IDC_LOGO, IDC_LOGO, &MainWindow::Logo},
            {IDC_NEW, IDC_NEW, &MainWindow::NewDocument},
            {ID_FILE_NEW, ID_FILE_NEW, &MainWindow::NewDocument},
            {IDC_OPEN, IDC_OPEN, &MainWindow::OpenDocument},
            {ID_FILE_OPEN, ID_FILE_OPEN, &MainWindow::OpenDocument},
            {IDC_SAVE, IDC_SAVE, &MainWindow::SaveDocument},
            {ID_FILE_SAVE, ID_FILE_SAVE, &MainWindow::SaveDocument},
            {ID_FILE_SAVE_AS, ID_FILE_SAVE_AS, &MainWindow::SaveDocumentAs},
            {IDOK, IDOK, &MainWindow::Apply},
            {ID_RESOURCE_APPLY, ID_RESOURCE_APPLY, &MainWindow::Apply},
            {ID_RESOURCE_WINDOWS_SIZES, ID_RESOURCE_WINDOWS_SIZES, &MainWindow::WindowsSizes},
            {IDCANCEL, IDCANCEL, &MainWindow::Done},
        };
        for (const CommandEntry& entry : kCommands) {
            if (id >= entry.first && id <= entry.last) {
                (this->*entry.run)(id, code);
                return TRUE;
            }
        }
        for (const WebPage& page : kWebPages) {
            if (page.id == id) {
                // A page that cannot be opened is not worth a message.
                ShellExecuteA(dialog_, "open", page.address, nullptr, nullptr, SW_SHOWNORMAL);
                return TRUE;
            }
        }
        return FALSE;
    }

    void CellClicked(int id, int code) {
        const std::optional<int> slot = SlotOfCellControl(id);
        if (slot && code == STN_CLICKED) {
            options_.currentFormat.CopySelection(slotFormats_[static_cast<size_t>(*slot)], 0);
            UpdateSelectionControls();
            RefreshPreviews();
            FocusLayerView();
        }
    }
    void SizeButton(int id, int) { SelectSize(id - IDC_SIZE_SMALL); }
    void SizeMenu(int id, int) { SelectSize(id - ID_LAYER_SHOW_SMALL); }
    void DepthButton(int id, int) {
        ChangeSelection([&] { SelectDepth(options_.currentFormat, id - IDC_DEPTH_16); });
    }
    void DepthMenu(int id, int) {
        ChangeSelection([&] { SelectDepth(options_.currentFormat, id - ID_LAYER_SHOW_16); });
    }
    void MaskButton(int id, int) {
        ChangeSelection([&] { SelectMask(options_.currentFormat, id - IDC_MASK_HARD); });
    }
    void ViewButton(int id, int) { SelectView(id - IDC_VIEW_BOTH); }
    void ViewMenu(int id, int) { SelectView(id == ID_RESOURCE_SHOW_BOTH ? 0 : id == ID_RESOURCE_SHOW_DATA ? 1 : 2); }
    void Copy(int id, int) {
        CopyLayerToResource(id != ID_LAYER_COPY_MASK, id != ID_LAYER_COPY_DATA);
        FocusLayerView();
    }
    void Center(int, int) {
        CenterSquares(layerView_.MutableSquares(), options_.currentFormat.size, KeyHeld(VK_SHIFT));
        layerView_.Rerender();
        FocusLayerView();
    }
    void Clear(int, int) { ClearResource(); }
    void Cycle(int, int) {
        CycleBackground(options_);
        BackgroundChanged();
    }
    void ToggleToolTips(int, int) {
        options_.toolTipsEnabled = options_.toolTipsEnabled == 0 ? 1 : 0;
        if (toolTips_ != nullptr) {
            SendMessageA(toolTips_, TTM_ACTIVATE, options_.toolTipsEnabled != 0, 0);
        }
    }
    void ToggleCustomTable(int, int) {
        options_.useCustomColorTable = options_.useCustomColorTable == 0 ? 1 : 0;
        layerView_.SetUseActiveTable(options_.useCustomColorTable);
        layerView_.Rerender();
    }
    void ToggleAutomaticTable(int, int) {
        options_.automaticColorTable = options_.automaticColorTable == 0 ? 1 : 0;
        layerView_.SetAutomaticTable(options_.automaticColorTable);
        layerView_.Rerender();
    }
    void WindowsSizes(int, int) {
        RunWindowsSizesDialog(dialog_, call_, grid_, windowsSquares_, options_.backgroundColor);
        // The dialog had the host deliver its own squares: the view asks for its square again.
        RefreshPreviews();
        FocusLayerView();
    }
    void TestIcon(int, int) { RunTestIconDialog(dialog_, CreateIconForFormat(grid_, options_.currentFormat), grid_); }
    void Logo(int, int code) {
        if (code == STN_CLICKED) {
            ShowAboutBox(dialog_);
        }
    }
    void NewDocument(int, int) {
        documents_.New();
        FocusLayerView();
    }
    void OpenDocument(int, int) {
        documents_.Open();
        FocusLayerView();
    }
    void SaveDocument(int, int) {
        documents_.Save();
        FocusLayerView();
    }
    void SaveDocumentAs(int, int) { documents_.SaveAs(); }
    void Done(int, int) {
        if (documents_.ConfirmDiscard()) {
            EndDialog(dialog_, kMainWindowDone);
        }
    }

    template <typename Change>
    void ChangeSelection(Change change) {
        change();
        UpdateSelectionControls();
        RefreshPreviews();
    }

    void SelectSize(int size) {
        ChangeSelection([&] { options_.currentFormat.size = size; });
    }

    // The view mode changes only the previews, never which cell is current.
    void SelectView(int view) {
        options_.currentFormat.view = view;
        UpdateRadioButtons();
        RefreshPreviews();
    }

    void QuickBuild(int, int) {
        const ResourceFormat saved = options_.currentFormat;
        for (const int slot : QuickBuildList(saved, KeyHeld(VK_SHIFT), KeyHeld(VK_CONTROL))) {
            options_.currentFormat = SlotFormat(slot);
            layerView_.QuickBuildSlot(grid_);
        }
        options_.currentFormat = saved;
        RefreshPreviews();
        UpdateSelectionControls();
        FocusLayerView();
    }

    void ChooseBackground(int, int) {
        COLORREF custom[16];
        for (size_t i = 0; i < 16; ++i) {
            custom[i] = options_.customColors[i];
        }
        CHOOSECOLORA picker{};
        picker.lStructSize = sizeof picker;
        picker.hwndOwner = dialog_;
        picker.rgbResult = options_.backgroundColor;
        picker.lpCustColors = custom;
        picker.Flags = CC_RGBINIT;
        const BOOL chosen = PickColor(picker);
        // The picker edits the custom colours in place: they stay whether or not it ends with OK.
        for (size_t i = 0; i < 16; ++i) {
            options_.customColors[i] = static_cast<uint32_t>(custom[i]);
        }
        if (chosen) {
            options_.backgroundColor = static_cast<uint32_t>(picker.rgbResult);
        }
        BackgroundChanged();
    }

    void BackgroundChanged() {
        ApplyBackground();
        RefreshPreviews();
        HighlightCurrentCell();
    }

    void SetCustomColorTable(int, int) {
        const std::optional<std::string> path = PickFile(ColorTablePicker(options_));
        if (!path) {
            return;
        }
        const ActReadResult read = ReadActFile(files_, *path, options_.customColorTable);
        if (read == ActReadResult::Accepted) {
            options_.useCustomColorTable = 1;
        } else {
            Alert alert;
            alert.text = ActRejectedMessage(read);
            alerts_.Show(alert);
            options_.useCustomColorTable = 0;
        }
        layerView_.SetUseActiveTable(options_.useCustomColorTable);
        layerView_.SetActiveTable(options_.customColorTable);
        if (options_.useCustomColorTable == 1) {
            options_.automaticColorTable = 0;
            layerView_.SetAutomaticTable(0);
        }
        layerView_.Rerender();
    }

    // The block must name the file as saved, so it is written after the prompt, and only when the
    // prompt lets the window close.
    void Apply(int, int) {
        if (!documents_.ConfirmDiscard()) {
            return;
        }
        if (call_.record != nullptr) {
            ParametersBlock choice;
            choice.size = options_.currentFormat.size;
            choice.depth = options_.currentFormat.depth;
            choice.mask = options_.currentFormat.mask;
            choice.view = options_.currentFormat.view;
            choice.documentName = options_.documentName;
            choice.documentPath = options_.documentPath;
            StoreApplyChoice(*call_.record, choice);
        }
        EndDialog(dialog_, kMainWindowApply);
    }

    void UpdateRadioButtons() {
        const ResourceFormat& f = options_.currentFormat;
        CheckRadioButton(dialog_, IDC_SIZE_SMALL, IDC_SIZE_HUGE, f.SizeButton());
        CheckRadioButton(dialog_, IDC_DEPTH_16, IDC_DEPTH_TRUE, f.DepthButton());
        CheckRadioButton(dialog_, IDC_MASK_HARD, IDC_MASK_SOFT, f.MaskButton());
        CheckRadioButton(dialog_, IDC_VIEW_BOTH, IDC_VIEW_MASK, f.ViewButton());
    }

    void HighlightCurrentCell() {
        for (size_t i = 1; i < cells_.size(); ++i) {
            cells_[i].SetCurrent(0);
        }
        if (const std::optional<int> slot = HighlightedSlot(options_.currentFormat)) {
            cells_[static_cast<size_t>(*slot + 1)].SetCurrent(1);
        }
    }

    void ApplyBackground() {
        layerView_.SetBackgroundColor(options_.backgroundColor);
        for (ResourceCell& cell : cells_) {
            cell.SetBackgroundColor(options_.backgroundColor);
        }
    }

    void FocusLayerView() { SetFocus(GetDlgItem(dialog_, IDC_LAYER_VIEW)); }

    // Checks and enables the entries of a pop-up as it opens. An entry that opens a sub-menu follows the
    // first entry of that sub-menu and is greyed when that has no rule. The count is read again after
    // every entry, so a rule may add or remove entries.
    void UpdatePopup(HMENU popup) {
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            MENUITEMINFOA info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU;
            if (!GetMenuItemInfoA(popup, static_cast<UINT>(i), TRUE, &info) || (info.fType & MFT_SEPARATOR) != 0) {
                continue;
            }
            int id = static_cast<int>(info.wID);
            if (info.hSubMenu != nullptr) {
                const UINT first = GetMenuItemID(info.hSubMenu, 0);
                const std::optional<MenuItemState> state =
                    first == static_cast<UINT>(-1) ? std::nullopt : MenuItemUpdate(static_cast<int>(first), options_);
                EnableMenuItem(popup, static_cast<UINT>(i),
                               MF_BYPOSITION | (state && state->enabled ? MF_ENABLED : MF_GRAYED));
                continue;
            }
            const std::optional<MenuItemState> state = MenuItemUpdate(id, options_);
            if (!state) {
                continue;
            }
            CheckMenuItem(popup, static_cast<UINT>(i), MF_BYPOSITION | (state->checked ? MF_CHECKED : MF_UNCHECKED));
            EnableMenuItem(popup, static_cast<UINT>(i), MF_BYPOSITION | (state->enabled ? MF_ENABLED : MF_GRAYED));
        }
    }

    PluginCall& call_;
    Alerts& alerts_;
    SettingsStore& store_;
    SettingsStore& windowsSquaresStore_;
    FileSystem& files_;
    HWND dialog_ = nullptr;
    HWND toolTips_ = nullptr;  // owned by the dialog, which destroys it
    std::string gridToolTip_;
    UniqueHook relayHook_;
    UniqueHicon copyArrow_;
    WindowOptions options_;
    // Kept beside the options, in a value of their own.
    WindowsSquares windowsSquares_;
    std::array<ResourceFormat, kGridSlotCount> slotFormats_;
    ResourceGrid grid_;
    LayerView layerView_;
    std::array<ResourceCell, kGridSlotCount + 1> cells_;
    DocumentCommands documents_;
};

}  // namespace

int RunMainWindow(HWND owner, PluginCall& call) {
    MainWindow window(call);
    const INT_PTR code = RunObjectDialog(IDD_MAIN, owner, window);
    return static_cast<int>(code);
}

}  // namespace tessera
