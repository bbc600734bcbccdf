// Operating a modal dialog from a helper thread while the test shows it, as
// a user would: find it by caption once shown, read and press its controls.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <thread>

namespace tumbor::testing {

// The dialog once it is shown: it exists a moment earlier, before its controls are made and set.
inline HWND waitForWindow(const char* caption) {
    for (int i = 0; i < 200; ++i) {
        HWND window = FindWindowA(nullptr, caption);
        if (window && IsWindowVisible(window)) return window;
        Sleep(25);
    }
    return nullptr;
}

inline std::string controlText(HWND dialog, int control) {
    char text[256] = {};
    GetDlgItemTextA(dialog, control, text, sizeof text);
    return text;
}

inline bool isChecked(HWND dialog, int control) {
    return SendDlgItemMessageA(dialog, control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

inline void press(HWND dialog, int control) { SendDlgItemMessageA(dialog, control, BM_CLICK, 0, 0); }

// Runs the user's actions on the dialog with the caption while show() runs.
template <typename Show>
void operate(const char* caption, const std::function<void(HWND)>& user, Show show) {
    std::thread helper([&] {
        HWND dialog = waitForWindow(caption);
        if (!dialog) {
            ADD_FAILURE() << "no window " << caption;
            return;
        }
        user(dialog);
    });
    show();
    helper.join();
}

}  // namespace tumbor::testing
