// Writes 24-bit BMP files: the design generator's pictures and test inputs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/window/surface.h"

namespace tumbor::window {

// The whole file: headers and the picture's bottom-up rows.
std::vector<uint8_t> bmpEncode(const Surface& picture);
bool bmpSave(const std::string& path, const Surface& picture);

}  // namespace tumbor::window
