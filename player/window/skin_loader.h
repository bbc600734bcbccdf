// Fills the WindowModel from a folder of classic skin pictures: fixed
// rectangles cut out of main.bmp, CButtons.bmp, TitleBar.bmp and the others.
#pragma once

#include <string>

#include "player/window/window_model.h"

namespace tumbor::window {

constexpr int kSkinWidth = 275;
constexpr int kSkinHeight = 116;

// False when the folder or any of its nine pictures cannot be read; the model
// must then be reset by the caller.
bool skinLoad(const std::string& folder, WindowModel& model);

}  // namespace tumbor::window
