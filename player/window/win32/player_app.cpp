// Start-up, the message loop, the shell's windows and dialogs, and the exit sequence.
#include "player/window/win32/player_app.h"

#include <climits>
#include <memory>
#include <type_traits>

#include "platform/code_page.h"
#include "platform/dialogs.h"
#include "platform/dynamic_library.h"
#include "platform/wave_device.h"
#include "platform/win32/wide_text.h"
#include "player/engine/module_loader.h"
#include "player/window/file_names.h"
#include "player/window/options_pages.h"
#include "player/window/win32/menu_builder.h"
#include "player/window/win32/options_sheet.h"
#include "player/window/win32/player_dialogs.h"
#include "player/window/win32/registered_messages.h"
#include "player/window/window_snap.h"

namespace tumbor::window::win32 {
namespace {

// What the options sheet asks of the player: the look and the plug-in through
// the registered messages to the main window, the rest directly.
class SheetLink : public OptionsShell {
public:
    SheetLink(PlayerApp& app, HWND mainWindow) : app_(app), mainWindow_(mainWindow) {}
    void changeLook(const std::string& path, int look) override {
        SendMessageA(mainWindow_, RegisteredMessages::get().changeGui, reinterpret_cast<WPARAM>(path.c_str()),
                     look);
    }
    void togglePlugin() override { SendMessageA(mainWindow_, RegisteredMessages::get().togglePlugin, 0, 0); }
    bool pluginRunning() const override { return app_.pluginRunning(); }
    void setTopmost(bool topmost) override { app_.setTopmost(topmost); }
    void setSnap(bool snap) override { app_.setSnap(snap); }

private:
    PlayerApp& app_;
    HWND mainWindow_;
};

}  // namespace

PlayerApp::PlayerApp(HINSTANCE instance)
    : instance_(instance),
      engine_(registry_, platform::createSystemWaveDevice()),
      visHost_(settings_, engine_),
      playerLink_(engine_),
      window_(instance, playerLink_),
      parts_{engine_, playlist_, settings_, registry_, *this},
      playlistCommands_(parts_),
      commands_(parts_, playlistCommands_),
      playlistWindow_(playlist_, playlistCommands_, modifiers_),
      equalizerWindow_(*this) {
    playerLink_.setPlaylist(&playlist_);
}

int PlayerApp::run(const std::string& commandLinePath) {
    if (!startUp(commandLinePath)) return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (translateKey(message)) continue;
        HWND playlist = playlistWindow_.handle();
        if (playlist && IsDialogMessageA(playlist, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    stopDetailsReader();
    PlayerCommands::shutDown(engine_, registry_);
    visHost_.waitForEnd();
    return 0;
}

// The start-up order: window, settings and look, position, registry,
// playlist window, the list itself, then whether the playlist window shows.
bool PlayerApp::startUp(const std::string& commandLinePath) {
    RegisteredMessages::get();
    if (!window_.create()) return false;
    window_.events = this;
    visHost_.setMainWindow(window_.handle());
    trayArea_ = platform::createTrayArea(window_.handle(), kTrayMessage);
    tray_ = std::make_unique<TrayIcons>(*trayArea_);
    loadSettings();
    const std::string& look = settings_.gui == 1 ? settings_.skinCurrent : settings_.designCurrent;
    SendMessageA(window_.handle(), RegisteredMessages::get().changeGui,
                 reinterpret_cast<WPARAM>(look.c_str()), settings_.gui == 1 ? 1 : 0);
    placeMainWindow();
    registry_.build(folder_, window_.handle(), iniPath_);
    startDetailsReader();
    createPlaylistWindow();
    createEqualizerWindow();
    engine_.setAdvance(settings_.advance != 0);
    engine_.setGapless(settings_.gapless != 0);
    engine_.setReplayGain(replayGainSettingsOf(settings_));
    engine_.setEqualizer(equalizerSettingsOf(settings_));
    engine_.setDevice(settings_.device);
    engine_.setBufferLength(static_cast<uint32_t>(settings_.buffer) * 100);
    playlistCommands_.startUp(commandLinePath, folder_ + "Tumbor.pls");
    if (settings_.active == 1 && settings_.minimized == 0) {
        if (GetForegroundWindow() == window_.handle())
            playlistCommands_.setWindowShown(true);
        else
            showPlaylistOnActivation_ = true;
    }
    return true;
}

void PlayerApp::loadSettings() {
    folder_ = platform::programFolder();
    iniPath_ = folder_ + "Tumbor.ini";
    SetCurrentDirectoryW(platform::wideFromUtf8(folder_).c_str());
    settings_ = readSettings(iniPath_, Settings::defaults(folder_, INT_MIN, INT_MIN));
    window_.snap = settings_.snap != 0;
    window_.view().setVolume(settings_.volume);
    window_.view().setRemainingMode(settings_.timemode == 1);
    window_.loader().designFolder = settings_.designPath;
    window_.loader().currentDesign = settings_.designCurrent;
}

void PlayerApp::placeMainWindow() {
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const WindowModel& model = window_.model();
    const int x = settings_.x != INT_MIN ? settings_.x : (work.right - work.left - model.windowWidth) / 2;
    const int y = settings_.y != INT_MIN ? settings_.y : (work.bottom - work.top - model.windowHeight) / 2;
    window_.showAt(x, y, settings_.minimized != 0);
    if (settings_.topmost) window_.setTopmost(true);
    window_.snapToWorkArea();
}

void PlayerApp::createPlaylistWindow() {
    playlistWindow_.create(window_.handle());
    playlistWindow_.place(settings_.playlistX, settings_.playlistY, settings_.playlistWidth,
                          settings_.playlistHeight);
    showButtonStates();
    // The end-of-track worker only posts; the playlist window picks the next entry.
    HWND playlist = playlistWindow_.handle();
    const UINT playNext = RegisteredMessages::get().playNext;
    engine_.setSongEndedHandler([playlist, playNext] { PostMessageA(playlist, playNext, kSongEnded, 0); });
    engine_.setSongDecodedHandler([playlist, playNext] { PostMessageA(playlist, playNext, kSongDecoded, 0); });
    engine_.setSongStartedHandler(
        [playlist, playNext] { PostMessageA(playlist, playNext, kNextSongStarted, 0); });
}

// Docked under the main window with the saved levels, and shown as it was left.
void PlayerApp::createEqualizerWindow() {
    equalizerPresets_ = std::make_unique<EqualizerPresetChoices>(folder_ + kEqualizerPresetFileName);
    equalizerWindow_.create(window_.handle());
    equalizerWindow_.setSettings(equalizerSettingsOf(settings_));
    loadEqualizerLook();
    if (!settings_.equalizerVisible) return;
    if (IsIconic(window_.handle()))
        showEqualizerOnRestore_ = true;  // an owned window shown now would stand alone on the desktop
    else
        commands_.setEqualizerWindowShown(true);
}

// A classic skin's equalizer picture when the main window shows a skin, else
// the default design's, which is installed beside the program.
void PlayerApp::loadEqualizerLook() {
    const bool skin = window_.model().kind == LookKind::skin;
    equalizerWindow_.loadLook(skin ? window_.loader().currentSkin : std::string(),
                              joinPath(folder_, kDesignEqualizerPicture));
    moved();
}

void PlayerApp::moved() {
    if (!equalizerWindow_.handle()) return;
    RECT main;
    GetWindowRect(window_.handle(), &main);
    equalizerWindow_.dockUnder(main);
}

void PlayerApp::equalizerChanged(const EqualizerSettings& settings) {
    engine_.setEqualizer(settings);
    storeEqualizerSettings(settings_, settings);
}

// The built-in presets, the user's own after a line, and the entry that keeps the levels as a new one.
void PlayerApp::equalizerPresetsMenu(POINT screen) {
    constexpr UINT kFirstPreset = 1, kSavePreset = 0x7000;
    const std::vector<EqualizerPreset>& presets = equalizerPresets_->refresh();
    using MenuOwner = std::unique_ptr<std::remove_pointer_t<HMENU>, decltype(&DestroyMenu)>;
    MenuOwner menu(CreatePopupMenu(), &DestroyMenu);
    for (size_t i = 0; i < presets.size(); ++i) {
        if (i == equalizerPresets_->builtInCount()) AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu.get(), MF_STRING, kFirstPreset + i, platform::wideFromUtf8(presets[i].name).c_str());
    }
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING, kSavePreset, L"Save preset...");
    const UINT chosen =
        static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN, screen.x,
                                         screen.y, 0, equalizerWindow_.handle(), nullptr));
    modifiers_.clear();
    EqualizerSettings settings = equalizerWindow_.settings();
    if (chosen == kSavePreset) {
        std::string name;
        if (askForText(equalizerWindow_.handle(), "Save equalizer preset", name) && !name.empty() &&
            !equalizerPresets_->save(name, settings))
            showError("The equalizer preset could not be saved.");
    } else if (chosen >= kFirstPreset && equalizerPresets_->choose(chosen - kFirstPreset, settings)) {
        equalizerWindow_.setSettings(settings);
        equalizerChanged(settings);
    }
}

