// The WindowModel: everything a design file or a skin says about the window —
// size and outline, background, the 21 controls with their images, the gauges,
// the labels, the time display — and the back buffer they are composed into.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "player/window/surface.h"
#include "player/window/text_painter.h"

namespace tumbor::window {

enum Control {
    kPlay = 1,
    kStop,
    kPause,
    kSongInformation,
    kDiskOperations,
    kOptions,
    kAbout,
    kHelp,
    kRewind,
    kFastForward,
    kPreviousSong,
    kNextSong,
    kClose,
    kMinimize,
    kRepeat,
    kShuffle,
    kEq,
    kPlaylist,
    kSongPosition,
    kPlaylistPosition,
    kVolume
};
constexpr int kControlCount = 21;
constexpr int kMaxShapePoints = 2048;
constexpr Colour kGaugeKeyColour = 0x776212;

struct ControlSlot {
    std::string name;
    bool twoState = false;
    int onState = 0;
    bool hot = false;
    int left = -1, top = -1, height = -1, width = -1;
    int sourceX = -1, sourceY = -1;
    std::array<Surface, 3> images;       // states 1 normal, 2 hot, 3 pressed
    std::array<std::string, 3> bitmaps;  // bitmap1..bitmap3 file names
    std::string caption;
    bool transparency = true;

    bool contains(int x, int y) const {
        return x >= left && x <= left + width - 1 && y >= top && y <= top + height - 1;
    }
};

struct GaugeStyle {
    Colour foreground = 0;
    Colour background = 0xFFFFFF;
    bool hasBitmap = false;
    int sliderWidth = 0, sliderHeight = 0;
    int normalSliderX = 0, normalSliderY = 0;
    int movingSliderX = 0, movingSliderY = 0;
    std::string bitmap;
    int orientation = 0;  // 0 horizontal, otherwise vertical
};

struct LabelStyle {
    // As written in the file; the rectangle is made from them when the section ends.
    int givenLeft = -1, givenTop = -1, givenWidth = -1, givenHeight = -1;
    int left = -1, top = -1, right = -1, bottom = -1;
    Colour colour = 0;
    int fontSize = 8;
    bool bold = false, italic = false;
    std::string fontName;
    bool useLeds = false;
    int ledSizeX = 8, ledSizeY = 5;
    Colour ledActive = 0x80FF80;
    Colour ledInactive = 0x008000;
    FontSpec font;

    bool used() const { return 0 <= top && top < bottom && 0 <= left && left < right; }
};

struct TimeDisplay {
    std::array<int, 4> x{}, y{};  // minutes tens, minutes units, seconds tens, seconds units
    int minusX = -1, minusY = -1;
    std::string bitmap;
    Surface strip;
    int cellWidth = 0, cellHeight = 0;

    bool hasMinus() const { return minusX >= 0 && minusY >= 0; }
};

struct Point {
    int x = 0, y = 0;
};

enum class LookKind { none, design, skin };

struct WindowModel {
    // [general]
    int windowHeight = -1, windowWidth = -1;
    int hideBorder = -1;
    bool useShape = false;
    int shapePointCount = 0;
    std::vector<Point> shape = std::vector<Point>(kMaxShapePoints);
    Colour gradientFrom = 0, gradientTo = 0;
    std::string backgroundBitmap, backgroundMode, designer;
    // [global gauge settings]
    bool showShadow = false;
    int shadowOffsetX = 0, shadowOffsetY = 0;
    Colour shadowColour = 0;
    // [global button settings]
    std::string buttonFontName;
    Colour buttonFontColour = 0;
    int buttonFontSize = 8;
    bool buttonFontBold = false, buttonFontItalic = false, showBevel = false;
    FontSpec buttonFont;

    std::array<ControlSlot, kControlCount + 1> controls;  // index 0 unused
    GaugeStyle songPosition, playlistPosition, volume;
    LabelStyle songName, logo;
    TimeDisplay time;
    Rect visualization;

    // The window outline: the polygon when it has at least two points, else
    // the rectangle of the window.
    std::vector<Point> outline;

    Surface backBuffer;
    Surface labelBackground;  // the back buffer under the song-name label, before any title
    Surface skinFont;         // Text.bmp of a skin
    LookKind kind = LookKind::none;

    WindowModel() { nameControls(); }
    // Back to the state before any load: defaults, no images, nothing loaded.
    void reset() { *this = WindowModel(); }

    ControlSlot& control(int number) { return controls[number]; }
    const ControlSlot& control(int number) const { return controls[number]; }
    GaugeStyle& gauge(int number);
    const GaugeStyle& gauge(int number) const { return const_cast<WindowModel*>(this)->gauge(number); }

private:
    void nameControls();
};

// Draws control n (1..21) in state 1, 2 or 3 into the back buffer: a missing
// hot picture draws the normal one; a two-state button that is on shows the
// picture one width to the right. Returns false when nothing was drawn.
bool drawControl(WindowModel& model, int n, int state);

}  // namespace tumbor::window
