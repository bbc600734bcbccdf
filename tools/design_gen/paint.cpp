// The generator's integer drawing.
#include "tools/design_gen/paint.h"

#include <cstring>

namespace tumbor::tools {

Colour mix(Colour from, Colour to, int amount, int total) {
    auto channel = [&](int a, int b) { return a + (b - a) * amount / total; };
    return window::rgb(channel(window::redOf(from), window::redOf(to)),
                       channel(window::greenOf(from), window::greenOf(to)),
                       channel(window::blueOf(from), window::blueOf(to)));
}

void paintShape(Surface& target, int x0, int y0, int x1, int y1, const Shape& shape, Colour colour) {
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            int covered = 0;
            for (int j = 0; j < kSub; ++j)
                for (int i = 0; i < kSub; ++i) covered += shape(x * kSub + i, y * kSub + j) ? 1 : 0;
            if (covered) target.setPixel(x, y, mix(target.pixel(x, y), colour, covered, kSub * kSub));
        }
    }
}

Shape roundedRect(int left, int top, int right, int bottom, int radius) {
    return [=](int sx, int sy) {
        // Sample centres in doubled sub-pixel units, so no fractions are needed.
        const int px = 2 * sx + 1, py = 2 * sy + 1;
        const int l = 2 * kSub * left, t = 2 * kSub * top, r = 2 * kSub * right, b = 2 * kSub * bottom;
        const int rad = 2 * kSub * radius;
        if (px < l || px >= r || py < t || py >= b) return false;
        const int cx = px < l + rad ? l + rad : px > r - rad ? r - rad : px;
        const int cy = py < t + rad ? t + rad : py > b - rad ? b - rad : py;
        const int dx = px - cx, dy = py - cy;
        return dx * dx + dy * dy <= rad * rad;
    };
}

Shape triangle(int ax, int ay, int bx, int by, int cx, int cy) {
    return [=](int sx, int sy) {
        const int px = 2 * sx + 1, py = 2 * sy + 1, k = 2 * kSub;
        auto edge = [&](int x0, int y0, int x1, int y1) {
            return (x1 * k - x0 * k) * (py - y0 * k) - (y1 * k - y0 * k) * (px - x0 * k);
        };
        const int e0 = edge(ax, ay, bx, by), e1 = edge(bx, by, cx, cy), e2 = edge(cx, cy, ax, ay);
        return (e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0);
    };
}

void verticalGradient(Surface& target, int left, int top, int right, int bottom, Colour topColour,
                      Colour bottomColour) {
    const int span = bottom - top > 1 ? bottom - top - 1 : 1;
    for (int y = top; y < bottom; ++y)
        target.fillRect(window::Rect{left, y, right, y + 1}, mix(topColour, bottomColour, y - top, span));
}

void drawTinyText(Surface& target, int x, int y, const char* text, Colour colour) {
    struct Glyph {
        char c;
        const char* rows[5];
    };
    static const Glyph kGlyphs[] = {
        {'E', {"###", "#..", "##.", "#..", "###"}}, {'Q', {".#.", "#.#", "#.#", "##.", ".##"}},
        {'P', {"##.", "#.#", "##.", "#..", "#.."}}, {'L', {"#..", "#..", "#..", "#..", "###"}},
        {'R', {"##.", "#.#", "##.", "#.#", "#.#"}}, {'N', {"#.#", "###", "###", "#.#", "#.#"}},
        {'D', {"##.", "#.#", "#.#", "#.#", "##."}}, {'S', {".##", "#..", ".#.", "..#", "##."}},
        {'H', {"#.#", "#.#", "###", "#.#", "#.#"}}, {'U', {"#.#", "#.#", "#.#", "#.#", "###"}},
        {'F', {"###", "#..", "##.", "#..", "#.."}}, {'A', {".#.", "#.#", "###", "#.#", "#.#"}},
        {'O', {".#.", "#.#", "#.#", "#.#", ".#."}}, {'T', {"###", ".#.", ".#.", ".#.", ".#."}},
        {'I', {"###", ".#.", ".#.", ".#.", "###"}}, {'Z', {"###", "..#", ".#.", "#..", "###"}},
        {'K', {"#.#", "#.#", "##.", "#.#", "#.#"}}, {'0', {"###", "#.#", "#.#", "#.#", "###"}},
        {'1', {".#.", "##.", ".#.", ".#.", "###"}}, {'2', {"##.", "..#", ".#.", "#..", "###"}},
        {'3', {"##.", "..#", ".#.", "..#", "##."}}, {'4', {"#.#", "#.#", "###", "..#", "..#"}},
        {'6', {".##", "#..", "###", "#.#", "###"}}, {'7', {"###", "..#", ".#.", ".#.", ".#."}},
    };
    for (size_t k = 0; k < std::strlen(text); ++k) {
        for (const Glyph& g : kGlyphs) {
            if (g.c != text[k]) continue;
            for (int row = 0; row < 5; ++row)
                for (int col = 0; col < 3; ++col)
                    if (g.rows[row][col] == '#')
                        target.setPixel(x + 4 * static_cast<int>(k) + col, y + row, colour);
        }
    }
}

}  // namespace tumbor::tools
