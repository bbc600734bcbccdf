// The 24-bit pictures the window is made of: the back buffer, every control
// image, the digit strip and the skin font. Pixels are kept in the layout of a
// bottom-up device-independent bitmap (blue, green, red; rows padded to four
// bytes; the bottom row first) so the window can hand them to the screen as they
// are. Coordinates in the interface are top-down, (0,0) being the top-left pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tumbor::window {

// A colour as the window system writes it: red in the low byte, then green, then blue.
using Colour = uint32_t;

constexpr Colour rgb(int red, int green, int blue) {
    return static_cast<Colour>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16);
}
constexpr int redOf(Colour c) { return c & 0xFF; }
constexpr int greenOf(Colour c) { return (c >> 8) & 0xFF; }
constexpr int blueOf(Colour c) { return (c >> 16) & 0xFF; }

// Left and top inclusive, right and bottom exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

Rect intersect(const Rect& a, const Rect& b);

class Surface {
public:
    // The largest picture side the window accepts; bigger files are refused.
    static constexpr int kMaxSide = 8192;

    Surface() = default;
    // A black picture; sides outside 1..kMaxSide give an empty surface.
    Surface(int width, int height);

    bool empty() const { return width_ == 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return stride_; }
    Rect bounds() const { return Rect{0, 0, width_, height_}; }

    // The bottom-up pixel memory, as a device-independent bitmap holds it.
    uint8_t* bits() { return pixels_.data(); }
    const uint8_t* bits() const { return pixels_.data(); }
    // Row y counted from the top.
    uint8_t* row(int y) { return pixels_.data() + static_cast<size_t>(height_ - 1 - y) * stride_; }
    const uint8_t* row(int y) const {
        return pixels_.data() + static_cast<size_t>(height_ - 1 - y) * stride_;
    }

    // Reading outside the picture gives black.
    Colour pixel(int x, int y) const;
    // Drawing ignores points outside the clip rectangle.
    void setPixel(int x, int y, Colour colour);
    void fill(Colour colour) { fillRect(bounds(), colour); }
    void fillRect(const Rect& rect, Colour colour);

    // Every later drawing into this surface stays inside clip (and the picture).
    void setClip(const Rect& clip) { clip_ = intersect(clip, bounds()); }
    const Rect& clip() const { return clip_; }

private:
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    Rect clip_;
    std::vector<uint8_t> pixels_;
};

// Copies the width x height block at (sourceX, sourceY) of source to (x, y) of
// target. Parts outside the source or outside the target's clip are left out.
void blit(Surface& target, int x, int y, const Surface& source, int sourceX, int sourceY, int width,
          int height);

// A new width x height picture holding source's block at (x, y); parts outside
// the source are black.
Surface copyArea(const Surface& source, int x, int y, int width, int height);

// The key colour is image's pixel (0,0). Every pixel (i, j) of the width x height
// block whose colour matches the key in the top five bits of each channel takes
// the back buffer's pixel at (x + i, y + j), so the window background shows through.
void keyColourTransparency(Surface& image, const Surface& backBuffer, int x, int y, int width, int height);

// A one-pixel line from (x0, y0) up to, not including, (x1, y1).
void drawLine(Surface& target, int x0, int y0, int x1, int y1, Colour colour);

}  // namespace tumbor::window
