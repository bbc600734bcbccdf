// The WindowModel's fixed control table, and drawing one control.
#include "player/window/window_model.h"

namespace tumbor::window {
namespace {

const char* const kControlNames[kControlCount + 1] = {"",
                                                      "play",
                                                      "stop",
                                                      "pause",
                                                      "song information",
                                                      "disk operations",
                                                      "options",
                                                      "about",
                                                      "help",
                                                      "rewind",
                                                      "fast forward",
                                                      "previous song",
                                                      "next song",
                                                      "close",
                                                      "minimize",
                                                      "repeat",
                                                      "shuffle",
                                                      "eq",
                                                      "pl",
                                                      "Songposition",
                                                      "Playlistposition",
                                                      "Volume"};

}  // namespace

void WindowModel::nameControls() {
    for (int n = 1; n <= kControlCount; ++n) {
        controls[n].name = kControlNames[n];
        controls[n].twoState = n >= kRepeat && n <= kPlaylist;
    }
}

GaugeStyle& WindowModel::gauge(int number) {
    if (number == kVolume) return volume;
    if (number == kPlaylistPosition) return playlistPosition;
    return songPosition;
}

bool drawControl(WindowModel& model, int n, int state) {
    if (model.backBuffer.empty() || n < 1 || n > kControlCount) return false;
    ControlSlot& slot = model.control(n);
    if (state == 2 && slot.images[1].empty()) state = 1;
    if (state < 1 || state > 3) return false;
    const Surface& image = slot.images[state - 1];
    if (image.empty()) return false;
    blit(model.backBuffer, slot.left, slot.top, image, slot.sourceX + slot.onState * slot.width, slot.sourceY,
         slot.width, slot.height);
    return true;
}

}  // namespace tumbor::window