void PlayerApp::changeLook(LPARAM kind, const char* name) {
    if (!name) return;
    const std::string look = name;
    if (kind == 1) {
        window_.loadLook(LookRequest::skin, joinPath(settings_.skinPath, look));
        settings_.skinCurrent = look;
    } else {
        window_.loadLook(LookRequest::design, look);
        settings_.designCurrent = look;
    }
    settings_.gui = kind == 1 ? 1 : 0;
    if (equalizerWindow_.handle()) loadEqualizerLook();
    showButtonStates();
}

// A new look or a new playlist window: the two-state buttons show the settings.
void PlayerApp::showButtonStates() {
    window_.setButtonOn(kRepeat, settings_.repeatX != 0);
    window_.setButtonOn(kShuffle, settings_.shuffle != 0);
    window_.setButtonOn(kPlaylist, playlistWindowVisible());
    window_.setButtonOn(kEq, equalizerWindowVisible());
}

// Keys of the main and the playlist window, before the dialog manager sees
// them; the playlist window passes the keys it has no use for to the main window's.
bool PlayerApp::translateKey(const MSG& message) {
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
    const bool toPlaylist = playlistWindow_.contains(message.hwnd);
    const bool toMain = message.hwnd == window_.handle() || message.hwnd == equalizerWindow_.handle();
    if (!toPlaylist && !toMain) return false;
    const int key = static_cast<int>(message.wParam);
    switch (message.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            modifiers_.keyDown(key);
            if (key == keys::kF1) {
                helpRequested();
                return true;
            }
            const keys::Modifiers held = modifiers_.with((message.lParam & (1 << 29)) != 0);
            if (toPlaylist && playlistCommands_.keyDown(key, held)) return true;
            return commands_.keyDown(key, held);
        }
        case WM_KEYUP:
        case WM_SYSKEYUP:
            modifiers_.keyUp(key);
            commands_.keyUp(key);
            return false;
    }
    return false;
}

