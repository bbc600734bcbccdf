// The tray icons asked for by Systray and MinimizeState, as the recording tray
// sees the calls that add and remove them.
#include "player/engine/tray_icons.h"

#include <gtest/gtest.h>

#include "platform/recorded_shell_integration.h"

namespace tumbor {
namespace {

using Call = platform::RecordedTrayArea::Call;

TEST(TrayIconsTest, Systray5ShowsTheMainPlayAndNextIconsOnly) {
    platform::RecordedTrayArea area;
    TrayIcons tray(area);
    tray.minimised(5, 1);
    ASSERT_EQ(area.calls.size(), 4u);
    const platform::TrayIcon& main = area.calls[0].icon;
    EXPECT_EQ(main.id, kTrayMain);
    EXPECT_EQ(main.iconResource, 128);
    EXPECT_EQ(main.tip, "[Left] Pop up player  [Right] Menu");
    EXPECT_EQ(area.calls[1].icon.id, kTrayPlay);
    EXPECT_EQ(area.calls[1].icon.iconResource, 146);
    EXPECT_EQ(area.calls[1].icon.tip, "Play");
    EXPECT_EQ(area.calls[2].icon.id, kTrayNext);
    EXPECT_EQ(area.calls[2].icon.iconResource, 144);
    EXPECT_EQ(area.calls[2].icon.tip, "Next song");
    EXPECT_EQ(area.calls[3].call, Call::redraw);
    EXPECT_EQ(area.shown(), (std::vector<int>{kTrayMain, kTrayPlay, kTrayNext}));

    tray.restored();
    EXPECT_TRUE(area.shown().empty());
    EXPECT_EQ(area.calls.back().call, Call::redraw);
}

TEST(TrayIconsTest, EveryIconInItsOrderWithItsResourceAndTip) {
    const std::vector<platform::TrayIcon> icons = trayIconsFor(31, 2);
    ASSERT_EQ(icons.size(), 6u);
    const int resources[] = {128, 146, 147, 148, 145, 144};
    const char* tips[] = {
        "[Left] Pop up player  [Right] Menu", "Play", "Stop", "Pause", "Previous song", "Next song"};
    for (int id = 0; id < 6; ++id) {
        EXPECT_EQ(icons[id].id, id);
        EXPECT_EQ(icons[id].iconResource, resources[id]);
        EXPECT_EQ(icons[id].tip, tips[id]);
    }
    // Each bit shows its own icon.
    EXPECT_EQ(trayIconsFor(16, 0).at(0).tip, "Stop");
    EXPECT_EQ(trayIconsFor(8, 0).at(0).tip, "Previous song");
    EXPECT_EQ(trayIconsFor(2, 0).at(0).tip, "Pause");
}

TEST(TrayIconsTest, TaskbarOnlyWithoutButtonsShowsNothing) {
    platform::RecordedTrayArea area;
    TrayIcons tray(area);
    tray.minimised(0, 0);
    EXPECT_TRUE(area.shown().empty());
    ASSERT_EQ(area.calls.size(), 1u);
    EXPECT_EQ(area.calls[0].call, Call::redraw);
    EXPECT_EQ(trayIconsFor(1, 0).size(), 1u) << "buttons without the main icon when minimised to the taskbar";
}

}  // namespace
}  // namespace tumbor
