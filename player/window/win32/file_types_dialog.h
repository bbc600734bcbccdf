// The extension registration dialog "Register Extensions": the extensions of
// the playlists and of every registered module, preselected unless already
// the player's; OK registers the chosen ones and reports how it went.
#pragma once

#include <windows.h>

#include <string>

#include "platform/shell_integration.h"
#include "player/engine/module_registry.h"

namespace tumbor::window::win32 {

// Shows the dialog modally; programPath is the program the file type opens.
void showFileTypesDialog(HWND owner, const ModuleRegistry& modules, platform::FileTypeRegistry& registry,
                         const std::string& programPath);

}  // namespace tumbor::window::win32
