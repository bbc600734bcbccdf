// The "Information viewer": the song's name and message lines. The library
// remembers the open window so that closing the song can dismiss it.
#include <windows.h>

#include <atomic>
#include <memory>
#include <type_traits>

#include "libs/common/win32/dialog_support_win.h"
#include "libs/trk/trk_control_ids.h"
#include "libs/trk/trk_dialogs.h"

namespace tumbor::trk {
namespace {

const size_t kNameShown = 127;
const WPARAM kNameLimit = 128;
const WPARAM kMessageExtent = 2000;
const DWORD kClosePollMs = 10;

// Set while the window exists; read from other threads by closeSongInfo.
std::atomic<HWND> openWindow{nullptr};

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

struct SongInfoDialog {
    const SongInfoText& info;
    FontHandle fixedFont;  // outlives the controls that use it
};

// The template names a fixed-pitch face, but where that face is missing the
// font mapper substitutes any face of that size; asking by pitch as well
// keeps the columns of the message lines aligned.
void useFixedPitch(HWND dialog, SongInfoDialog& data) {
    LOGFONTA font{};
    if (!GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font))
        return;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    data.fixedFont.reset(CreateFontIndirectA(&font));
    if (!data.fixedFont) return;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(data.fixedFont.get()), FALSE);
}

void fillSongInfo(HWND dialog, const SongInfoText& info) {
    SendDlgItemMessageA(dialog, IDC_TRK_SONG_NAME, EM_LIMITTEXT, kNameLimit, 0);
    SetDlgItemTextA(dialog, IDC_TRK_SONG_NAME, info.name.substr(0, kNameShown).c_str());
    HWND list = GetDlgItem(dialog, IDC_TRK_SONG_MESSAGE);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, kMessageExtent, 0);
    for (const std::string& line : info.lines) {
        bool blank = !line.empty() && static_cast<unsigned char>(line[0]) == 0xFF;
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(blank ? "" : line.c_str()));
    }
}

INT_PTR CALLBACK songInfoProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = dialogData<SongInfoDialog>(dialog, message, lParam);
    switch (message) {
        case WM_INITDIALOG:
            useFixedPitch(dialog, *data);
            fillSongInfo(dialog, data->info);
            openWindow.store(dialog);
            return TRUE;
        case WM_COMMAND:
            return handleOkCancel(dialog, wParam, [] {});
        case WM_DESTROY: {
            // Only this window's own mark: another may have been opened since.
            HWND self = dialog;
            openWindow.compare_exchange_strong(self, nullptr);
            return FALSE;
        }
    }
    return FALSE;
}

}  // namespace

void showSongInfo(void* owner, void* libraryInstance, const SongInfoText& info) {
    SongInfoDialog data{info, nullptr};
    DialogBoxParamA(dialogInstance(libraryInstance), MAKEINTRESOURCEA(IDD_TRK_SONG_INFO),
                    static_cast<HWND>(owner), songInfoProc, reinterpret_cast<LPARAM>(&data));
}

bool songInfoOpen() { return openWindow.load() != nullptr; }

void closeSongInfo() {
    HWND window = openWindow.load();
    if (!window) return;
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        // Called from inside the window's own modal loop: waiting would hold
        // up the loop that has to close it. It goes once control returns there.
        EndDialog(window, IDCANCEL);
        return;
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    while (openWindow.load() == window && IsWindow(window)) Sleep(kClosePollMs);
}

}  // namespace tumbor::trk
