// The wizard's pages: each a modal dialog with no owner whose buttons end it
// with the value the wizard's course expects. They are Unicode dialogs; paths
// are UTF-8 on the wizard's side.
#include "installer/win32/setup_pages.h"

#include <commctrl.h>
#include <shlobj.h>

#include "installer/setup_paths.h"
#include "installer/win32/setup_ids.h"
#include "platform/win32/wide_text.h"

namespace tumbor::installer::win32 {
namespace {

constexpr int kPathLimit = MAX_PATH - 1;  // what the edit holds and the browser is given

HINSTANCE instance() { return GetModuleHandleW(nullptr); }

std::string itemText(HWND dialog, int control) {
    wchar_t text[MAX_PATH] = L"";
    const UINT length = GetDlgItemTextW(dialog, control, text, MAX_PATH);
    return platform::utf8FromWide(text, length);
}

void setItemText(HWND dialog, int control, const std::string& text) {
    SetDlgItemTextW(dialog, control, platform::wideFromUtf8(text).c_str());
}

// The path of a folder the browser names, or "" when it is no file-system folder.
std::string pathOfItem(LPCITEMIDLIST item) {
    wchar_t folder[MAX_PATH] = L"";
    return SHGetPathFromIDListW(item, folder) ? platform::utf8FromWide(folder, wcslen(folder))
                                              : std::string();
}

// The dialog's data pointer, attached at WM_INITDIALOG.
template <typename Data>
Data* attached(HWND dialog, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    return reinterpret_cast<Data*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

INT_PTR show(int page, DLGPROC procedure, LPARAM data) {
    return DialogBoxParamW(instance(), MAKEINTRESOURCEW(page), nullptr, procedure, data);
}

INT_PTR CALLBACK welcomeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dialog, kWelcomeInstall);
            return TRUE;
        case IDC_UPDATE:
            EndDialog(dialog, kWelcomeUpdate);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, kWelcomeCancel);
            return TRUE;
    }
    return FALSE;
}

// The folder browser of "Change path": its status line shows where Tumbor would go.
int CALLBACK browseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
    } else if (message == BFFM_SELCHANGED) {
        const std::string folder = pathOfItem(reinterpret_cast<LPCITEMIDLIST>(lParam));
        if (!folder.empty()) {
            const std::wstring status = platform::wideFromUtf8(pathInFolder(folder));
            SendMessageW(browser, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(status.c_str()));
        }
    }
    return 0;
}

void changePath(HWND dialog) {
    const std::wstring current = platform::wideFromUtf8(itemText(dialog, IDC_PATH));
    wchar_t display[MAX_PATH] = L"";
    BROWSEINFOW browse{};
    browse.hwndOwner = dialog;
    browse.pszDisplayName = display;
    browse.lpszTitle = L"Choose installation path:";
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    browse.lpfn = browseCallback;
    browse.lParam = reinterpret_cast<LPARAM>(current.c_str());
    LPITEMIDLIST item = SHBrowseForFolderW(&browse);
    if (!item) return;
    const std::string folder = pathOfItem(item);
    if (!folder.empty()) setItemText(dialog, IDC_PATH, pathInFolder(folder));
    CoTaskMemFree(item);
}

struct InstallPage {
    const std::string& proposed;
    const std::function<bool(const std::string&)>& accept;
};

INT_PTR CALLBACK installProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* page = attached<InstallPage>(dialog, message, lParam);
    if (message == WM_INITDIALOG) {
        SendDlgItemMessageW(dialog, IDC_PATH, EM_LIMITTEXT, kPathLimit, 0);
        setItemText(dialog, IDC_PATH, page->proposed);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK:
            // The error boxes come from accept; the page stays open after one.
            if (page->accept(itemText(dialog, IDC_PATH))) EndDialog(dialog, kPageNext);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, kPageBack);
            return TRUE;
        case IDC_CHANGE_PATH:
            changePath(dialog);
            return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK noEarlierProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, kPageNext);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK updateProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* folder = attached<const std::string>(dialog, message, lParam);
    if (message == WM_INITDIALOG) {
        SetDlgItemTextW(dialog, IDC_PATH, platform::wideFromUtf8(*folder).substr(0, MAX_PATH).c_str());
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dialog, kPageNext);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, kPageBack);
            return TRUE;
    }
    return FALSE;
}

constexpr struct {
    int control;
    bool FinishOptions::*option;
} kFinishBoxes[] = {{IDC_PROGRAM_ENTRY, &FinishOptions::programEntry},
                    {IDC_DESKTOP_ICON, &FinishOptions::desktopIcon},
                    {IDC_START_PLAYER, &FinishOptions::startPlayer}};

INT_PTR CALLBACK finishProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* options = attached<FinishOptions>(dialog, message, lParam);
    if (message == WM_INITDIALOG) {
        for (const auto& box : kFinishBoxes)
            CheckDlgButton(dialog, box.control, options->*box.option ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK:
            for (const auto& box : kFinishBoxes)
                options->*box.option = IsDlgButtonChecked(dialog, box.control) == BST_CHECKED;
            EndDialog(dialog, kPageNext);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, kPageBack);
            return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK progressProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

void ProgressPage::open() {
    close();
    page_ = CreateDialogParamW(instance(), MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, progressProc, 0);
    shown_ = 0;
    if (!page_) return;
    SendDlgItemMessageA(page_, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    RECT desktop, page;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(page_, &page);
    const int width = page.right - page.left, height = page.bottom - page.top;
    SetWindowPos(page_, nullptr, (desktop.right - desktop.left - width) / 2,
                 (desktop.bottom - desktop.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(page_, SW_SHOW);
    UpdateWindow(page_);
}

void ProgressPage::setPercent(int percent) {
    // The bar is drawn anew only when it moves, not for every piece copied.
    if (!page_ || percent == shown_) return;
    shown_ = percent;
    SendDlgItemMessageA(page_, IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    // No message loop runs while files are copied: let the page paint itself.
    MSG message;
    while (PeekMessageW(&message, page_, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

void ProgressPage::close() {
    if (page_) DestroyWindow(page_);
    page_ = nullptr;
}

int DialogPages::welcome() { return static_cast<int>(show(IDD_WELCOME, welcomeProc, 0)); }

int DialogPages::install(const std::string& proposed, const std::function<bool(const std::string&)>& accept) {
    InstallPage page{proposed, accept};
    return static_cast<int>(show(IDD_INSTALL, installProc, reinterpret_cast<LPARAM>(&page)));
}

void DialogPages::noEarlierInstallation() { show(IDD_NO_EARLIER, noEarlierProc, 0); }

int DialogPages::update(const std::string& folder) {
    return static_cast<int>(show(IDD_UPDATE, updateProc, reinterpret_cast<LPARAM>(&folder)));
}

int DialogPages::finish(FinishOptions& options) {
    return static_cast<int>(show(IDD_FINISH, finishProc, reinterpret_cast<LPARAM>(&options)));
}

}  // namespace tumbor::installer::win32
