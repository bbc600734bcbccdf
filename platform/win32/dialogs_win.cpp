// Message boxes through the Windows MessageBoxA call.
#include <windows.h>

#include "platform/dialogs.h"

namespace platform {
namespace {

UINT buttonStyle(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::okCancel: return MB_OKCANCEL;
        case MessageButtons::yesNo: return MB_YESNO;
        case MessageButtons::ok: break;
    }
    return MB_OK;
}

UINT iconStyle(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::information: return MB_ICONINFORMATION;
        case MessageIcon::warning: return MB_ICONWARNING;
        case MessageIcon::error: return MB_ICONERROR;
        case MessageIcon::question: return MB_ICONQUESTION;
        case MessageIcon::none: break;
    }
    return 0;
}

}  // namespace

MessageAnswer showMessageBox(const MessageBoxRequest& request) {
    int pressed = MessageBoxA(static_cast<HWND>(request.owner), request.text.c_str(),
                              request.caption.c_str(),
                              buttonStyle(request.buttons) | iconStyle(request.icon));
    switch (pressed) {
        case IDCANCEL: return MessageAnswer::cancel;
        case IDYES: return MessageAnswer::yes;
        case IDNO: return MessageAnswer::no;
        default: return MessageAnswer::ok;
    }
}

}  // namespace platform
