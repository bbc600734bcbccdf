// The main window's drawing: controls, the time display, the song-position
// and volume gauges and the title, all into the back buffer. The window shell
// copies the back buffer to the screen whenever the view is dirty.
#pragma once

#include <string>

#include "player/window/player_link.h"
#include "player/window/text_painter.h"
#include "player/window/window_model.h"

namespace tumbor::window {

constexpr int kFullVolume = 65536;

class WindowView {
public:
    WindowView(WindowModel& model, TextPainter& painter, PlayerLink& player)
        : model_(model), painter_(painter), player_(player) {}

    // After a design or skin load: forgets what was shown and draws the title and volume.
    void startLook();

    void drawControl(int n, int state);
    // One 20 ms tick: the song-position gauge, then the time display. True
    // when the window must be redrawn.
    bool tick();
    bool drawSongPosition();
    bool drawTime();
    // The bitmap song-position gauge with its slider under mouse x; while
    // dragging, the label shows the seek target.
    void drawSongPositionAt(int x, bool dragging);
    // The volume slider at a point, or at the current volume when x is -1; sets the volume.
    void drawVolume(int x, int y, bool dragging);
    void showText(const std::string& text);
    void drawTitle();

    bool dirty() const { return dirty_; }
    void clearDirty() { dirty_ = false; }
    void markDirty() { dirty_ = true; }
    int volume() const { return volume_; }
    void setVolume(int volume) { volume_ = volume; }
    bool remainingMode() const { return remaining_; }
    void toggleTimeMode();
    void setRemainingMode(bool remaining) { remaining_ = remaining; }
    // While the song-position slider is dragged, the tick leaves it where the mouse put it.
    void setSongPositionDragged(bool dragged) { songPositionDragged_ = dragged; }
    // The window caption ("Tumbor - title (paused)") and the song-name label's tooltip.
    const std::string& caption() const { return caption_; }
    const std::string& titleTip() const { return titleTip_; }

private:
    void drawDrawnGauges(int offset);
    void drawDigit(int cell, int x, int y);
    std::string seekTargetText(int k, int range) const;

    WindowModel& model_;
    TextPainter& painter_;
    PlayerLink& player_;
    bool dirty_ = false;
    int lastTime_ = -1;
    int lastGaugeOffset_ = -1;
    int volume_ = kFullVolume;
    bool remaining_ = false;
    bool songPositionDragged_ = false;
    std::string lastTitle_;
    std::string caption_ = "Tumbor";
    std::string titleTip_ = " ";
};

}  // namespace tumbor::window
