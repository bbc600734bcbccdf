// The window messages the player's windows send each other, registered by
// name so that every part of the player (and a plug-in host) gets the same numbers.
#pragma once

#include <windows.h>

#include <optional>

#include "player/engine/playlist.h"

namespace tumbor::window::win32 {

struct RegisteredMessages {
    UINT playCurrent;    // "Playcurr"
    UINT goToNext;       // "GoToNext"
    UINT goToPrevious;   // "GoToPrev"
    UINT playNext;       // "PlayNext"
    UINT changeGui;      // "ChangeGUI": wParam the design or skin name, lParam 0 design, 1 skin
    UINT togglePlugin;   // "Toggleplugin"
    UINT closePlugin;    // "Closeplugin"
    UINT loadFile;       // "LoadFile", registered but unused
    UINT killCurrent;    // "Killcurr", registered but unused
    UINT debugMessage1;  // "DebugMessage1", registered but unused

    // Registers all ten names once.
    static const RegisteredMessages& get();

    UINT of(PlaylistMessage message) const;
    std::optional<PlaylistMessage> playlistMessage(UINT message) const;
};

}  // namespace tumbor::window::win32
