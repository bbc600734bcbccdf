// The main window: a caption-less pop-up whose size, outline and picture come
// from the WindowModel. It paints the back buffer, runs the 20 ms display
// timer, turns mouse messages into input events, shows the 23 tooltips, and
// hands the actions it does not perform itself to its owner.
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
    void showAt(int x, int y);
    // DrawTitle: the song-name label, its tooltip and the caption, shown at once.
    void drawTitle();

    HWND handle() const { return window_; }
    WindowModel& model() { return model_; }
    WindowView& view() { return view_; }
    LookLoader& loader() { return loader_; }

    // Actions the window does not perform itself (play, stop, menus, ...).
    std::function<void(const WindowAction&)> onAction;
    bool snap = true;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void paint();
    void tick();
    void mouse(UINT message, int x, int y);
    void perform(const std::vector<WindowAction>& actions);
    void dragTo(int x, int y);
    void snapToWorkArea();
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
};

}  // namespace tumbor::window::win32
