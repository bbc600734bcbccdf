// The player's dialogs over the common dialogs, the shell and the .rc templates.
#include "player/window/win32/player_dialogs.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

#include "platform/code_page.h"
#include "platform/dynamic_library.h"
#include "platform/win32/wide_text.h"
#include "resources/player/resource_ids.h"

namespace tumbor::window::win32 {
namespace {

constexpr DWORD kOpenBufferLength = 32768;
constexpr int kMaxLocationLength = 260;

// "Name|pattern|...||" with the separators turned into the dialog's zeros.
std::wstring filterList(const std::string& filter) {
    std::wstring list = platform::wideFromUtf8(filter);
    for (wchar_t& c : list)
        if (c == L'|') c = L'\0';
    return list;
}

std::string withBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

std::string utf8FromWide(const wchar_t* text) { return platform::utf8FromWide(text, wcslen(text)); }

}  // namespace

bool chooseFilesToOpen(HWND owner, const OpenFilesRequest& request, OpenFilesResult& result) {
    const std::wstring filters = filterList(request.filter);
    const std::wstring startFolder = platform::wideFromUtf8(request.folder);
    std::vector<wchar_t> buffer(kOpenBufferLength, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(request.filterIndex);
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = kOpenBufferLength;
    dialog.lpstrInitialDir = startFolder.empty() ? nullptr : startFolder.c_str();
    dialog.Flags =
        OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&dialog)) return false;

    // One file: its full path. Several: the folder, then each name, each ended by a zero.
    const size_t firstLength = wcslen(buffer.data());
    const std::string first = utf8FromWide(buffer.data());
    result.files.clear();
    if (dialog.nFileOffset > 0 && dialog.nFileOffset <= firstLength) {
        result.files.push_back(first);
        result.folder = utf8FromWide(std::wstring(buffer.data(), dialog.nFileOffset).c_str());
    } else {
        result.folder = withBackslash(first);
        for (const wchar_t* name = buffer.data() + firstLength + 1; *name; name += wcslen(name) + 1)
            result.files.push_back(result.folder + utf8FromWide(name));
    }
    result.filterIndex = static_cast<int>(dialog.nFilterIndex);
    return !result.files.empty();
}

bool choosePlaylistToSave(HWND owner, const std::string& folder, std::string& path) {
    // UTF-8 M3U8 first: it keeps every name and title.
    const std::wstring filters = filterList("Playlists (*.m3u8;*.m3u;*.pls)|*.m3u8;*.m3u;*.pls||");
    const std::wstring startFolder = platform::wideFromUtf8(folder);
    std::vector<wchar_t> chosen(kOpenBufferLength, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.lpstrFile = chosen.data();
    dialog.nMaxFile = kOpenBufferLength;
    dialog.lpstrInitialDir = startFolder.empty() ? nullptr : startFolder.c_str();
    dialog.lpstrDefExt = L"m3u8";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&dialog)) return false;
    path = utf8FromWide(chosen.data());
    return true;
}

namespace {

struct LocationDialog {
    std::string text;               // in: the last location; out: the one entered (UTF-8)
    const char* caption = nullptr;  // UTF-8; null: the template's own
};

INT_PTR CALLBACK locationDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = reinterpret_cast<LocationDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            data = reinterpret_cast<LocationDialog*>(lParam);
            SendDlgItemMessageA(dialog, IDC_LOCATION_TEXT, EM_LIMITTEXT, kMaxLocationLength, 0);
            SetDlgItemTextW(dialog, IDC_LOCATION_TEXT, platform::wideFromUtf8(data->text).c_str());
            if (data->caption) SetWindowTextW(dialog, platform::wideFromUtf8(data->caption).c_str());
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                wchar_t text[kMaxLocationLength + 1] = L"";
                const UINT length = GetDlgItemTextW(dialog, IDC_LOCATION_TEXT, text, kMaxLocationLength + 1);
                data->text = platform::utf8FromWide(text, length);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

bool runLocationDialog(HWND owner, LocationDialog& data) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LOCATION), owner,
                           locationDialogProc, reinterpret_cast<LPARAM>(&data)) == IDOK;
}

}  // namespace

bool askForLocation(HWND owner, std::string& location) {
    LocationDialog data{location};
    if (!runLocationDialog(owner, data)) return false;
    location = data.text;
    return true;
}

bool askForText(HWND owner, const char* caption, std::string& text) {
    LocationDialog data{text, caption};
    if (!runLocationDialog(owner, data)) return false;
    text = data.text;
    return true;
}

namespace {

// Selects the folder the chooser was opened with once it is ready.
int CALLBACK selectStartFolder(HWND browser, UINT message, LPARAM, LPARAM start) {
    if (message == BFFM_INITIALIZED && start) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, start);
    return 0;
}

}  // namespace

bool chooseFolder(HWND owner, const char* title, std::string& folder) {
    wchar_t path[MAX_PATH] = L"";
    const std::wstring start = platform::wideFromUtf8(folder);
    const std::wstring caption = platform::wideFromUtf8(title);
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.pszDisplayName = path;
    browse.lpszTitle = caption.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    if (!start.empty()) {
        browse.lpfn = selectStartFolder;
        browse.lParam = reinterpret_cast<LPARAM>(start.c_str());
    }
    LPITEMIDLIST item = SHBrowseForFolderW(&browse);
    if (!item) return false;
    const bool found = SHGetPathFromIDListW(item, path) != FALSE;
    CoTaskMemFree(item);
    if (!found) return false;
    folder = utf8FromWide(path);
    return true;
}

bool chooseFolder(HWND owner, std::string& folder) {
    std::string chosen;
    if (!chooseFolder(owner, "Choose directory:", chosen)) return false;
    folder = chosen;
    return true;
}

namespace {

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            HICON icon = reinterpret_cast<HICON>(GetClassLongPtrA(GetWindow(dialog, GW_OWNER), GCLP_HICON));
            if (!icon) icon = LoadIcon(nullptr, IDI_APPLICATION);
            SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

void showAboutBox(HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner, aboutDialogProc, 0);
}

void showHelpFile(HWND owner) {
    const std::string help = platform::programFolder() + "Tumbor.html";
    ShellExecuteW(owner, L"open", platform::wideFromUtf8(help).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace tumbor::window::win32
