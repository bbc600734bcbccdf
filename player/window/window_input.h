// The main window's mouse handling as a plain state machine: mouse events in,
// drawing (through the view) and actions for the player out. Hit-testing
// decides the hot control: 1..21 for the controls, 99 for the time display,
// 256 for the song-name label, -1 for none.
#pragma once

#include <vector>

#include "player/window/player_link.h"
#include "player/window/window_model.h"
#include "player/window/window_view.h"

namespace tumbor::window {

constexpr int kNothingHot = -1;
constexpr int kTimeDisplay = 99;
constexpr int kSongNameLabel = 256;

struct WindowAction {
    enum Kind {
        activate,      // the left button was released over control (1..18, 21, 99)
        skip,          // rewind (x = 1) or fast forward (x = 2) pressed
        cancelSkip,    // a skip button released
        seek,          // seek to x of range
        mainMenu,      // open the main menu at (x, y)
        loadMenu,      // open the load menu at (x, y)
        songInfo,      // the song-name label was clicked
        togglePlugin,  // right click on song information, about or the song-name label
        moveWindow,    // dragging: the mouse is at (x, y) in client coordinates
        endDrag,       // the drag ended; the window snaps to the work area
    };
    Kind kind;
    int control = 0;
    int x = 0, y = 0, range = 0;
};

class WindowInput {
public:
    WindowInput(WindowModel& model, WindowView& view, PlayerLink& player)
        : model_(model), view_(view), player_(player) {}

    std::vector<WindowAction> mouseMove(int x, int y);
    std::vector<WindowAction> leftDown(int x, int y);
    std::vector<WindowAction> leftUp(int x, int y);
    std::vector<WindowAction> rightDown(int x, int y);
    std::vector<WindowAction> rightUp(int x, int y);
    // After a load nothing is hot or pressed.
    void reset();

    int hot() const { return hot_; }
    bool leftButtonDown() const { return leftDown_; }
    bool dragging() const { return dragging_; }
    // The mouse stays captured while a button is down or something is hot.
    bool wantsCapture() const { return leftDown_ || rightDown_ || hot_ != kNothingHot; }

private:
    bool hotContains(int x, int y) const;
    bool timeDisplayContains(int x, int y) const;
    void updateHotFlags();
    void redrawControl(int n, int state);
    void hitTest(int x, int y, std::vector<WindowAction>& actions);
    void releaseOver(int x, int y, std::vector<WindowAction>& actions);

    WindowModel& model_;
    WindowView& view_;
    PlayerLink& player_;
    int hot_ = kNothingHot;
    bool leftDown_ = false, rightDown_ = false, dragging_ = false;
    int pressX_ = 0, pressY_ = 0;
};

}  // namespace tumbor::window
