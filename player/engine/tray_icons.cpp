// The table of tray icons: number, the setting that shows it, icon resource and tip.
#include "player/engine/tray_icons.h"

namespace tumbor {
namespace {

struct TrayIconRow {
    int id;
    int systrayBit;  // 0: shown by MinimizeState instead
    int iconResource;
    const char* tip;
};

constexpr TrayIconRow kTrayIcons[kTrayIconCount] = {
    {kTrayMain, 0, 128, "[Left] Pop up player  [Right] Menu"},
    {kTrayPlay, 4, 146, "Play"},
    {kTrayStop, 16, 147, "Stop"},
    {kTrayPause, 2, 148, "Pause"},
    {kTrayPrevious, 8, 145, "Previous song"},
    {kTrayNext, 1, 144, "Next song"},
};

}  // namespace

std::vector<platform::TrayIcon> trayIconsFor(int systray, int minimizeState) {
    std::vector<platform::TrayIcon> icons;
    for (const TrayIconRow& row : kTrayIcons) {
        const bool shown = row.systrayBit ? (systray & row.systrayBit) != 0 : minimizeState > 0;
        if (shown) icons.push_back(platform::TrayIcon{row.id, row.iconResource, row.tip});
    }
    return icons;
}

void TrayIcons::minimised(int systray, int minimizeState) {
    for (const platform::TrayIcon& icon : trayIconsFor(systray, minimizeState)) area_.add(icon);
    area_.redraw();
}

void TrayIcons::restored() {
    for (int id = 0; id < kTrayIconCount; ++id) area_.remove(id);
    area_.redraw();
}

}  // namespace tumbor
