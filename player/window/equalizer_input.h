// The equalizer window's mouse handling as a plain state machine: mouse
// events change the settings it is given and say what the window must do.
// A slider follows the mouse while the left button holds it; the on switch,
// the presets button and the close button act when released over themselves.
#pragma once

#include "player/engine/equalizer.h"
#include "player/window/equalizer_layout.h"
#include "player/window/equalizer_view.h"

namespace tumbor::window {

enum class EqualizerRequest {
    none,         // nothing changed
    redraw,       // only what is pressed changed
    apply,        // the settings changed: redraw, and they take effect and are kept
    presetsMenu,  // open the presets menu
    close,        // hide the window
};

// The level slider 0 (the pre-amp) or 1..10 (the bands) sets.
int& equalizerLevel(EqualizerSettings& settings, int slider);

class EqualizerInput {
public:
    explicit EqualizerInput(const EqualizerLayout& layout) : layout_(layout) {}

    EqualizerRequest leftDown(int x, int y, EqualizerSettings& settings);
    EqualizerRequest mouseMove(int x, int y, EqualizerSettings& settings);
    EqualizerRequest leftUp(int x, int y, EqualizerSettings& settings);
    // Wheel notches (positive: away from the user) over the point move the slider there.
    EqualizerRequest wheel(int x, int y, int notches, EqualizerSettings& settings);
    // Nothing is held any more (the capture was lost).
    void reset() { pressed_ = EqualizerPressed{}; }

    const EqualizerPressed& pressed() const { return pressed_; }

private:
    EqualizerRequest setLevel(int slider, int tenths, EqualizerSettings& settings);

    const EqualizerLayout& layout_;
    EqualizerPressed pressed_;
};

}  // namespace tumbor::window
