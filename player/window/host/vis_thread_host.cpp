// The plug-in thread natively: a std::thread (its stack size and priority are
// the system's) whose timer and stop request are kept with a condition variable.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "player/window/vis_thread.h"

namespace tumbor {
namespace {

using Clock = std::chrono::steady_clock;

// Windows runs timers of less than 10 ms every 10 ms, and one of a negative
// period (a huge unsigned one) practically never.
std::chrono::milliseconds timerPeriod(int milliseconds) {
    if (milliseconds < 0) return std::chrono::hours(24 * 24);
    return std::chrono::milliseconds(milliseconds < 10 ? 10 : milliseconds);
}

// What the thread and its owner share; a thread left running keeps it alive.
struct SharedState {
    std::mutex lock;
    std::condition_variable changed;
    bool stopRequested = false;
    bool ended = false;
};

void run(VisThreadBody& body, SharedState& state) {
    const std::chrono::milliseconds period = timerPeriod(body.begin());
    Clock::time_point next = Clock::now() + period;
    while (true) {
        {
            std::unique_lock<std::mutex> hold(state.lock);
            state.changed.wait_until(hold, next, [&state] { return state.stopRequested; });
            if (state.stopRequested) break;
        }
        // Like a system timer, periods missed during a slow frame are not made up.
        next = std::max(next + period, Clock::now());
        if (!body.tick()) break;
    }
    body.end();
    {
        std::lock_guard<std::mutex> hold(state.lock);
        state.ended = true;
    }
    state.changed.notify_all();
}

class HostVisThread : public VisThread {
public:
    explicit HostVisThread(VisThreadBody& body)
        : state_(std::make_shared<SharedState>()), thread_([&body, state = state_] { run(body, *state); }) {}

    ~HostVisThread() override {
        if (waitEnded(0))
            thread_.join();
        else
            thread_.detach();  // a plug-in that never ends keeps its thread
    }

    void requestStop() override {
        {
            std::lock_guard<std::mutex> hold(state_->lock);
            state_->stopRequested = true;
        }
        state_->changed.notify_all();
    }

    bool waitEnded(int milliseconds) override {
        std::unique_lock<std::mutex> hold(state_->lock);
        return state_->changed.wait_for(hold, std::chrono::milliseconds(milliseconds),
                                        [this] { return state_->ended; });
    }

private:
    std::shared_ptr<SharedState> state_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<VisThread> VisThread::start(VisThreadBody& body, size_t, int) {
    return std::make_unique<HostVisThread>(body);
}

void VisThread::pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace tumbor
