// Integer-only drawing for the design generator: shapes are sampled 4 x 4
// times per pixel and blended by coverage, so the pictures come out smooth
// and exactly the same on every machine.
#pragma once

#include <functional>

#include "player/window/surface.h"

namespace tumbor::tools {

using window::Colour;
using window::Surface;

constexpr int kSub = 4;  // samples per pixel side

// A shape as a test of sample points in units of 1/kSub pixel.
using Shape = std::function<bool(int sx, int sy)>;

Colour mix(Colour from, Colour to, int amount, int total);

// Blends colour over the pixels of target within [x0, x1) x [y0, y1) by how much of each the shape covers.
void paintShape(Surface& target, int x0, int y0, int x1, int y1, const Shape& shape, Colour colour);

// A rounded rectangle of whole pixels (corner radius in pixels).
Shape roundedRect(int left, int top, int right, int bottom, int radius);
// A triangle through three points given in pixels.
Shape triangle(int ax, int ay, int bx, int by, int cx, int cy);

// A vertical gradient from top colour to bottom colour over rows top..bottom-1, within [left, right).
void verticalGradient(Surface& target, int left, int top, int right, int bottom, Colour topColour,
                      Colour bottomColour);

// Tiny 3 x 5 capitals and digits for the labels; only the characters the design uses.
void drawTinyText(Surface& target, int x, int y, const char* text, Colour colour);

}  // namespace tumbor::tools
