// Tumbor.exe: the player program. A second start hands its command-line path
// to the player already running and ends; the first runs the player.
#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

#include "player/window/win32/player_app.h"
#include "player/window/win32/single_instance.h"

namespace {

// The command line after the program name, taken whole as one path; a quoted
// path keeps its quotes (the playlist removes them).
std::string commandLinePath(const char* tail) {
    std::string path = tail ? tail : "";
    const size_t first = path.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    const size_t last = path.find_last_not_of(" \t");
    return path.substr(first, last - first + 1);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    const std::string path = commandLinePath(commandLine);
    tumbor::window::win32::InstanceMutex mutex;
    if (mutex.anotherPlayerRuns()) {
        tumbor::window::win32::handOverToRunningPlayer(path);
        return 0;
    }
    InitCommonControls();
    auto player = std::make_unique<tumbor::window::win32::PlayerApp>(instance);
    return player->run(path);
}
