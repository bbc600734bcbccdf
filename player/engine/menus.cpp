// The texts of the player's menus; "\t" separates an entry from its key hint.
#include "player/engine/menus.h"

namespace tumbor {

using C = MenuCommand;

const std::vector<MenuEntry>& mainMenu() {
    static const std::vector<MenuEntry> menu = {
        {"&Play file\tL", C::playFile, {}},
        {"Play lo&cation\tCtrl-L", C::playLocation, {}},
        {"View/Edit &File Info\tAlt-3", C::fileInfo, {}},
        {"Playlist &Editor\tAlt-E", C::playlistEditor, {}},
        {"&Options",
         C::none,
         {
             {"&Preferences\tCtrl-P", C::preferences, {}},
             {"Select S&kin\tAlt-S", C::selectSkin, {}},
             {"Select &Design\tAlt-D", C::selectDesign, {}},
             {"&Repeat\tR", C::repeat, {}},
             {"&Shuffle\tS", C::shuffle, {}},
             {"No playlist advance", C::noAdvance, {}},
             {"Time &elapsed\t(Ctrl-T toggles)", C::timeElapsed, {}},
             {"Time re&maining\tCtrl-R", C::timeRemaining, {}},
             {"&Always On Top\tCtrl-A", C::alwaysOnTop, {}},
         }},
        {"Play&back",
         C::none,
         {
             {"P&revious\tZ", C::previous, {}},
             {"&Play\tX", C::play, {}},
             {"P&ause\tC", C::pause, {}},
             {"&Stop\tV", C::stop, {}},
             {"&Next\tB", C::next, {}},
             {"Back 5 seconds\tLeft", C::back5, {}},
             {"Fwd. 5 seconds\tRight", C::forward5, {}},
         }},
        {"&Visualization",
         C::none,
         {
             {"Start/Stop Plugin\tCtrl-Shift-K", C::pluginStartStop, {}},
             {"Plugin &Config\tAlt-K", C::pluginConfig, {}},
             {"Plugin &Setup\tCtrl-K", C::pluginSetup, {}},
         }},
        {"E&xit", C::exit, {}},
    };
    return menu;
}

const std::vector<MenuEntry>& loadMenu() {
    static const std::vector<MenuEntry> menu = {
        {"Open &File\t(Click)", C::openFile, {}},
        {"Open &Directory\t(Shift-Click)", C::openDirectory, {}},
        {"Open &Location\t(Ctrl-Click)", C::openLocation, {}},
        {"&Playlist editor\tAlt-E", C::playlistEditor, {}},
    };
    return menu;
}

const std::vector<MenuEntry>& playlistMenuBar() {
    static const std::vector<MenuEntry> menu = {
        {"&File",
         C::none,
         {
             {"&Clear\tCtrl-N", C::clearList, {}},
             {"&Load playlist\tCtrl-O", C::loadPlaylist, {}},
             {"&Save playlist\tCtrl-S", C::savePlaylist, {}},
             {"&Close\tEsc", C::closePlaylist, {}},
         }},
        {"&Edit",
         C::none,
         {
             {"&Select all\tCtrl-A", C::selectAll, {}},
             {"&Invert selection", C::invertSelection, {}},
             {"&Unselect all", C::unselectAll, {}},
             {"View/Edit File &Info\tAlt-3", C::playlistFileInfo, {}},
         }},
    };
    return menu;
}

const std::vector<MenuEntry>& playlistContextMenu() {
    static const std::vector<MenuEntry> menu = {
        {"Add &File\t(Click)", C::addFile, {}},
        {"Add &Directory\t(Shift-Click)", C::addDirectory, {}},
        {"Add &Location\t(Ctrl-Click)", C::addLocation, {}},
    };
    return menu;
}

}  // namespace tumbor
