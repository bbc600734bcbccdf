// Snapping a window to the edges of the work area at the end of a drag.
#pragma once

#include "player/window/surface.h"

namespace tumbor::window {

constexpr int kSnapDistance = 24;

struct Position {
    int x = 0;
    int y = 0;
};

// The window's new top-left corner: each edge less than kSnapDistance pixels
// from the same edge of the work area moves onto it (left, top, then right,
// then bottom); a window whose left or top edge lies at or beyond the work
// area's right or bottom edge comes back to 0.
Position snapToWorkArea(const Rect& window, const Rect& workArea);

}  // namespace tumbor::window
