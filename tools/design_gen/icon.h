// The program's icon: a 32 x 32 picture in the colours of the default design.
#pragma once

#include <string>

namespace tumbor::tools {

// Writes the icon file (one 32-bit image with its mask). False when it cannot be written.
bool writeIcon(const std::string& path);

}  // namespace tumbor::tools
