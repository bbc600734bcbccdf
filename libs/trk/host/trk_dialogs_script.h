// The scripted twin of the tracker library's windows: a test says what the
// "user" does in the configuration dialog, and sees what the song information
// window was shown with and whether it is "open".
#pragma once

#include <functional>

#include "libs/trk/trk_dialogs.h"

namespace tumbor::trk {

// The script edits the settings and answers true for OK, false for Cancel.
// Without a script the dialog is cancelled.
void scriptConfigDialog(std::function<bool(TrkSettings&)> script);

// Runs while the song information window is "open" (it may call
// closeSongInfo); the window closes when it returns, at once without one.
void scriptSongInfo(std::function<void()> script);

// What the song information windows were shown with, and how often.
struct SongInfoRecord {
    int shown = 0;
    void* owner = nullptr;  // of the last one
    SongInfoText info;      // of the last one
    int closeRequests = 0;  // closeSongInfo calls that found it open
};
const SongInfoRecord& songInfoRecord();
void resetSongInfoRecord();

}  // namespace tumbor::trk
