// The "Mixing module player" dialog: quality, channel, interpolation and bit
// radio buttons, the ramping box and the stereo separation.
#include <windows.h>

#include <algorithm>
#include <climits>

#include "libs/common/win32/dialog_support_win.h"
#include "libs/trk/trk_control_ids.h"
#include "libs/trk/trk_dialogs.h"

namespace tumbor::trk {
namespace {

struct ConfigDialog {
    TrkSettings settings;
};

INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = dialogData<ConfigDialog>(dialog, message, lParam);
    switch (message) {
        case WM_INITDIALOG:
            for (int control : radiosFor(data->settings)) CheckDlgButton(dialog, control, BST_CHECKED);
            SetDlgItemInt(dialog, IDC_TRK_SEPARATION,
                          static_cast<UINT>(separationWithinRange(data->settings.stereoSeparation)), FALSE);
            return TRUE;
        case WM_COMMAND:
            return handleOkCancel(dialog, wParam, [&] {
                BOOL isNumber = FALSE;
                const UINT typed = GetDlgItemInt(dialog, IDC_TRK_SEPARATION, &isNumber, FALSE);
                // An empty or unreadable box keeps the separation as it was.
                const int separation = isNumber ? static_cast<int>(std::min<UINT>(typed, INT_MAX))
                                                : data->settings.stereoSeparation;
                data->settings = settingsFromRadios(
                    data->settings,
                    [dialog](int control) { return IsDlgButtonChecked(dialog, control) == BST_CHECKED; },
                    separation);
            });
    }
    return FALSE;
}

}  // namespace

bool showConfigDialog(void* libraryInstance, TrkSettings& settings) {
    ConfigDialog data{settings};
    INT_PTR pressed = DialogBoxParamA(dialogInstance(libraryInstance), MAKEINTRESOURCEA(IDD_TRK_CONFIG),
                                      nullptr, configDialogProc, reinterpret_cast<LPARAM>(&data));
    if (pressed != IDOK) return false;
    settings = data.settings;
    return true;
}

}  // namespace tumbor::trk
