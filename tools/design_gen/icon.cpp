// Drawing the program's icon and writing it as an icon file.
#include "tools/design_gen/icon.h"

#include <cstdint>
#include <fstream>
#include <vector>

#include "player/window/bmp_writer.h"
#include "tools/design_gen/paint.h"

namespace tumbor::tools {
namespace {

using window::put16;
using window::put32;

constexpr int kSize = 32;
constexpr Colour kPanel = 0x0D1B23;   // the display's dark brown
constexpr Colour kLight = 0x5CE1FF;   // the LED yellow
constexpr Colour kOpaque = 0xFFFFFF;  // full coverage in the mask picture

// The icon file: header, one directory entry, then the image as a bottom-up
// 32-bit bitmap of twice the height (colour rows, then the 1-bit mask rows).
std::vector<uint8_t> iconFile(const Surface& picture, const Surface& coverage) {
    const uint32_t maskRowBytes = 4;  // 32 pixels, one bit each
    const uint32_t imageBytes = 40 + kSize * kSize * 4 + kSize * maskRowBytes;
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1);  // an icon
    put16(out, 1);  // one image
    out.insert(out.end(), {kSize, kSize, 0, 0});
    put16(out, 1);   // planes
    put16(out, 32);  // bits per pixel
    put32(out, imageBytes);
    put32(out, 6 + 16);
    put32(out, 40);
    put32(out, kSize);
    put32(out, kSize * 2);
    put16(out, 1);
    put16(out, 32);
    for (int i = 0; i < 6; ++i) put32(out, 0);
    for (int y = kSize - 1; y >= 0; --y) {
        for (int x = 0; x < kSize; ++x) {
            const Colour colour = picture.pixel(x, y);
            out.push_back(static_cast<uint8_t>(colour >> 16));  // blue
            out.push_back(static_cast<uint8_t>(colour >> 8));
            out.push_back(static_cast<uint8_t>(colour));
            out.push_back(static_cast<uint8_t>(coverage.pixel(x, y)));  // alpha
        }
    }
    for (int y = kSize - 1; y >= 0; --y) {
        uint32_t bits = 0;  // set bits are transparent
        for (int x = 0; x < kSize; ++x)
            if ((coverage.pixel(x, y) & 0xFF) < 128) bits |= 0x80000000u >> x;
        out.insert(out.end(), {static_cast<uint8_t>(bits >> 24), static_cast<uint8_t>(bits >> 16),
                               static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits)});
    }
    return out;
}

}  // namespace

bool writeIcon(const std::string& path) {
    Surface picture(kSize, kSize), coverage(kSize, kSize);
    const Shape panel = roundedRect(1, 1, kSize - 1, kSize - 1, 6);
    paintShape(picture, 0, 0, kSize, kSize, panel, kPanel);
    paintShape(coverage, 0, 0, kSize, kSize, panel, kOpaque);
    paintShape(picture, 0, 0, kSize, kSize, triangle(11, 8, 11, 24, 24, 16), kLight);
    const std::vector<uint8_t> bytes = iconFile(picture, coverage);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

}  // namespace tumbor::tools
