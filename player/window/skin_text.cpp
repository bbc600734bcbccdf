// The character map of skin font pictures.
#include "player/window/skin_text.h"

#include <cstring>

#include "platform/unicode_text.h"

namespace tumbor::window {

constexpr int kCellWidth = 5;
constexpr int kCellHeight = 6;

namespace {

// The letters of U+00C0 to U+00FF without their accents; '?' where there is none.
constexpr char kLatin1Letters[] = "AAAAAAACEEEEIIIIDNOOOOO?OUUUUY?saaaaaaaceeeeiiiidnooooo?ouuuuy?y";

// A character the font has no cell for is shown as its plain letter, or as '?'.
char32_t substituteFor(char32_t code) {
    if (code < 0x80) return code;
    if (code >= 0xC0 && code <= 0xFF) return static_cast<unsigned char>(kLatin1Letters[code - 0xC0]);
    return '?';
}

}  // namespace

SkinCell skinCellOf(char32_t character) {
    const int code = static_cast<int>(substituteFor(character));
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
