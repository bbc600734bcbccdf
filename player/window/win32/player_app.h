// The running player: the settings, the module registry, the engine, the
// playlist, the main and playlist windows and the commands between them. It
// starts them in order, runs the message loop (where the keys of both windows
// reach the commands) and ends with the exit sequence.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/shell_integration.h"
#include "player/engine/details_reader.h"
#include "player/engine/instance_handover.h"
#include "player/engine/library_copies.h"
#include "player/engine/key_codes.h"
#include "player/engine/module_registry.h"
#include "player/engine/playback_engine.h"
#include "player/engine/player_shell.h"
#include "player/engine/playlist.h"
#include "player/engine/playlist_commands.h"
#include "player/engine/settings.h"
#include "player/engine/tray_icons.h"
#include "player/window/engine_player_link.h"
#include "player/window/equalizer_preset_choices.h"
#include "player/window/player_commands.h"
#include "player/window/vis_host.h"
#include "player/window/win32/equalizer_window.h"
#include "player/window/win32/main_window.h"
#include "player/window/win32/playlist_window.h"

namespace tumbor::window::win32 {

class PlayerApp : public PlayerShell, public MainWindowEvents, public EqualizerWindowEvents {
public:
    explicit PlayerApp(HINSTANCE instance);
    PlayerApp(const PlayerApp&) = delete;
    PlayerApp& operator=(const PlayerApp&) = delete;

    // Starts with the command-line path (may be empty), runs until the player
    // closes, and returns the process's exit code.
    int run(const std::string& commandLinePath);
    // Snapping to the work area follows the setting; when on, the main window snaps at once.
    void setSnap(bool snap);

    // PlayerShell
    void postToPlaylist(PlaylistMessage message) override;
    bool chooseFilesToOpen(const OpenFilesRequest& request, OpenFilesResult& result) override;
    bool askForLocation(std::string& location) override;
    bool chooseFolder(std::string& folder) override;
    bool chooseFileToSave(const std::string& folder, std::string& path) override;
    void showError(const std::string& text) override;
    void showAbout() override;
    void showHelp() override;
    void showOptions(int page) override;
    void playlistChanged() override;
    void selectionChanged() override;
    bool playlistWindowVisible() const override;
    void showPlaylistWindow(bool show) override;
    void activatePlaylistWindow() override;
    bool equalizerWindowVisible() const override { return equalizerWindow_.visible(); }
    void showEqualizerWindow(bool show) override { equalizerWindow_.show(show); }
    void titleChanged() override;
    void activateMainWindow() override;
    bool mainWindowMinimised() const override;
    void minimiseMainWindow() override;
    void setTopmost(bool topmost) override;
    void setButtonOn(int control, bool on) override;
    void setRemainingTime(bool remaining) override;
    bool designHasPauseButton() const override;
    void openMainMenuAtCentre() override;
    void closePlayer() override;
    bool pluginRunning() const override { return visHost_.running(); }
    void startPlugin() override;
    void togglePlugin() override;
    void configurePlugin() override { visHost_.configure(); }

    // MainWindowEvents
    void action(const WindowAction& action) override;
    void menu(bool loadMenu, POINT screen, bool rightButton) override;
    LRESULT userMessage(WPARAM wParam, LPARAM lParam) override;
    void pathHandedOver(const std::string& path) override;
    bool registeredMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void filesDropped(const std::vector<std::string>& paths) override;
    void activated() override;
    void helpRequested() override;
    void closeRequested() override;
    void workAreaChanged() override;
    void minimised() override;
    void restored() override;
    void trayNotification(UINT id, UINT mouseMessage) override;
    void detailsWaiting() override;
    void moved() override;

    // EqualizerWindowEvents
    void equalizerChanged(const EqualizerSettings& settings) override;
    void equalizerPresetsMenu(POINT screen) override;
    void equalizerCloseRequested() override { commands_.setEqualizerWindowShown(false); }

private:
    bool startUp(const std::string& commandLinePath);
    void loadSettings();
    void placeMainWindow();
    void createPlaylistWindow();
    void createEqualizerWindow();
    void loadEqualizerLook();
    void changeLook(LPARAM kind, const char* name);
    void showButtonStates();
    bool translateKey(const MSG& message);
    void collectWindowSettings();
    void removeTrayIcons();
    void startDetailsReader();
    EntryDetails readDetailsOnReaderThread(const std::string& path);
    void stopDetailsReader();

    HINSTANCE instance_;
    std::string folder_;
    std::string iniPath_;
    Settings settings_;
    ModuleRegistry registry_;
    PlaybackEngine engine_;
    VisHost visHost_;  // after the engine: it reads the engine until destroyed
    Playlist playlist_;
    EnginePlayerLink playerLink_;
    MainWindow window_;
    keys::ModifierTracker modifiers_;
    PlayerParts parts_;
    PlaylistCommands playlistCommands_;
    PlayerCommands commands_;
    PlaylistWindow playlistWindow_;
    EqualizerWindow equalizerWindow_;
    std::unique_ptr<EqualizerPresetChoices> equalizerPresets_;
    HandOverReceiver handOver_;
    std::unique_ptr<platform::TrayArea> trayArea_;
    std::unique_ptr<TrayIcons> tray_;
    // Titles and lengths are read through private copies of the libraries,
    // made and used on the reader's thread only, until it has ended.
    std::unique_ptr<LibraryCopies> libraryCopies_;
    ModuleRegistry readerRegistry_;
    std::unique_ptr<DetailsReader> detailsReader_;
    bool trayIconsShown_ = false;
    bool showPlaylistOnActivation_ = false;
    bool showEqualizerOnRestore_ = false;  // it was shown when the player last closed, minimised
    bool closing_ = false;
};

}  // namespace tumbor::window::win32
