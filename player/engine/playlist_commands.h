// What the playlist window does: the four playlist messages (load and play an
// entry, step through the list), adding files, locations and folders through
// dialogs or by dropping, saving, editing the selection, its keys and menus,
// and filling the list at start-up or from another instance.
#pragma once

#include <string>
#include <vector>

#include "player/engine/key_codes.h"
#include "player/engine/menus.h"
#include "player/engine/module_registry.h"
#include "player/engine/playback_engine.h"
#include "player/engine/player_shell.h"
#include "player/engine/playlist.h"
#include "player/engine/settings.h"

namespace tumbor {

// The player's state the commands work on; all of it lives as long as the main window.
struct PlayerParts {
    PlaybackEngine& engine;
    Playlist& playlist;
    Settings& settings;
    const ModuleRegistry& registry;
    PlayerShell& shell;
};

enum class AddSource { files, location, folder };

// How an addition treats the list: with the "Clear" setting's replace bit
// and the rule that starts playing, or always appending and never playing.
enum class AddMode { followClearSetting, append };

// What a "PlayNext" message's first parameter says happened to the song playing.
enum PlayNextReason {
    kSongEnded = 0,        // it has played to its end
    kSongDecoded = 1,      // gapless: it has been decoded to its end, its last sound still plays
    kNextSongStarted = 2   // gapless: the sound has reached the song handed over
};

// Bits of the "Clear" setting.
constexpr int kClearBeforeDrop = 1;
constexpr int kReplaceOnOpen = 2;

class PlaylistCommands {
public:
    explicit PlaylistCommands(const PlayerParts& parts) : parts_(parts) {}

    // "Playcurr", "GoToNext", "GoToPrev" and "PlayNext" arriving at the playlist window.
    void handleMessage(PlaylistMessage message);
    // Enter or a double click: the caret entry becomes current and plays.
    void playCaret();
    // "PlayNext" with its reason: the end of a song as handleMessage takes
    // it, or the two steps of gapless playback below.
    void playNext(PlayNextReason reason);
    // Gapless: the song playing has been decoded to its end. When the next
    // entry would play on after it (not the same entry again, not the end of
    // the list without repeat), it is handed to the engine now. The current
    // entry stays until the sound reaches the new song.
    void prepareNext();
    // Gapless: the sound has reached the song handed over; it becomes current.
    void nextSongStarted();

    // The open-files dialog (on the remembered filter, or on the first one,
    // leaving the remembered filter as it is), the location dialog or the
    // folder chooser; then the entries are added.
    void add(AddSource source, AddMode mode, bool firstFilter = false);
    // Files dropped on the playlist or the main window: nothing starts playing.
    void dropFiles(const std::vector<std::string>& paths);
    // The save dialog, then the playlist written to the chosen file.
    void save();

    // The command-line path (added and played) or else the default playlist file.
    void startUp(const std::string& commandLinePath, const std::string& defaultPlaylist);
    // A path handed over by another instance replaces the list and plays.
    void receiveHandOver(const std::string& path);

    void removeSelected();
    void moveSelection(bool up);
    void selectAll();
    void selectNone();
    void invertSelection();
    void clearList();
    // Offers each selected entry to the modules' song information.
    void songInfoForSelection();
    // Shows or hides the playlist window and remembers it in "Active".
    void setWindowShown(bool shown);

    // A key in the playlist window; false when the main window is to handle it.
    bool keyDown(int key, keys::Modifiers modifiers);
    // The menu bar and right-click menu of the playlist window.
    bool menuCommand(MenuCommand command);

    NavigationSettings navigationSettings() const;

private:
    bool loadEntry(int index);
    void playAfterAddition(bool replaced, bool wasEmpty);
    bool addChosenFiles(bool replace, bool firstFilter);

    PlayerParts parts_;
    int handedOverIndex_ = -1;  // the entry handed over, not yet heard
    bool prepareWhenHeard_ = false;  // the entry after it waits until it is heard
};

}  // namespace tumbor
