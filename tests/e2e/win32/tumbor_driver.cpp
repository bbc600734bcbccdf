// tumbor_driver: drives a running Tumbor.exe from outside, for the end-to-end
// tests. It finds the player's main window and runs its arguments as a list
// of steps, printing one line per answer:
//   wait-caption TEXT     waits up to 20 s for the caption to be TEXT; prints "caption TEXT"
//   caption               prints "caption TEXT"
//   state                 prints "state N" (the WM_USER 104 answer)
//   wait-state N          waits up to 20 s for the state answer N; prints "state N"
//   key NAME              posts a key press and, 150 ms later, its release; NAME is a
//                         letter, Left, Right, Tab, F4, Delete,
//                         or ctrl+NAME / shift+NAME / alt+NAME / ctrl+shift+NAME
//   click X Y             posts a left click at client point X, Y
//   drag X0 Y0 X1 Y1      presses at X0, Y0, moves to X1, Y1 and releases
//   rect                  prints "rect LEFT TOP RIGHT BOTTOM"
//   entries               prints "entries N", the playlist window's entry count
//   list-key NAME         as key, to the playlist window's list
//   list-shown            prints "list-shown 1" while the playlist window is visible, else 0
//   toggle-plugin         sends "Toggleplugin"; prints "toggle-plugin MS", the time it took
//   wait-window TITLE 0|1 waits up to 20 s for a visible window titled TITLE to be
//                         there (1) or gone (0); prints "window TITLE 0|1"
//   wait-stopped MS       waits up to 20 minutes for the state answer to stay 0 (stopped)
//                         for MS ms on end, as between two songs it is 0 only a moment;
//                         prints "stopped 1", or "stopped 0" on the timeout
//   skip-endless PREFIX MS COUNT
//                         COUNT times: waits up to 20 minutes for a caption starting with
//                         PREFIX (a song that never ends), lets it play MS ms, presses B
//                         and waits for the caption to change; prints "skipped N"
//   wait-entries N        waits up to 60 s for the playlist window to list N entries;
//                         prints "entries N"
//   response-while-reading
//                         until the playlist window's last line shows a length (up to
//                         5 minutes), every 10 ms times a message sent to the main window
//                         and one sent to the playlist window; prints "response MS SAMPLES",
//                         the longest answer in milliseconds and how many were timed
//   titles-shown          prints "titles-shown N", the playlist window's lines that show a
//                         title (no folder in it) and a length
//   reader-files          prints "reader-files N", the files the player's background
//                         reader has opened (the WM_USER 105 answer)
//   sleep MS
//   close                 asks the player to close
// and the steps of options_steps.h. Each step waits until the player has
// handled what was posted before it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/win32/options_steps.h"

