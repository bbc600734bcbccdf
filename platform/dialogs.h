// Message boxes and the file-open dialog: the windows the stream libraries and
// the player's portable code ask for. Texts and paths are UTF-8.
#pragma once

#include <string>

namespace platform {

enum class MessageButtons { ok, okCancel, yesNo };
enum class MessageIcon { none, information, warning, error, question };
enum class MessageAnswer { ok, cancel, yes, no };

struct MessageBoxRequest {
    void* owner = nullptr;  // owning window, or none
    std::string text;
    std::string caption;
    MessageButtons buttons = MessageButtons::ok;
    MessageIcon icon = MessageIcon::none;
};

// Shows the box modally and returns the button pressed.
MessageAnswer showMessageBox(const MessageBoxRequest& request);

// The file-open dialog with a filter written as "Name|pattern|...||", without
// the read-only box. True with the chosen file's path, false when cancelled.
bool chooseFileToOpen(void* owner, const std::string& filter, std::string& path);

}  // namespace platform
