// The main window's message handling, painting, outline and tooltips.
#include "player/window/win32/main_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include "platform/win32/wide_text.h"
#include "player/engine/instance_handover.h"
#include "player/window/win32/gdi_objects.h"
#include "player/window/win32/playlist_window.h"
#include "player/window/win32/surface_painting.h"
#include "player/window/window_snap.h"
#include "resources/player/resource_ids.h"

namespace tumbor::window::win32 {
namespace {

const wchar_t kClassName[] = L"TumborMainWindow";
constexpr UINT_PTR kDisplayTimer = 1;
constexpr UINT kDisplayTimerMs = 20;
constexpr int kTitleTool = 22, kLogoTool = 23;

const char* const kToolTexts[kControlCount + 1] = {
    "",
    "Play current file in playlist",
    "Stop module",
    "Pause playback",
    "[Left click] Song information   [Right click] Toggle plugin",
    "[Left click] Open file   [Right click] File menu",
    "Call options menu",
    "[Left click] About this player   [Right click] Toggle plugin",
    "Help!",
    "Fast rewind",
    "Fast forward",
    "Previous song in playlist",
    "Next song in playlist",
    "Closes player",
    "Minimize player",
    "Push to toggle repeat on/off",
    "Push to toggle shuffle on/off",
    "Show/Hide equalizer window",
    "Show/Hide playlist window",
    "Click to wind module",
    "Playlist position",
    "Drag slider to adjust volume"};

TOOLINFOA toolInfo(HWND window, UINT id, const char* text) {
    TOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.uFlags = TTF_SUBCLASS;
    info.hwnd = window;
    info.uId = id;
    info.lpszText = const_cast<char*>(text);
    return info;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, PlayerLink& player)
    : instance_(instance),
      view_(model_, painter_, player),
      input_(model_, view_, player),
      loader_(model_, painter_) {}

MainWindow::~MainWindow() {
    if (window_) DestroyWindow(window_);
}

bool MainWindow::create() {
    // A Unicode window, so its caption can name any song.
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    // The program's icon when its resources are linked in (Tumbor.exe), else the system's.
    windowClass.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(IDI_TUMBOR));
    if (!windowClass.hIcon) windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, kClassName, L"Tumbor", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 1, 1,
                              nullptr, nullptr, instance_, this);
    if (!window_) return false;
    createTooltips();
    loader_.owner = window_;
    loader_.beforeLoad = [this] { SetWindowPos(window_, nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER); };
    SetTimer(window_, kDisplayTimer, kDisplayTimerMs, nullptr);
    return true;
}

void MainWindow::loadLook(LookRequest kind, const std::string& path) {
    loader_.designLoad(kind, path);
    applySizeAndOutline();
    input_.reset();
    view_.startLook();
    updateTooltips();
    refresh();
}

void MainWindow::showAt(int x, int y, bool minimised) {
    moveTo(x, y);
    DragAcceptFiles(window_, TRUE);
    ShowWindow(window_, minimised ? SW_SHOWMINNOACTIVE : SW_SHOW);
    UpdateWindow(window_);
}

void MainWindow::setButtonOn(int control, bool on) {
    model_.control(control).onState = on ? 1 : 0;
    view_.drawControl(control, 1);
    refresh();
}

