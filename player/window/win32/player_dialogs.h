// The player's own dialogs: the open-files and save dialogs, the add-location
// dialog, the folder chooser, the about box and the help file.
#pragma once

#include <windows.h>

#include <string>

#include "player/engine/player_shell.h"

namespace tumbor::window::win32 {

// The multiple-selection open dialog; false when cancelled.
bool chooseFilesToOpen(HWND owner, const OpenFilesRequest& request, OpenFilesResult& result);
// The playlist save dialog starting in folder; false when cancelled.
bool choosePlaylistToSave(HWND owner, const std::string& folder, std::string& path);
// The one-field location dialog, preset with location; false when cancelled.
bool askForLocation(HWND owner, std::string& location);
// The same one-field dialog under another caption, preset with text (UTF-8); false when cancelled.
bool askForText(HWND owner, const char* caption, std::string& text);
// The shell's folder chooser for file-system folders; false when cancelled.
bool chooseFolder(HWND owner, std::string& folder);
// The same with a title, opened on folder (which becomes the one chosen).
bool chooseFolder(HWND owner, const char* title, std::string& folder);
void showAboutBox(HWND owner);
// Opens the help file beside the program at its main topic.
void showHelpFile(HWND owner);

}  // namespace tumbor::window::win32
