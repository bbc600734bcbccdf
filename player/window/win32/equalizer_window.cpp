// The equalizer window's messages.
#include "player/window/win32/equalizer_window.h"

#include <windowsx.h>

#include "player/window/win32/surface_painting.h"

namespace tumbor::window::win32 {
namespace {

const wchar_t kClassName[] = L"TumborEqualizerWindow";

}  // namespace

EqualizerWindow::~EqualizerWindow() { destroy(); }

bool EqualizerWindow::create(HWND owner) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);  // fails harmlessly when already registered
    const EqualizerLayout& layout = view_.layout();
    // Its caption must not begin with "Tumbor": a second start hands its path to the first such window.
    CreateWindowExW(0, kClassName, L"Equalizer", WS_POPUP, 0, 0, layout.width, kEqualizerHeight, owner,
                    nullptr, instance, this);
    return window_ != nullptr;
}

void EqualizerWindow::destroy() {
    if (window_) DestroyWindow(window_);
}

void EqualizerWindow::loadLook(const std::string& skinPath, const std::string& designPicturePath) {
    view_.loadLook(skinPath, designPicturePath);
    input_.reset();
    if (window_)
        SetWindowPos(window_, nullptr, 0, 0, view_.layout().width, kEqualizerHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    redraw();
}

void EqualizerWindow::setSettings(const EqualizerSettings& settings) {
    settings_ = settings;
    redraw();
}

void EqualizerWindow::dockUnder(const RECT& above) {
    if (window_)
        SetWindowPos(window_, nullptr, above.left, above.bottom, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void EqualizerWindow::show(bool show) {
    if (window_) ShowWindow(window_, show ? SW_SHOWNOACTIVATE : SW_HIDE);
}

void EqualizerWindow::redraw() {
    view_.draw(settings_, input_.pressed());
    if (!window_) return;
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
}

void EqualizerWindow::act(EqualizerRequest request) {
    switch (request) {
        case EqualizerRequest::none:
            return;
        case EqualizerRequest::redraw:
            break;
        case EqualizerRequest::apply:
            events_.equalizerChanged(settings_);
            break;
        case EqualizerRequest::presetsMenu: {
            const Rect presets = view_.layout().presets();
            POINT at{presets.left, presets.bottom};
            ClientToScreen(window_, &at);
            redraw();
            events_.equalizerPresetsMenu(at);
            return;
        }
        case EqualizerRequest::close:
            redraw();
            events_.equalizerCloseRequested();
            return;
    }
    redraw();
}

void EqualizerWindow::wheel(WPARAM wParam, LPARAM lParam) {
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};  // on the screen
    ScreenToClient(window_, &at);
    wheelRest_ += GET_WHEEL_DELTA_WPARAM(wParam);
    const int notches = wheelRest_ / WHEEL_DELTA;
    wheelRest_ -= notches * WHEEL_DELTA;
    act(input_.wheel(at.x, at.y, notches, settings_));
}

LRESULT CALLBACK EqualizerWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<EqualizerWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<EqualizerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    return self->handleMessage(message, wParam, lParam);
}

LRESULT EqualizerWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window_, &ps);
            paintSurface(window_, dc, view_.backBuffer());
            EndPaint(window_, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
            SetCapture(window_);
            act(input_.leftDown(x, y, settings_));
            return 0;
        case WM_MOUSEMOVE:
            act(input_.mouseMove(x, y, settings_));
            return 0;
        case WM_LBUTTONUP: {
            const EqualizerRequest request = input_.leftUp(x, y, settings_);
            ReleaseCapture();
            act(request);
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (input_.pressed().part != EqualizerPart::none) {
                input_.reset();
                redraw();
            }
            return 0;
        case WM_MOUSEWHEEL:
            wheel(wParam, lParam);
            return 0;
        case WM_RBUTTONUP: {
            POINT at{x, y};
            ClientToScreen(window_, &at);
            events_.equalizerPresetsMenu(at);
            return 0;
        }
        case WM_CLOSE:
            events_.equalizerCloseRequested();
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            window_ = nullptr;
            return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace tumbor::window::win32
