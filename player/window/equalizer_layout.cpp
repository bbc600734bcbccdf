// Hit-testing and the slider mapping of the equalizer window.
#include "player/window/equalizer_layout.h"

#include <algorithm>
#include <cstdlib>

#include "player/engine/equalizer.h"

namespace tumbor::window {

Rect EqualizerLayout::slider(int index) const {
    const int left = index == 0 ? 21 : 78 + 18 * (index - 1);
    return Rect{left, 38, left + kEqualizerSliderWidth, 38 + kEqualizerSliderHeight};
}

EqualizerHit EqualizerLayout::hitTest(int x, int y) const {
    if (onSwitch().contains(x, y)) return {EqualizerPart::onSwitch};
    if (presets().contains(x, y)) return {EqualizerPart::presets};
    if (close().contains(x, y)) return {EqualizerPart::close};
    for (int index = 0; index < kEqualizerSliders; ++index)
        if (slider(index).contains(x, y)) return {EqualizerPart::slider, index};
    if (titleBar().contains(x, y)) return {EqualizerPart::titleBar};
    return {};
}

// Rounded to the nearest pixel; equalizerTenthsAt of the thumb's centre gives
// a level that maps back onto the same position.
int equalizerThumbTop(int tenths) {
    const int fromTop = kEqualizerLimitTenths - clampEqualizerTenths(tenths);
    return (fromTop * kEqualizerThumbTravel + kEqualizerLimitTenths) / (2 * kEqualizerLimitTenths);
}

int equalizerTenthsAt(int y) {
    const int top = std::clamp(y - kEqualizerThumbSize / 2, 0, kEqualizerThumbTravel);
    const int half = kEqualizerThumbTravel / 2;
    const int offset = half - top;  // pixels above the middle
    const int magnitude = (std::abs(offset) * kEqualizerLimitTenths + half / 2) / half;
    return offset < 0 ? -magnitude : magnitude;
}

int equalizerTenthsAfterWheel(int tenths, int notches) {
    return clampEqualizerTenths(tenths + notches * kEqualizerWheelStepTenths);
}

}  // namespace tumbor::window
