// Copies a back buffer to a window's device context, as much as the client area shows.
#pragma once

#include <windows.h>

#include "player/window/surface.h"

namespace tumbor::window::win32 {

void paintSurface(HWND window, HDC dc, const Surface& back);

}  // namespace tumbor::window::win32
