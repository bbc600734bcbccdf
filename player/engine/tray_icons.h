// The tray icons that stand in for the main window while it is minimised:
// which of them the settings ask for, and adding and removing them.
#pragma once

#include <vector>

#include "platform/shell_integration.h"

namespace tumbor {

// Numbers of the icons in the tray notifications.
enum TrayIconId { kTrayMain = 0, kTrayPlay, kTrayStop, kTrayPause, kTrayPrevious, kTrayNext, kTrayIconCount };

// The icons shown for the Systray bits (1 Next song, 2 Pause, 4 Play,
// 8 Previous song, 16 Stop) and MinimizeState (above 0: the main icon), in
// the order they are added.
std::vector<platform::TrayIcon> trayIconsFor(int systray, int minimizeState);

class TrayIcons {
public:
    explicit TrayIcons(platform::TrayArea& area) : area_(area) {}

    // The main window became minimised: the icons the settings ask for appear.
    void minimised(int systray, int minimizeState);
    // The main window is back: all six icons go.
    void restored();

private:
    platform::TrayArea& area_;
};

}  // namespace tumbor