void MainWindow::setTopmost(bool topmost) {
    SetWindowPos(window_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::drawTitle() {
    view_.drawTitle();
    refresh();
}

void MainWindow::stopDisplayTimer() { KillTimer(window_, kDisplayTimer); }
void MainWindow::startDisplayTimer() { SetTimer(window_, kDisplayTimer, kDisplayTimerMs, nullptr); }

void MainWindow::applySizeAndOutline() {
    SetWindowPos(window_, nullptr, 0, 0, model_.windowWidth, model_.windowHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    std::vector<POINT> points;
    for (const Point& p : model_.outline) points.push_back(POINT{p.x, p.y});
    HRGN region = points.size() >= 2
                      ? CreatePolygonRgn(points.data(), static_cast<int>(points.size()), ALTERNATE)
                      : CreateRectRgn(0, 0, model_.windowWidth, model_.windowHeight);
    SetWindowRgn(window_, region, TRUE);  // the window owns the region from here on
}

void MainWindow::createTooltips() {
    tooltips_ =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
    if (!tooltips_) return;
    for (UINT id = 1; id <= kControlCount; ++id) {
        TOOLINFOA info = toolInfo(window_, id, kToolTexts[id]);
        SendMessageA(tooltips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
    TOOLINFOA title = toolInfo(window_, kTitleTool, " ");
    SendMessageA(tooltips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&title));
    TOOLINFOA logo = toolInfo(window_, kLogoTool, "Tumbor version 1.00");
    SendMessageA(tooltips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&logo));
}

void MainWindow::updateTooltips() {
    if (!tooltips_) return;
    auto setRect = [&](UINT id, RECT rect) {
        TOOLINFOA info = toolInfo(window_, id, nullptr);
        info.rect = rect;
        SendMessageA(tooltips_, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&info));
    };
    for (UINT id = 1; id <= kControlCount; ++id) {
        const ControlSlot& slot = model_.control(static_cast<int>(id));
        setRect(id, RECT{slot.left, slot.top, slot.left + slot.width, slot.top + slot.height});
    }
    const LabelStyle& song = model_.songName;
    const LabelStyle& logo = model_.logo;
    setRect(kTitleTool, RECT{song.left, song.top, song.right, song.bottom});
    setRect(kLogoTool, RECT{logo.left, logo.top, logo.right, logo.bottom});
}

// Redraws the window now and brings the caption and title tooltip up to date.
void MainWindow::refresh() {
    if (view_.caption() != shownCaption_) {
        shownCaption_ = view_.caption();
        SetWindowTextW(window_, platform::wideFromUtf8(shownCaption_).c_str());
    }
    if (tooltips_ && view_.titleTip() != shownTitleTip_) {
        shownTitleTip_ = view_.titleTip();
        TOOLINFOA info = toolInfo(window_, kTitleTool, shownTitleTip_.c_str());
        SendMessageA(tooltips_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
    }
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
}

void MainWindow::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window_, &ps);
    if (!IsIconic(window_)) paintSurface(window_, dc, model_.backBuffer);
    EndPaint(window_, &ps);
    view_.clearDirty();
}

void MainWindow::tick() {
    if (view_.tick()) refresh();
}

void MainWindow::mouse(UINT message, int x, int y) {
    switch (message) {
        case WM_MOUSEMOVE:
            perform(input_.mouseMove(x, y));
            break;
        case WM_LBUTTONDOWN:
            rightButtonPressed_ = false;
            press_ = POINT{x, y};
            SetCapture(window_);
            perform(input_.leftDown(x, y));
            break;
        case WM_LBUTTONUP:
            ReleaseCapture();
            perform(input_.leftUp(x, y));
            break;
        case WM_RBUTTONDOWN:
            rightButtonPressed_ = true;
            SetCapture(window_);
            perform(input_.rightDown(x, y));
            break;
        case WM_RBUTTONUP:
            ReleaseCapture();
            perform(input_.rightUp(x, y));
            break;
    }
    // With no button down the mouse stays captured while something is hot,
    // so that leaving the window clears the hot control.
    if (!input_.leftButtonDown() && message != WM_LBUTTONDOWN && message != WM_RBUTTONDOWN) {
        if (input_.wantsCapture() && GetCapture() != window_) SetCapture(window_);
        if (!input_.wantsCapture() && GetCapture() == window_) ReleaseCapture();
    }
    if (view_.dirty()) refresh();
}

void MainWindow::perform(const std::vector<WindowAction>& actions) {
    for (const WindowAction& action : actions) {
        if (action.kind == WindowAction::moveWindow) {
            dragTo(action.x, action.y);
        } else if (action.kind == WindowAction::endDrag) {
            snapToWorkArea();
        } else if (action.kind == WindowAction::mainMenu || action.kind == WindowAction::loadMenu) {
            POINT screen{action.x, action.y};
            ClientToScreen(window_, &screen);
            if (events) events->menu(action.kind == WindowAction::loadMenu, screen, rightButtonPressed_);
            // The menu took the button's release: nothing stays pressed.
            input_.reset();
            if (GetCapture() == window_) ReleaseCapture();
        } else if (events) {
            events->action(action);
        }
    }
}

// Moves the window so that the press point stays under the mouse.
void MainWindow::dragTo(int x, int y) {
    RECT rect;
    GetWindowRect(window_, &rect);
    position_ = POINT{rect.left + x - press_.x, rect.top + y - press_.y};
    SetWindowPos(window_, nullptr, position_.x, position_.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOSENDCHANGING | SWP_NOACTIVATE);
    if (events) events->moved();
}

void MainWindow::moveTo(int x, int y) {
    position_ = POINT{x, y};
    SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (events) events->moved();
}

void MainWindow::snapToWorkArea() {
    if (!snap) return;
    RECT work, rect;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(window_, &rect);
    const Position to = window::snapToWorkArea(Rect{rect.left, rect.top, rect.right, rect.bottom},
                                               Rect{work.left, work.top, work.right, work.bottom});
    moveTo(to.x, to.y);
}

// Any move but the window's own keeps the stored position; minimising and restoring are left alone.
void MainWindow::lockPosition(WINDOWPOS& change) const {
    if ((change.flags & SWP_NOMOVE) || IsIconic(window_) || change.x <= -32000) return;
    change.x = position_.x;
    change.y = position_.y;
}

LRESULT CALLBACK MainWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    return self->handleMessage(message, wParam, lParam);
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_TIMER:
            if (wParam == kDisplayTimer) tick();
            return 0;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            mouse(message, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_USER:
            return events ? events->userMessage(wParam, lParam) : 0;
        case WM_COPYDATA: {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (!events || !data || data->dwData != kHandOverWideText || !data->lpData) return FALSE;
            std::wstring text(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
            text.resize(wcsnlen(text.c_str(), text.size()));
            events->pathHandedOver(platform::utf8FromWide(text));
            return TRUE;
        }
        case kDetailsWaitingMessage:
            if (events) events->detailsWaiting();
            return 0;
        case kTrayMessage:
            if (events) events->trayNotification(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
            return 0;
        case WM_SIZE:
            if ((wParam == SIZE_MINIMIZED) != minimised_) {
                minimised_ = wParam == SIZE_MINIMIZED;
                if (events && minimised_) events->minimised();
                if (events && !minimised_) events->restored();
            }
            break;
        case WM_WINDOWPOSCHANGING:
            lockPosition(*reinterpret_cast<WINDOWPOS*>(lParam));
            return 0;
        case WM_DISPLAYCHANGE:
            snapToWorkArea();
            if (events) events->workAreaChanged();
            return 0;
        case WM_DROPFILES: {
            std::vector<std::string> paths = droppedPaths(wParam);
            if (events) events->filesDropped(paths);
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && events) events->activated();
            break;
        case WM_HELP:
            if (events) events->helpRequested();
            return TRUE;
        case WM_CLOSE:
            if (events)
                events->closeRequested();
            else
                DestroyWindow(window_);
            return 0;
        case WM_DESTROY:
            KillTimer(window_, kDisplayTimer);
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            window_ = nullptr;
            return 0;
    }
    if (message >= 0xC000 && events && events->registeredMessage(message, wParam, lParam)) return 0;
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace tumbor::window::win32
