// The default design "TumborR": its design file and its 37 pictures (the equalizer window's among them), drawn
// from the layout in tumborr.cpp.
#pragma once

#include <string>

namespace tumbor::tools {

// Writes folder/TumborR.design and the pictures into folder/Designs/TumborR/
// (which must exist). False on a write failure.
bool writeTumborR(const std::string& folder);

}  // namespace tumbor::tools
