// Fills the WindowModel from the pictures of a classic skin (a folder or a
// ".wsz" archive): fixed rectangles cut out of main.bmp, CButtons.bmp,
// TitleBar.bmp and the others.
#pragma once

#include <string>

#include "player/window/skin_source.h"
#include "player/window/window_model.h"

namespace tumbor::window {

constexpr int kSkinWidth = 275;
constexpr int kSkinHeight = 116;

// From the skin at path, a folder or an archive file (openSkinSource). False
// when it or any of its nine pictures cannot be read; the model must then be
// reset by the caller.
bool skinLoad(const std::string& path, WindowModel& model);
bool skinLoad(SkinSource& source, WindowModel& model);

}  // namespace tumbor::window
