// Hit-testing, presses and releases of the main window.
#include "player/window/window_input.h"

namespace tumbor::window {
namespace {

bool isButton(int n) { return n >= 1 && n <= kPlaylist; }

}  // namespace

void WindowInput::reset() {
    hot_ = kNothingHot;
    leftDown_ = rightDown_ = dragging_ = false;
    view_.setSongPositionDragged(false);
}

bool WindowInput::timeDisplayContains(int x, int y) const {
    const TimeDisplay& time = model_.time;
    if (time.strip.empty()) return false;
    auto inCell = [&](int cellX, int cellY) {
        return x >= cellX && x < cellX + time.cellWidth && y >= cellY && y < cellY + time.cellHeight;
    };
    for (int i = 0; i < 4; ++i)
        if (inCell(time.x[i], time.y[i])) return true;
    return time.hasMinus() && inCell(time.minusX, time.minusY);
}

bool WindowInput::hotContains(int x, int y) const {
    if (hot_ == kTimeDisplay) return timeDisplayContains(x, y);
    if (hot_ == kSongNameLabel) {
        const LabelStyle& label = model_.songName;
        return x >= label.left && x <= label.right && y >= label.top && y <= label.bottom;
    }
    return model_.control(hot_).contains(x, y);
}

void WindowInput::redrawControl(int n, int state) {
    // A gauge redrawn as a control loses its slider; the view puts it back.
    if (n == kSongPosition && model_.songPosition.hasBitmap) {
        view_.drawControl(n, 1);
        view_.drawSongPosition();
    } else if (n == kVolume && model_.volume.hasBitmap) {
        view_.drawVolume(-1, 0, false);
    } else {
        view_.drawControl(n, state);
    }
}

void WindowInput::updateHotFlags() {
    if (hot_ >= kSongPosition) return;  // only while nothing or a button is hot
    for (int n = 1; n <= kControlCount; ++n) {
        ControlSlot& slot = model_.control(n);
        const bool over = n == hot_;
        if (slot.hot == over) continue;
        redrawControl(n, !over ? 1 : leftDown_ ? 3 : 2);
        slot.hot = over;
    }
}

void WindowInput::hitTest(int x, int y, std::vector<WindowAction>& actions) {
    if (dragging_) {
        actions.push_back({WindowAction::moveWindow, 0, x, y});
        return;
    }
    const bool heldGauge = leftDown_ && (hot_ == kSongPosition || hot_ == kVolume);
    if (hot_ != kNothingHot && !heldGauge && !hotContains(x, y)) hot_ = kNothingHot;
    if (hot_ == kNothingHot && timeDisplayContains(x, y)) hot_ = kTimeDisplay;
    if (hot_ == kNothingHot) {
        for (int n = 1; n <= kControlCount; ++n) {
            if (model_.control(n).contains(x, y)) {
                hot_ = n;
                break;
            }
        }
    }
    updateHotFlags();
    if (hot_ == kSongPosition && !player_.canSeek()) hot_ = kNothingHot;
    const LabelStyle& label = model_.songName;
    if (hot_ == kNothingHot && x >= label.left && x <= label.right && y >= label.top && y <= label.bottom)
        hot_ = kSongNameLabel;
    if (leftDown_) {
        if (hot_ == kSongPosition && model_.songPosition.hasBitmap) view_.drawSongPositionAt(x, true);
        if (hot_ == kVolume && model_.volume.hasBitmap) view_.drawVolume(x, y, true);
    }
    view_.setSongPositionDragged(leftDown_ && hot_ == kSongPosition);
}

std::vector<WindowAction> WindowInput::mouseMove(int x, int y) {
    std::vector<WindowAction> actions;
    hitTest(x, y, actions);
    return actions;
}

std::vector<WindowAction> WindowInput::leftDown(int x, int y) {
    std::vector<WindowAction> actions;
    pressX_ = x;
    pressY_ = y;
    leftDown_ = true;
    view_.markDirty();
    if (hot_ == kNothingHot) {
        dragging_ = true;
        return actions;
    }
    if (hot_ <= kControlCount) view_.drawControl(hot_, 3);
    switch (hot_) {
        case kOptions:
            actions.push_back({WindowAction::mainMenu, 0, x, y});
            hot_ = kNothingHot;
            break;
        case kRewind:
            actions.push_back({WindowAction::skip, hot_, 1});
            break;
        case kFastForward:
            actions.push_back({WindowAction::skip, hot_, 2});
            break;
        case kVolume:
            view_.drawVolume(x, y, true);
            break;
        case kSongPosition:
            view_.setSongPositionDragged(true);
            break;
        case kSongNameLabel:
            actions.push_back({WindowAction::songInfo});
            leftDown_ = false;
            view_.drawTitle();
            break;
        default:
            break;
    }
    return actions;
}

void WindowInput::releaseOver(int x, int y, std::vector<WindowAction>& actions) {
    const int n = hot_;
    if (n == kNothingHot) return;
    if (n == kSongPosition) {
        const ControlSlot& slot = model_.control(n);
        const GaugeStyle& gauge = model_.songPosition;
        if (gauge.hasBitmap)
            actions.push_back({WindowAction::seek, n, x - gauge.sliderWidth / 2 - slot.left, 0,
                               slot.width - gauge.sliderWidth});
        else
            actions.push_back({WindowAction::seek, n, x - slot.left, 0, slot.width});
        view_.setSongPositionDragged(false);
        view_.drawTitle();
        return;
    }
    if (n == kVolume) {
        view_.drawVolume(x, y, false);
        view_.drawTitle();
    } else if (n == kTimeDisplay) {
        view_.toggleTimeMode();
    } else if (n >= kRepeat && n <= kPlaylist) {
        ControlSlot& slot = model_.control(n);
        slot.onState = !slot.onState;
        view_.drawControl(n, 1);
    }
    if (n != kSongNameLabel) actions.push_back({WindowAction::activate, n, x, y});
}

std::vector<WindowAction> WindowInput::leftUp(int x, int y) {
    std::vector<WindowAction> actions;
    if (!leftDown_) return actions;
    if (isButton(hot_)) view_.drawControl(hot_, 2);
    if (hot_ == kRewind || hot_ == kFastForward) actions.push_back({WindowAction::cancelSkip, hot_});
    if (dragging_) {
        actions.push_back({WindowAction::endDrag, 0, x, y});
    } else {
        releaseOver(x, y, actions);
    }
    reset();
    hitTest(x, y, actions);
    return actions;
}

std::vector<WindowAction> WindowInput::rightDown(int x, int y) {
    std::vector<WindowAction> actions;
    rightDown_ = true;
    if (isButton(hot_)) view_.drawControl(hot_, 3);
    if (hot_ == kNothingHot) {
        actions.push_back({WindowAction::mainMenu, 0, x, y});
    } else if (hot_ == kDiskOperations) {
        actions.push_back({WindowAction::loadMenu, 0, x, y});
        hot_ = kNothingHot;
    }
    return actions;
}

std::vector<WindowAction> WindowInput::rightUp(int, int) {
    std::vector<WindowAction> actions;
    rightDown_ = false;
    if (isButton(hot_)) view_.drawControl(hot_, 2);
    if (hot_ == kSongInformation || hot_ == kAbout || hot_ == kSongNameLabel)
        actions.push_back({WindowAction::togglePlugin, hot_});
    return actions;
}

}  // namespace tumbor::window
