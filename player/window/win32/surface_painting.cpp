// The back buffer's bottom-up rows go to the screen as they are.
#include "player/window/win32/surface_painting.h"

namespace tumbor::window::win32 {

void paintSurface(HWND window, HDC dc, const Surface& back) {
    if (back.empty()) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = back.width();
    info.bmiHeader.biHeight = back.height();  // bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    RECT client;
    GetClientRect(window, &client);
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(client.right), static_cast<DWORD>(client.bottom), 0,
                      back.height() - client.bottom, 0, static_cast<UINT>(back.height()), back.bits(), &info,
                      DIB_RGB_COLORS);
}

}  // namespace tumbor::window::win32
