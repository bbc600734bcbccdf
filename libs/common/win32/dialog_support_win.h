// What the libraries' dialogs share: where their templates live, how a
// dialog finds its data, and the OK and Cancel buttons.
#pragma once

#include <windows.h>

namespace tumbor {

// The handle the player gave, or else the handle of the module holding this code.
inline HINSTANCE dialogInstance(void* given) {
    if (given) return static_cast<HINSTANCE>(given);
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&dialogInstance), &self);
    return self;
}

// The dialog's data: attached from WM_INITDIALOG's lParam, then looked up.
template <typename Data>
Data* dialogData(HWND dialog, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
    return reinterpret_cast<Data*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

// OK (or Save) takes the dialog's values with accept and closes with IDOK;
// Cancel and the close box close with IDCANCEL. False for other commands.
template <typename Accept>
bool handleOkCancel(HWND dialog, WPARAM wParam, Accept accept) {
    switch (LOWORD(wParam)) {
        case IDOK:
            accept();
            EndDialog(dialog, IDOK);
            return true;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return true;
    }
    return false;
}

}  // namespace tumbor
