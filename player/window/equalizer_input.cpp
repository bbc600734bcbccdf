// The equalizer window's mouse state machine.
#include "player/window/equalizer_input.h"

namespace tumbor::window {

int& equalizerLevel(EqualizerSettings& settings, int slider) {
    return slider == 0 ? settings.preampTenths : settings.bandTenths[static_cast<size_t>(slider - 1)];
}

EqualizerRequest EqualizerInput::setLevel(int slider, int tenths, EqualizerSettings& settings) {
    int& level = equalizerLevel(settings, slider);
    if (level == tenths) return EqualizerRequest::redraw;
    level = tenths;
    return EqualizerRequest::apply;
}

EqualizerRequest EqualizerInput::leftDown(int x, int y, EqualizerSettings& settings) {
    const EqualizerHit hit = layout_.hitTest(x, y);
    if (hit.part == EqualizerPart::none || hit.part == EqualizerPart::titleBar) return EqualizerRequest::none;
    pressed_ = EqualizerPressed{hit.part, hit.slider};
    if (hit.part != EqualizerPart::slider) return EqualizerRequest::redraw;
    return setLevel(hit.slider, equalizerTenthsAt(y - layout_.slider(hit.slider).top), settings);
}

EqualizerRequest EqualizerInput::mouseMove(int /*x*/, int y, EqualizerSettings& settings) {
    if (pressed_.part != EqualizerPart::slider) return EqualizerRequest::none;
    const Rect slider = layout_.slider(pressed_.slider);
    const EqualizerRequest request = setLevel(pressed_.slider, equalizerTenthsAt(y - slider.top), settings);
    return request == EqualizerRequest::apply ? request : EqualizerRequest::none;
}

EqualizerRequest EqualizerInput::leftUp(int x, int y, EqualizerSettings& settings) {
    const EqualizerPart part = pressed_.part;
    pressed_ = EqualizerPressed{};
    if (part == EqualizerPart::none) return EqualizerRequest::none;
    if (part == EqualizerPart::slider || layout_.hitTest(x, y).part != part) return EqualizerRequest::redraw;
    switch (part) {
        case EqualizerPart::onSwitch:
            settings.enabled = !settings.enabled;
            return EqualizerRequest::apply;
        case EqualizerPart::presets:
            return EqualizerRequest::presetsMenu;
        case EqualizerPart::close:
            return EqualizerRequest::close;
        default:
            return EqualizerRequest::redraw;
    }
}

EqualizerRequest EqualizerInput::wheel(int x, int y, int notches, EqualizerSettings& settings) {
    const EqualizerHit hit = layout_.hitTest(x, y);
    if (hit.part != EqualizerPart::slider || notches == 0) return EqualizerRequest::none;
    const int tenths = equalizerTenthsAfterWheel(equalizerLevel(settings, hit.slider), notches);
    const EqualizerRequest request = setLevel(hit.slider, tenths, settings);
    return request == EqualizerRequest::apply ? request : EqualizerRequest::none;
}

}  // namespace tumbor::window
