// Edge snapping.
#include "player/window/window_snap.h"

#include <cstdlib>

namespace tumbor::window {

Position snapToWorkArea(const Rect& window, const Rect& workArea) {
    const int width = window.width(), height = window.height();
    Position to{window.left, window.top};
    if (std::abs(to.x - workArea.left) < kSnapDistance) to.x = workArea.left;
    if (std::abs(to.y - workArea.top) < kSnapDistance) to.y = workArea.top;
    if (std::abs(to.x + width - workArea.right) < kSnapDistance) to.x = workArea.right - width;
    if (std::abs(to.y + height - workArea.bottom) < kSnapDistance) to.y = workArea.bottom - height;
    if (to.x >= workArea.right) to.x = 0;
    if (to.y >= workArea.bottom) to.y = 0;
    return to;
}

}  // namespace tumbor::window
