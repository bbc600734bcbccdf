// The real playlist window under Wine: its list follows the playlist, the
// user's selection reaches the playlist, its menu bar, buttons and registered
// messages reach the commands, and closing it only hides it.
#include <gtest/gtest.h>

#include "player/window/win32/playlist_window.h"
#include "player/window/win32/registered_messages.h"
#include "resources/player/resource_ids.h"
#include "tests/unit/command_rig.h"
#include "tests/unit/recording_shell.h"

namespace tumbor::window::win32 {
namespace {

// The recording shell, with the playlist window's own drawing behind it.
class WindowedShell : public testing::RecordingShell {
public:
    void playlistChanged() override {
        RecordingShell::playlistChanged();
        if (window) window->showEntries();
    }
    void selectionChanged() override {
        if (window) window->showSelection();
    }
    void showPlaylistWindow(bool show) override {
        RecordingShell::showPlaylistWindow(show);
        ShowWindow(window->handle(), show ? SW_SHOWNOACTIVATE : SW_HIDE);
    }
    PlaylistWindow* window = nullptr;
};

class PlaylistWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        rig_.shell.window = &window_;
        ASSERT_TRUE(window_.create(nullptr));
        list_ = GetDlgItem(window_.handle(), IDC_PLAYLIST_LIST);
        for (const char* entry : {"fake a", "fake b", "fake c"}) rig_.playlist.append(entry);
        rig_.shell.playlistChanged();
    }
    void TearDown() override { window_.destroy(); }
    int listCount() const { return static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0)); }
    bool listSelected(int index) const { return SendMessageA(list_, LB_GETSEL, index, 0) > 0; }
    void command(int id, int code = 0) {
        SendMessageA(window_.handle(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(list_));
    }

    testing::CommandRig<WindowedShell> rig_;
    keys::ModifierTracker modifiers_;
    PlaylistWindow window_{rig_.playlist, rig_.playlistCommands, modifiers_};
    HWND list_ = nullptr;
};

TEST_F(PlaylistWindowTest, ListFollowsThePlaylistBothWays) {
    EXPECT_EQ(listCount(), 3);
    EXPECT_NE(GetMenu(window_.handle()), nullptr) << "the menu bar";

    // The user's selection in the list becomes the playlist's.
    SendMessageA(list_, LB_SETSEL, TRUE, 2);
    SendMessageA(list_, LB_SETCARETINDEX, 2, FALSE);
    command(IDC_PLAYLIST_LIST, LBN_SELCHANGE);
    EXPECT_TRUE(rig_.playlist.isSelected(2));
    EXPECT_EQ(rig_.playlist.caret(), 2);

    // Up moves it; the menu bar's "Invert selection" and the remove button edit the list.
    command(IDC_PLAYLIST_UP, BN_CLICKED);
    EXPECT_EQ(rig_.playlist.entries()[1], "fake c");
    EXPECT_TRUE(listSelected(1));
    command(static_cast<int>(MenuCommand::invertSelection));
    EXPECT_TRUE(listSelected(0) && !listSelected(1) && listSelected(2));
    command(IDC_PLAYLIST_REMOVE, BN_CLICKED);
    EXPECT_EQ(rig_.playlist.entries(), std::vector<std::string>{"fake c"});
    EXPECT_EQ(listCount(), 1);
}

TEST_F(PlaylistWindowTest, RegisteredMessagesPlayAndCloseHides) {
    const RegisteredMessages& messages = RegisteredMessages::get();
    EXPECT_EQ(messages.playNext, RegisterWindowMessageA("PlayNext"));
    EXPECT_EQ(messages.debugMessage1, RegisterWindowMessageA("DebugMessage1"));
    SendMessageA(window_.handle(), messages.goToNext, 0, 0);
    EXPECT_EQ(rig_.engine.currentFile(), "fake b");
    EXPECT_TRUE(listSelected(1));

    rig_.playlistCommands.setWindowShown(true);
    EXPECT_TRUE(IsWindowVisible(window_.handle()));
    SendMessageA(window_.handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(window_.handle()));
    EXPECT_NE(window_.handle(), nullptr) << "closing only hides the window";
    EXPECT_EQ(rig_.settings.active, 0);
}

}  // namespace
}  // namespace tumbor::window::win32
