// The player's menus as data: the main window's Main and Load pop-up menus,
// the playlist window's menu bar and its right-click menu. The shell builds
// the system's menus from these tables; the command numbers come back as the
// menus' command identifiers.
#pragma once

#include <vector>

namespace tumbor {

enum class MenuCommand {
    none = 0,
    // Main menu
    playFile = 1000,
    playLocation,
    fileInfo,
    playlistEditor,
    preferences,
    selectSkin,
    selectDesign,
    repeat,
    shuffle,
    noAdvance,
    timeElapsed,
    timeRemaining,
    alwaysOnTop,
    previous,
    play,
    pause,
    stop,
    next,
    back5,
    forward5,
    pluginStartStop,
    pluginConfig,
    pluginSetup,
    exit,
    // Load menu
    openFile,
    openDirectory,
    openLocation,
    // Playlist window menu bar
    clearList,
    loadPlaylist,
    savePlaylist,
    closePlaylist,
    selectAll,
    invertSelection,
    unselectAll,
    playlistFileInfo,
    // Playlist window right-click menu
    addFile,
    addDirectory,
    addLocation,
};

struct MenuEntry {
    const char* text;
    MenuCommand command;             // none for a sub-menu
    std::vector<MenuEntry> submenu;  // empty for a command
};

const std::vector<MenuEntry>& mainMenu();
const std::vector<MenuEntry>& loadMenu();
const std::vector<MenuEntry>& playlistMenuBar();
const std::vector<MenuEntry>& playlistContextMenu();

}  // namespace tumbor
