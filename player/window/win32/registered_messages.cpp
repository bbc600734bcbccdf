// Registering the player's window messages.
#include "player/window/win32/registered_messages.h"

namespace tumbor::window::win32 {

const RegisteredMessages& RegisteredMessages::get() {
    static const RegisteredMessages messages{
        RegisterWindowMessageA("Playcurr"),    RegisterWindowMessageA("GoToNext"),
        RegisterWindowMessageA("GoToPrev"),    RegisterWindowMessageA("PlayNext"),
        RegisterWindowMessageA("ChangeGUI"),   RegisterWindowMessageA("Toggleplugin"),
        RegisterWindowMessageA("Closeplugin"), RegisterWindowMessageA("LoadFile"),
        RegisterWindowMessageA("Killcurr"),    RegisterWindowMessageA("DebugMessage1"),
    };
    return messages;
}

UINT RegisteredMessages::of(PlaylistMessage message) const {
    switch (message) {
        case PlaylistMessage::playCurrent:
            return playCurrent;
        case PlaylistMessage::goToNext:
            return goToNext;
        case PlaylistMessage::goToPrevious:
            return goToPrevious;
        case PlaylistMessage::playNext:
            return playNext;
    }
    return playCurrent;
}

std::optional<PlaylistMessage> RegisteredMessages::playlistMessage(UINT message) const {
    if (message == playCurrent) return PlaylistMessage::playCurrent;
    if (message == goToNext) return PlaylistMessage::goToNext;
    if (message == goToPrevious) return PlaylistMessage::goToPrevious;
    if (message == playNext) return PlaylistMessage::playNext;
    return std::nullopt;
}

}  // namespace tumbor::window::win32
