// Message boxes through MessageBoxW, the file-open dialog through
// GetOpenFileNameW; texts and paths are UTF-8 on this side.
// commdlg.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include "platform/dialogs.h"
#include "platform/win32/wide_text.h"

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
    int pressed = MessageBoxW(static_cast<HWND>(request.owner), wideFromUtf8(request.text).c_str(),
                              wideFromUtf8(request.caption).c_str(),
                              buttonStyle(request.buttons) | iconStyle(request.icon));
    switch (pressed) {
        case IDCANCEL: return MessageAnswer::cancel;
        case IDYES: return MessageAnswer::yes;
        case IDNO: return MessageAnswer::no;
        default: return MessageAnswer::ok;
    }
}

bool chooseFileToOpen(void* owner, const std::string& filter, std::string& path) {
    std::wstring filterList = wideFromUtf8(filter);  // "|" separators become the dialog's zeros
    for (wchar_t& c : filterList)
        if (c == L'|') c = L'\0';
    wchar_t chosen[MAX_PATH] = L"";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = static_cast<HWND>(owner);
    dialog.lpstrFilter = filterList.c_str();
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = MAX_PATH;
    dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameW(&dialog)) return false;
    path = utf8FromWide(chosen, wcslen(chosen));
    return true;
}

}  // namespace platform
