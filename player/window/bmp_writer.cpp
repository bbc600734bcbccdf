// 24-bit BMP output: a 14-byte file header, a 40-byte information header and
// the rows exactly as the surface keeps them.
#include "player/window/bmp_writer.h"

#include <fstream>

namespace tumbor::window {
namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> bmpEncode(const Surface& picture) {
    const uint32_t dataSize = static_cast<uint32_t>(picture.stride()) * picture.height();
    std::vector<uint8_t> out;
    out.reserve(54 + dataSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + dataSize);  // file size
    put32(out, 0);              // reserved
    put32(out, 54);             // offset of the pixel data
    put32(out, 40);             // information header size
    put32(out, static_cast<uint32_t>(picture.width()));
    put32(out, static_cast<uint32_t>(picture.height()));
    put16(out, 1);   // planes
    put16(out, 24);  // bits per pixel
    put32(out, 0);   // no compression
    put32(out, dataSize);
    put32(out, 2835);  // 72 dots per inch
    put32(out, 2835);
    put32(out, 0);  // colours used
    put32(out, 0);  // important colours
    out.insert(out.end(), picture.bits(), picture.bits() + dataSize);
    return out;
}

bool bmpSave(const std::string& path, const Surface& picture) {
    std::vector<uint8_t> bytes = bmpEncode(picture);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

}  // namespace tumbor::window
