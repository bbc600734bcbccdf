// Titles written as a dot-matrix of LED segments: 13 one-pixel segments per
// cell, lit by a mask per character.
#pragma once

#include <cstdint>
#include <string>

#include "player/window/surface.h"

namespace tumbor::window {

struct LedStyle {
    int dotSizeX = 8, dotSizeY = 5;
    Colour active = 0x80FF80, inactive = 0x008000;
};

// The mask of lit segments for a character: ASCII 32..127 has its own, other
// characters take their ASCII fallback's; control codes below 32 light nothing.
uint16_t ledMaskOf(char32_t character);

// Writes the (UTF-8) text, one cell per character, into the rectangle from (left, top) to (right, ...) cell
// by cell; cells after the text's end stay unlit.
void drawLedText(Surface& target, int left, int top, int right, const std::string& text,
                 const LedStyle& style);

}  // namespace tumbor::window
