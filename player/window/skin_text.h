// Text written with a skin's font picture (Text.bmp, 5 by 6 pixel cells).
#pragma once

#include <string>

#include "player/window/surface.h"

namespace tumbor::window {

struct SkinCell {
    int column = 29, row = 0;
};

// The font cell of one character; accented Latin letters give their plain
// letter, other letters the font lacks '?', unknown signs the blank cell.
SkinCell skinCellOf(char32_t character);

// Fills (right - x + 1) / 5 cells from (x, y) on with the (UTF-8) text's characters,
// cutting a longer text and padding a shorter one with blank cells.
void drawSkinText(Surface& target, const Surface& font, int x, int y, int right, const std::string& text);

}  // namespace tumbor::window
