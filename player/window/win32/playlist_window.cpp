// The playlist window's dialog procedure, layout and list box.
#include "player/window/win32/playlist_window.h"

#include <shellapi.h>
#include <windowsx.h>

#include "platform/win32/wide_text.h"
#include "player/window/win32/menu_builder.h"
#include "player/window/win32/registered_messages.h"
#include "resources/player/resource_ids.h"

namespace tumbor::window::win32 {
namespace {

constexpr int kButtonIds[] = {IDC_PLAYLIST_ADD, IDC_PLAYLIST_REMOVE, IDC_PLAYLIST_UP, IDC_PLAYLIST_DOWN};
constexpr int kButtonWidth = 64, kButtonHeight = 22, kMargin = 2;
constexpr int kMinimumWidth = 4 * (kButtonWidth + kMargin) + 24, kMinimumHeight = 120;
constexpr int kListExtent = 2000;  // horizontal scrolling range for long entries

}  // namespace

std::vector<std::string> droppedPaths(WPARAM dropped) {
    HDROP drop = reinterpret_cast<HDROP>(dropped);
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // Asked for its length first: a dropped path may be longer than MAX_PATH.
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        DragQueryFileW(drop, i, path.data(), length + 1);
        paths.push_back(platform::utf8FromWide(path.data(), length));
    }
    DragFinish(drop);
    return paths;
}

PlaylistWindow::~PlaylistWindow() { destroy(); }

bool PlaylistWindow::create(HWND owner) {
    CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PLAYLIST), owner, dialogProc,
                       reinterpret_cast<LPARAM>(this));
    return window_ != nullptr;
}

void PlaylistWindow::destroy() {
    if (window_) DestroyWindow(window_);
}

