// The engine's output thread and end-of-track worker. The output thread owns
// the ring while it runs: it advances the ring head for every buffer the
// device hands back, refills free buffers by calling decode, and reports the
// end of the song once every written buffer has played.
#include <chrono>

#include "platform/thread_priority.h"
#include "player/engine/playback_engine.h"

namespace tumbor {
namespace {

constexpr std::chrono::milliseconds kSemaphoreTimeout{3000};
constexpr std::chrono::milliseconds kPollInterval{50};

}  // namespace

void PlaybackEngine::startOutputThread() {
    outputStopRequested_ = false;
    uint64_t generation = ++generation_;
    bool pcm = isPcm();
    outputThread_ = std::thread([this, generation, pcm] {
        platform::raiseCurrentThreadPriority();
        if (pcm)
            outputLoopPcm(generation);
        else
            outputLoopPolled(generation);
    });
}

void PlaybackEngine::stopOutputThread() {
    if (!outputThread_.joinable()) return;
    outputStopRequested_ = true;
    semaphore_.wake();
    outputThread_.join();
    ++generation_;  // any end of track it reported is stale now
}

void PlaybackEngine::outputLoopPcm(uint64_t generation) {
    bool ended = false;
    bool endReported = false;
    while (!outputStopRequested_) {
        if (semaphore_.wait(kSemaphoreTimeout) == BufferSemaphore::WaitResult::signalled) {
            do {
                ringHead_ = (ringHead_ + 1) % bufferCount_;
                --queued_;
            } while (semaphore_.tryTake());
        }
        if (outputStopRequested_ || state_ != kPlaying || ringIsFull()) continue;
        if (!fillBuffers(ended)) continue;
        // The end was reached: a pending seek carries on elsewhere in the song.
        if (performSeekIfPending()) {
            device_->reset();
            ended = false;
        } else if (queued_ == 0 && !endReported) {
            endReported = true;
            songEnded(generation);
        }
    }
}

// Writes buffers until the ring is full or the song ends; true at the end.
bool PlaybackEngine::fillBuffers(bool& ended) {
    while (true) {
        int index = (ringHead_ + queued_) % bufferCount_;
        if (ended) return true;
        if (performSeekIfPending()) device_->reset();
        std::vector<uint8_t>& buffer = buffers_[static_cast<size_t>(index)];
        if (!module_->decode(buffer.data(), bufferSize_)) {
            ended = true;
            return true;
        }
        device_->write(index);
        ++queued_;
        if (outputStopRequested_ || state_ != kPlaying || ringIsFull()) return false;
    }
}

void PlaybackEngine::outputLoopPolled(uint64_t generation) {
    while (!outputStopRequested_) {
        if (!module_->decode(nullptr, 0)) {
            songEnded(generation);
            break;
        }
        performSeekIfPending();
        semaphore_.wait(kPollInterval);
    }
}

void PlaybackEngine::songEnded(uint64_t generation) {
    {
        std::lock_guard<std::mutex> hold(endLock_);
        endPending_ = true;
        endGeneration_ = generation;
    }
    endChanged_.notify_all();
}

void PlaybackEngine::endOfTrackLoop() {
    while (true) {
        uint64_t generation;
        {
            std::unique_lock<std::mutex> hold(endLock_);
            endChanged_.wait(hold, [this] { return quitting_ || endPending_; });
            if (quitting_) return;
            endPending_ = false;
            generation = endGeneration_;
        }
        std::function<void()> onSongEnded;
        {
            std::lock_guard<std::mutex> hold(operationLock_);
            // The song was stopped or replaced after it reported its end.
            if (generation != generation_) continue;
            positionReset_ = true;
            if (!stopLocked(0)) continue;
            if (advance_) {
                onSongEnded = onSongEnded_;
            } else {
                closeDeviceLocked();
                message_.clear();
            }
        }
        if (onSongEnded) onSongEnded();
    }
}

}  // namespace tumbor
