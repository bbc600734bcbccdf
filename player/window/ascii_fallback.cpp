// The table of plain letters for Latin-1 and Latin Extended-A, and the few
// typographic signs titles often carry.
#include "player/window/ascii_fallback.h"

namespace tumbor::window {
namespace {

// The letters of U+00C0 to U+017F without their accents; '?' where there is none.
constexpr char32_t kFirstLatinLetter = 0xC0;
constexpr char kLatinLetters[] =
    "AAAAAAACEEEEIIIIDNOOOOO?OUUUUY?saaaaaaaceeeeiiiidnooooo?ouuuuy?y"
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlL"
    "lLlNnNnNnnNnOoOoOoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
constexpr char32_t kLastLatinLetter = kFirstLatinLetter + sizeof kLatinLetters - 2;

struct Sign {
    char32_t first, last;
    char ascii;
};
constexpr Sign kSigns[] = {
    {0x00A0, 0x00A0, ' '}, {0x00AB, 0x00AB, '"'}, {0x00AD, 0x00AD, '-'},  {0x00B4, 0x00B4, '\''},
    {0x00BB, 0x00BB, '"'}, {0x2000, 0x200A, ' '}, {0x2010, 0x2015, '-'},  {0x2018, 0x201B, '\''},
    {0x201C, 0x201F, '"'}, {0x2026, 0x2026, '.'}, {0x2032, 0x2032, '\''}, {0x2212, 0x2212, '-'},
};

}  // namespace

char32_t asciiFallback(char32_t character) {
    if (character < 0x80) return character;
    if (character >= kFirstLatinLetter && character <= kLastLatinLetter)
        return static_cast<unsigned char>(kLatinLetters[character - kFirstLatinLetter]);
    for (const Sign& sign : kSigns)
        if (character >= sign.first && character <= sign.last) return static_cast<unsigned char>(sign.ascii);
    return '?';
}

}  // namespace tumbor::window
