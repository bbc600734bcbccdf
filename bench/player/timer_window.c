/* A window with a 20 ms timer that does nothing on its ticks, for SECONDS
 * seconds: what the player's display timer costs under Wine by itself, the
 * reference for the player's CPU while it sits stopped.
 *   usage: timer_window SECONDS */
#include <stdlib.h>
#include <windows.h>

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

int main(int argc, char** argv) {
    DWORD seconds = argc > 1 ? (DWORD)atoi(argv[1]) : 20;
    WNDCLASSA windowClass = {0};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "TimerWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("TimerWindow", "Timer window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 275, 116,
                                NULL, NULL, windowClass.hInstance, NULL);
    SetTimer(window, 1, 20, NULL);
    DWORD started = GetTickCount();
    MSG message;
    while (GetTickCount() - started < seconds * 1000 && GetMessageA(&message, NULL, 0, 0))
        DispatchMessageA(&message);
    return 0;
}
