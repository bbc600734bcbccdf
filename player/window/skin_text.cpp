// The character map of skin font pictures.
#include "player/window/skin_text.h"

#include <cstring>

namespace tumbor::window {

constexpr int kCellWidth = 5;
constexpr int kCellHeight = 6;

SkinCell skinCellOf(char c) {
    const unsigned char code = static_cast<unsigned char>(c);
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
    for (int k = 0; k < cells; ++k) {
        const SkinCell cell = k < static_cast<int>(text.size()) ? skinCellOf(text[k]) : SkinCell{};
        blit(target, x + kCellWidth * k, y, font, cell.column * kCellWidth, cell.row * kCellHeight,
             kCellWidth, kCellHeight);
    }
}

}  // namespace tumbor::window
