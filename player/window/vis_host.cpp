// The visualization host and what runs on the plug-in's thread.
#include "player/window/vis_host.h"

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>

#include "player/window/vis_frame.h"

namespace tumbor {
namespace {

void makeCurrent(const std::string& folder) {
    if (folder.empty()) return;
    std::error_code error;
    std::filesystem::current_path(folder, error);
}

// How long a plug-in whose running flag has cleared may take to leave its thread.
constexpr int kThreadEndMs = 1000;

}  // namespace

// One run of a module: what its thread does, and the running flag. It outlives
// the host when the plug-in never ends.
class VisHost::Session : public VisThreadBody {
public:
    Session(winampVisModule& module, const PlaybackEngine& engine, std::string folder)
        : module_(module), engine_(&engine), folder_(std::move(folder)) {}

    int begin() override {
        tables_ = buildVisTables();
        makeCurrent(folder_);
        running = true;
        if (module_.Init) module_.Init(&module_);
        if (module_.Render) module_.Render(&module_);
        return module_.delayMs;
    }

    bool tick() override {
        if (!module_.Render) return true;
        if (!fillFrame()) return false;
        return module_.Render(&module_) == 0;
    }

    void end() override {
        makeCurrent(folder_);
        if (module_.Quit) module_.Quit(&module_);
        running = false;
    }

    // The engine is going away: frames no longer read it, and the next ends the thread.
    void detach() {
        std::lock_guard<std::mutex> hold(engineLock_);
        engine_ = nullptr;
    }

    std::atomic<bool> running{false};

private:
    bool fillFrame() {
        std::lock_guard<std::mutex> hold(engineLock_);
        if (!engine_) return false;
        winampVisModule& module = module_;
        const bool wantSpectrum = module.spectrumNch > 0;
        const bool lent = engine_->lendPlayingSound([&](const PlayingSound& sound) {
            fillVisFrame(tables_, &sound, module.latencyMs, wantSpectrum, module.waveformData,
                         module.spectrumData);
        });
        if (!lent)
            fillVisFrame(tables_, nullptr, module.latencyMs, wantSpectrum, module.waveformData,
                         module.spectrumData);
        return true;
    }

    winampVisModule& module_;
    std::mutex engineLock_;  // taken by each frame and by detach only
    const PlaybackEngine* engine_;
    const std::string folder_;
    VisTables tables_{};
};

VisHost::VisHost(const Settings& settings, const PlaybackEngine& engine)
    : settings_(settings), engine_(engine) {}

VisHost::~VisHost() {
    if (!thread_) return;
    if (running()) {
        thread_->requestStop();
        waitForEnd();
    }
    if (!running() && releaseEnded()) return;
    // The plug-in never ended: its thread keeps its session and library.
    session_->detach();
    session_.release();
    plugin_.release();
}

bool VisHost::running() const { return session_ && session_->running; }

bool VisHost::load() {
    if (plugin_) return true;
    if (settings_.pluginLibrary.empty()) return false;
    makeCurrent(settings_.pluginPath);
    plugin_ =
        VisPlugin::load(settings_.pluginPath, settings_.pluginLibrary, settings_.pluginModule, mainWindow_);
    return plugin_ != nullptr;
}

bool VisHost::releaseEnded() {
    if (thread_ && !thread_->waitEnded(kThreadEndMs)) return false;
    thread_.reset();
    session_.reset();
    plugin_.reset();
    return true;
}

void VisHost::toggle() {
    if (running()) {
        thread_->requestStop();
        waitForEnd();
        if (!running()) releaseEnded();
        return;
    }
    // A library left by a plug-in that stopped itself, or loaded for configuration.
    if (!releaseEnded() || !load()) return;
    session_ = std::make_unique<Session>(plugin_->module(), engine_, settings_.pluginPath);
    // Set before the thread runs, so that a toggle straight after this one stops it.
    session_->running = true;
    thread_ = VisThread::start(*session_, kStackBytes, settings_.pluginPriority);
    if (!thread_) {
        session_.reset();
        plugin_.reset();
    }
}

void VisHost::configure() {
    if (!load()) return;
    winampVisModule& module = plugin_->module();
    if (module.Init && module.Config) module.Config(&module);
}

void VisHost::waitForEnd() const {
    for (int step = 0; step < kStopSteps && running(); ++step) VisThread::pause(kStopStepMs);
}

}  // namespace tumbor
