// The instance mutex and the sending side of the hand-over.
#include "player/window/win32/single_instance.h"

#include <cstring>
#include <random>

#include "player/engine/instance_handover.h"

namespace tumbor::window::win32 {

InstanceMutex::InstanceMutex() {
    // Creating and testing in one call: two players starting together cannot both miss each other.
    mutex_ = CreateMutexA(nullptr, FALSE, "TumborActiveFlag");
    anotherRuns_ = mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

InstanceMutex::~InstanceMutex() {
    if (mutex_) CloseHandle(mutex_);
}

namespace {

BOOL CALLBACK findPlayerWindow(HWND window, LPARAM found) {
    char title[8] = "";
    GetWindowTextA(window, title, sizeof title);
    if (std::strncmp(title, "Tumbor", 6) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

HWND findRunningPlayer() {
    HWND found = nullptr;
    EnumWindows(findPlayerWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

void handOverToRunningPlayer(const std::string& path) {
    if (path.empty()) return;
    HWND target = findRunningPlayer();
    if (!target) return;
    std::minstd_rand random(static_cast<uint32_t>(GetTickCount()));
    const auto number = static_cast<uint16_t>(random() & 0xFFFF);
    for (uint32_t unit : handOverUnits(path, number)) PostMessageA(target, WM_USER, unit, kHandOverUnit);
}

}  // namespace tumbor::window::win32
