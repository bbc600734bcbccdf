// Drawing the main window's moving parts into the back buffer.
#include "player/window/window_view.h"

#include <algorithm>

#include "player/window/led_renderer.h"
#include "player/window/skin_text.h"

namespace tumbor::window {
namespace {

constexpr int kMaxShownSeconds = 99999;
constexpr int kMinusCell = 11, kNoMinusCell = 10;

char digit(int value) { return static_cast<char>('0' + value % 10); }

}  // namespace

void WindowView::startLook() {
    for (int n = 1; n <= kControlCount; ++n) model_.control(n).hot = false;
    lastTitle_.clear();
    lastTime_ = -1;
    lastGaugeOffset_ = -1;
    drawTitle();
    drawVolume(-1, 0, false);
    drawSongPosition();
    drawTime();
    dirty_ = true;
}

void WindowView::drawControl(int n, int state) {
    if (window::drawControl(model_, n, state)) dirty_ = true;
}

bool WindowView::tick() {
    const bool gauge = drawSongPosition();
    const bool time = drawTime();
    return gauge || time || dirty_;
}

void WindowView::toggleTimeMode() {
    remaining_ = !remaining_;
    lastTime_ = -1;
}

bool WindowView::drawTime() {
    TimeDisplay& time = model_.time;
    if (time.strip.empty() || time.cellWidth <= 0) return false;
    const bool loaded = player_.moduleLoaded();
    const bool counting = loaded && remaining_ && player_.hasLength();
    int t = 0;
    if (loaded) {
        t = player_.heardPositionTenths() / 10;
        if (counting) t = player_.lengthTenths() / 10 - t;
        if (t < 0 || t > kMaxShownSeconds) t = 0;
    }
    if (t == lastTime_) return false;
    // The display never steps back by one second (the queued sound wobbles);
    // a last time of -1 forces the redraw.
    if (lastTime_ >= 0 && t == lastTime_ + (counting ? 1 : -1)) return false;
    if (time.hasMinus() && loaded && player_.hasLength())
        drawDigit(remaining_ ? kMinusCell : kNoMinusCell, time.minusX, time.minusY);
    const int digits[4] = {t / 600 % 10, t / 60 % 10, t % 60 / 10, t % 10};
    for (int i = 0; i < 4; ++i) drawDigit(digits[i], time.x[i], time.y[i]);
    lastTime_ = t;
    dirty_ = true;
    return true;
}

void WindowView::drawDigit(int cell, int x, int y) {
    const TimeDisplay& time = model_.time;
    blit(model_.backBuffer, x, y, time.strip, cell * time.cellWidth, 0, time.cellWidth, time.cellHeight);
}

bool WindowView::drawSongPosition() {
    const ControlSlot& slot = model_.control(kSongPosition);
    const GaugeStyle& gauge = model_.songPosition;
    const int inset = gauge.hasBitmap ? gauge.sliderWidth : 2 * model_.showShadow + 2;
    const int offset = player_.gaugePosition(slot.width - inset);
    if (offset == lastGaugeOffset_) return false;
    if (!gauge.hasBitmap) {
        drawDrawnGauges(offset);
    } else {
        if (!songPositionDragged_) drawSongPositionAt(slot.left + offset + gauge.sliderWidth / 2, false);
    }
    lastGaugeOffset_ = offset;
    dirty_ = true;
    return true;
}

void WindowView::drawDrawnGauges(int offset) {
    Surface& back = model_.backBuffer;
    const int inset = 2 * model_.showShadow + 2;
    const ControlSlot& song = model_.control(kSongPosition);
    if (song.left < 0) return;
    const int bottom = song.top + song.height - inset + 1;
    back.fillRect(Rect{song.left + 1, song.top + 1, song.left + offset + 1, bottom},
                  model_.songPosition.foreground);
    back.fillRect(Rect{song.left + 1 + offset, song.top + 1, song.left + 1 + song.width - inset, bottom},
                  model_.songPosition.background);

    const ControlSlot& list = model_.control(kPlaylistPosition);
    if (list.left < 0) return;
    const int range = list.width - inset;
    const int count = player_.playlistCount();
    int filled = count > 1 ? player_.playlistIndex() * range / (count - 1) : 0;
    filled = std::min(filled, range);
    const int listBottom = list.top + list.height - inset + 1;
    back.fillRect(Rect{list.left + 1, list.top + 1, list.left + filled + 1, listBottom},
                  model_.playlistPosition.foreground);
    back.fillRect(Rect{list.left + 1 + filled, list.top + 1, list.left + 1 + range, listBottom},
                  model_.playlistPosition.background);
}

std::string WindowView::seekTargetText(int k, int range) const {
    const int length = player_.hasLength() ? player_.lengthTenths() : 0;
    if (length > 0) {
        const int target = static_cast<int>(static_cast<int64_t>(k) * length / range);
        const int seconds = target / 10;
        return {digit(target / 6000), digit(seconds / 60), ':', digit(seconds % 60 / 10), digit(seconds)};
    }
    return std::to_string(int64_t{k} * 100 / range) + "%";
}

void WindowView::drawSongPositionAt(int x, bool dragging) {
    const ControlSlot& slot = model_.control(kSongPosition);
    const GaugeStyle& gauge = model_.songPosition;
    if (!gauge.hasBitmap) return;
    Surface& back = model_.backBuffer;
    const Surface& image = slot.images[0];
    blit(back, slot.left, slot.top, image, 0, 0, slot.width, slot.height);
    const int range = slot.width - gauge.sliderWidth;
    const int k = std::clamp(x - gauge.sliderWidth / 2 - slot.left, 0, std::max(range, 0));
    const int sliderX = dragging ? gauge.movingSliderX : gauge.normalSliderX;
    blit(back, slot.left + k, slot.top, image, sliderX, 0, gauge.sliderWidth, gauge.sliderHeight);
    if (dragging && range > 0) showText("SEEK TO: " + seekTargetText(k, range));
    lastTitle_.clear();
    dirty_ = true;
}

void WindowView::drawVolume(int x, int y, bool dragging) {
    const ControlSlot& slot = model_.control(kVolume);
    const GaugeStyle& gauge = model_.volume;
    if (!gauge.hasBitmap) return;
    Surface& back = model_.backBuffer;
    const Surface& image = slot.images[0];
    int percent;
    if (gauge.orientation != 0) {
        const int s = gauge.sliderHeight, span = slot.height - s;
        if (span <= 0) return;
        if (x == -1)
            y = slot.top +
                static_cast<int>((static_cast<int64_t>(span) * (65535 - volume_ + span - 1)) >> 16) + s / 2;
        const int e = std::clamp(y - s / 2 - slot.top, 0, span);
        blit(back, slot.left, slot.top, image, 0, 0, slot.width, slot.height);
        percent = 100 - static_cast<int>(int64_t{e} * 100 / span);
        blit(back, slot.left, slot.top + e, image, dragging ? gauge.movingSliderX : gauge.normalSliderX,
             dragging ? gauge.movingSliderY : gauge.normalSliderY, gauge.sliderWidth, gauge.sliderHeight);
        volume_ = 65535 - static_cast<int>(static_cast<int64_t>(e) * 65536 / span);
    } else {
        const int s = gauge.sliderWidth, span = slot.width - s;
        if (span <= 0) return;
        if (x == -1)
            x = slot.left + static_cast<int>((static_cast<int64_t>(volume_ + span - 1) * span) >> 16) + s / 2;
        const int e = std::clamp(x - s / 2 - slot.left, 0, span);
        const int frameY = model_.kind == LookKind::skin ? static_cast<int>(int64_t{e} * 27 / span) * 15 : 0;
        blit(back, slot.left, slot.top, image, 0, frameY, slot.width, slot.height);
        percent = static_cast<int>(int64_t{e} * 100 / span);
        blit(back, slot.left + e, slot.top, image, dragging ? gauge.movingSliderX : gauge.normalSliderX,
             dragging ? gauge.movingSliderY : gauge.normalSliderY, gauge.sliderWidth, gauge.sliderHeight);
        volume_ = static_cast<int>(static_cast<int64_t>(e) * 65536 / span);
    }
    if (dragging) showText("VOLUME: " + std::to_string(percent) + "%");
    player_.setVolume(static_cast<uint32_t>(volume_));
    dirty_ = true;
}

void WindowView::showText(const std::string& text) {
    const LabelStyle& label = model_.songName;
    Surface& back = model_.backBuffer;
    if (back.empty()) return;
    if (model_.kind == LookKind::skin) {
        drawSkinText(back, model_.skinFont, label.left, label.top, label.right, text);
    } else if (!label.used()) {
        return;
    } else if (label.useLeds) {
        drawLedText(back, label.left, label.top, label.right, text,
                    LedStyle{label.ledSizeX, label.ledSizeY, label.ledActive, label.ledInactive});
    } else {
        blit(back, label.left, label.top, model_.labelBackground, 0, 0, label.right - label.left + 1,
             label.bottom - label.top + 1);
        painter_.drawText(back, Rect{label.left, label.top, label.right, label.bottom}, text, label.font,
                          label.colour, TextLayout::centredWrapped);
    }
    dirty_ = true;
}

void WindowView::drawTitle() {
    const bool loaded = player_.moduleLoaded();
    const std::string title = loaded ? player_.title() : std::string();
    showText(title);
    lastTitle_ = title;
    if (model_.kind == LookKind::skin) {
        const int rate = player_.sampleRate();
        const std::string khz{digit(rate / 10000), digit(rate / 1000)};
        drawSkinText(model_.backBuffer, model_.skinFont, 156, 43, 165, khz);
        std::string kbps = "---";
        if (loaded) {
            const int rate = std::clamp(player_.bitrate() / 1000, 0, 999);
            kbps = {digit(rate / 100), digit(rate / 10), digit(rate)};
        }
        drawSkinText(model_.backBuffer, model_.skinFont, 111, 43, 125, kbps);
    }
    titleTip_ = title + " [Left click] TAG editor  [Right click] Toggle plugin";
    caption_ = "Tumbor";
    if (!title.empty()) caption_ += " - " + title + (player_.paused() ? " (paused)" : "");
}

}  // namespace tumbor::window
