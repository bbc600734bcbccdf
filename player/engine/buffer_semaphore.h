// The counting semaphore between the wave device and the output thread: the
// device releases it once per buffer it hands back. A wake-up without a count
// lets the engine rouse the thread (resume, stop) without faking a buffer.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tumbor {

class BufferSemaphore {
public:
    enum class WaitResult { signalled, woken, timedOut };

    void release() {
        {
            std::lock_guard<std::mutex> hold(lock_);
            ++count_;
        }
        changed_.notify_one();
    }

    void wake() {
        {
            std::lock_guard<std::mutex> hold(lock_);
            woken_ = true;
        }
        changed_.notify_one();
    }

    // Takes one count, or returns when woken or after the timeout.
    WaitResult wait(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> hold(lock_);
        if (!changed_.wait_for(hold, timeout, [this] { return count_ > 0 || woken_; }))
            return WaitResult::timedOut;
        if (count_ > 0) {
            --count_;
            return WaitResult::signalled;
        }
        woken_ = false;
        return WaitResult::woken;
    }

    // Takes one count if there is one, without waiting.
    bool tryTake() {
        std::lock_guard<std::mutex> hold(lock_);
        if (count_ == 0) return false;
        --count_;
        return true;
    }

    void reset() {
        std::lock_guard<std::mutex> hold(lock_);
        count_ = 0;
        woken_ = false;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    int count_ = 0;
    bool woken_ = false;
};

}  // namespace tumbor
