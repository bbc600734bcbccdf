// A classic skin folder for tests: the nine pictures in their usual sizes,
// every pixel coding which picture it belongs to and where it lies, so a test
// can tell from a window pixel where it was copied from.
#pragma once

#include <string>

#include "player/window/surface.h"

namespace tumbor::tools {

// The pixel at (x, y) of picture number id (0 main, 1 CButtons, 2 TitleBar,
// 3 Posbar, 4 Volume, 5 MonoSter, 6 ShufRep, 7 Text, 8 Numbers).
window::Colour testSkinPixel(int id, int x, int y);

// Writes the nine pictures into folder (which must exist); false on a write failure.
bool writeTestSkin(const std::string& folder);

}  // namespace tumbor::tools
