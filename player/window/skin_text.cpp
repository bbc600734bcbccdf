// The character map of skin font pictures.
#include "player/window/skin_text.h"

#include <cstring>

#include "platform/unicode_text.h"
#include "player/window/ascii_fallback.h"

namespace tumbor::window {

constexpr int kCellWidth = 5;
constexpr int kCellHeight = 6;

SkinCell skinCellOf(char32_t character) {
    // The font's own letters beyond ASCII, in the first cells of row 2.
    switch (character) {
        case U'\u00C5':
        case U'\u00E5':
            return {0, 2};  // Å
        case U'\u00D6':
        case U'\u00F6':
            return {1, 2};  // Ö
        case U'\u00C4':
        case U'\u00E4':
            return {2, 2};  // Ä
        default:
            break;
    }
    const int code = static_cast<int>(asciiFallback(character));
    if (code >= 'A' && code <= 'Z') return {code - 'A', 0};
    if (code >= 'a' && code <= 'z') return {code - 'a', 0};
    if (code >= '0' && code <= '9') return {code - '0', 1};
    if (code == '"') return {26, 0};
    if (code == '?') return {3, 2};
    if (code == '[' || code == '{') return {22, 1};
    if (code == ']' || code == '}') return {23, 1};
    static const char kRow1From12[] = ":()-'!_+\\/";
    static const char kRow1From24[] = "^&%.=$";
    if (code != 0) {
        if (const char* at = std::strchr(kRow1From12, code))
            return {12 + static_cast<int>(at - kRow1From12), 1};
        if (const char* at = std::strchr(kRow1From24, code))
            return {24 + static_cast<int>(at - kRow1From24), 1};
    }
    return {};
}

void drawSkinText(Surface& target, const Surface& font, int x, int y, int right, const std::string& text) {
    const int cells = (right - x + 1) / kCellWidth;
    size_t at = 0;  // the text is UTF-8: one cell per character
    for (int k = 0; k < cells; ++k) {
        char32_t character = 0;
        if (at < text.size()) at += platform::decodeUtf8(text, at, character);
        const SkinCell cell = character ? skinCellOf(character) : SkinCell{};
        blit(target, x + kCellWidth * k, y, font, cell.column * kCellWidth, cell.row * kCellHeight,
             kCellWidth, kCellHeight);
    }
}

}  // namespace tumbor::window
