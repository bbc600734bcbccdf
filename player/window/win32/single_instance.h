// The single-instance rule: the first player holds the named mutex
// "TumborActiveFlag"; a later start hands its path to the running player's
// window as wide text in a WM_COPYDATA message and ends.
#pragma once

#include <windows.h>

#include <string>

namespace tumbor::window::win32 {

class InstanceMutex {
public:
    // Creates the mutex, or finds that another player holds it.
    InstanceMutex();
    ~InstanceMutex();
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;

    bool anotherPlayerRuns() const { return anotherRuns_; }

private:
    HANDLE mutex_ = nullptr;
    bool anotherRuns_ = false;
};

// The first top-level window whose title begins with "Tumbor", or null.
HWND findRunningPlayer();

// Sends the (UTF-8) path to the running player as UTF-16 text. Nothing is
// sent for an empty path or when no player window exists yet.
void handOverToRunningPlayer(const std::string& path);

}  // namespace tumbor::window::win32
