// The equalizer window: a caption-less pop-up owned by the main window and
// docked under it, drawn by the portable EqualizerView and driven by the
// portable EqualizerInput. It hands changed settings, the presets menu and
// its closing to its owner through EqualizerWindowEvents.
#pragma once

#include <windows.h>

#include <string>

#include "player/engine/equalizer.h"
#include "player/window/equalizer_input.h"
#include "player/window/equalizer_view.h"

namespace tumbor::window::win32 {

class EqualizerWindowEvents {
public:
    virtual ~EqualizerWindowEvents() = default;
    // A slider or the switch changed the settings.
    virtual void equalizerChanged(const EqualizerSettings& settings) = 0;
    // The presets button was pressed: the menu opens at this screen point.
    virtual void equalizerPresetsMenu(POINT screen) = 0;
    virtual void equalizerCloseRequested() = 0;
};

class EqualizerWindow {
public:
    explicit EqualizerWindow(EqualizerWindowEvents& events) : events_(events) {}
    ~EqualizerWindow();
    EqualizerWindow(const EqualizerWindow&) = delete;
    EqualizerWindow& operator=(const EqualizerWindow&) = delete;

    // Creates the hidden window, owned by owner.
    bool create(HWND owner);
    void destroy();
    HWND handle() const { return window_; }

    // The pictures of the skin at skinPath, or of the default design (see EqualizerView::loadLook).
    void loadLook(const std::string& skinPath, const std::string& designPicturePath);
    void setSettings(const EqualizerSettings& settings);
    const EqualizerSettings& settings() const { return settings_; }
    // Left-aligned with the window rectangle above, just under it.
    void dockUnder(const RECT& above);
    void show(bool show);
    bool visible() const { return window_ && IsWindowVisible(window_); }
    const Surface& backBuffer() const { return view_.backBuffer(); }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void act(EqualizerRequest request);
    void wheel(WPARAM wParam, LPARAM lParam);
    void redraw();

    EqualizerWindowEvents& events_;
    HWND window_ = nullptr;
    EqualizerView view_;
    EqualizerInput input_{view_.layout()};
    EqualizerSettings settings_;
    int wheelRest_ = 0;  // wheel movement short of a whole notch
};

}  // namespace tumbor::window::win32