namespace {

constexpr LPARAM kStateQuery = 104;
constexpr LPARAM kReaderFilesQuery = 105;

HWND findPlayer() {
    for (int i = 0; i < 200; ++i) {
        HWND window = FindWindowA("TumborMainWindow", nullptr);
        if (window) return window;
        Sleep(100);
    }
    return nullptr;
}

std::string captionOf(HWND window) {
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A sent message is handled only after the player has gone back to its queue.
void settle(HWND window) {
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    Sleep(50);
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

int stateOf(HWND window) { return static_cast<int>(SendMessageA(window, WM_USER, 0, kStateQuery)); }

UINT virtualKey(const std::string& name) {
    if (name == "Left") return VK_LEFT;
    if (name == "Right") return VK_RIGHT;
    if (name == "Tab") return VK_TAB;
    if (name == "F4") return VK_F4;
    if (name == "Delete") return VK_DELETE;
    return static_cast<UINT>(std::toupper(static_cast<unsigned char>(name[0])));
}

void postKey(HWND window, std::string name) {
    bool ctrl = false, shift = false, alt = false;
    const std::pair<const char*, bool*> prefixes[] = {{"ctrl+", &ctrl}, {"shift+", &shift}, {"alt+", &alt}};
    for (bool found = true; found;) {
        found = false;
        for (const auto& [text, held] : prefixes) {
            if (name.rfind(text, 0) != 0) continue;
            *held = found = true;
            name = name.substr(std::strlen(text));
        }
    }
    const UINT key = virtualKey(name);
    const UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN, up = alt ? WM_SYSKEYUP : WM_KEYUP;
    const LPARAM altFlag = alt ? (1 << 29) : 0;
    const LPARAM release = static_cast<LPARAM>(0xC0000001u);
    if (ctrl) PostMessageA(window, WM_KEYDOWN, VK_CONTROL, 1);
    if (shift) PostMessageA(window, WM_KEYDOWN, VK_SHIFT, 1);
    PostMessageA(window, down, key, 1 | altFlag);
    // Held for a moment, as a finger would: a seek key's release cancels a step not yet taken.
    Sleep(150);
    PostMessageA(window, up, key, release | altFlag);
    if (shift) PostMessageA(window, WM_KEYUP, VK_SHIFT, release);
    if (ctrl) PostMessageA(window, WM_KEYUP, VK_CONTROL, release);
}

bool windowShown(const std::string& title) {
    HWND window = FindWindowA(nullptr, title.c_str());
    return window && IsWindowVisible(window);
}

void postMouse(HWND window, UINT message, int x, int y, WPARAM buttons) {
    PostMessageA(window, message, buttons, MAKELPARAM(x, y));
}

BOOL CALLBACK findOwnedPlaylist(HWND window, LPARAM found) {
    auto* result = reinterpret_cast<HWND*>(found);
    if (GetWindow(window, GW_OWNER) != result[0] || captionOf(window) != "Playlist") return TRUE;
    result[1] = window;
    return FALSE;
}

// The playlist window the player owns, and its list box.
HWND playlistWindow(HWND player) {
    HWND found[2] = {player, nullptr};
    EnumWindows(findOwnedPlaylist, reinterpret_cast<LPARAM>(found));
    return found[1];
}

HWND playlistList(HWND player) {
    HWND window = playlistWindow(player);
    return window ? FindWindowExA(window, nullptr, "ListBox", nullptr) : nullptr;
}

int playlistEntries(HWND player) {
    HWND list = playlistList(player);
    return list ? static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)) : -1;
}

template <typename Condition>
bool waitFor(Condition condition, int tenths = 200) {
    for (int i = 0; i < tenths; ++i) {
        if (condition()) return true;
        Sleep(100);
    }
    return false;
}

// The playlist window's lines in UTF-8.
std::vector<std::string> playlistLines(HWND player) {
    std::vector<std::string> lines;
    HWND list = playlistList(player);
    const int count = list ? static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)) : 0;
    for (int i = 0; i < count; ++i) {
        std::wstring line(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        const int length =
            static_cast<int>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data())));
        std::string utf8(static_cast<size_t>(length) * 4 + 1, '\0');
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, line.data(), length, utf8.data(),
                                              static_cast<int>(utf8.size()), nullptr, nullptr);
        utf8.resize(static_cast<size_t>(bytes > 0 ? bytes : 0));
        lines.push_back(utf8);
    }
    return lines;
}

constexpr int kLongWaitTenths = 20 * 60 * 10;

bool lastLineHasLength(HWND list) {
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    if (count <= 0) return false;
    std::wstring line(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, count - 1, 0)) + 1, L'\0');
    const LRESULT length = SendMessageW(list, LB_GETTEXT, count - 1, reinterpret_cast<LPARAM>(line.data()));
    return length > 0 && line[static_cast<size_t>(length) - 1] == L')';
}

// Milliseconds the window takes to answer a message that does nothing.
double answerTime(HWND window) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    DWORD_PTR ignored;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

void responseWhileReading(HWND player) {
    HWND playlist = playlistWindow(player), list = playlistList(player);
    double longest = 0;
    int samples = 0;
    const DWORD start = GetTickCount();
    while (list && !lastLineHasLength(list) && GetTickCount() - start < 5 * 60 * 1000) {
        for (HWND window : {player, playlist}) {
            const double time = answerTime(window);
            if (time > longest) longest = time;
            ++samples;
        }
        Sleep(10);
    }
    std::printf("response %.0f %d\n", longest, samples);
}

bool waitStopped(HWND player, DWORD milliseconds) {
    DWORD since = GetTickCount();
    return waitFor(
        [&] {
            if (stateOf(player) != 0) since = GetTickCount();
            return GetTickCount() - since >= milliseconds;
        },
        kLongWaitTenths);
}

int skipEndless(HWND player, const std::string& prefix, DWORD milliseconds, int count) {
    int skipped = 0;
    for (; skipped < count; ++skipped) {
        if (!waitFor([&] { return captionOf(player).rfind(prefix, 0) == 0; }, kLongWaitTenths)) break;
        const std::string caption = captionOf(player);
        Sleep(milliseconds);
        postKey(player, "B");
        if (!waitFor([&] { return captionOf(player) != caption; })) break;
    }
    return skipped;
}

}  // namespace

