// The main window's commands.
#include "player/window/player_commands.h"

#include "player/engine/module_loader.h"
#include "player/engine/playlist_files.h"
#include "player/engine/tray_icons.h"
#include "player/window/options_pages.h"

namespace tumbor::window {

void PlayerCommands::perform(const WindowAction& action, keys::Modifiers held) {
    PlaybackEngine& engine = parts_.engine;
    switch (action.kind) {
        case WindowAction::activate:
            control(action.control, held);
            break;
        case WindowAction::skip:
            engine.requestSkip(action.x == 2);
            break;
        case WindowAction::cancelSkip:
            engine.clearSkip();
            break;
        case WindowAction::seek:
            engine.requestSeek(action.x, action.range);
            parts_.shell.titleChanged();
            break;
        case WindowAction::songInfo:
            songInfo();
            break;
        case WindowAction::togglePlugin:
            parts_.shell.togglePlugin();
            break;
        default:
            break;  // menus and dragging belong to the window
    }
}

void PlayerCommands::control(int n, keys::Modifiers held) {
    PlayerShell& shell = parts_.shell;
    switch (n) {
        case kPlay: {
            // A design without a pause button pauses and resumes with play.
            const bool actsAsPause = !shell.designHasPauseButton() && parts_.engine.deviceOpen() &&
                                     parts_.engine.getState() != PlaybackEngine::kStopped;
            if (actsAsPause)
                pauseOrResume();
            else
                playOrOpen();
            break;
        }
        case kStop:
            stop();
            break;
        case kPause:
            pauseOrResume();
            break;
        case kSongInformation:
            songInfo();
            break;
        case kDiskOperations:
            addFrom(held);
            break;
        case kAbout:
            shell.showAbout();
            break;
        case kHelp:
            shell.showHelp();
            break;
        case kPreviousSong:
            shell.postToPlaylist(PlaylistMessage::goToPrevious);
            break;
        case kNextSong:
            shell.postToPlaylist(PlaylistMessage::goToNext);
            break;
        case kClose:
            shell.closePlayer();
            break;
        case kMinimize:
            shell.minimiseMainWindow();
            break;
        case kRepeat:
            toggleRepeat();
            break;
        case kShuffle:
            toggleShuffle();
            break;
        case kPlaylist:
            togglePlaylistWindow();
            break;
        case kEq:
            setEqualizerWindowShown(!shell.equalizerWindowVisible());
            break;
        case kTimeDisplay:
            setTimeMode(parts_.settings.timemode == 0 ? 1 : 0);
            break;
        default:
            break;  // the gauges act while dragged
    }
}

bool PlayerCommands::trayIconPressed(int id) {
    switch (id) {
        case kTrayPlay:
            playOrOpen();
            break;
        case kTrayStop:
            stop();
            break;
        case kTrayPause:
            pauseOrResume();
            break;
        case kTrayPrevious:
            parts_.shell.postToPlaylist(PlaylistMessage::goToPrevious);
            break;
        case kTrayNext:
            parts_.shell.postToPlaylist(PlaylistMessage::goToNext);
            break;
        default:
            return false;  // the main icon restores the window, which the shell does
    }
    return true;
}

void PlayerCommands::playOrOpen() {
    if (!parts_.playlist.empty())
        parts_.shell.postToPlaylist(PlaylistMessage::playCurrent);
    else
        playlistCommands_.add(AddSource::files, AddMode::followClearSetting);
}

void PlayerCommands::pauseOrResume() {
    if (parts_.engine.getState() == PlaybackEngine::kPlaying)
        parts_.engine.pause();
    else
        parts_.engine.play();
    parts_.shell.titleChanged();
}

void PlayerCommands::stop() {
    parts_.engine.stop(1);
    parts_.engine.closeDevice();
    parts_.shell.titleChanged();
}

void PlayerCommands::songInfo() {
    offerSongInfo(parts_.registry, nullptr);
    parts_.shell.titleChanged();
}

void PlayerCommands::addFrom(keys::Modifiers held) {
    const AddSource source = held.ctrl    ? AddSource::location
                             : held.shift ? AddSource::folder
                                          : AddSource::files;
    playlistCommands_.add(source, AddMode::followClearSetting);
    parts_.shell.titleChanged();
}

void PlayerCommands::toggleRepeat() {
    parts_.settings.repeatX = parts_.settings.repeatX ? 0 : 1;
    parts_.shell.setButtonOn(kRepeat, parts_.settings.repeatX != 0);
}

void PlayerCommands::toggleShuffle() {
    parts_.settings.shuffle = parts_.settings.shuffle ? 0 : 1;
    parts_.playlist.clearShuffleHistory();
    parts_.shell.setButtonOn(kShuffle, parts_.settings.shuffle != 0);
}

void PlayerCommands::toggleTopmost() {
    parts_.settings.topmost = parts_.settings.topmost ? 0 : 1;
    parts_.shell.setTopmost(parts_.settings.topmost != 0);
}

void PlayerCommands::setTimeMode(int mode) {
    parts_.settings.timemode = mode;
    parts_.shell.setRemainingTime(mode == 1);
}

void PlayerCommands::togglePlaylistWindow() {
    const bool show = !parts_.shell.playlistWindowVisible();
    playlistCommands_.setWindowShown(show);
}

void PlayerCommands::setEqualizerWindowShown(bool show) {
    parts_.settings.equalizerVisible = show ? 1 : 0;
    parts_.shell.showEqualizerWindow(show);
    parts_.shell.setButtonOn(kEq, show);
}

bool PlayerCommands::ctrlKey(int key, bool shift) {
    PlayerShell& shell = parts_.shell;
    switch (key) {
        case keys::kLeft:
            shell.postToPlaylist(PlaylistMessage::goToPrevious);
            break;
        case keys::kRight:
            shell.postToPlaylist(PlaylistMessage::goToNext);
            break;
        case keys::kTab:
            shell.activatePlaylistWindow();
            break;
        case 'A':
            toggleTopmost();
            break;
        case 'P':
            shell.showOptions(kLastOptionsPage);
            break;
        case 'K':
            if (shift)
                shell.togglePlugin();
            else
                shell.showOptions(kPluginsPage);
            break;
        case 'R':
            setTimeMode(1);
            break;
        case 'T':
            setTimeMode(parts_.settings.timemode == 0 ? 1 : 0);
            break;
        case 'L':
            playlistCommands_.add(AddSource::location, AddMode::followClearSetting);
            break;
        default:
            return false;
    }
    return true;
}

bool PlayerCommands::altKey(int key) {
    PlayerShell& shell = parts_.shell;
    switch (key) {
        case keys::kDigit3:
            songInfo();
            break;
        case 'D':
            shell.showOptions(kDesignPage);
            break;
        case 'S':
            shell.showOptions(kSkinsPage);
            break;
        case 'E':
            togglePlaylistWindow();
            break;
        case 'G':
            setEqualizerWindowShown(!shell.equalizerWindowVisible());
            break;
        case 'F':
            shell.openMainMenuAtCentre();
            break;
        case 'K':
            shell.configurePlugin();
            break;
        case keys::kF4:
            shell.closePlayer();
            break;
        default:
            return false;
    }
    return true;
}

bool PlayerCommands::keyDown(int key, keys::Modifiers modifiers) {
    if (modifiers.alt) return altKey(key);
    if (modifiers.ctrl) return ctrlKey(key, modifiers.shift);
    PlayerShell& shell = parts_.shell;
    switch (key) {
        // Each key-down repeats the 5 s step; the key-up cancels one not yet performed.
        case keys::kLeft:
            parts_.engine.requestSkip(false);
            break;
        case keys::kRight:
            parts_.engine.requestSkip(true);
            break;
        case 'Z':
            shell.postToPlaylist(PlaylistMessage::goToPrevious);
            break;
        case 'B':
            shell.postToPlaylist(PlaylistMessage::goToNext);
            break;
        case 'X':
            playOrOpen();
            break;
        case 'C':
            control(kPause, modifiers);
            break;
        case 'V':
            control(kStop, modifiers);
            break;
        case 'L':
            addFrom(modifiers);
            break;
        case 'M':
            shell.minimiseMainWindow();
            break;
        case 'R':
            toggleRepeat();
            break;
        case 'S':
            toggleShuffle();
            break;
        default:
            return false;
    }
    return true;
}

void PlayerCommands::keyUp(int key) {
    if (key == keys::kLeft || key == keys::kRight) parts_.engine.clearSkip();
}

void PlayerCommands::menuCommand(MenuCommand command) {
    using C = MenuCommand;
    PlayerShell& shell = parts_.shell;
    Settings& settings = parts_.settings;
    switch (command) {
        case C::playFile:
        case C::openFile:
            playlistCommands_.add(AddSource::files, AddMode::followClearSetting);
            break;
        case C::playLocation:
        case C::openLocation:
            playlistCommands_.add(AddSource::location, AddMode::followClearSetting);
            break;
        case C::openDirectory:
            playlistCommands_.add(AddSource::folder, AddMode::followClearSetting);
            break;
        case C::fileInfo:
            songInfo();
            break;
        case C::playlistEditor:
            togglePlaylistWindow();
            break;
        case C::preferences:
            shell.showOptions(kLastOptionsPage);
            break;
        case C::selectSkin:
            shell.showOptions(kSkinsPage);
            break;
        case C::selectDesign:
            shell.showOptions(kDesignPage);
            break;
        case C::repeat:
            toggleRepeat();
            break;
        case C::shuffle:
            toggleShuffle();
            break;
        case C::noAdvance:
            settings.advance = settings.advance ? 0 : 1;
            parts_.engine.setAdvance(settings.advance != 0);
            break;
        case C::timeElapsed:
            setTimeMode(settings.timemode == 0 ? 1 : 0);
            break;
        case C::timeRemaining:
            setTimeMode(1);
            break;
        case C::alwaysOnTop:
            toggleTopmost();
            break;
        case C::previous:
            shell.postToPlaylist(PlaylistMessage::goToPrevious);
            break;
        case C::play:
            playOrOpen();
            break;
        case C::pause:
            pauseOrResume();
            break;
        case C::stop:
            stop();
            break;
        case C::next:
            shell.postToPlaylist(PlaylistMessage::goToNext);
            break;
        case C::back5:
            parts_.engine.requestSkip(false);
            break;
        case C::forward5:
            parts_.engine.requestSkip(true);
            break;
        case C::pluginStartStop:
            shell.togglePlugin();
            break;
        case C::pluginConfig:
            shell.configurePlugin();
            break;
        case C::pluginSetup:
            shell.showOptions(kPluginsPage);
            break;
        case C::exit:
            shell.closePlayer();
            break;
        default:
            playlistCommands_.menuCommand(command);
            break;
    }
}

bool PlayerCommands::isChecked(MenuCommand command) const {
    const Settings& settings = parts_.settings;
    switch (command) {
        case MenuCommand::playlistEditor:
            return parts_.shell.playlistWindowVisible();
        case MenuCommand::repeat:
            return settings.repeatX != 0;
        case MenuCommand::shuffle:
            return settings.shuffle != 0;
        case MenuCommand::noAdvance:
            return settings.advance == 0;
        case MenuCommand::timeElapsed:
            return settings.timemode == 0;
        case MenuCommand::timeRemaining:
            return settings.timemode == 1;
        case MenuCommand::alwaysOnTop:
            return settings.topmost != 0;
        default:
            return false;
    }
}

void PlayerCommands::saveState(const std::string& playlistPath, const std::string& iniPath) {
    if (parts_.shell.pluginRunning()) parts_.shell.togglePlugin();
    savePlaylist(parts_.playlist, playlistPath);
    writeSettings(iniPath, parts_.settings);
}

void PlayerCommands::shutDown(PlaybackEngine& engine, ModuleRegistry& registry) {
    engine.stop(1);
    engine.closeDevice();
    engine.unload();
    engine.closeDevice();
    registry.tearDown();
}

}  // namespace tumbor::window