void PlayerApp::collectWindowSettings() {
    const POINT at = window_.position();
    settings_.x = at.x;
    settings_.y = at.y;
    settings_.volume = window_.view().volume();
    settings_.minimized = IsIconic(window_.handle()) ? 1 : 0;
    const RECT playlist = playlistWindow_.rectangle();
    settings_.playlistX = playlist.left;
    settings_.playlistY = playlist.top;
    settings_.playlistWidth = playlist.right - playlist.left;
    settings_.playlistHeight = playlist.bottom - playlist.top;
}

// The exit sequence up to the windows; the engine and the registry follow
// once the message loop has ended.
void PlayerApp::closeRequested() {
    if (closing_) return;
    closing_ = true;
    collectWindowSettings();
    commands_.saveState(folder_ + "Tumbor.pls", iniPath_);
    playlistWindow_.destroy();
    equalizerWindow_.destroy();
    removeTrayIcons();
    DestroyWindow(window_.handle());  // stops the display timer and ends the message loop
}

// ---- PlayerShell ----

void PlayerApp::postToPlaylist(PlaylistMessage message) {
    PostMessageA(playlistWindow_.handle(), RegisteredMessages::get().of(message), 0, 0);
}

bool PlayerApp::chooseFilesToOpen(const OpenFilesRequest& request, OpenFilesResult& result) {
    return win32::chooseFilesToOpen(window_.handle(), request, result);
}

bool PlayerApp::askForLocation(std::string& location) {
    return win32::askForLocation(window_.handle(), location);
}

bool PlayerApp::chooseFolder(std::string& folder) { return win32::chooseFolder(window_.handle(), folder); }

bool PlayerApp::chooseFileToSave(const std::string& folder, std::string& path) {
    return choosePlaylistToSave(playlistWindow_.handle(), folder, path);
}

