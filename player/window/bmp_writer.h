// Writes 24-bit BMP files: the design generator's pictures and test inputs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/window/surface.h"

namespace tumbor::window {

// Appends a 16- or 32-bit value in little-endian byte order (the low 16 or 32 bits of v).
void put16(std::vector<uint8_t>& out, uint32_t v);
void put32(std::vector<uint8_t>& out, uint32_t v);

// The 14-byte file header and 40-byte information header of a picture whose
// colour table and pixels (payloadSize bytes in all) follow right after them.
std::vector<uint8_t> bmpHeaders(int width, int height, int bitCount, uint32_t compression,
                                uint32_t coloursUsed, uint32_t payloadSize);

// The whole file: headers and the picture's bottom-up rows.
std::vector<uint8_t> bmpEncode(const Surface& picture);
bool bmpSave(const std::string& path, const Surface& picture);

}  // namespace tumbor::window
