// The playlist window's commands over the playlist, the engine and the settings.
#include "player/engine/playlist_commands.h"

#include <utility>

#include "player/engine/module_loader.h"
#include "player/engine/playlist_files.h"

namespace tumbor {
namespace {

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

NavigationSettings PlaylistCommands::navigationSettings() const {
    NavigationSettings navigation;
    navigation.shuffle = parts_.settings.shuffle != 0;
    navigation.repeatX = parts_.settings.repeatX != 0;
    navigation.repeat = parts_.settings.repeat != 0;
    return navigation;
}

// Loads through the main window's rule: the engine's message on failure, the title refreshed.
bool PlaylistCommands::loadEntry(int index) {
    const bool loaded = parts_.engine.load(parts_.playlist.entries()[static_cast<size_t>(index)]) != 0;
    if (!loaded) parts_.shell.showError(parts_.engine.message());
    parts_.shell.titleChanged();
    return loaded;
}

void PlaylistCommands::handleMessage(PlaylistMessage message) {
    Playlist& playlist = parts_.playlist;
    handedOverIndex_ = -1;
    prepareWhenHeard_ = false;
    if (playlist.empty()) return;
    const bool wasPlaying = parts_.engine.getState() == PlaybackEngine::kPlaying;
    const NavigationSettings navigation = navigationSettings();
    const int index = playlist.choose(message, wasPlaying, navigation);
    if (loadEntry(index)) {
        if (playlist.playsAfterLoad(message, index, wasPlaying, navigation)) parts_.engine.play();
        PlayerShell& shell = parts_.shell;
        if (message == PlaylistMessage::playCurrent && parts_.settings.autoExecute != 0 &&
            !shell.pluginRunning() && !shell.mainWindowMinimised())
            shell.startPlugin();
    }
    playlist.selectOnly(static_cast<size_t>(index));
    parts_.shell.selectionChanged();
    parts_.shell.titleChanged();
}

void PlaylistCommands::playNext(PlayNextReason reason) {
    if (reason == kSongDecoded)
        prepareNext();
    else if (reason == kNextSongStarted)
        nextSongStarted();
    else
        handleMessage(PlaylistMessage::playNext);
}

void PlaylistCommands::prepareNext() {
    Playlist& playlist = parts_.playlist;
    PlaybackEngine& engine = parts_.engine;
    if (playlist.empty() || parts_.settings.gapless == 0 || engine.getState() != PlaybackEngine::kPlaying)
        return;
    // A short song decoded while the one before it still plays: it is handed on once heard.
    if (handedOverIndex_ >= 0) {
        prepareWhenHeard_ = true;
        return;
    }
    const NavigationSettings navigation = navigationSettings();
    const int current = playlist.currentIndex();
    const int index = playlist.choose(PlaylistMessage::playNext, true, navigation);
    // The list follows the sound: the current entry moves when the new song is heard.
    playlist.setCurrentIndex(current);
    if (index == current || !playlist.playsAfterLoad(PlaylistMessage::playNext, index, true, navigation))
        return;
    // A song in another format needs the device reopened once this one's last sound has played:
    // rather than wait for that here, this song plays out and its end plays the next, as without gapless.
    const std::optional<platform::WaveFormat>& next = playlist.details(static_cast<size_t>(index)).format;
    if (next && !(*next == engine.format())) return;
    switch (engine.handOver(playlist.entries()[static_cast<size_t>(index)])) {
        case PlaybackEngine::HandOver::notApplicable:
            return;
        case PlaybackEngine::HandOver::handedOver:
            handedOverIndex_ = index;
            return;
        case PlaybackEngine::HandOver::loaded:
            engine.play();
            break;
        case PlaybackEngine::HandOver::failed:
            parts_.shell.showError(engine.message());
            break;
    }
    // Another format (or a file that failed): the song has played out, as without gapless.
    playlist.setCurrentIndex(index);
    playlist.selectOnly(static_cast<size_t>(index));
    parts_.shell.selectionChanged();
    parts_.shell.titleChanged();
}

void PlaylistCommands::nextSongStarted() {
    Playlist& playlist = parts_.playlist;
    const int index = handedOverIndex_;
    handedOverIndex_ = -1;
    if (index < 0 || index >= static_cast<int>(playlist.size())) return;
    playlist.setCurrentIndex(index);
    playlist.selectOnly(static_cast<size_t>(index));
    parts_.shell.selectionChanged();
    parts_.shell.titleChanged();
    if (std::exchange(prepareWhenHeard_, false)) prepareNext();
}

void PlaylistCommands::playCaret() {
    Playlist& playlist = parts_.playlist;
    if (playlist.empty()) return;
    playlist.setCurrentIndex(playlist.caret());
    parts_.shell.postToPlaylist(PlaylistMessage::playCurrent);
}

bool PlaylistCommands::addChosenFiles(bool replace, bool firstFilter) {
    Settings& settings = parts_.settings;
    OpenFilesRequest request;
    request.filter = parts_.registry.openFilter();
    request.folder = settings.filepath;
    request.filterIndex = firstFilter ? 1 : settings.openFilter;
    OpenFilesResult result;
    if (!parts_.shell.chooseFilesToOpen(request, result)) return false;
    if (!firstFilter) settings.openFilter = result.filterIndex;
    if (!result.folder.empty()) settings.filepath = result.folder;
    if (replace) parts_.playlist.clear();
    for (const std::string& file : result.files) addPath(parts_.playlist, file, false);
    return true;
}

void PlaylistCommands::add(AddSource source, AddMode mode, bool firstFilter) {
    const bool followClear = mode == AddMode::followClearSetting;
    const bool replace = followClear && (parts_.settings.clear & kReplaceOnOpen) != 0;
    const bool wasEmpty = parts_.playlist.empty();
    switch (source) {
        case AddSource::files:
            if (!addChosenFiles(replace, firstFilter)) return;
            break;
        case AddSource::location: {
            std::string location = parts_.settings.lastLocation;
            if (!parts_.shell.askForLocation(location)) return;
            parts_.settings.lastLocation = location.substr(0, Playlist::kMaxEntryLength);
            addPath(parts_.playlist, location, replace);
            break;
        }
        case AddSource::folder: {
            std::string folder;
            if (!parts_.shell.chooseFolder(folder)) return;
            addPath(parts_.playlist, folder, replace);
            break;
        }
    }
    parts_.shell.playlistChanged();
    if (followClear) playAfterAddition(replace, wasEmpty);
}

void PlaylistCommands::playAfterAddition(bool replaced, bool wasEmpty) {
    if (!parts_.playlist.empty() && (replaced || wasEmpty))
        parts_.shell.postToPlaylist(PlaylistMessage::playCurrent);
}

void PlaylistCommands::dropFiles(const std::vector<std::string>& paths) {
    if ((parts_.settings.clear & kClearBeforeDrop) != 0) parts_.playlist.clear();
    for (const std::string& path : paths) addPath(parts_.playlist, path, false);
    parts_.shell.playlistChanged();
}

void PlaylistCommands::save() {
    if (parts_.playlist.empty()) return;
    std::string path;
    if (!parts_.shell.chooseFileToSave(parts_.settings.filepath, path)) return;
    parts_.settings.filepath = folderOf(path);
    if (!savePlaylist(parts_.playlist, path)) parts_.shell.showError("Could not write the playlist " + path);
}

void PlaylistCommands::startUp(const std::string& commandLinePath, const std::string& defaultPlaylist) {
    if (!commandLinePath.empty()) {
        addPath(parts_.playlist, commandLinePath, true);
        parts_.shell.postToPlaylist(PlaylistMessage::playCurrent);
    } else {
        addPath(parts_.playlist, defaultPlaylist, true);
    }
    parts_.shell.playlistChanged();
}

void PlaylistCommands::receiveHandOver(const std::string& path) {
    addPath(parts_.playlist, path, true);
    parts_.shell.playlistChanged();
    parts_.shell.postToPlaylist(PlaylistMessage::playCurrent);
}

void PlaylistCommands::removeSelected() {
    parts_.playlist.removeSelected();
    parts_.shell.playlistChanged();
}

void PlaylistCommands::moveSelection(bool up) {
    if (up)
        parts_.playlist.moveSelectionUp();
    else
        parts_.playlist.moveSelectionDown();
    parts_.shell.playlistChanged();
}

void PlaylistCommands::selectAll() {
    parts_.playlist.selectAll();
    parts_.shell.selectionChanged();
}

void PlaylistCommands::selectNone() {
    parts_.playlist.selectNone();
    parts_.shell.selectionChanged();
}

void PlaylistCommands::invertSelection() {
    parts_.playlist.invertSelection();
    parts_.shell.selectionChanged();
}

void PlaylistCommands::clearList() {
    parts_.playlist.clear();
    parts_.shell.playlistChanged();
}

void PlaylistCommands::songInfoForSelection() {
    const Playlist& playlist = parts_.playlist;
    for (size_t i = 0; i < playlist.size(); ++i)
        if (playlist.isSelected(i)) offerSongInfo(parts_.registry, playlist.entries()[i].c_str());
    parts_.shell.titleChanged();
}

void PlaylistCommands::setWindowShown(bool shown) {
    parts_.shell.showPlaylistWindow(shown);
    parts_.settings.active = shown ? 1 : 0;
}

bool PlaylistCommands::keyDown(int key, keys::Modifiers modifiers) {
    if (modifiers.alt) {
        if (key != keys::kDigit3) return false;
        songInfoForSelection();
        return true;
    }
    if (key == keys::kEnter) {
        playCaret();
    } else if (key == keys::kInsert) {
        add(modifiers.ctrl    ? AddSource::location
            : modifiers.shift ? AddSource::folder
                              : AddSource::files,
            AddMode::append);
    } else if (key == keys::kDelete) {
        removeSelected();
    } else if (key == keys::kEscape) {
        // ignored: Esc does not close the playlist window
    } else if (!modifiers.ctrl) {
        return false;
    } else if (key == keys::kLeft || key == keys::kRight) {
        parts_.shell.postToPlaylist(key == keys::kLeft ? PlaylistMessage::goToPrevious
                                                       : PlaylistMessage::goToNext);
    } else if (key == keys::kUp || key == keys::kDown) {
        moveSelection(key == keys::kUp);
    } else if (key == 'A') {
        selectAll();
    } else if (key == 'N') {
        clearList();
    } else if (key == 'O') {
        add(AddSource::files, AddMode::followClearSetting, true);
    } else if (key == 'S') {
        save();
    } else if (key == keys::kTab) {
        parts_.shell.activateMainWindow();
    } else if (key == keys::kF4) {
        setWindowShown(false);
    } else {
        return false;
    }
    return true;
}

bool PlaylistCommands::menuCommand(MenuCommand command) {
    switch (command) {
        case MenuCommand::clearList:
            clearList();
            break;
        case MenuCommand::loadPlaylist:
            add(AddSource::files, AddMode::followClearSetting, true);
            break;
        case MenuCommand::savePlaylist:
            save();
            break;
        case MenuCommand::closePlaylist:
            setWindowShown(false);
            break;
        case MenuCommand::selectAll:
            selectAll();
            break;
        case MenuCommand::invertSelection:
            invertSelection();
            break;
        case MenuCommand::unselectAll:
            selectNone();
            break;
        case MenuCommand::playlistFileInfo:
            songInfoForSelection();
            break;
        case MenuCommand::addFile:
            add(AddSource::files, AddMode::append);
            break;
        case MenuCommand::addDirectory:
            add(AddSource::folder, AddMode::append);
            break;
        case MenuCommand::addLocation:
            add(AddSource::location, AddMode::append);
            break;
        default:
            return false;
    }
    return true;
}

}  // namespace tumbor
