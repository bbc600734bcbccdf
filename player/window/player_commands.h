// What the main window's controls, keys and pop-up menus do, over the engine,
// the playlist, the settings and the shell; and the player's exit sequence.
#pragma once

#include <string>

#include "player/engine/key_codes.h"
#include "player/engine/menus.h"
#include "player/engine/playlist_commands.h"
#include "player/window/window_input.h"

namespace tumbor::window {

class PlayerCommands {
public:
    PlayerCommands(const PlayerParts& parts, PlaylistCommands& playlistCommands)
        : parts_(parts), playlistCommands_(playlistCommands) {}

    // An action of the window's mouse handling; the window itself keeps the
    // menus and the dragging. held: the Ctrl and Shift flags at that moment.
    void perform(const WindowAction& action, keys::Modifiers held);
    // The action of a control released under the mouse (1..21, 99).
    void control(int n, keys::Modifiers held);
    // A key in the main window; false when it has no action.
    bool keyDown(int key, keys::Modifiers modifiers);
    void keyUp(int key);
    void menuCommand(MenuCommand command);
    // The left button pressed on a tray icon's button (play, stop, pause,
    // previous, next); false for the main icon, which the shell handles.
    bool trayIconPressed(int id);
    bool isChecked(MenuCommand command) const;

    // "Playcurr" when the list has entries, else the open-files dialog.
    void playOrOpen();
    void togglePlaylistWindow();
    // The equalizer window shown or hidden, its "Visible" setting and the "eq" button with it.
    void setEqualizerWindowShown(bool show);

    // Exit, first half: stops the plug-in, saves the playlist and writes the settings.
    void saveState(const std::string& playlistPath, const std::string& iniPath);
    // Exit, last half (the windows are gone): the engine stopped and closed, the registry torn down.
    static void shutDown(PlaybackEngine& engine, ModuleRegistry& registry);

private:
    void pauseOrResume();
    void stop();
    void songInfo();
    void addFrom(keys::Modifiers held);
    void toggleRepeat();
    void toggleShuffle();
    void toggleTopmost();
    void setTimeMode(int mode);
    bool ctrlKey(int key, bool shift);
    bool altKey(int key);

    PlayerParts parts_;
    PlaylistCommands& playlistCommands_;
};

}  // namespace tumbor::window