void PlaylistWindow::place(int x, int y, int width, int height) {
    SetWindowPos(window_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT PlaylistWindow::rectangle() const {
    RECT rect{};
    GetWindowRect(window_, &rect);
    return rect;
}

void PlaylistWindow::showEntries() {
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list_, LB_RESETCONTENT, 0, 0);
    SendMessageA(list_, LB_INITSTORAGE, playlist_.size(), playlist_.size() * 64);
    for (size_t i = 0; i < playlist_.size(); ++i) {
        const std::wstring line = platform::wideFromUtf8(playlist_.shownText(i));
        SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    showSelection();
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void PlaylistWindow::showRows(const std::vector<size_t>& rows) {
    const LRESULT top = SendMessageA(list_, LB_GETTOPINDEX, 0, 0);
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    for (size_t row : rows) {
        if (row >= playlist_.size()) continue;
        const std::wstring line = platform::wideFromUtf8(playlist_.shownText(row));
        SendMessageA(list_, LB_DELETESTRING, row, 0);
        SendMessageW(list_, LB_INSERTSTRING, row, reinterpret_cast<LPARAM>(line.c_str()));
        SendMessageA(list_, LB_SETSEL, playlist_.isSelected(row), static_cast<LPARAM>(row));
    }
    if (!playlist_.empty()) SendMessageA(list_, LB_SETCARETINDEX, static_cast<WPARAM>(playlist_.caret()), FALSE);
    SendMessageA(list_, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void PlaylistWindow::showSelection() {
    SendMessageA(list_, LB_SETSEL, FALSE, -1);
    for (size_t i = 0; i < playlist_.size(); ++i)
        if (playlist_.isSelected(i)) SendMessageA(list_, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
    if (!playlist_.empty())
        SendMessageA(list_, LB_SETCARETINDEX, static_cast<WPARAM>(playlist_.caret()), FALSE);
}

// The list box's selection and caret become the playlist's.
void PlaylistWindow::readSelection() {
    const LRESULT count = SendMessageA(list_, LB_GETSELCOUNT, 0, 0);
    std::vector<int> selected(count > 0 ? static_cast<size_t>(count) : 0);
    if (count > 0) SendMessageA(list_, LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(selected.data()));
    playlist_.selectNone();
    for (int index : selected) playlist_.select(static_cast<size_t>(index), true);
    playlist_.setCaret(static_cast<int>(SendMessageA(list_, LB_GETCARETINDEX, 0, 0)));
}

void PlaylistWindow::layout(int width, int height) {
    const int listHeight = height - kButtonHeight - 2 * kMargin;
    MoveWindow(list_, 0, 0, width, listHeight > 0 ? listHeight : 0, TRUE);
    for (int i = 0; i < 4; ++i)
        MoveWindow(GetDlgItem(window_, kButtonIds[i]), kMargin + i * (kButtonWidth + kMargin),
                   height - kButtonHeight - kMargin, kButtonWidth, kButtonHeight, TRUE);
}

void PlaylistWindow::command(WORD id, WORD code) {
    if (id == IDC_PLAYLIST_LIST) {
        if (code == LBN_SELCHANGE) readSelection();
        if (code == LBN_DBLCLK) {
            readSelection();
            commands_.playCaret();
        }
        return;
    }
    switch (id) {
        case IDC_PLAYLIST_ADD:
            commands_.keyDown(keys::kInsert, modifiers_.with(false));
            break;
        case IDC_PLAYLIST_REMOVE:
            commands_.removeSelected();
            break;
        case IDC_PLAYLIST_UP:
            commands_.moveSelection(true);
            break;
        case IDC_PLAYLIST_DOWN:
            commands_.moveSelection(false);
            break;
        case IDCANCEL:
            commands_.setWindowShown(false);
            break;
        default:
            commands_.menuCommand(static_cast<MenuCommand>(id));
            break;
    }
}

void PlaylistWindow::contextMenu(LPARAM screenPoint) {
    POINT at{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    if (at.x == -1 && at.y == -1) GetCursorPos(&at);  // opened from the keyboard
    MenuCommand chosen = trackMenu(window_, playlistContextMenu(), nullptr, at, true);
    if (chosen != MenuCommand::none) commands_.menuCommand(chosen);
}

INT_PTR CALLBACK PlaylistWindow::dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        reinterpret_cast<PlaylistWindow*>(lParam)->window_ = dialog;
    }
    auto* self = reinterpret_cast<PlaylistWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self) return FALSE;
    if (message == WM_NCDESTROY) {
        self->window_ = nullptr;
        return FALSE;
    }
    return self->handleMessage(message, wParam, lParam);
}

INT_PTR PlaylistWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto playlistMessage = RegisteredMessages::get().playlistMessage(message)) {
        if (*playlistMessage == PlaylistMessage::playNext)
            commands_.playNext(static_cast<PlayNextReason>(wParam));
        else
            commands_.handleMessage(*playlistMessage);
        return TRUE;
    }
    switch (message) {
        case WM_INITDIALOG: {
            list_ = GetDlgItem(window_, IDC_PLAYLIST_LIST);
            SendMessageA(list_, LB_SETHORIZONTALEXTENT, kListExtent, 0);
            SetMenu(window_, buildMenu(playlistMenuBar(), nullptr, true));
            DragAcceptFiles(window_, TRUE);
            RECT client;
            GetClientRect(window_, &client);
            layout(client.right, client.bottom);
            return FALSE;  // the focus stays where it was
        }
        case WM_SIZE:
            layout(LOWORD(lParam), HIWORD(lParam));
            return TRUE;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = POINT{kMinimumWidth, kMinimumHeight};
            return TRUE;
        }
        case WM_COMMAND:
            command(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CONTEXTMENU:
            contextMenu(lParam);
            return TRUE;
        case WM_DROPFILES:
            commands_.dropFiles(droppedPaths(wParam));
            return TRUE;
        case WM_CLOSE:
            commands_.setWindowShown(false);
            return TRUE;
    }
    return FALSE;
}

}  // namespace tumbor::window::win32
