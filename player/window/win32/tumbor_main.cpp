// Tumbor.exe: the player program. A second start hands its command-line path
// to the player already running and ends; the first runs the player.
#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

#include "platform/win32/wide_text.h"
#include "player/window/win32/player_app.h"
#include "player/window/win32/single_instance.h"

namespace {

// The command line after the program name, taken whole as one path (UTF-8);
// a quoted path keeps its quotes (the playlist removes them). Read in UTF-16,
// so names outside the ANSI code page arrive whole.
std::string commandLinePath() {
    const std::wstring line = GetCommandLineW();
    // The program name: quoted up to the next quote, else up to the first blank.
    size_t tail = 0;
    if (!line.empty() && line[0] == L'"') {
        tail = line.find(L'"', 1);
        tail = tail == std::wstring::npos ? line.size() : tail + 1;
    } else {
        tail = line.find_first_of(L" \t");
        if (tail == std::wstring::npos) tail = line.size();
    }
    const size_t first = line.find_first_not_of(L" \t", tail);
    if (first == std::wstring::npos) return std::string();
    const size_t last = line.find_last_not_of(L" \t");
    return platform::utf8FromWide(line.substr(first, last - first + 1));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const std::string path = commandLinePath();
    tumbor::window::win32::InstanceMutex mutex;
    if (mutex.anotherPlayerRuns()) {
        tumbor::window::win32::handOverToRunningPlayer(path);
        return 0;
    }
    InitCommonControls();
    auto player = std::make_unique<tumbor::window::win32::PlayerApp>(instance);
    return player->run(path);
}
