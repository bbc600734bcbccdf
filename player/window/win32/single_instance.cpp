// The instance mutex and the sending side of the hand-over.
#include "player/window/win32/single_instance.h"

#include <cstring>

#include "platform/win32/wide_text.h"
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
    const std::wstring text = platform::wideFromUtf8(path);
    COPYDATASTRUCT data{};
    data.dwData = kHandOverWideText;
    data.cbData = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(text.c_str());
    // Sent, as the text must outlive the call; a hung player does not hold this start for ever.
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 10000,
                        &answer);
}

}  // namespace tumbor::window::win32
