// Font sizes as the window system wants them.
#include "player/window/text_painter.h"

namespace tumbor::window {

FontSpec makeFont(const std::string& face, int points, bool bold, bool italic, int dpi) {
    return FontSpec{face, -(points * dpi / 72), bold, italic};
}

}  // namespace tumbor::window
