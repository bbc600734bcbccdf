// System menus built from the player's menu tables, with their check marks.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "player/engine/menus.h"

namespace tumbor::window::win32 {

using IsChecked = std::function<bool(MenuCommand)>;

// A pop-up menu, or a menu bar when bar is true; the caller owns it.
HMENU buildMenu(const std::vector<MenuEntry>& entries, const IsChecked& isChecked, bool bar = false);

// Shows a pop-up menu at a screen point, left-aligned, tracking the right
// button when rightButton is true; the command chosen, or none.
MenuCommand trackMenu(HWND owner, const std::vector<MenuEntry>& entries, const IsChecked& isChecked,
                      POINT screen, bool rightButton);

}  // namespace tumbor::window::win32
