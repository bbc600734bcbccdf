// The equalizer window's drawing: everything is cut from one picture laid
// out as a classic skin's "eqmain.bmp" (the background on top, the buttons,
// the slider thumbs, the 28 level bars and the curve's pieces below it) and
// composed into the window's back buffer. A classic skin brings its own
// picture; the default design's is drawn in the same arrangement.
#pragma once

#include <string>

#include "player/engine/equalizer.h"
#include "player/window/equalizer_layout.h"
#include "player/window/surface.h"
#include "player/window/window_model.h"

namespace tumbor::window {

// The default design's picture, relative to the design folder.
constexpr const char* kDesignEqualizerPicture = "Designs\\TumborR\\EqMain.bmp";
// The skin's picture.
constexpr const char* kSkinEqualizerPicture = "eqmain.bmp";
// Where the pieces lie in the picture (the classic arrangement), below the
// background at the top.
namespace equalizer_picture {
constexpr int kHeight = 315;
constexpr Point kTitleBar{0, 134};  // as wide as the window, 14 high
constexpr Point kClose{0, 116}, kClosePressed{0, 125};
constexpr Point kOnSwitchOff{10, 119}, kOnSwitchOn{69, 119};
constexpr Point kOnSwitchOffPressed{128, 119}, kOnSwitchOnPressed{187, 119};
constexpr Point kThumb{0, 164}, kThumbPressed{0, 176};
constexpr Point kPresets{224, 164}, kPresetsPressed{224, 176};
constexpr Point kGraph{0, 294}, kGraphColours{115, 294}, kGraphPreamp{0, 314};
// The level bars, one per step from -12 dB (the first) to +12 dB, two rows of 14.
constexpr int kBarCount = 28;
constexpr Point barAt(int index) { return Point{13 + 15 * (index % 14), 164 + 65 * (index / 14)}; }
}  // namespace equalizer_picture

// What is held down while the window is drawn.
struct EqualizerPressed {
    EqualizerPart part = EqualizerPart::none;
    int slider = -1;
};

class EqualizerView {
public:
    // The picture of the skin at skinPath (a folder or an archive), or with an
    // empty skinPath or a skin without one, the default design's picture file.
    // False when neither can be read: the window is then drawn black.
    bool loadLook(const std::string& skinPath, const std::string& designPicturePath);

    void draw(const EqualizerSettings& settings, const EqualizerPressed& pressed);

    const EqualizerLayout& layout() const { return layout_; }
    const Surface& backBuffer() const { return backBuffer_; }

private:
    void setPicture(Surface picture, int width);
    void drawSlider(int index, int tenths, bool pressed);
    void drawGraph(const EqualizerSettings& settings);

    Surface picture_;
    EqualizerLayout layout_;
    Surface backBuffer_ = Surface(kEqualizerClassicWidth, kEqualizerHeight);
};

}  // namespace tumbor::window
