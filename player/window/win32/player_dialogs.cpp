// The player's dialogs over the common dialogs, the shell and the .rc templates.
#include "player/window/win32/player_dialogs.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

#include "platform/dynamic_library.h"
#include "resources/player/resource_ids.h"

namespace tumbor::window::win32 {
namespace {

constexpr DWORD kOpenBufferLength = 32768;
constexpr int kMaxLocationLength = 260;

// "Name|pattern|...||" with the separators turned into the dialog's zero bytes.
std::string filterList(const std::string& filter) {
    std::string list = filter;
    for (char& c : list)
        if (c == '|') c = '\0';
    return list;
}

std::string withBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

}  // namespace

bool chooseFilesToOpen(HWND owner, const OpenFilesRequest& request, OpenFilesResult& result) {
    const std::string filters = filterList(request.filter);
    std::vector<char> buffer(kOpenBufferLength, '\0');
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(request.filterIndex);
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = kOpenBufferLength;
    dialog.lpstrInitialDir = request.folder.empty() ? nullptr : request.folder.c_str();
    dialog.Flags =
        OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&dialog)) return false;

    // One file: its full path. Several: the folder, then each name, each ended by a zero byte.
    const std::string first = buffer.data();
    result.files.clear();
    if (dialog.nFileOffset > 0 && dialog.nFileOffset <= first.size()) {
        result.files.push_back(first);
        result.folder = first.substr(0, dialog.nFileOffset);
    } else {
        result.folder = withBackslash(first);
        for (const char* name = buffer.data() + first.size() + 1; *name; name += std::strlen(name) + 1)
            result.files.push_back(result.folder + name);
    }
    result.filterIndex = static_cast<int>(dialog.nFilterIndex);
    return !result.files.empty();
}

bool choosePlaylistToSave(HWND owner, const std::string& folder, std::string& path) {
    const std::string filters = filterList("Playlists (*.m3u;*.pls)|*.pls;*.m3u||");
    char chosen[MAX_PATH] = "";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = sizeof chosen;
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrDefExt = "pls";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&dialog)) return false;
    path = chosen;
    return true;
}

namespace {

struct LocationDialog {
    std::string text;  // in: the last location; out: the one entered
};

INT_PTR CALLBACK locationDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = reinterpret_cast<LocationDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            data = reinterpret_cast<LocationDialog*>(lParam);
            SendDlgItemMessageA(dialog, IDC_LOCATION_TEXT, EM_LIMITTEXT, kMaxLocationLength, 0);
            SetDlgItemTextA(dialog, IDC_LOCATION_TEXT, data->text.c_str());
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                char text[kMaxLocationLength + 1] = "";
                GetDlgItemTextA(dialog, IDC_LOCATION_TEXT, text, sizeof text);
                data->text = text;
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

}  // namespace

bool askForLocation(HWND owner, std::string& location) {
    LocationDialog data{location};
    if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LOCATION), owner, locationDialogProc,
                        reinterpret_cast<LPARAM>(&data)) != IDOK)
        return false;
    location = data.text;
    return true;
}

namespace {

// Selects the folder the chooser was opened with once it is ready.
int CALLBACK selectStartFolder(HWND browser, UINT message, LPARAM, LPARAM start) {
    if (message == BFFM_INITIALIZED && start) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, start);
    return 0;
}

}  // namespace

bool chooseFolder(HWND owner, const char* title, std::string& folder) {
    char path[MAX_PATH] = "";
    const std::string start = folder;
    BROWSEINFOA browse{};
    browse.hwndOwner = owner;
    browse.pszDisplayName = path;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    if (!start.empty()) {
        browse.lpfn = selectStartFolder;
        browse.lParam = reinterpret_cast<LPARAM>(start.c_str());
    }
    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    if (!item) return false;
    const bool found = SHGetPathFromIDListA(item, path) != FALSE;
    CoTaskMemFree(item);
    if (!found) return false;
    folder = path;
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
    ShellExecuteA(owner, "open", help.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace tumbor::window::win32
