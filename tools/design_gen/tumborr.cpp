// The default design: a dark graphite body with rounded corners and the
// program's name, a cyan display panel with seven-segment digits and a
// 26-character LED title, a slider for the song position, transport buttons
// with hot pictures, small toggles and a volume ramp.
#include "tools/design_gen/tumborr.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "player/window/bmp_writer.h"
#include "player/window/equalizer_layout.h"
#include "player/window/equalizer_view.h"
#include "player/window/file_names.h"
#include "player/window/window_model.h"
#include "tools/design_gen/paint.h"

namespace tumbor::tools {
namespace {

using window::Rect;
using window::rgb;

constexpr int kWidth = 320, kHeight = 112, kCornerRadius = 12;

// Colours.
constexpr Colour kKey = rgb(255, 0, 255);  // transparent in button pictures
constexpr Colour kBodyTop = rgb(58, 64, 72), kBodyBottom = rgb(26, 29, 34);
constexpr Colour kRim = rgb(96, 104, 116);
constexpr Colour kPanel = rgb(8, 18, 24), kPanelEdge = rgb(2, 6, 8), kPanelLight = rgb(54, 70, 80);
constexpr Colour kLit = rgb(92, 225, 255), kUnlit = rgb(16, 36, 45), kLedUnlit = rgb(13, 27, 35);
constexpr Colour kButtonTop = rgb(84, 92, 104), kButtonBottom = rgb(44, 49, 57);
constexpr Colour kButtonHotTop = rgb(104, 114, 128), kButtonHotBottom = rgb(56, 62, 72);
constexpr Colour kButtonBorder = rgb(14, 16, 19), kGlyph = rgb(214, 222, 230), kGlyphHot = kLit;
constexpr Colour kName = rgb(200, 210, 220);

// Layout.
constexpr Rect kPanelRect{10, 21, 310, 61};
struct Place {
    const char* section;
    const char* stem;
    int left, top, width, height;
};
const Place kTransport[] = {{"previous song", "Previous", 12, 82, 26, 22},
                            {"play", "Play", 40, 82, 26, 22},
                            {"pause", "Pause", 68, 82, 26, 22},
                            {"stop", "Stop", 96, 82, 26, 22},
                            {"next song", "Next", 124, 82, 26, 22},
                            {"disk operations", "Disk", 156, 82, 26, 22}};
const Place kSmall[] = {
    {"options", "Options", 210, 5, 14, 12},   {"song information", "Info", 226, 5, 14, 12},
    {"about", "About", 242, 5, 14, 12},       {"help", "Help", 258, 5, 14, 12},
    {"minimize", "Minimize", 280, 5, 14, 12}, {"close", "Close", 296, 5, 14, 12}};
struct Toggle {
    const char* section;
    const char* stem;
    const char* label;
    int left, top, width, height;
};
const Toggle kToggles[] = {{"repeat", "Repeat", "REP", 190, 86, 22, 14},
                           {"shuffle", "Shuffle", "SHUF", 214, 86, 22, 14},
                           {"eq", "Eq", "EQ", 80, 5, 20, 12},
                           {"pl", "Playlist", "PL", 102, 5, 20, 12}};
constexpr int kDigitWidth = 12, kDigitHeight = 20, kDigitTop = 31;
constexpr int kDigitX[4] = {30, 43, 62, 75}, kMinusX = 16;
constexpr Rect kPosition{10, 66, 310, 76};
constexpr int kPositionSlider = 22;
constexpr Rect kVolume{244, 86, 310, 100};
constexpr int kVolumeSlider = 10;

const char* const kFolder = "Designs\\TumborR\\";

bool save(const std::string& folder, const std::string& name, const Surface& picture) {
    return window::bmpSave(window::joinPath(folder, std::string(kFolder) + name), picture);
}

// The rounded outline of the window as polygon points, clockwise from the left edge.
std::vector<window::Point> outline() {
    // The top-left quarter circle of radius 12, from the left edge to the top edge.
    static const window::Point kArc[7] = {{0, 12}, {0, 9}, {2, 6}, {4, 4}, {6, 2}, {9, 0}, {12, 0}};
    std::vector<window::Point> points;
    for (int i = 0; i < 7; ++i) points.push_back(kArc[i]);
    for (int i = 6; i >= 0; --i) points.push_back({kWidth - kArc[i].x, kArc[i].y});
    for (int i = 0; i < 7; ++i) points.push_back({kWidth - kArc[i].x, kHeight - kArc[i].y});
    for (int i = 6; i >= 0; --i) points.push_back({kArc[i].x, kHeight - kArc[i].y});
    return points;
}

// The program's name in bold capitals, nine pixels high, in the picture
// itself: the design has no logo label, which always shows the short "Tumb".
void drawName(Surface& back, int x, int y) {
    struct Letter {
        int width;
        const char* rows[9];
    };
    static const Letter kLetters[] = {
        {8,
         {"########", "########", "...##...", "...##...", "...##...", "...##...", "...##...", "...##...",
          "...##..."}},
        {7,
         {"##...##", "##...##", "##...##", "##...##", "##...##", "##...##", "##...##", "###.###", ".#####."}},
        {9,
         {"##.....##", "###...###", "####.####", "##.###.##", "##..#..##", "##.....##", "##.....##",
          "##.....##", "##.....##"}},
        {7,
         {"######.", "##...##", "##...##", "##..##.", "######.", "##...##", "##...##", "##...##", "######."}},
        {7,
         {".#####.", "###.###", "##...##", "##...##", "##...##", "##...##", "##...##", "###.###", ".#####."}},
        {7,
         {"######.", "##...##", "##...##", "##...##", "######.", "##.##..", "##..##.", "##...##", "##...##"}},
    };
    for (const Letter& letter : kLetters) {
        for (int row = 0; row < 9; ++row)
            for (int col = 0; col < letter.width; ++col)
                if (letter.rows[row][col] == '#') back.setPixel(x + col, y + row, kName);
        x += letter.width + 1;
    }
}

Surface background() {
    Surface back(kWidth, kHeight);
    verticalGradient(back, 0, 0, kWidth, kHeight, kBodyTop, kBodyBottom);
    // A light rim just inside the outline.
    const Shape outer = roundedRect(0, 0, kWidth, kHeight, kCornerRadius);
    const Shape inner = roundedRect(1, 1, kWidth - 1, kHeight - 1, kCornerRadius - 1);
    paintShape(
        back, 0, 0, kWidth, kHeight, [&](int sx, int sy) { return outer(sx, sy) && !inner(sx, sy); }, kRim);
    // The display panel: sunk into the body, dark edge above, light edge below.
    const Rect p = kPanelRect;
    paintShape(back, p.left - 1, p.top - 1, p.right + 1, p.bottom + 1,
               roundedRect(p.left - 1, p.top - 1, p.right + 1, p.bottom + 1, 5), kPanelLight);
    paintShape(back, p.left - 1, p.top - 1, p.right + 1, p.bottom,
               roundedRect(p.left - 1, p.top - 1, p.right + 1, p.bottom, 5), kPanelEdge);
    paintShape(back, p.left, p.top, p.right, p.bottom, roundedRect(p.left, p.top, p.right, p.bottom, 4),
               kPanel);
    // The colon between minutes and seconds, and a rule left of the title.
    for (int y : {kDigitTop + 5, kDigitTop + 13}) back.fillRect(Rect{57, y, 59, y + 2}, kLit);
    back.fillRect(Rect{92, p.top + 6, 93, p.bottom - 6}, kUnlit);
    // The song-position groove's shadow line and a groove for the volume.
    back.fillRect(Rect{kPosition.left, kPosition.bottom, kPosition.right, kPosition.bottom + 1},
                  rgb(70, 77, 87));
    drawName(back, 17, 6);
    return back;
}

// Seven-segment digits 0..9, a blank cell and a minus sign, 12 x 20 each.
Surface digitStrip() {
    static const int kSegments[12] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F, 0x00, 0x40};
    Surface strip(12 * kDigitWidth, kDigitHeight);
    strip.fill(kPanel);
    for (int cell = 0; cell < 12; ++cell) {
        const int x = cell * kDigitWidth + 1, w = 10, h = 20;
        // Segments a..g as rectangles in the cell: top, upper right, lower right, bottom, lower left, upper
        // left, middle.
        const Rect segments[7] = {{x + 2, 0, x + w - 2, 2},   {x + w - 2, 2, x + w, 9},
                                  {x + w - 2, 11, x + w, 18}, {x + 2, h - 2, x + w - 2, h},
                                  {x, 11, x + 2, 18},         {x, 2, x + 2, 9},
                                  {x + 2, 9, x + w - 2, 11}};
        for (int s = 0; s < 7; ++s) {
            const bool lit = kSegments[cell] >> s & 1;
            if (cell == 10 || (cell == 11 && !lit)) continue;  // blank and minus show no unlit segments
            strip.fillRect(segments[s], lit ? kLit : kUnlit);
        }
    }
    return strip;
}

// A button body: rounded, darker border, lighter top line, key colour outside.
Surface buttonBody(int width, int height, bool hot) {
    Surface picture(width, height);
    picture.fill(kKey);
    const Rect inside{1, 1, width - 1, height - 1};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (roundedRect(0, 0, width, height, 3)(x * kSub + 2, y * kSub + 2))
                picture.setPixel(x, y, kButtonBorder);
    Surface fill(width, height);
    verticalGradient(fill, 0, 0, width, height, hot ? kButtonHotTop : kButtonTop,
                     hot ? kButtonHotBottom : kButtonBottom);
    for (int y = inside.top; y < inside.bottom; ++y)
        for (int x = inside.left; x < inside.right; ++x)
            if (roundedRect(1, 1, width - 1, height - 1, 2)(x * kSub + 2, y * kSub + 2))
                picture.setPixel(x, y, fill.pixel(x, y));
    picture.fillRect(Rect{3, 1, width - 3, 2},
                     mix(hot ? kButtonHotTop : kButtonTop, rgb(255, 255, 255), 1, 3));
    return picture;
}

void drawGlyph(Surface& picture, const char* stem, Colour colour) {
    const int w = picture.width(), h = picture.height(), cx = w / 2, cy = h / 2;
    const std::string name = stem;
    auto tri = [&](int ax, int ay, int bx, int by, int qx, int qy) {
        paintShape(picture, 1, 1, w - 1, h - 1, triangle(ax, ay, bx, by, qx, qy), colour);
    };
    auto bar = [&](int left, int top, int right, int bottom) {
        paintShape(picture, 1, 1, w - 1, h - 1, roundedRect(left, top, right, bottom, 0), colour);
    };
    if (name == "Play")
        tri(cx - 4, cy - 6, cx + 6, cy, cx - 4, cy + 6);
    else if (name == "Pause") {
        bar(cx - 5, cy - 5, cx - 1, cy + 6);
        bar(cx + 2, cy - 5, cx + 6, cy + 6);
    } else if (name == "Stop")
        bar(cx - 5, cy - 5, cx + 6, cy + 6);
    else if (name == "Next") {
        tri(cx - 6, cy - 5, cx + 2, cy, cx - 6, cy + 5);
        bar(cx + 3, cy - 5, cx + 6, cy + 6);
    } else if (name == "Previous") {
        tri(cx + 6, cy - 5, cx - 2, cy, cx + 6, cy + 5);
        bar(cx - 5, cy - 5, cx - 2, cy + 6);
    } else if (name == "Disk") {
        tri(cx - 6, cy + 1, cx, cy - 6, cx + 6, cy + 1);
        bar(cx - 6, cy + 3, cx + 7, cy + 6);
    } else if (name == "Close") {
        paintShape(
            picture, 1, 1, w - 1, h - 1,
            [&](int sx, int sy) {
                const int x = 2 * sx - (2 * cx) * kSub, y = 2 * sy - (2 * cy) * kSub, t = 2 * kSub,
                          r = 6 * kSub;
                return x > -r && x < r && y > -r && y < r && (std::abs(x - y) <= t || std::abs(x + y) <= t);
            },
            colour);
    } else if (name == "Minimize")
        bar(cx - 4, cy + 2, cx + 4, cy + 4);
    else if (name == "Options") {
        bar(cx - 4, cy - 3, cx + 4, cy - 2);
        bar(cx - 4, cy, cx + 4, cy + 1);
        bar(cx - 4, cy + 3, cx + 4, cy + 4);
    } else if (name == "Info") {
        bar(cx - 1, cy - 4, cx + 1, cy - 2);
        bar(cx - 1, cy - 1, cx + 1, cy + 4);
    } else if (name == "About") {
        paintShape(
            picture, 1, 1, w - 1, h - 1,
            [&](int sx, int sy) {
                const int x = 2 * sx + 1 - (2 * cx) * kSub, y = 2 * sy + 1 - (2 * cy) * kSub, o = 8 * kSub,
                          i = 5 * kSub;
                const int d = x * x + y * y;
                return d <= o * o && d >= i * i;
            },
            colour);
    } else if (name == "Help") {  // a question mark
        bar(cx - 3, cy - 4, cx + 3, cy - 3);
        bar(cx + 2, cy - 4, cx + 4, cy - 1);
        bar(cx - 1, cy - 1, cx + 3, cy);
        bar(cx - 1, cy - 1, cx + 1, cy + 1);
        bar(cx - 1, cy + 2, cx + 1, cy + 4);
    }
}

bool writeButtons(const std::string& folder) {
    bool ok = true;
    auto write = [&](const Place& place) {
        for (bool hot : {false, true}) {
            Surface picture = buttonBody(place.width, place.height, hot);
            drawGlyph(picture, place.stem, hot ? kGlyphHot : kGlyph);
            ok = ok && save(folder, std::string(place.stem) + (hot ? "H.bmp" : ".bmp"), picture);
        }
    };
    for (const Place& place : kTransport) write(place);
    for (const Place& place : kSmall) write(place);
    return ok;
}

// Two-state toggles: the off picture on the left, the on picture (with a lit lamp) on the right.
bool writeToggles(const std::string& folder) {
    bool ok = true;
    for (const Toggle& t : kToggles) {
        for (int hot = 0; hot < 2; ++hot) {
            Surface both(2 * t.width, t.height);
            for (int on = 0; on < 2; ++on) {
                Surface half = buttonBody(t.width, t.height, hot);
                const int textWidth = 4 * static_cast<int>(std::string(t.label).size()) - 1;
                drawTinyText(half, (t.width - textWidth) / 2 + 2, (t.height - 5) / 2, t.label,
                             on    ? kLit
                             : hot ? kGlyph
                                   : rgb(150, 158, 168));
                half.fillRect(Rect{3, t.height / 2 - 1, 5, t.height / 2 + 1}, on ? kLit : kUnlit);
                window::blit(both, on * t.width, 0, half, 0, 0, t.width, t.height);
            }
            ok = ok && save(folder, std::string(t.stem) + (hot ? "2.bmp" : "1.bmp"), both);
        }
    }
    return ok;
}

// The groove with the two sliders to its right: normal at x = width, moving at width + slider.
Surface positionBar() {
    const int w = kPosition.width(), h = kPosition.height();
    Surface bar(w + 2 * kPositionSlider, h);
    verticalGradient(bar, 0, 0, bar.width(), h, rgb(40, 45, 52), rgb(30, 34, 40));
    paintShape(bar, 0, 0, w, h, roundedRect(0, 2, w, h - 2, 3), rgb(6, 10, 13));
    bar.fillRect(Rect{3, h - 3, w - 3, h - 2}, rgb(30, 40, 46));
    for (int k = 0; k < 2; ++k) {
        const int x = w + k * kPositionSlider;
        window::blit(bar, x, 0, bar, w / 2, 0, kPositionSlider, h);
        paintShape(bar, x, 0, x + kPositionSlider, h, roundedRect(x, 0, x + kPositionSlider, h, 4),
                   kButtonBorder);
        paintShape(bar, x, 0, x + kPositionSlider, h,
                   roundedRect(x + 1, 1, x + kPositionSlider - 1, h - 1, 3), k ? kLit : rgb(170, 180, 192));
        bar.fillRect(Rect{x + 10, 3, x + 12, h - 3}, k ? rgb(20, 90, 110) : rgb(90, 98, 108));
    }
    return bar;
}

// The volume ramp, growing to the right, and the knob in both looks.
Surface volumeBar() {
    const int w = kVolume.width(), h = kVolume.height();
    Surface bar(w + 2 * kVolumeSlider, h);
    Surface back = background();
    window::blit(bar, 0, 0, back, kVolume.left, kVolume.top, w, h);
    for (int k = 0; k < 2; ++k)
        window::blit(bar, w + k * kVolumeSlider, 0, back, kVolume.left + 28, kVolume.top, kVolumeSlider, h);
    paintShape(bar, 0, 0, w, h, triangle(2, h - 3, w - 2, 2, w - 2, h - 3), rgb(6, 10, 13));
    paintShape(bar, 0, 0, w, h, triangle(4, h - 4, w - 4, 4, w - 4, h - 4), rgb(20, 70, 86));
    for (int k = 0; k < 2; ++k) {
        const int x = w + k * kVolumeSlider;
        paintShape(bar, x, 0, x + kVolumeSlider, h, roundedRect(x, 0, x + kVolumeSlider, h, 3),
                   kButtonBorder);
        paintShape(bar, x, 0, x + kVolumeSlider, h, roundedRect(x + 1, 1, x + kVolumeSlider - 1, h - 1, 2),
                   k ? kLit : rgb(170, 180, 192));
    }
    return bar;
}

// A button body with a tiny label centred on it and, for a switch, a lamp at the left.
Surface labelledButton(int width, int height, const char* label, bool pressed, int lamp) {
    Surface picture = buttonBody(width, height, pressed);
    const int textWidth = 4 * static_cast<int>(std::string(label).size()) - 1;
    const int shift = lamp < 0 ? 0 : 2;
    drawTinyText(picture, (width - textWidth) / 2 + shift, (height - 5) / 2, label, lamp > 0 ? kLit : kGlyph);
    if (lamp >= 0) picture.fillRect(Rect{3, height / 2 - 1, 5, height / 2 + 1}, lamp ? kLit : kUnlit);
    return picture;
}

// A button picture as it shows at rectangle at of the window: where it has
// the key colour, the body's picture shows (the window has no transparency).
Surface onBody(Surface button, const Surface& body, const Rect& at) {
    for (int y = 0; y < button.height(); ++y)
        for (int x = 0; x < button.width(); ++x)
            if (button.pixel(x, y) == kKey) button.setPixel(x, y, body.pixel(at.left + x, at.top + y));
    return button;
}

// The equalizer window's picture, laid out as a classic skin's (see
// equalizer_view.h): a body as wide as the main window with the band labels,
// then the switch, presets and close buttons, the thumbs, the 28 level bars
// (a groove lit from the middle to the level) and the curve's pieces.
Surface equalizerPicture() {
    namespace eq = window::equalizer_picture;
    using window::blit;
    const window::EqualizerLayout layout{kWidth};
    Surface picture(kWidth, eq::kHeight);
    picture.fill(kBodyBottom);
    verticalGradient(picture, 0, 0, kWidth, window::kEqualizerHeight, kBodyTop, kBodyBottom);
    picture.fillRect(Rect{0, 0, kWidth, 1}, kRim);
    picture.fillRect(Rect{0, 0, 1, window::kEqualizerHeight}, kRim);
    picture.fillRect(Rect{kWidth - 1, 0, kWidth, window::kEqualizerHeight}, kRim);
    picture.fillRect(Rect{0, window::kEqualizerHeight - 1, kWidth, window::kEqualizerHeight}, kRim);
    static const char* const kLabels[window::kEqualizerSliders] = {"PRE", "60", "170", "310", "600", "1K",
                                                                   "3K",  "6K", "12K", "14K", "16K"};
    for (int i = 0; i < window::kEqualizerSliders; ++i) {
        const Rect at = layout.slider(i);
        const int textWidth = 4 * static_cast<int>(std::string(kLabels[i]).size()) - 1;
        drawTinyText(picture, at.left + (at.width() - textWidth) / 2, at.bottom + 4, kLabels[i], kGlyph);
    }
    for (int dB : {12, 0, -12}) {  // marks beside the pre-amp: top, middle and bottom
        const Rect pre = layout.slider(0);
        const int y = pre.top + 1 + window::equalizerThumbTop(dB * 10) + window::kEqualizerThumbSize / 2;
        picture.fillRect(Rect{pre.right + 3, y, pre.right + 9, y + 1}, kRim);
    }
    // The title bar: the body's top with the window's name.
    blit(picture, eq::kTitleBar.x, eq::kTitleBar.y, picture, 0, 0, kWidth, 14);
    drawTinyText(picture, 17, eq::kTitleBar.y + 5, "EQUALIZER", kName);

    const Rect closeAt = layout.close();
    Surface close = onBody(buttonBody(9, 9, false), picture, closeAt);
    Surface closeDown = onBody(buttonBody(9, 9, true), picture, closeAt);
    for (Surface* button : {&close, &closeDown}) {
        for (int k = 2; k < 7; ++k) {
            button->setPixel(k, k, kGlyph);
            button->setPixel(8 - k, k, kGlyph);
        }
        blit(picture, button == &close ? eq::kClose.x : eq::kClosePressed.x,
             button == &close ? eq::kClose.y : eq::kClosePressed.y, *button, 0, 0, 9, 9);
    }
    const Rect on = layout.onSwitch(), presets = layout.presets();
    const window::Point switches[4] = {eq::kOnSwitchOff, eq::kOnSwitchOn, eq::kOnSwitchOffPressed,
                                       eq::kOnSwitchOnPressed};
    for (int k = 0; k < 4; ++k)
        blit(picture, switches[k].x, switches[k].y,
             onBody(labelledButton(on.width(), on.height(), "ON", k >= 2, k % 2), picture, on), 0, 0,
             on.width(), on.height());
    for (bool down : {false, true}) {
        const window::Point at = down ? eq::kPresetsPressed : eq::kPresets;
        blit(picture, at.x, at.y,
             onBody(labelledButton(presets.width(), presets.height(), "PRESETS", down, -1), picture, presets),
             0, 0, presets.width(), presets.height());
        const window::Point thumb = down ? eq::kThumbPressed : eq::kThumb;
        const int size = window::kEqualizerThumbSize;
        picture.fillRect(Rect{thumb.x, thumb.y, thumb.x + size, thumb.y + size}, kBodyBottom);
        paintShape(picture, thumb.x, thumb.y, thumb.x + size, thumb.y + size,
                   roundedRect(thumb.x, thumb.y, thumb.x + size, thumb.y + size, 3), kButtonBorder);
        paintShape(picture, thumb.x, thumb.y, thumb.x + size, thumb.y + size,
                   roundedRect(thumb.x + 1, thumb.y + 1, thumb.x + size - 1, thumb.y + size - 1, 2),
                   down ? kLit : rgb(170, 180, 192));
    }
    const int middle = 1 + window::equalizerThumbTop(0) + window::kEqualizerThumbSize / 2;
    for (int bar = 0; bar < eq::kBarCount; ++bar) {
        const window::Point at = eq::barAt(bar);
        const int w = window::kEqualizerSliderWidth, h = window::kEqualizerSliderHeight;
        const int tenths = bar * 2 * kEqualizerLimitTenths / (eq::kBarCount - 1) - kEqualizerLimitTenths;
        const int level = 1 + window::equalizerThumbTop(tenths) + window::kEqualizerThumbSize / 2;
        blit(picture, at.x, at.y, picture, 21, 38, w, h);  // the body behind the first slider
        paintShape(picture, at.x, at.y, at.x + w, at.y + h,
                   roundedRect(at.x + 5, at.y + 1, at.x + 9, at.y + h - 1, 2), rgb(6, 10, 13));
        picture.fillRect(
            Rect{at.x + 6, at.y + std::min(level, middle), at.x + 8, at.y + std::max(level, middle) + 1},
            mix(kUnlit, kLit, bar < 14 ? 13 - bar : bar - 14, 13));
    }
    const Rect graph{eq::kGraph.x, eq::kGraph.y, eq::kGraph.x + layout.graph().width(),
                     eq::kGraph.y + layout.graph().height()};
    picture.fillRect(graph, kPanel);
    picture.fillRect(
        Rect{graph.left, graph.top + graph.height() / 2, graph.right, graph.top + graph.height() / 2 + 1},
        kUnlit);
    for (int y = 0; y < graph.height(); ++y)
        picture.setPixel(eq::kGraphColours.x, eq::kGraphColours.y + y,
                         mix(kLit, rgb(255, 255, 255), std::abs(y - graph.height() / 2), 2 * graph.height()));
    picture.fillRect(Rect{eq::kGraphPreamp.x, eq::kGraphPreamp.y, graph.right, eq::kGraphPreamp.y + 1},
                     rgb(40, 90, 110));
    return picture;
}

std::string designText() {
    std::ostringstream d;
    d << "[General]\r\nNameOfTheDesigner=The Tumbor team\r\nWindowWidth=" << kWidth
      << "\r\nWindowHeight=" << kHeight << "\r\nUseWindowShape=1\r\n";
    const auto points = outline();
    d << "NumberOfWindowShapePoints=" << points.size() << "\r\n";
    for (size_t i = 0; i < points.size(); ++i)
        d << "P" << i + 1 << "X=" << points[i].x << "\r\nP" << i + 1 << "Y=" << points[i].y << "\r\n";
    d << "Bitmap=" << kFolder << "back.bmp\r\nBackgroundMode=BitmapCenter\r\n\r\n";
    auto rect = [&](int left, int top, int width, int height) {
        d << "Left=" << left << "\r\nTop=" << top << "\r\nWidth=" << width << "\r\nHeight=" << height
          << "\r\n";
    };
    for (const Place* list : {kTransport, kSmall}) {
        for (int i = 0; i < 6; ++i) {
            const Place& p = list[i];
            d << "[Button " << p.section << "]\r\n";
            rect(p.left, p.top, p.width, p.height);
            d << "Bitmap1=" << kFolder << p.stem << ".bmp\r\nBitmap2=" << kFolder << p.stem
              << "H.bmp\r\n\r\n";
        }
    }
    for (const Toggle& t : kToggles) {
        d << "[Button " << t.section << "]\r\n";
        rect(t.left, t.top, t.width, t.height);
        d << "Bitmap1=" << kFolder << t.stem << "1.bmp\r\nBitmap2=" << kFolder << t.stem << "2.bmp\r\n\r\n";
    }
    d << "[Gauge Songpos]\r\n";
    rect(kPosition.left, kPosition.top, kPosition.width(), kPosition.height());
    d << "Bitmap=" << kFolder << "posbar.bmp\r\nWidthSlider=" << kPositionSlider
      << "\r\nHeightSlider=" << kPosition.height() << "\r\nNormalSliderX=" << kPosition.width()
      << "\r\nMovingSliderX=" << kPosition.width() + kPositionSlider << "\r\n\r\n";
    d << "[Gauge Volume]\r\n";
    rect(kVolume.left, kVolume.top, kVolume.width(), kVolume.height());
    d << "Bitmap=" << kFolder << "Volume.bmp\r\nWidthSlider=" << kVolumeSlider
      << "\r\nHeightSlider=" << kVolume.height() << "\r\nNormalSliderX=" << kVolume.width()
      << "\r\nNormalSliderY=0\r\nMovingSliderX=" << kVolume.width() + kVolumeSlider
      << "\r\nMovingSliderY=0\r\nOrientation=0\r\n\r\n";
    d << "[Time]\r\nBitmap=" << kFolder << "Numbers.bmp\r\n";
    for (int i = 0; i < 4; ++i)
        d << "Pos" << i + 1 << "X=" << kDigitX[i] << "\r\nPos" << i + 1 << "Y=" << kDigitTop << "\r\n";
    d << "PosMX=" << kMinusX << "\r\nPosMY=" << kDigitTop << "\r\n\r\n";
    d << "[Label SongName]\r\nLeft=98\r\nTop=33\r\nWidth=205\r\nHeight=16\r\nUse LEDs=1\r\nDigiSize X=3\r\n"
         "DigiSize Y=5\r\nActive Color=$"
      << std::hex << std::uppercase << kLit << "\r\nInactive Color=$" << kLedUnlit << std::dec << "\r\n\r\n";
    d << "[Visualization]\r\nLeft=0\r\nTop=0\r\nWidth=0\r\nHeight=0\r\n";
    return d.str();
}

}  // namespace

bool writeTumborR(const std::string& folder) {
    bool ok = save(folder, "back.bmp", background());
    ok = ok && save(folder, "Numbers.bmp", digitStrip());
    ok = ok && save(folder, "posbar.bmp", positionBar());
    ok = ok && save(folder, "Volume.bmp", volumeBar());
    ok = ok && writeButtons(folder) && writeToggles(folder);
    ok = ok && window::bmpSave(window::joinPath(folder, window::kDesignEqualizerPicture), equalizerPicture());
    std::ofstream design(window::joinPath(folder, "TumborR.design"), std::ios::binary);
    design << designText();
    return ok && static_cast<bool>(design);
}

}  // namespace tumbor::tools
