// The LED title: segment geometry and the 96 character masks.
#include "player/window/led_renderer.h"

#include <algorithm>

#include "platform/unicode_text.h"
#include "player/window/ascii_fallback.h"

namespace tumbor::window {
namespace {

// Segments lit for the codes 32..127 (bit numbers as in drawCell).
const uint16_t kMasks[96] = {
    0x0,    0x681,  0x18,   0x2B,   0x19F,  0x1F0A, 0x1E05, 0x10,   0x1400, 0xA00,  0x1E92, 0x92,
    0x80,   0x2,    0x1804, 0xC00,  0x16D,  0x520,  0x67,   0x127,  0x12A,  0x10F,  0x14F,  0x121,
    0x16F,  0x12F,  0x1E05, 0x1E05, 0x1400, 0x6,    0xA00,  0x489,  0x1FFF, 0x16B,  0x1B7,  0x4D,
    0x1B5,  0x4F,   0x4B,   0x14F,  0x16A,  0x90,   0x164,  0x144A, 0x4C,   0x768,  0x1368, 0x16D,
    0x6B,   0x116D, 0x106B, 0x10F,  0x91,   0x16C,  0xC48,  0x1968, 0x1E00, 0x680,  0xC05,  0x4D,
    0x1200, 0x125,  0x29,   0x4,    0x10,   0x16B,  0x1B7,  0x4D,   0x1B5,  0x4F,   0x4B,   0x14F,
    0x16A,  0x90,   0x164,  0x144A, 0x4C,   0x768,  0x1368, 0x16D,  0x6B,   0x116D, 0x106B, 0x10F,
    0x91,   0x16C,  0xC48,  0x1968, 0x1E00, 0x680,  0xC05,  0x1402, 0x90,   0xA02,  0x2,    0x1804};

struct Segment {
    int x0, y0, x1, y1;
};

void drawCell(Surface& target, int originX, int originY, uint16_t mask, const LedStyle& style) {
    const int m = style.dotSizeX + 2, h = style.dotSizeY + 2, o = 2 * h, r = m / 2;
    const Segment segments[13] = {{1, 0, m, 0},
                                  {1, h, m, h},
                                  {1, o, m, o},
                                  {0, 1, 0, h},
                                  {r, 1, r, h},
                                  {m, 1, m, h},
                                  {0, h + 1, 0, o},
                                  {r, h + 1, r, o},
                                  {m, h + 1, m, o},
                                  {1, 1, r, h},
                                  {m - 1, 1, r, h},
                                  {1, 2 * h - 1, r, h},
                                  {m - 1, 2 * h - 1, r, h}};
    for (int pass = 0; pass < 2; ++pass) {
        for (int bit = 0; bit < 13; ++bit) {
            if (pass == 1 && !(mask >> bit & 1)) continue;
            const Segment& s = segments[bit];
            drawLine(target, originX + s.x0, originY + s.y0, originX + s.x1, originY + s.y1,
                     pass == 0 ? style.inactive : style.active);
        }
    }
}

}  // namespace

uint16_t ledMaskOf(char32_t character) {
    const char32_t code = asciiFallback(character);
    if (code < 32 || code > 127) return 0;
    return kMasks[code - 32];
}

void drawLedText(Surface& target, int left, int top, int right, const std::string& text,
                 const LedStyle& given) {
    // Cells larger than the surface cannot be seen whole; keeping them to its
    // size bounds the work a strange design can ask for.
    LedStyle style = given;
    style.dotSizeX = std::min(style.dotSizeX, target.width());
    style.dotSizeY = std::min(style.dotSizeY, target.height());
    const int pitch = style.dotSizeX + 5;
    if (pitch <= 0) return;
    const int cells = (right - left + 1) / pitch;
    size_t at = 0;
    for (int k = 0; k < cells; ++k) {
        if (left + 1 + k * pitch - 2 >= target.width()) break;  // this and later cells are off the surface
        char32_t character = 0;
        if (at < text.size()) at += platform::decodeUtf8(text, at, character);
        const uint16_t mask = character ? ledMaskOf(character) : 0;
        drawCell(target, left + 1 + k * pitch, top + 1, mask, style);
    }
}

}  // namespace tumbor::window
