// A wave device without sound hardware, for tests: it plays buffers by
// recording their bytes, in order, from a thread of its own (as fast as it
// can, or in real time), or one at a time when the test says so. Its open can
// be told to fail with any result code.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/wave_device.h"

namespace platform {

class SimulatedWaveDevice : public WaveDevice {
public:
    enum class Pacing { fast, realTime, manual };

    // keepPlayed false: played bytes are counted but not kept (for long runs).
    explicit SimulatedWaveDevice(Pacing pacing = Pacing::fast, bool keepPlayed = true);
    ~SimulatedWaveDevice() override;

    uint32_t open(int deviceId, const WaveFormat& format, BufferDoneCallback done, void* context) override;
    bool isOpen() const override;
    uint32_t prepare(int index, uint8_t* data, uint32_t size) override;
    void unprepare(int index) override;
    void write(int index, uint32_t bytes) override;
    void pause() override;
    void restart() override;
    void reset() override;
    uint32_t close() override;
    uint32_t positionBytes() override;
    void setVolume(uint32_t volume) override;

    // Test controls.
    void failOpenWith(uint32_t result);  // every open answers result until cleared with kWaveOk
    void failPrepareAt(int index);       // prepare of that buffer fails (-1: none)
    void setDeviceCount(int count);      // ids 0 .. count-1 exist, besides the default device
    bool playNext();                     // manual pacing: plays the oldest queued buffer
    std::vector<uint8_t> played() const; // every byte played since the test began
    void clearPlayed();
    int queuedCount() const;
    int peakQueuedCount() const;         // the most buffers queued at once
    int openCount() const;               // successful opens so far
    int closeCount() const;
    int currentDeviceId() const;
    WaveFormat currentFormat() const;
    uint32_t volume() const;
    bool paused() const;

private:
    struct Buffer {
        uint8_t* data = nullptr;
        uint32_t size = 0;
        uint32_t written = 0;  // bytes queued by the last write
        bool prepared = false;
    };

    void run();
    bool playOneLocked(std::unique_lock<std::mutex>& hold);

    const Pacing pacing_;
    const bool keepPlayed_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::thread player_;
    bool quitting_ = false;
    bool callbackRunning_ = false;  // the player thread is in the done callback

    bool open_ = false;
    bool paused_ = false;
    int deviceId_ = 0;
    WaveFormat format_;
    BufferDoneCallback done_ = nullptr;
    void* context_ = nullptr;
    Buffer buffers_[kMaxWaveBuffers];
    std::deque<int> queue_;
    uint32_t position_ = 0;
    uint32_t volume_ = 0xFFFFFFFF;
    std::vector<uint8_t> played_;

    uint32_t openFailure_ = kWaveOk;
    int prepareFailure_ = -1;
    int deviceCount_ = 1;
    int openCount_ = 0;
    int closeCount_ = 0;
    int peakQueued_ = 0;
};

}  // namespace platform
