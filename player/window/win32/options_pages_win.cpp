// The six options pages: their controls to and from the portable pages.
#include <memory>

#include "platform/shell_integration.h"
#include "platform/wave_device.h"
#include "platform/win32/wide_text.h"
#include "player/window/win32/file_types_dialog.h"
#include "player/window/win32/options_sheet.h"
#include "player/window/win32/player_dialogs.h"
#include "resources/player/resource_ids.h"

namespace tumbor::window::win32 {
namespace {

bool isChange(int code) {
    return code == BN_CLICKED || code == EN_CHANGE || code == LBN_SELCHANGE || code == CBN_SELCHANGE;
}

// UTF-8, as the file-type registration takes it.
std::string programPath() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? platform::utf8FromWide(path, length) : std::string();
}

}  // namespace

// ---- Output ----

void COptions1::activate() {
    page_.activate(platform::waveOutputDeviceNames());
    showCombo(IDC_OUTPUT_DEVICES, page_.deviceLines, page_.deviceSelection);
    showList(IDC_OUTPUT_MODULES, page_.moduleLines, page_.moduleSelection);
}

void COptions1::apply() {
    page_.deviceSelection = comboSelection(IDC_OUTPUT_DEVICES);
    page_.apply();
    showCombo(IDC_OUTPUT_DEVICES, page_.deviceLines, page_.deviceSelection);
}

void COptions1::command(int id, int code) {
    page_.moduleSelection = listSelection(IDC_OUTPUT_MODULES);
    if (id == IDC_OUTPUT_CONFIGURE || (id == IDC_OUTPUT_MODULES && code == LBN_DBLCLK))
        page_.configureModule();
    else if (id == IDC_OUTPUT_ABOUT)
        page_.aboutModule();
    else if (id == IDC_OUTPUT_DEVICES && code == CBN_SELCHANGE)
        modified();
}

// ---- Buffering ----

void COptions2::initialise() {
    page_.load();
    setSlider(IDC_BUFFER_SLIDER, 0, BufferingPage::kMaximum, BufferingPage::kTickEvery, page_.position);
    setChecked(IDC_SOUND_GAPLESS, page_.gapless);
    showCombo(IDC_SOUND_REPLAYGAIN, {"Off", "Track gain", "Album gain"}, page_.replayGainMode);
    setText(IDC_SOUND_PREAMP, page_.preampText);
    setChecked(IDC_SOUND_NOCLIP, page_.noClip);
    setText(IDC_SOUND_DEFAULT_GAIN, page_.defaultGainText);
}

void COptions2::apply() {
    page_.position = slider(IDC_BUFFER_SLIDER);
    page_.gapless = checked(IDC_SOUND_GAPLESS);
    page_.replayGainMode = comboSelection(IDC_SOUND_REPLAYGAIN);
    page_.preampText = text(IDC_SOUND_PREAMP);
    page_.noClip = checked(IDC_SOUND_NOCLIP);
    page_.defaultGainText = text(IDC_SOUND_DEFAULT_GAIN);
    page_.apply();
    setText(IDC_SOUND_PREAMP, page_.preampText = decibelText(context_.settings.replayGainPreamp));
    setText(IDC_SOUND_DEFAULT_GAIN, page_.defaultGainText = decibelText(context_.settings.replayGainDefault));
}

void COptions2::command(int id, int code) {
    if (id != IDC_BUFFER_SLIDER && isChange(code)) modified();
}

// ---- Plugins ----

void COptions3::initialise() {
    page_.load();
    setText(IDC_PLUGIN_PATH, page_.folder);
    setChecked(IDC_PLUGIN_AUTOEXECUTE, page_.autoExecute);
    setSlider(IDC_PLUGIN_PRIORITY, PluginsPage::kLowestPriority, PluginsPage::kHighestPriority,
              PluginsPage::kHighestPriority, page_.priority);
}

void COptions3::activate() {
    page_.activate();
    showLists();
}

void COptions3::showLists() {
    showList(IDC_PLUGIN_LIBRARIES, page_.libraryLines, page_.librarySelection);
    showList(IDC_PLUGIN_MODULES, page_.moduleLines, page_.moduleSelection);
}

// Choose and Reload: the folder is taken, shown as a full path, and listed anew.
void COptions3::folderChanged(const std::string& folder) {
    page_.changeFolder(folder);
    setText(IDC_PLUGIN_PATH, page_.folder);
    showLists();
}

void COptions3::readControls() {
    page_.moduleSelection = listSelection(IDC_PLUGIN_MODULES);
    page_.autoExecute = checked(IDC_PLUGIN_AUTOEXECUTE);
    page_.priority = slider(IDC_PLUGIN_PRIORITY);
}

void COptions3::apply() {
    // A folder typed but not reloaded is taken as Reload would.
    const std::string typed = text(IDC_PLUGIN_PATH);
    if (typed != page_.folder) folderChanged(typed);
    readControls();
    page_.apply();
}