void PlayerApp::showError(const std::string& text) {
    platform::MessageBoxRequest box;
    box.owner = window_.handle();
    box.text = text;
    box.caption = "Tumbor";
    box.icon = platform::MessageIcon::error;
    platform::showMessageBox(box);
}

void PlayerApp::showAbout() { showAboutBox(window_.handle()); }
void PlayerApp::showHelp() { showHelpFile(window_.handle()); }

// The sheet runs with the display timer stopped; the look it asks for lasts while it is open.
void PlayerApp::showOptions(int page) {
    window_.stopDisplayTimer();
    SheetLink link(*this, window_.handle());
    OptionsContext context(settings_, engine_, registry_, link);
    const OptionsOpening opening = openingFor(page, settings_);
    context.requestedLook = opening.requestedLook;
    context.designInUse = pathInFolder(window_.loader().designFolder, window_.loader().currentDesign);
    context.skinInUse = window_.loader().currentSkin;
    COptions(context).run(window_.handle(), opening.page);
    // The keys released while the sheet was open never reached the main window.
    modifiers_.clear();
    window_.startDisplayTimer();
}

void PlayerApp::setSnap(bool snap) {
    window_.snap = snap;
    window_.snapToWorkArea();
}

void PlayerApp::playlistChanged() {
    playlistWindow_.showEntries();
    if (detailsReader_) detailsReader_->request(entriesWithoutDetails(playlist_));
}

void PlayerApp::startDetailsReader() {
    const HWND window = window_.handle();
    detailsReader_ = std::make_unique<DetailsReader>(
        [this](const std::string& path) { return readDetailsOnReaderThread(path); },
        [window] { PostMessageW(window, kDetailsWaitingMessage, 0, 0); });
}

// The copies are made and loaded on the reader's thread, the first time it
// reads, so the player starts as fast as ever.
EntryDetails PlayerApp::readDetailsOnReaderThread(const std::string& path) {
    if (!libraryCopies_) {
        libraryCopies_ = std::make_unique<LibraryCopies>(folder_);
        if (!libraryCopies_->folder().empty()) readerRegistry_.build(libraryCopies_->folder(), nullptr, iniPath_);
    }
    return readEntryDetails(readerRegistry_, path);
}

// The reader ends before the libraries it reads with are released, and they
// before their copies are removed.
void PlayerApp::stopDetailsReader() {
    detailsReader_.reset();
    readerRegistry_.tearDown();
    libraryCopies_.reset();
}

void PlayerApp::detailsWaiting() {
    if (!detailsReader_) return;
    const std::vector<size_t> rows = playlist_.setDetails(detailsReader_->takeResults());
    if (!rows.empty()) playlistWindow_.showRows(rows);
}

void PlayerApp::selectionChanged() { playlistWindow_.showSelection(); }

bool PlayerApp::playlistWindowVisible() const {
    return playlistWindow_.handle() && IsWindowVisible(playlistWindow_.handle());
}

void PlayerApp::showPlaylistWindow(bool show) {
    if (!playlistWindow_.handle()) return;
    ShowWindow(playlistWindow_.handle(), show ? SW_SHOWNOACTIVATE : SW_HIDE);
    window_.setButtonOn(kPlaylist, show);
}

void PlayerApp::activatePlaylistWindow() {
    if (playlistWindowVisible()) SetForegroundWindow(playlistWindow_.handle());
}

void PlayerApp::titleChanged() { window_.drawTitle(); }
void PlayerApp::activateMainWindow() { SetForegroundWindow(window_.handle()); }
bool PlayerApp::mainWindowMinimised() const { return IsIconic(window_.handle()) != FALSE; }
void PlayerApp::minimiseMainWindow() { ShowWindow(window_.handle(), SW_MINIMIZE); }
void PlayerApp::setTopmost(bool topmost) { window_.setTopmost(topmost); }
void PlayerApp::setButtonOn(int control, bool on) { window_.setButtonOn(control, on); }

void PlayerApp::setRemainingTime(bool remaining) {
    if (window_.view().remainingMode() != remaining) window_.view().toggleTimeMode();
    window_.drawTitle();
}

bool PlayerApp::designHasPauseButton() const { return window_.model().control(kPause).left != -1; }

void PlayerApp::openMainMenuAtCentre() {
    RECT client;
    GetClientRect(window_.handle(), &client);
    POINT centre{client.right / 2, client.bottom / 2};
    ClientToScreen(window_.handle(), &centre);
    menu(false, centre, true);
}

