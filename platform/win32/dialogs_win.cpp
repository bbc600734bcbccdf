// Message boxes through MessageBoxA, the file-open dialog through GetOpenFileNameA.
#include <windows.h>
#include <commdlg.h>

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

bool chooseFileToOpen(void* owner, const std::string& filter, std::string& path) {
    std::string filterList = filter;  // "|" separators become the dialog's zero bytes
    for (char& c : filterList)
        if (c == '|') c = '\0';
    char chosen[MAX_PATH] = "";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = static_cast<HWND>(owner);
    dialog.lpstrFilter = filterList.c_str();
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = sizeof chosen;
    dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameA(&dialog)) return false;
    path = chosen;
    return true;
}

}  // namespace platform
