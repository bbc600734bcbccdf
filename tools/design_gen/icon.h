// The program's icon, a 32 x 32 picture, and the tray buttons' 16 x 16 icons,
// in the colours of the default design.
#pragma once

#include <string>

namespace tumbor::tools {

// Writes the icon file (one 32-bit image with its mask). False when it cannot be written.
bool writeIcon(const std::string& path);
// Writes TrayPlay.ico, TrayStop.ico, TrayPause.ico, TrayPrevious.ico and
// TrayNext.ico into folder. False when one cannot be written.
bool writeTrayIcons(const std::string& folder);

}  // namespace tumbor::tools