int main(int argc, char** argv) {
    HWND player = findPlayer();
    if (!player) {
        std::printf("no player window\n");
        return 1;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
        if (step == "wait-caption") {
            const std::string wanted = next();
            waitFor([&] { return captionOf(player) == wanted; });
            std::printf("caption %s\n", captionOf(player).c_str());
        } else if (step == "caption") {
            std::printf("caption %s\n", captionOf(player).c_str());
        } else if (step == "state") {
            std::printf("state %d\n", stateOf(player));
        } else if (step == "wait-state") {
            const int wanted = std::atoi(next());
            waitFor([&] { return stateOf(player) == wanted; });
            std::printf("state %d\n", stateOf(player));
        } else if (step == "key") {
            postKey(player, next());
        } else if (step == "list-key") {
            postKey(playlistList(player), next());
        } else if (step == "list-shown") {
            std::printf("list-shown %d\n", IsWindowVisible(playlistWindow(player)) ? 1 : 0);
        } else if (step == "click") {
            const int x = std::atoi(next()), y = std::atoi(next());
            postMouse(player, WM_MOUSEMOVE, x, y, 0);
            postMouse(player, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
            postMouse(player, WM_LBUTTONUP, x, y, 0);
        } else if (step == "drag") {
            const int x0 = std::atoi(next()), y0 = std::atoi(next());
            const int x1 = std::atoi(next()), y1 = std::atoi(next());
            postMouse(player, WM_MOUSEMOVE, x0, y0, 0);
            postMouse(player, WM_LBUTTONDOWN, x0, y0, MK_LBUTTON);
            postMouse(player, WM_MOUSEMOVE, x1, y1, MK_LBUTTON);
            postMouse(player, WM_LBUTTONUP, x1, y1, 0);
        } else if (step == "rect") {
            RECT rect;
            GetWindowRect(player, &rect);
            std::printf("rect %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
        } else if (step == "lines-with-lengths") {
            // Once every line shows a length (the background reader is done), the lines.
            waitFor([&] {
                const std::vector<std::string> lines = playlistLines(player);
                for (const std::string& line : lines)
                    if (line.empty() || line.back() != ')') return false;
                return !lines.empty();
            });
            for (const std::string& line : playlistLines(player)) std::printf("line %s\n", line.c_str());
        } else if (step == "entries") {
            std::printf("entries %d\n", playlistEntries(player));
        } else if (step == "toggle-plugin") {
            const DWORD start = GetTickCount();
            SendMessageA(player, RegisterWindowMessageA("Toggleplugin"), 0, 0);
            std::printf("toggle-plugin %lu\n", GetTickCount() - start);
        } else if (step == "wait-window") {
            const std::string title = next();
            const bool wanted = std::atoi(next()) != 0;
            waitFor([&] { return windowShown(title) == wanted; });
            std::printf("window %s %d\n", title.c_str(), windowShown(title) ? 1 : 0);
        } else if (step == "wait-stopped") {
            const DWORD milliseconds = static_cast<DWORD>(std::atoi(next()));
            std::printf("stopped %d\n", waitStopped(player, milliseconds) ? 1 : 0);
        } else if (step == "skip-endless") {
            const std::string prefix = next();
            const DWORD milliseconds = static_cast<DWORD>(std::atoi(next()));
            const int count = std::atoi(next());
            std::printf("skipped %d\n", skipEndless(player, prefix, milliseconds, count));
        } else if (step == "wait-entries") {
            const int wanted = std::atoi(next());
            waitFor([&] { return playlistEntries(player) == wanted; }, 600);
            std::printf("entries %d\n", playlistEntries(player));
        } else if (step == "response-while-reading") {
            responseWhileReading(player);
        } else if (step == "titles-shown") {
            int shown = 0;
            for (const std::string& line : playlistLines(player))
                if (!line.empty() && line.back() == ')' && line.find('\\') == std::string::npos) ++shown;
            std::printf("titles-shown %d\n", shown);
        } else if (step == "reader-files") {
            std::printf("reader-files %d\n",
                        static_cast<int>(SendMessageA(player, WM_USER, 0, kReaderFilesQuery)));
        } else if (step == "sleep") {
            Sleep(static_cast<DWORD>(std::atoi(next())));
        } else if (step == "close") {
            PostMessageA(player, WM_CLOSE, 0, 0);
            continue;
        } else if (!runOptionsStep(player, step, next)) {
            std::printf("unknown step %s\n", step.c_str());
            return 2;
        }
        settle(player);
        std::fflush(stdout);
    }
    return 0;
}
