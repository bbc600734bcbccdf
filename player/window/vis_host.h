// The visualization host: loads the plug-in library and module chosen in the
// settings, runs the module on a thread of its own that feeds it the sound
// being played at the module's own rate, and stops it on request.
#pragma once

#include <memory>

#include "player/engine/playback_engine.h"
#include "player/engine/settings.h"
#include "player/window/vis_plugin_library.h"
#include "player/window/vis_thread.h"

namespace tumbor {

class VisHost {
public:
    static constexpr size_t kStackBytes = 32 * 1024;
    static constexpr int kStopSteps = 30;  // of kStopStepMs each, waiting for a plug-in to end
    static constexpr int kStopStepMs = 10;

    // The settings are read at each load (Plugins Path, Library, Module, Priority).
    VisHost(const Settings& settings, const PlaybackEngine& engine);
    // Stops a running plug-in as a toggle does; one that does not end keeps its
    // library, and its thread no longer reads the engine.
    ~VisHost();
    VisHost(const VisHost&) = delete;
    VisHost& operator=(const VisHost&) = delete;

    // The module's parent window.
    void setMainWindow(void* window) { mainWindow_ = window; }

    // The running flag: set from the start of the plug-in's thread until its quit has run.
    bool running() const;
    bool libraryLoaded() const { return plugin_ != nullptr; }

    // Loads the library and module unless a library is loaded; false when none is loaded after.
    bool load();
    // Stops a running plug-in (waiting up to 30 x 10 ms for it, then releasing
    // its library), or else loads one afresh and starts its thread.
    void toggle();
    // Calls the module's configure on this thread, when it has init and configure.
    void configure();
    // The end of the exit sequence: up to 30 x 10 ms for the plug-in to end.
    void waitForEnd() const;

private:
    class Session;

    // Frees the thread, session and library of a plug-in whose thread has
    // ended; false when a thread is still there.
    bool releaseEnded();

    const Settings& settings_;
    const PlaybackEngine& engine_;
    void* mainWindow_ = nullptr;
    std::unique_ptr<VisPlugin> plugin_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<VisThread> thread_;
};

}  // namespace tumbor
