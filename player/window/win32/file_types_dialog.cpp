// The extension dialog's list box over the portable rules of file_types.h.
#include "player/window/win32/file_types_dialog.h"

#include <vector>

#include "player/engine/file_types.h"
#include "resources/player/resource_ids.h"

namespace tumbor::window::win32 {
namespace {

struct FileTypesDialog {
    const ModuleRegistry& modules;
    platform::FileTypeRegistry& registry;
    std::string programPath;
    std::vector<std::string> lines;
};

void fill(HWND dialog, FileTypesDialog& data) {
    HWND list = GetDlgItem(dialog, IDC_EXTENSIONS_LIST);
    data.lines = extensionLines(data.modules);
    for (size_t i = 0; i < data.lines.size(); ++i) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(data.lines[i].c_str()));
        const bool selected = startsSelected(extensionOfLine(data.lines[i]), data.registry);
        SendMessageA(list, LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(i));
    }
    SendMessageA(list, LB_SETCARETINDEX, 0, FALSE);
}

void registerChosen(HWND dialog, FileTypesDialog& data) {
    HWND list = GetDlgItem(dialog, IDC_EXTENSIONS_LIST);
    std::vector<std::string> extensions;
    for (size_t i = 0; i < data.lines.size(); ++i)
        if (SendMessageA(list, LB_GETSEL, i, 0) > 0) extensions.push_back(extensionOfLine(data.lines[i]));
    platform::MessageBoxRequest box =
        registrationReport(registerFileTypes(data.registry, data.programPath, extensions));
    box.owner = dialog;
    platform::showMessageBox(box);
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = reinterpret_cast<FileTypesDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            fill(dialog, *reinterpret_cast<FileTypesDialog*>(lParam));
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                registerChosen(dialog, *data);
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

void showFileTypesDialog(HWND owner, const ModuleRegistry& modules, platform::FileTypeRegistry& registry,
                         const std::string& programPath) {
    FileTypesDialog data{modules, registry, programPath, {}};
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EXTENSIONS), owner, dialogProc,
                    reinterpret_cast<LPARAM>(&data));
}

}  // namespace tumbor::window::win32
