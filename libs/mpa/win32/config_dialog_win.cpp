// The "MPG config" dialog: quality and channel radio buttons.
#include <windows.h>

#include "libs/mpa/mpa_control_ids.h"
#include "libs/mpa/mpa_dialogs.h"
#include "libs/common/win32/dialog_support_win.h"

namespace tumbor {
namespace {

struct ConfigDialog {
    MpaSettings settings;
};

void checkRadio(HWND dialog, int control) {
    if (control) CheckDlgButton(dialog, control, BST_CHECKED);
}

INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = dialogData<ConfigDialog>(dialog, message, lParam);
    switch (message) {
        case WM_INITDIALOG:
            checkRadio(dialog, qualityRadioFor(data->settings.quality));
            checkRadio(dialog, channelRadioFor(data->settings.stereo));
            return TRUE;
        case WM_COMMAND:
            return handleOkCancel(dialog, wParam, [&] {
                data->settings = settingsFromRadios(data->settings, [dialog](int control) {
                    return IsDlgButtonChecked(dialog, control) == BST_CHECKED;
                });
            });
    }
    return FALSE;
}

}  // namespace

bool showConfigDialog(void* libraryInstance, MpaSettings& settings) {
    ConfigDialog data{settings};
    INT_PTR pressed = DialogBoxParamA(dialogInstance(libraryInstance), MAKEINTRESOURCEA(IDD_MPA_CONFIG),
                                      nullptr, configDialogProc, reinterpret_cast<LPARAM>(&data));
    if (pressed != IDOK) return false;
    settings = data.settings;
    return true;
}

}  // namespace tumbor
