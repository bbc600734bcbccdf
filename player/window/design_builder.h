// Builds a parsed design: derived defaults, the back buffer with frame and
// background, the window outline, the gauges' and buttons' images, the label
// fonts and the time display's digit strip.
#pragma once

#include <functional>
#include <string>

#include "player/window/text_painter.h"
#include "player/window/window_model.h"

namespace tumbor::window {

// Reads the picture a design names (resolved against the design's folder).
using PictureReader = std::function<bool(const std::string& name, Surface& picture)>;

// False when the design gives no usable window size; the model then holds no
// back buffer and must be reset by the caller.
bool buildDesign(WindowModel& model, const PictureReader& readPicture, TextPainter& painter);

// A picture's pressed look: moved one pixel right and down, the uncovered left
// column and top row taken from the back buffer at (x, y) on.
void makePressedLook(Surface& image, const Surface& backBuffer, int x, int y);

}  // namespace tumbor::window
