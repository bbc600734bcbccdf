// The reader of Windows BMP pictures: 1, 4 and 8 bits with colour tables,
// 8-bit run-length, 16-bit 5-5-5 and 24-bit, stored bottom-up. Any short read or
// any other kind of file is a failure; there is never a partial picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "player/window/surface.h"

namespace tumbor::window {

// Reads the file into picture (replacing it); false when the file cannot be
// opened or read, leaving picture empty.
bool bmpLoad(const std::string& path, Surface& picture);

// The same from bytes already in memory.
bool bmpDecode(const uint8_t* data, size_t size, Surface& picture);

}  // namespace tumbor::window
