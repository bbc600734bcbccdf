// 24-bit BMP output: a 14-byte file header, a 40-byte information header and
// the rows exactly as the surface keeps them.
#include "player/window/bmp_writer.h"

#include <fstream>

#include "platform/utf8_files.h"

namespace tumbor::window {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::vector<uint8_t> bmpHeaders(int width, int height, int bitCount, uint32_t compression,
                                uint32_t coloursUsed, uint32_t payloadSize) {
    std::vector<uint8_t> out = {'B', 'M'};
    put32(out, 54 + payloadSize);  // file size
    put32(out, 0);                 // reserved
    put32(out, 54);                // offset of the pixel data
    put32(out, 40);                // information header size
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));
    put16(out, 1);  // planes
    put16(out, static_cast<uint32_t>(bitCount));
    put32(out, compression);
    put32(out, 0);     // image size, may be 0
    put32(out, 2835);  // 72 dots per inch
    put32(out, 2835);
    put32(out, coloursUsed);
    put32(out, 0);  // important colours
    return out;
}

std::vector<uint8_t> bmpEncode(const Surface& picture) {
    const uint32_t dataSize = static_cast<uint32_t>(picture.stride()) * picture.height();
    std::vector<uint8_t> out = bmpHeaders(picture.width(), picture.height(), 24, 0, 0, dataSize);
    if (dataSize) out.insert(out.end(), picture.bits(), picture.bits() + dataSize);
    return out;
}

bool bmpSave(const std::string& path, const Surface& picture) {
    std::vector<uint8_t> bytes = bmpEncode(picture);
    std::ofstream file(platform::fileSystemPath(path), std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

}  // namespace tumbor::window
