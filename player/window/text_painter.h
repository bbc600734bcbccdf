// The seam for text: fonts and text drawn into a surface. The window system
// draws it on Windows; the native build has a stand-in that records the calls.
#pragma once

#include <string>

#include "player/window/surface.h"

namespace tumbor::window {

struct FontSpec {
    std::string face;
    int height = 0;  // in pixels, negative for a character height as the window system takes it
    bool bold = false;
    bool italic = false;
};

// The font of a size in points on a screen of dpi dots per inch vertically.
FontSpec makeFont(const std::string& face, int points, bool bold, bool italic, int dpi);

enum class TextLayout {
    centredLine,     // centred horizontally and vertically on one line
    centredWrapped,  // centred horizontally, broken at words
};

class TextPainter {
public:
    virtual ~TextPainter() = default;
    virtual int verticalDpi() const = 0;
    // Draws text with a transparent background into rect of target, within its clip.
    virtual void drawText(Surface& target, const Rect& rect, const std::string& text, const FontSpec& font,
                          Colour colour, TextLayout layout) = 0;
};

}  // namespace tumbor::window
