// Cutting the equalizer window's pieces from its picture and composing them.
#include "player/window/equalizer_view.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "player/window/bmp_reader.h"
#include "player/window/skin_source.h"

namespace tumbor::window {
namespace {

namespace pic = equalizer_picture;

// The curve's row (0 at the top, +12 dB) for a level, within the graph's height.
int graphRow(int tenths, int height) {
    return (kEqualizerLimitTenths - clampEqualizerTenths(tenths)) * (height - 1) /
           (2 * kEqualizerLimitTenths);
}

}  // namespace

bool EqualizerView::loadLook(const std::string& skinPath, const std::string& designPicturePath) {
    Surface picture;
    if (!skinPath.empty()) {
        std::vector<uint8_t> bytes;
        std::unique_ptr<SkinSource> skin = openSkinSource(skinPath);
        if (skin && skin->read(kSkinEqualizerPicture, bytes) &&
            bmpDecode(bytes.data(), bytes.size(), picture)) {
            setPicture(std::move(picture), kEqualizerClassicWidth);
            return true;
        }
    }
    const bool loaded = bmpLoad(designPicturePath, picture);
    const int width = loaded ? std::max(picture.width(), kEqualizerClassicWidth) : kEqualizerClassicWidth;
    setPicture(std::move(picture), width);
    return loaded;
}

void EqualizerView::setPicture(Surface picture, int width) {
    picture_ = std::move(picture);
    layout_.width = width;
    backBuffer_ = Surface(width, kEqualizerHeight);
}

void EqualizerView::draw(const EqualizerSettings& settings, const EqualizerPressed& pressed) {
    const int width = layout_.width;
    blit(backBuffer_, 0, 0, picture_, 0, 0, width, kEqualizerHeight);
    blit(backBuffer_, 0, 0, picture_, pic::kTitleBar.x, pic::kTitleBar.y, width, layout_.titleBar().height());

    auto drawPiece = [&](const Rect& at, Point normal, Point down, bool isPressed) {
        const Point from = isPressed ? down : normal;
        blit(backBuffer_, at.left, at.top, picture_, from.x, from.y, at.width(), at.height());
    };
    drawPiece(layout_.close(), pic::kClose, pic::kClosePressed, pressed.part == EqualizerPart::close);
    const bool onPressed = pressed.part == EqualizerPart::onSwitch;
    if (settings.enabled)
        drawPiece(layout_.onSwitch(), pic::kOnSwitchOn, pic::kOnSwitchOnPressed, onPressed);
    else
        drawPiece(layout_.onSwitch(), pic::kOnSwitchOff, pic::kOnSwitchOffPressed, onPressed);
    drawPiece(layout_.presets(), pic::kPresets, pic::kPresetsPressed, pressed.part == EqualizerPart::presets);

    const bool sliderPressed = pressed.part == EqualizerPart::slider;
    drawSlider(0, settings.preampTenths, sliderPressed && pressed.slider == 0);
    for (int band = 0; band < kEqualizerBands; ++band)
        drawSlider(band + 1, settings.bandTenths[band], sliderPressed && pressed.slider == band + 1);
    drawGraph(settings);
}

// The level bar, lowest level first among the 28, then the thumb over it.
void EqualizerView::drawSlider(int index, int tenths, bool pressed) {
    const Rect at = layout_.slider(index);
    const int bar = (clampEqualizerTenths(tenths) + kEqualizerLimitTenths) * (pic::kBarCount - 1) /
                    (2 * kEqualizerLimitTenths);
    const Point from = pic::barAt(bar);
    blit(backBuffer_, at.left, at.top, picture_, from.x, from.y, at.width(), at.height());
    const Point thumb = pressed ? pic::kThumbPressed : pic::kThumb;
    blit(backBuffer_, at.left + 1, at.top + 1 + equalizerThumbTop(tenths), picture_, thumb.x, thumb.y,
         kEqualizerThumbSize, kEqualizerThumbSize);
}

// The graph's background, the pre-amp's line, and the bands' levels joined
// by straight lines, each pixel coloured by its row.
void EqualizerView::drawGraph(const EqualizerSettings& settings) {
    const Rect graph = layout_.graph();
    const int width = graph.width(), height = graph.height();
    blit(backBuffer_, graph.left, graph.top, picture_, pic::kGraph.x, pic::kGraph.y, width, height);
    blit(backBuffer_, graph.left, graph.top + graphRow(settings.preampTenths, height), picture_,
         pic::kGraphPreamp.x, pic::kGraphPreamp.y, width, 1);
    const int last = kEqualizerBands - 1;
    int previousRow = -1;
    for (int x = 0; x < width; ++x) {
        const int span = x * last, band = std::min(span / (width - 1), last - 1);
        const int within = span - band * (width - 1);
        const int tenths = settings.bandTenths[band] +
                           (settings.bandTenths[band + 1] - settings.bandTenths[band]) * within / (width - 1);
        const int row = graphRow(tenths, height);
        const int joinFrom = previousRow < 0 ? row : previousRow;  // no gap to the column before
        for (int y = std::min(row, joinFrom); y <= std::max(row, joinFrom); ++y)
            backBuffer_.setPixel(graph.left + x, graph.top + y,
                                 picture_.pixel(pic::kGraphColours.x, pic::kGraphColours.y + y));
        previousRow = row;
    }
}

}  // namespace tumbor::window
