// The windows of the tracker library: the configuration dialog and the song
// information window. The Windows build shows them from the library's own
// resources (win32/); tests use a scripted twin (host/).
#pragma once

#include <string>
#include <vector>

#include "libs/trk/settings/trk_settings.h"

namespace tumbor::trk {

// "Mixing module player", modal, without owner; true when closed with OK,
// settings then holding the choice.
bool showConfigDialog(void* libraryInstance, TrkSettings& settings);

// What the song information window shows; copied, so the song may go while
// the window is open.
struct SongInfoText {
    std::string name;
    std::vector<std::string> lines;  // a line starting with 0xFF shows empty
};

// "Information viewer", modal, owned by owner; returns when it has closed.
void showSongInfo(void* owner, void* libraryInstance, const SongInfoText& info);
// True while the window is open.
bool songInfoOpen();
// Asks an open window to close and waits until it has gone.
void closeSongInfo();

}  // namespace tumbor::trk