void COptions3::command(int id, int code) {
    switch (id) {
        case IDC_PLUGIN_CHOOSE: {
            std::string folder = page_.folder;
            if (chooseFolder(window_, "Choose folder for plugin files:", folder)) {
                folderChanged(folder);
                modified();
            }
            return;
        }
        case IDC_PLUGIN_RELOAD:
            folderChanged(text(IDC_PLUGIN_PATH));
            modified();
            return;
        case IDC_PLUGIN_LIBRARIES:
            if (code != LBN_SELCHANGE) return;
            page_.selectLibrary(listSelection(IDC_PLUGIN_LIBRARIES));
            showList(IDC_PLUGIN_MODULES, page_.moduleLines, page_.moduleSelection);
            modified();
            return;
        case IDC_PLUGIN_TEST:
            readControls();
            page_.test();
            return;
        case IDC_PLUGIN_CONFIGURE:
            readControls();
            page_.configure(window_);
            return;
        default:
            if (isChange(code)) modified();
    }
}

// ---- Design and Skins ----

void CLookOptions::initialise() {
    page_.load();
    setText(IDC_LOOK_PATH, page_.folder);
    showFields();
}

void CLookOptions::showFields() {
    setText(IDC_LOOK_CURRENT, page_.current);
    if (look_ == 0) setText(IDC_LOOK_AUTHOR, page_.author);
}

void CLookOptions::activate() {
    page_.activate();
    setChecked(IDC_LOOK_USE, page_.useThisLook);
    showList(IDC_LOOK_LIST, page_.names, page_.selection);
}

void CLookOptions::folderChanged(const std::string& folder) {
    page_.changeFolder(folder);
    setText(IDC_LOOK_PATH, page_.folder);
    showList(IDC_LOOK_LIST, page_.names, page_.selection);
}

void CLookOptions::apply() {
    const std::string typed = text(IDC_LOOK_PATH);
    if (typed != page_.folder) folderChanged(typed);
    page_.selection = listSelection(IDC_LOOK_LIST);
    page_.apply();
    showFields();
}

void CLookOptions::command(int id, int code) {
    switch (id) {
        case IDC_LOOK_CHOOSE: {
            std::string folder = page_.folder;
            if (chooseFolder(window_, chooseTitle_, folder)) {
                folderChanged(folder);
                modified();
            }
            return;
        }
        case IDC_LOOK_RELOAD:
            folderChanged(text(IDC_LOOK_PATH));
            modified();
            return;
        case IDC_LOOK_USE:
            if (code != BN_CLICKED) return;
            page_.setUseThisLook(checked(IDC_LOOK_USE));
            modified();
            return;
        default:
            if (isChange(code)) modified();
    }
}

// ---- General ----

namespace {

struct SystrayBox {
    int control;
    int bit;
};

constexpr SystrayBox kSystrayBoxes[] = {{IDC_GENERAL_SYSTRAY_NEXT, 1},
                                        {IDC_GENERAL_SYSTRAY_PAUSE, 2},
                                        {IDC_GENERAL_SYSTRAY_PLAY, 4},
                                        {IDC_GENERAL_SYSTRAY_PREVIOUS, 8},
                                        {IDC_GENERAL_SYSTRAY_STOP, 16}};

constexpr int kMinimizeChoices[] = {IDC_GENERAL_TASKBAR, IDC_GENERAL_TRAY, IDC_GENERAL_TASKBAR_AND_TRAY};

}  // namespace

void COptions5::initialise() {
    page_.load();
    setChecked(IDC_GENERAL_CLEAR_DROP, page_.clearOnDrop);
    setChecked(IDC_GENERAL_CLEAR_OPEN, page_.clearOnOpen);
    setChecked(page_.repeat == 0 ? IDC_GENERAL_REPEAT_SEVERAL : IDC_GENERAL_REPEAT_ALWAYS, true);
    setChecked(IDC_GENERAL_TOPMOST, page_.topmost);
    setChecked(IDC_GENERAL_SNAP, page_.snap);
    setChecked(kMinimizeChoices[page_.minimizeState], true);
    for (const SystrayBox& box : kSystrayBoxes) setChecked(box.control, (page_.systray & box.bit) != 0);
}

void COptions5::apply() {
    page_.clearOnDrop = checked(IDC_GENERAL_CLEAR_DROP);
    page_.clearOnOpen = checked(IDC_GENERAL_CLEAR_OPEN);
    page_.repeat = checked(IDC_GENERAL_REPEAT_SEVERAL) ? 0 : 1;
    page_.topmost = checked(IDC_GENERAL_TOPMOST);
    page_.snap = checked(IDC_GENERAL_SNAP);
    for (int state = 0; state < 3; ++state)
        if (checked(kMinimizeChoices[state])) page_.minimizeState = state;
    page_.systray = 0;
    for (const SystrayBox& box : kSystrayBoxes)
        if (checked(box.control)) page_.systray |= box.bit;
    page_.apply();
}

void COptions5::command(int id, int code) {
    if (id == IDC_GENERAL_REGISTER) {
        std::unique_ptr<platform::FileTypeRegistry> registry = platform::openFileTypeRegistry();
        showFileTypesDialog(window_, context_.registry, *registry, programPath());
        return;
    }
    if (isChange(code)) modified();
}

}  // namespace tumbor::window::win32
