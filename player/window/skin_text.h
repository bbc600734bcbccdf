// Text written with a skin's font picture (Text.bmp, 5 by 6 pixel cells).
#pragma once

#include <string>

#include "player/window/surface.h"

namespace tumbor::window {

struct SkinCell {
    int column = 29, row = 0;
};

// The font cell of one character: its own for A, Ä, Å, Ö and the ASCII the
// font draws; other characters take their ASCII fallback (accented letters
// their plain letter, the rest '?'); unknown ASCII signs the blank cell.
SkinCell skinCellOf(char32_t character);

// Fills (right - x + 1) / 5 cells from (x, y) on with the (UTF-8) text's characters,
// cutting a longer text and padding a shorter one with blank cells.
void drawSkinText(Surface& target, const Surface& font, int x, int y, int right, const std::string& text);

}  // namespace tumbor::window
