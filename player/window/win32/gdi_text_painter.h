// Text through GDI: the part of the surface under the text goes into a DIB
// section, the text is drawn there with the font, and the pixels come back.
#pragma once

#include <map>
#include <tuple>

#include "player/window/text_painter.h"
#include "player/window/win32/gdi_objects.h"

namespace tumbor::window::win32 {

class GdiTextPainter : public TextPainter {
public:
    int verticalDpi() const override;
    void drawText(Surface& target, const Rect& rect, const std::string& text, const FontSpec& font,
                  Colour colour, TextLayout layout) override;

private:
    HFONT fontFor(const FontSpec& wanted);

    using FontKey = std::tuple<std::string, int, bool, bool>;
    std::map<FontKey, GdiObject<HFONT>> fonts_;
};

}  // namespace tumbor::window::win32
