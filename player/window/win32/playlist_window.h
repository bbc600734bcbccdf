// The playlist window: a resizable modeless dialog with a multiple-selection
// list box of the entries, four buttons (add, remove, up, down), a menu bar
// and a right-click menu; a Unicode window, so any title shows. It receives
// the four playlist messages and files dropped on it; closing it only hides it. Its keys reach the commands
// through the program's message loop.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "player/engine/key_codes.h"
#include "player/engine/playlist_commands.h"

namespace tumbor::window::win32 {

// The paths of the files dropped on a window (WM_DROPFILES's wParam); releases the drop.
std::vector<std::string> droppedPaths(WPARAM dropped);

class PlaylistWindow {
public:
    PlaylistWindow(Playlist& playlist, PlaylistCommands& commands, const keys::ModifierTracker& modifiers)
        : playlist_(playlist), commands_(commands), modifiers_(modifiers) {}
    ~PlaylistWindow();
    PlaylistWindow(const PlaylistWindow&) = delete;
    PlaylistWindow& operator=(const PlaylistWindow&) = delete;

    // Creates the hidden window, owned by the main window.
    bool create(HWND owner);
    void destroy();
    HWND handle() const { return window_; }
    bool contains(HWND window) const { return window_ && (window == window_ || IsChild(window_, window)); }

    void place(int x, int y, int width, int height);
    RECT rectangle() const;
    // The list box shows the playlist's entries, selection and caret again.
    void showEntries();
    void showSelection();
    // Shows these entries' lines again (their titles or lengths arrived).
    void showRows(const std::vector<size_t>& rows);

private:
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void layout(int width, int height);
    void readSelection();
    void command(WORD id, WORD code);
    void contextMenu(LPARAM screenPoint);

    Playlist& playlist_;
    PlaylistCommands& commands_;
    const keys::ModifierTracker& modifiers_;
    HWND window_ = nullptr;
    HWND list_ = nullptr;
};

}  // namespace tumbor::window::win32
