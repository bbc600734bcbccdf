// The engine's output thread and end-of-track worker. The output thread owns
// the ring while it runs: it advances the ring head for every buffer the
// device hands back, refills free buffers by calling decode, and reports the
// end of the song once every written buffer has played.
#include <chrono>
#include <utility>

#include "platform/thread_priority.h"
#include "player/engine/playback_engine.h"

namespace tumbor {
namespace {

constexpr std::chrono::milliseconds kSemaphoreTimeout{3000};
constexpr std::chrono::milliseconds kPollInterval{50};

}  // namespace

void PlaybackEngine::startOutputThread() {
    outputStopRequested_ = false;
    decodedToEnd_ = false;
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
                anchorAtReturnedBuffer(ringHead_);
                ringHead_ = (ringHead_ + 1) % bufferCount_;
                --queued_;
                // The last buffer of the song handed over from has played.
                if (switchCountdown_ > 0 && --switchCountdown_ == 0) {
                    positionReset_ = true;
                    songStarted(generation);
                }
            } while (semaphore_.tryTake());
        }
        if (outputStopRequested_ || state_ != kPlaying || ringIsFull()) continue;
        if (!fillBuffers(ended)) continue;
        // The end was reached: a pending seek carries on elsewhere in the song.
        if (seekDeviceIfPending()) {
            ended = false;
            decodedToEnd_ = false;
            continue;
        }
        if (gapless_ && !decodedToEnd_) {
            decodedToEnd_ = true;
            songDecoded(generation);
        }
        if (queued_ == 0 && !endReported) {
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
        seekDeviceIfPending();
        std::vector<uint8_t>& buffer = buffers_[static_cast<size_t>(index)];
        const bool more = module_->decode(buffer.data(), bufferSize_) != 0;
        int bytes = more ? bufferSize_ : 0;
        ended = !more;
        // Gapless: the song's last buffer holds only its sound, so the next song follows at once.
        if (gapless_ && extension_.soundBytes) {
            int sound = extension_.soundBytes();
            bytes = sound < 0 ? 0 : sound > bufferSize_ ? bufferSize_ : sound;
            ended = !more || bytes < bufferSize_;
        }
        if (bytes > 0) {
            applyGain(buffer.data(), static_cast<size_t>(bytes), format_.bitsPerSample, gain_);
            equalizer_.process(buffer.data(), static_cast<size_t>(bytes), format_.sampleRate, format_.channels,
                               format_.bitsPerSample);
            device_->write(index, static_cast<uint32_t>(bytes));
            ++queued_;
            noteWritten(index, static_cast<uint32_t>(bytes));
        }
        if (ended) return true;
        if (outputStopRequested_ || state_ != kPlaying || ringIsFull()) return false;
    }
}

// Performs a pending seek and restarts the device at the new place: its
// position starts again at 0, where the song's sound now continues.
bool PlaybackEngine::seekDeviceIfPending() {
    if (!performSeekIfPending()) return false;
    device_->reset();
    forgetWrittenBuffers();
    const int tenths = module_->getPosition ? module_->getPosition() : 0;
    const uint64_t frames = (uint64_t(tenths > 0 ? tenths : 0) * format_.sampleRate + 9) / 10;
    nextDeviceByte_ = 0;
    nextSongFrame_ = static_cast<uint32_t>(frames);
    heardAnchor_ = SoundAnchor{0, nextSongFrame_};
    positionReset_ = true;  // the gauge may go back to the new anchor
    return true;
}

void PlaybackEngine::noteWritten(int index, uint32_t bytes) {
    nextDeviceByte_ += bytes;
    nextSongFrame_ += bytes / format_.blockAlign();
    writtenBuffers_[index] = WrittenBuffer{true, SoundAnchor{nextDeviceByte_, nextSongFrame_}};
}

// The device has played the buffer at index: the song is heard up to its end.
void PlaybackEngine::anchorAtReturnedBuffer(int index) {
    WrittenBuffer& returned = writtenBuffers_[index];
    if (!returned.current) return;  // the fictitious buffer, or sound from before a seek or hand-over
    heardAnchor_ = returned.end;
    returned.current = false;
}

void PlaybackEngine::forgetWrittenBuffers() {
    for (WrittenBuffer& buffer : writtenBuffers_) buffer.current = false;
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

void PlaybackEngine::songDecoded(uint64_t generation) {
    {
        std::lock_guard<std::mutex> hold(endLock_);
        decodedPending_ = true;
        decodedGeneration_ = generation;
    }
    endChanged_.notify_all();
}

void PlaybackEngine::songStarted(uint64_t generation) {
    {
        std::lock_guard<std::mutex> hold(endLock_);
        startedPending_ = true;
        startedGeneration_ = generation;
    }
    endChanged_.notify_all();
}

void PlaybackEngine::songEnded(uint64_t generation) {
    {
        std::lock_guard<std::mutex> hold(endLock_);
        endPending_ = true;
        endGeneration_ = generation;
    }
    endChanged_.notify_all();
}

// Runs handler (read under the operation lock) when the output thread that
// reported an event is still the current one.
void PlaybackEngine::reportIfCurrent(uint64_t generation, const std::function<void()>& handler) {
    std::function<void()> call;
    {
        std::lock_guard<std::mutex> hold(operationLock_);
        if (generation != generation_) return;
        call = handler;
    }
    if (call) call();
}

void PlaybackEngine::endOfTrackLoop() {
    while (true) {
        uint64_t generation;
        bool ended, decoded, started;
        uint64_t decodedGeneration, startedGeneration;
        {
            std::unique_lock<std::mutex> hold(endLock_);
            endChanged_.wait(hold, [this] { return quitting_ || endPending_ || decodedPending_ || startedPending_; });
            if (quitting_) return;
            ended = std::exchange(endPending_, false);
            decoded = std::exchange(decodedPending_, false);
            started = std::exchange(startedPending_, false);
            generation = endGeneration_;
            decodedGeneration = decodedGeneration_;
            startedGeneration = startedGeneration_;
        }
        if (started) reportIfCurrent(startedGeneration, onSongStarted_);
        if (decoded) reportIfCurrent(decodedGeneration, onSongDecoded_);
        if (!ended) continue;
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
