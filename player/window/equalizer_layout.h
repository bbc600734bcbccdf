// The equalizer window's geometry: where the on switch, the presets button,
// the close button, the pre-amp slider and the ten band sliders lie, which of
// them a point hits, and how a slider's thumb position and a level in tenths
// of a dB map onto each other. Both looks share the classic arrangement; only
// the width differs (the presets and close buttons keep to the right edge).
#pragma once

#include "player/window/surface.h"

namespace tumbor::window {

constexpr int kEqualizerHeight = 116;
constexpr int kEqualizerClassicWidth = 275;
// Slider 0 is the pre-amp, sliders 1..10 are the bands, lowest first.
constexpr int kEqualizerSliders = 11;
constexpr int kEqualizerSliderWidth = 14, kEqualizerSliderHeight = 63;
constexpr int kEqualizerThumbSize = 11;
// The thumb's top moves from 0 (+12 dB) to this many pixels down (-12 dB); 0 dB is half way.
constexpr int kEqualizerThumbTravel = 50;
// One notch of the mouse wheel moves a slider by a whole dB.
constexpr int kEqualizerWheelStepTenths = 10;

enum class EqualizerPart { none, onSwitch, presets, close, slider, titleBar };

struct EqualizerHit {
    EqualizerPart part = EqualizerPart::none;
    int slider = -1;  // for EqualizerPart::slider
};

struct EqualizerLayout {
    int width = kEqualizerClassicWidth;

    Rect window() const { return Rect{0, 0, width, kEqualizerHeight}; }
    Rect titleBar() const { return Rect{0, 0, width, 14}; }
    Rect onSwitch() const { return Rect{14, 18, 40, 30}; }
    Rect presets() const { return Rect{width - 58, 18, width - 14, 30}; }
    Rect close() const { return Rect{width - 11, 3, width - 2, 12}; }
    Rect slider(int index) const;
    // The small curve of the levels.
    Rect graph() const { return Rect{86, 17, 86 + 113, 17 + 19}; }

    EqualizerHit hitTest(int x, int y) const;
};

// The thumb's top within its slider for a level (held within the limits).
int equalizerThumbTop(int tenths);
// The level when the thumb is centred on y pixels below the slider's top.
int equalizerTenthsAt(int y);
// A level moved by wheel notches (positive: up), held within the limits.
int equalizerTenthsAfterWheel(int tenths, int notches);

}  // namespace tumbor::window
