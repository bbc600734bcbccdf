// Message boxes, the one kind of window the stream libraries and the player's
// portable code ask for.
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

}  // namespace platform
