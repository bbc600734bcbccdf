// Pixel operations on the window's 24-bit pictures.
#include "player/window/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tumbor::window {

Rect intersect(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.empty()) return Rect{};
    return r;
}

Surface::Surface(int width, int height) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return;
    width_ = width;
    height_ = height;
    stride_ = (width * 3 + 3) & ~3;
    clip_ = bounds();
    pixels_.assign(static_cast<size_t>(stride_) * height, 0);
}

Colour Surface::pixel(int x, int y) const {
    if (!bounds().contains(x, y)) return 0;
    const uint8_t* p = row(y) + x * 3;
    return rgb(p[2], p[1], p[0]);
}

void Surface::setPixel(int x, int y, Colour colour) {
    if (!clip_.contains(x, y)) return;
    uint8_t* p = row(y) + x * 3;
    p[0] = static_cast<uint8_t>(blueOf(colour));
    p[1] = static_cast<uint8_t>(greenOf(colour));
    p[2] = static_cast<uint8_t>(redOf(colour));
}

void Surface::fillRect(const Rect& rect, Colour colour) {
    Rect area = intersect(rect, clip_);
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) setPixel(x, y, colour);
}

void blit(Surface& target, int x, int y, const Surface& source, int sourceX, int sourceY, int width,
          int height) {
    // The part of the block that lies inside the source, in target coordinates.
    Rect fromSource{x + std::max(0, -sourceX), y + std::max(0, -sourceY),
                    x + std::min(width, source.width() - sourceX),
                    y + std::min(height, source.height() - sourceY)};
    Rect area = intersect(fromSource, target.clip());
    if (area.empty()) return;
    const size_t bytes = static_cast<size_t>(area.width()) * 3;
    for (int ty = area.top; ty < area.bottom; ++ty) {
        const uint8_t* from = source.row(sourceY + ty - y) + (sourceX + area.left - x) * 3;
        std::memmove(target.row(ty) + area.left * 3, from, bytes);
    }
}

Surface copyArea(const Surface& source, int x, int y, int width, int height) {
    Surface copy(width, height);
    if (!copy.empty()) blit(copy, 0, 0, source, x, y, width, height);
    return copy;
}

void keyColourTransparency(Surface& image, const Surface& backBuffer, int x, int y, int width, int height) {
    if (image.empty()) return;
    constexpr Colour kMask = 0xF8F8F8;
    const Colour key = image.pixel(0, 0) & kMask;
    width = std::min(width, image.width());
    height = std::min(height, image.height());
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            if ((image.pixel(i, j) & kMask) == key) image.setPixel(i, j, backBuffer.pixel(x + i, y + j));
}

void drawLine(Surface& target, int x0, int y0, int x1, int y1, Colour colour) {
    if (x0 == x1 && y0 == y1) return;
    // Straight lines are rectangles one pixel thick, clipped at once.
    if (y0 == y1) {
        target.fillRect(Rect{std::min(x0, x1 + 1), y0, std::max(x0 + 1, x1), y0 + 1}, colour);
        return;
    }
    if (x0 == x1) {
        target.fillRect(Rect{x0, std::min(y0, y1 + 1), x0 + 1, std::max(y0 + 1, y1)}, colour);
        return;
    }
    const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const int stepX = x0 < x1 ? 1 : -1, stepY = y0 < y1 ? 1 : -1;
    int error = dx - dy;
    while (x0 != x1 || y0 != y1) {
        target.setPixel(x0, y0, colour);
        const int twice = 2 * error;
        if (twice > -dy) {
            error -= dy;
            x0 += stepX;
        }
        if (twice < dx) {
            error += dx;
            y0 += stepY;
        }
    }
}

}  // namespace tumbor::window
