// The main window: a caption-less pop-up whose size, outline and picture come
// from the WindowModel. It paints the back buffer, runs the 20 ms display
// timer, turns mouse messages into input events, shows the 23 tooltips, keeps
// its position (dragging, snapping, position lock), and hands everything else
// to its owner through MainWindowEvents.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "player/window/look_loader.h"
#include "player/window/win32/gdi_text_painter.h"
#include "player/window/window_input.h"
#include "player/window/window_model.h"
#include "player/window/window_view.h"

namespace tumbor::window::win32 {

// What the main window leaves to the player around it.
class MainWindowEvents {
public:
    virtual ~MainWindowEvents() = default;
    // A control's action, a seek or skip, the song information or the plug-in toggle.
    virtual void action(const WindowAction& action) = 0;
    // The Main or the Load menu at a screen point, tracking the right button or the left.
    virtual void menu(bool loadMenu, POINT screen, bool rightButton) = 0;
    // WM_USER: the state query or one unit of an older player's path hand-over.
    virtual LRESULT userMessage(WPARAM wParam, LPARAM lParam) = 0;
    // A path handed over whole by another start of the player.
    virtual void pathHandedOver(const std::string& path) = 0;
    // A message registered by name; false when it is not one for the main window.
    virtual bool registeredMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void filesDropped(const std::vector<std::string>& paths) = 0;
    virtual void activated() = 0;
    virtual void helpRequested() = 0;
    virtual void closeRequested() = 0;
    // The work area changed: the playlist window snaps too.
    virtual void workAreaChanged() = 0;
    // The window moved or changed its size: the equalizer window docked under it follows.
    virtual void moved() {}
    // The window has just been minimised, or is back from being minimised.
    virtual void minimised() {}
    virtual void restored() {}
    // A tray icon's notification: its number and the mouse message.
    virtual void trayNotification(UINT /*id*/, UINT /*mouseMessage*/) {}
    // The background reader has titles and lengths waiting.
    virtual void detailsWaiting() {}
};

// The message the tray icons send to the main window.
constexpr UINT kTrayMessage = WM_USER + 1;
// The message the background reader posts when titles and lengths wait.
constexpr UINT kDetailsWaitingMessage = WM_APP + 1;

class MainWindow {
public:
    MainWindow(HINSTANCE instance, PlayerLink& player);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the (hidden) window with its tooltips and timer.
    bool create();
    // DesignLoad: the look, or the fall-back chain; then size, outline, tooltips and title.
    void loadLook(LookRequest kind, const std::string& path);
    void showAt(int x, int y, bool minimised = false);
    // Snaps the window to the work area's edges when snapping is on.
    void snapToWorkArea();
    POINT position() const { return position_; }
    // A two-state button shows its on-state.
    void setButtonOn(int control, bool on);
    void setTopmost(bool topmost);
    // DrawTitle: the song-name label, its tooltip and the caption, shown at once.
    void drawTitle();
    // The 20 ms display timer stops while the options sheet is open.
    void stopDisplayTimer();
    void startDisplayTimer();

    HWND handle() const { return window_; }
    WindowModel& model() { return model_; }
    const WindowModel& model() const { return model_; }
    WindowView& view() { return view_; }
    LookLoader& loader() { return loader_; }

    MainWindowEvents* events = nullptr;
    bool snap = true;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void paint();
    void tick();
    void mouse(UINT message, int x, int y);
    void perform(const std::vector<WindowAction>& actions);
    void dragTo(int x, int y);
    void moveTo(int x, int y);
    void lockPosition(WINDOWPOS& change) const;
    void applySizeAndOutline();
    void createTooltips();
    void updateTooltips();
    void refresh();

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND tooltips_ = nullptr;
    WindowModel model_;
    GdiTextPainter painter_;
    WindowView view_;
    WindowInput input_;
    LookLoader loader_;
    std::string shownCaption_;
    std::string shownTitleTip_;
    POINT press_{};
    POINT position_{};  // where the window stays: moved only by dragging and snapping
    bool rightButtonPressed_ = false;
    bool minimised_ = false;
};

}  // namespace tumbor::window::win32
