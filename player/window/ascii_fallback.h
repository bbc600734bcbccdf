// The character a bitmap font of ASCII glyphs (the LED title, a skin's
// Text.bmp) shows in place of any other.
#pragma once

namespace tumbor::window {

// ASCII stays as it is; an accented Latin letter becomes its plain letter,
// typographic dashes, quotes and blanks their ASCII kin; everything else '?'.
char32_t asciiFallback(char32_t character);

}  // namespace tumbor::window
