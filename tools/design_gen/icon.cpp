// Drawing the program's icon and the tray buttons' icons, and writing them as icon files.
#include "tools/design_gen/icon.h"

#include <cstdint>
#include <fstream>
#include <vector>

#include "player/window/bmp_writer.h"
#include "player/window/file_names.h"
#include "tools/design_gen/paint.h"

namespace tumbor::tools {
namespace {

using window::put16;
using window::put32;

constexpr int kSize = 32;
constexpr int kTraySize = 16;
constexpr Colour kPanel = 0x0D1B23;   // the display's dark brown
constexpr Colour kLight = 0x5CE1FF;   // the LED yellow
constexpr Colour kOpaque = 0xFFFFFF;  // full coverage in the mask picture

// The icon file: header, one directory entry, then the image as a bottom-up
// 32-bit bitmap of twice the height (colour rows, then the 1-bit mask rows,
// each padded to 4 bytes). The picture is square, 16 or 32 pixels.
std::vector<uint8_t> iconFile(const Surface& picture, const Surface& coverage) {
    const int size = picture.width();
    const uint32_t maskRowBytes = 4;  // up to 32 pixels, one bit each
    const uint32_t imageBytes = 40 + size * size * 4 + size * maskRowBytes;
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1);  // an icon
    put16(out, 1);  // one image
    out.insert(out.end(), {static_cast<uint8_t>(size), static_cast<uint8_t>(size), 0, 0});
    put16(out, 1);   // planes
    put16(out, 32);  // bits per pixel
    put32(out, imageBytes);
    put32(out, 6 + 16);
    put32(out, 40);
    put32(out, size);
    put32(out, size * 2);
    put16(out, 1);
    put16(out, 32);
    for (int i = 0; i < 6; ++i) put32(out, 0);
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const Colour colour = picture.pixel(x, y);
            out.push_back(static_cast<uint8_t>(colour >> 16));  // blue
            out.push_back(static_cast<uint8_t>(colour >> 8));
            out.push_back(static_cast<uint8_t>(colour));
            out.push_back(static_cast<uint8_t>(coverage.pixel(x, y)));  // alpha
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        uint32_t bits = 0;  // set bits are transparent
        for (int x = 0; x < size; ++x)
            if ((coverage.pixel(x, y) & 0xFF) < 128) bits |= 0x80000000u >> x;
        out.insert(out.end(), {static_cast<uint8_t>(bits >> 24), static_cast<uint8_t>(bits >> 16),
                               static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits)});
    }
    return out;
}

bool writeFile(const std::string& path, const Surface& picture, const Surface& coverage) {
    const std::vector<uint8_t> bytes = iconFile(picture, coverage);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

// The glyphs of the tray buttons, in the 16-pixel square.
struct TrayGlyph {
    const char* file;
    std::vector<Shape> shapes;
};

std::vector<TrayGlyph> trayGlyphs() {
    return {
        {"TrayPlay.ico", {triangle(5, 3, 5, 13, 13, 8)}},
        {"TrayStop.ico", {roundedRect(4, 4, 12, 12, 1)}},
        {"TrayPause.ico", {roundedRect(4, 4, 7, 12, 0), roundedRect(9, 4, 12, 12, 0)}},
        {"TrayPrevious.ico", {roundedRect(3, 4, 5, 12, 0), triangle(13, 3, 13, 13, 5, 8)}},
        {"TrayNext.ico", {triangle(3, 3, 3, 13, 11, 8), roundedRect(11, 4, 13, 12, 0)}},
    };
}

}  // namespace

bool writeIcon(const std::string& path) {
    Surface picture(kSize, kSize), coverage(kSize, kSize);
    const Shape panel = roundedRect(1, 1, kSize - 1, kSize - 1, 6);
    paintShape(picture, 0, 0, kSize, kSize, panel, kPanel);
    paintShape(coverage, 0, 0, kSize, kSize, panel, kOpaque);
    paintShape(picture, 0, 0, kSize, kSize, triangle(11, 8, 11, 24, 24, 16), kLight);
    return writeFile(path, picture, coverage);
}

bool writeTrayIcons(const std::string& folder) {
    bool ok = true;
    for (const TrayGlyph& glyph : trayGlyphs()) {
        Surface picture(kTraySize, kTraySize), coverage(kTraySize, kTraySize);
        const Shape panel = roundedRect(0, 0, kTraySize, kTraySize, 3);
        paintShape(picture, 0, 0, kTraySize, kTraySize, panel, kPanel);
        paintShape(coverage, 0, 0, kTraySize, kTraySize, panel, kOpaque);
        for (const Shape& shape : glyph.shapes)
            paintShape(picture, 0, 0, kTraySize, kTraySize, shape, kLight);
        ok = writeFile(window::joinPath(folder, glyph.file), picture, coverage) && ok;
    }
    return ok;
}

}  // namespace tumbor::tools