void PlayerApp::closePlayer() { PostMessageA(window_.handle(), WM_CLOSE, 0, 0); }

void PlayerApp::startPlugin() {
    if (!visHost_.running()) togglePlugin();
}

void PlayerApp::togglePlugin() {
    RedrawWindow(window_.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    visHost_.toggle();
}

// ---- MainWindowEvents ----

void PlayerApp::action(const WindowAction& action) { commands_.perform(action, modifiers_.with(false)); }

void PlayerApp::menu(bool loadMenu, POINT screen, bool rightButton) {
    if (!loadMenu) modifiers_.clear();
    const IsChecked checked = [this](MenuCommand command) { return commands_.isChecked(command); };
    const MenuCommand chosen =
        trackMenu(window_.handle(), loadMenu ? tumbor::loadMenu() : mainMenu(), checked, screen, rightButton);
    if (chosen != MenuCommand::none) commands_.menuCommand(chosen);
}

LRESULT PlayerApp::userMessage(WPARAM wParam, LPARAM lParam) {
    if (lParam == kStateQuery) return stateForOutsideCallers(engine_.getState());
    if (lParam == kReaderFilesQuery) return static_cast<LRESULT>(inputsAttached(InputSlot::reader));
    if (lParam == kHandOverUnit) {
        if (auto path = handOver_.receive(static_cast<uint32_t>(wParam)))
            playlistCommands_.receiveHandOver(platform::utf8FromAnsi(*path));
    }
    return 0;
}

void PlayerApp::pathHandedOver(const std::string& path) { playlistCommands_.receiveHandOver(path); }

bool PlayerApp::registeredMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const RegisteredMessages& messages = RegisteredMessages::get();
    if (message == messages.changeGui) {
        changeLook(lParam, reinterpret_cast<const char*>(wParam));
        return true;
    }
    if (message == messages.togglePlugin) {
        togglePlugin();
        return true;
    }
    return false;
}

void PlayerApp::filesDropped(const std::vector<std::string>& paths) { playlistCommands_.dropFiles(paths); }

void PlayerApp::activated() {
    if (IsIconic(window_.handle())) return;
    removeTrayIcons();
    if (!showPlaylistOnActivation_ || !playlistWindow_.handle()) return;
    showPlaylistOnActivation_ = false;
    playlistCommands_.setWindowShown(true);
}

void PlayerApp::helpRequested() { showHelp(); }

// Minimised: the tray icons the settings ask for; with "System tray" only the window also hides.
void PlayerApp::minimised() {
    if (settings_.minimizeState == 1) ShowWindow(window_.handle(), SW_HIDE);
    tray_->minimised(settings_.systray, settings_.minimizeState);
    trayIconsShown_ = true;
}

void PlayerApp::restored() {
    removeTrayIcons();
    if (!showEqualizerOnRestore_) return;
    showEqualizerOnRestore_ = false;
    commands_.setEqualizerWindowShown(true);
}

void PlayerApp::removeTrayIcons() {
    if (!trayIconsShown_ || !tray_) return;
    tray_->restored();
    trayIconsShown_ = false;
}

void PlayerApp::trayNotification(UINT id, UINT mouseMessage) {
    if (mouseMessage == WM_RBUTTONDOWN) {
        POINT pointer;
        GetCursorPos(&pointer);
        menu(false, pointer, true);
        return;
    }
    if (mouseMessage != WM_LBUTTONDOWN) return;
    if (commands_.trayIconPressed(static_cast<int>(id))) {
        titleChanged();
        return;
    }
    if (id != kTrayMain) return;
    ShowWindow(window_.handle(), SW_SHOW);
    ShowWindow(window_.handle(), SW_RESTORE);
    SetForegroundWindow(window_.handle());
    window_.drawTitle();
    activated();
}

void PlayerApp::workAreaChanged() {
    if (!settings_.snap || !playlistWindow_.handle()) return;
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const RECT rect = playlistWindow_.rectangle();
    const Position to = snapToWorkArea(Rect{rect.left, rect.top, rect.right, rect.bottom},
                                       Rect{work.left, work.top, work.right, work.bottom});
    playlistWindow_.place(to.x, to.y, rect.right - rect.left, rect.bottom - rect.top);
}

}  // namespace tumbor::window::win32
