/* vis_scope: a visualization plug-in that draws the sound as an oscilloscope
   (left channel green, right yellow) above a spectrum analyser, in a window of
   its own. Plain C; the one export is winampVisGetHeader. */
#include <windows.h>

#include "vis/vis_plugin.h"

#define SCOPE_CLASS "VisScopeWindow"
#define SCOPE_CAPTION "Scope"

enum { kWidth = 384, kHeight = 256, kBins = 128 };

/* One module runs at a time, so its window lives in file-wide state. */
static HWND window;
static HDC backDc;
static HBITMAP backBitmap, oldBitmap;
static HPEN leftPen, rightPen, gridPen;
static HBRUSH barBrush, peakBrush;
static int closeAsked;
static unsigned char peaks[kBins];

static void drawScope(HDC dc, const winampVisModule* module, int top, int height) {
    POINT points[kWidth];
    int channel, x;
    HPEN old = (HPEN)SelectObject(dc, gridPen);
    MoveToEx(dc, 0, top + height / 2, NULL);
    LineTo(dc, kWidth, top + height / 2);
    for (channel = 0; channel < 2; ++channel) {
        SelectObject(dc, channel == 0 ? leftPen : rightPen);
        for (x = 0; x < kWidth; ++x) {
            /* Waveform bytes are signed samples. */
            const int sample = (signed char)module->waveformData[channel][x * 576 / kWidth];
            points[x].x = x;
            points[x].y = top + height / 2 - sample * (height / 2 - 1) / 128;
        }
        Polyline(dc, points, kWidth);
    }
    SelectObject(dc, old);
}

static void drawSpectrum(HDC dc, const winampVisModule* module, int top, int height) {
    const int barWidth = kWidth / kBins;
    int bin;
    for (bin = 0; bin < kBins; ++bin) {
        /* The host fills every fourth entry, one per frequency band. */
        const unsigned char level = module->spectrumData[0][bin * 4];
        const int barHeight = level * height / 255;
        RECT bar;
        if (level > peaks[bin])
            peaks[bin] = level;
        else if (peaks[bin] > 2)
            peaks[bin] = (unsigned char)(peaks[bin] - 2);
        else
            peaks[bin] = 0;
        SetRect(&bar, bin * barWidth, top + height - barHeight, bin * barWidth + barWidth - 1, top + height);
        FillRect(dc, &bar, barBrush);
        SetRect(&bar, bin * barWidth, top + height - peaks[bin] * height / 255 - 1,
                bin * barWidth + barWidth - 1, top + height - peaks[bin] * height / 255);
        FillRect(dc, &bar, peakBrush);
    }
}

static void showBackBuffer(void) {
    HDC dc = GetDC(window);
    BitBlt(dc, 0, 0, kWidth, kHeight, backDc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
}

static LRESULT CALLBACK scopeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd, &paint);
            if (backDc) BitBlt(dc, 0, 0, kWidth, kHeight, backDc, 0, 0, SRCCOPY);
            EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_CLOSE:
            /* The host ends the plug-in when the next render asks it to; quit destroys the window. */
            closeAsked = 1;
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

static void freeDrawing(void) {
    if (backDc) {
        SelectObject(backDc, oldBitmap);
        DeleteDC(backDc);
        backDc = NULL;
    }
    if (backBitmap) DeleteObject(backBitmap);
    if (leftPen) DeleteObject(leftPen);
    if (rightPen) DeleteObject(rightPen);
    if (gridPen) DeleteObject(gridPen);
    if (barBrush) DeleteObject(barBrush);
    if (peakBrush) DeleteObject(peakBrush);
    backBitmap = NULL;
    leftPen = rightPen = gridPen = NULL;
    barBrush = peakBrush = NULL;
}

static int VIS_CALL scopeInit(winampVisModule* module) {
    WNDCLASSA windowClass;
    RECT frame = {0, 0, kWidth, kHeight};
    HDC screen;
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    closeAsked = 0;
    ZeroMemory(peaks, sizeof peaks);
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.lpfnWndProc = scopeProc;
    windowClass.hInstance = (HINSTANCE)module->hDllInstance;
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.lpszClassName = SCOPE_CLASS;
    RegisterClassA(&windowClass);
    AdjustWindowRect(&frame, style, FALSE);
    window = CreateWindowA(SCOPE_CLASS, SCOPE_CAPTION, style, CW_USEDEFAULT, CW_USEDEFAULT,
                           frame.right - frame.left, frame.bottom - frame.top, NULL, NULL,
                           (HINSTANCE)module->hDllInstance, NULL);
    if (!window) return 1;
    screen = GetDC(window);
    backDc = CreateCompatibleDC(screen);
    backBitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    ReleaseDC(window, screen);
    oldBitmap = (HBITMAP)SelectObject(backDc, backBitmap);
    leftPen = CreatePen(PS_SOLID, 1, RGB(64, 255, 64));
    rightPen = CreatePen(PS_SOLID, 1, RGB(255, 224, 64));
    gridPen = CreatePen(PS_SOLID, 1, RGB(40, 40, 72));
    barBrush = CreateSolidBrush(RGB(64, 128, 255));
    peakBrush = CreateSolidBrush(RGB(255, 255, 255));
    PatBlt(backDc, 0, 0, kWidth, kHeight, BLACKNESS);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return 0;
}

static int VIS_CALL scopeRender(winampVisModule* module) {
    if (closeAsked) return 1;
    if (!window) return 1;
    PatBlt(backDc, 0, 0, kWidth, kHeight, BLACKNESS);
    if (module->spectrumNch > 0) {
        drawScope(backDc, module, 0, kHeight / 2);
        drawSpectrum(backDc, module, kHeight / 2, kHeight / 2);
    } else {
        drawScope(backDc, module, 0, kHeight);
    }
    showBackBuffer();
    return 0;
}

static void VIS_CALL scopeQuit(winampVisModule* module) {
    if (window) DestroyWindow(window);
    window = NULL;
    freeDrawing();
    UnregisterClassA(SCOPE_CLASS, (HINSTANCE)module->hDllInstance);
}

static void VIS_CALL scopeConfig(winampVisModule* module) {
    MessageBoxA((HWND)module->hwndParent,
                "Oscilloscope: the left channel in green, the right in yellow.\n"
                "Spectrum analyser: 128 bands from low to high, with falling peaks.\n\n"
                "Close the window to stop the plug-in.",
                SCOPE_CAPTION, MB_OK | MB_ICONINFORMATION);
}

static winampVisModule scopeAndSpectrum = {"Oscilloscope and spectrum analyser",
                                           NULL,
                                           NULL,
                                           0,
                                           0,
                                           25,
                                           25,
                                           2,
                                           2,
                                           {{0}},
                                           {{0}},
                                           scopeConfig,
                                           scopeInit,
                                           scopeRender,
                                           scopeQuit,
                                           NULL};
static winampVisModule scopeOnly = {
    "Oscilloscope", NULL,  NULL,        0,         0,           25,        25,  0, 2,
    {{0}},          {{0}}, scopeConfig, scopeInit, scopeRender, scopeQuit, NULL};

static winampVisModule* VIS_CALL getModule(int index) {
    switch (index) {
        case 0:
            return &scopeAndSpectrum;
        case 1:
            return &scopeOnly;
        default:
            return NULL;
    }
}

static winampVisHeader header = {VIS_HEADER_VERSION, "Tumbor scope", getModule};

VIS_EXPORT winampVisHeader* VIS_CALL winampVisGetHeader(void) { return &header; }
