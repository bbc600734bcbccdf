// The simulated wave device. Buffers are read when they are played, not when
// they are written, as a real device does, so a caller that touches a queued
// buffer shows up in what was played.
#include "platform/simulated_wave_device.h"

#include <chrono>

namespace platform {

SimulatedWaveDevice::SimulatedWaveDevice(Pacing pacing, bool keepPlayed)
    : pacing_(pacing), keepPlayed_(keepPlayed) {
    if (pacing_ != Pacing::manual) player_ = std::thread([this] { run(); });
}

SimulatedWaveDevice::~SimulatedWaveDevice() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        quitting_ = true;
    }
    changed_.notify_all();
    if (player_.joinable()) player_.join();
}

uint32_t SimulatedWaveDevice::open(int deviceId, const WaveFormat& format, BufferDoneCallback done,
                                   void* context) {
    std::lock_guard<std::mutex> hold(lock_);
    if (openFailure_ != kWaveOk) return openFailure_;
    if (open_) return kWaveAllocated;
    if (deviceId != kDefaultWaveDevice && (deviceId < 0 || deviceId >= deviceCount_)) return kWaveBadDeviceId;
    if ((format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.channels < 1 ||
        format.channels > 2 || format.sampleRate == 0)
        return kWaveBadFormat;
    open_ = true;
    paused_ = false;
    deviceId_ = deviceId;
    format_ = format;
    done_ = done;
    context_ = context;
    position_ = 0;
    ++openCount_;
    return kWaveOk;
}

bool SimulatedWaveDevice::isOpen() const {
    std::lock_guard<std::mutex> hold(lock_);
    return open_;
}

uint32_t SimulatedWaveDevice::prepare(int index, uint8_t* data, uint32_t size) {
    std::lock_guard<std::mutex> hold(lock_);
    if (index == prepareFailure_) return kWaveNoMemory;
    buffers_[index] = Buffer{data, size, 0, true};
    return kWaveOk;
}

void SimulatedWaveDevice::unprepare(int index) {
    std::lock_guard<std::mutex> hold(lock_);
    buffers_[index] = Buffer{};
}

void SimulatedWaveDevice::write(int index, uint32_t bytes) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!open_ || !buffers_[index].prepared) return;
        buffers_[index].written = bytes < buffers_[index].size ? bytes : buffers_[index].size;
        queue_.push_back(index);
        if (static_cast<int>(queue_.size()) > peakQueued_) peakQueued_ = static_cast<int>(queue_.size());
    }
    changed_.notify_all();
}

void SimulatedWaveDevice::pause() {
    std::lock_guard<std::mutex> hold(lock_);
    paused_ = true;
}

void SimulatedWaveDevice::restart() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        paused_ = false;
    }
    changed_.notify_all();
}

void SimulatedWaveDevice::reset() {
    int returned;
    BufferDoneCallback done;
    void* context;
    {
        std::lock_guard<std::mutex> hold(lock_);
        returned = static_cast<int>(queue_.size());
        queue_.clear();
        position_ = 0;
        paused_ = false;
        done = done_;
        context = context_;
    }
    for (int i = 0; i < returned; ++i) done(context);
}

uint32_t SimulatedWaveDevice::close() {
    std::unique_lock<std::mutex> hold(lock_);
    if (!queue_.empty()) return kWaveStillPlaying;
    // As wave-out's close, it returns only once no buffer's callback runs any more.
    changed_.wait(hold, [this] { return !callbackRunning_; });
    open_ = false;
    ++closeCount_;
    return kWaveOk;
}

uint32_t SimulatedWaveDevice::positionBytes() {
    std::lock_guard<std::mutex> hold(lock_);
    return position_;
}

void SimulatedWaveDevice::setVolume(uint32_t volume) {
    std::lock_guard<std::mutex> hold(lock_);
    volume_ = volume;
}

bool SimulatedWaveDevice::playOneLocked(std::unique_lock<std::mutex>& hold) {
    if (!open_ || paused_ || queue_.empty()) return false;
    if (pacing_ == Pacing::realTime) {
        uint64_t size = buffers_[queue_.front()].written;
        auto duration = std::chrono::microseconds(size * 1000000 / format_.bytesPerSecond());
        changed_.wait_for(hold, duration, [this] { return quitting_; });
        if (quitting_ || queue_.empty() || paused_) return false;
    }
    const Buffer& playing = buffers_[queue_.front()];
    if (keepPlayed_) played_.insert(played_.end(), playing.data, playing.data + playing.written);
    position_ += playing.written;
    queue_.pop_front();
    BufferDoneCallback done = done_;
    void* context = context_;
    callbackRunning_ = true;
    hold.unlock();
    done(context);
    hold.lock();
    callbackRunning_ = false;
    changed_.notify_all();
    return true;
}

void SimulatedWaveDevice::run() {
    std::unique_lock<std::mutex> hold(lock_);
    while (!quitting_) {
        if (!playOneLocked(hold))
            changed_.wait(hold, [this] { return quitting_ || (open_ && !paused_ && !queue_.empty()); });
    }
}

bool SimulatedWaveDevice::playNext() {
    std::unique_lock<std::mutex> hold(lock_);
    return playOneLocked(hold);
}

void SimulatedWaveDevice::failOpenWith(uint32_t result) {
    std::lock_guard<std::mutex> hold(lock_);
    openFailure_ = result;
}

void SimulatedWaveDevice::failPrepareAt(int index) {
    std::lock_guard<std::mutex> hold(lock_);
    prepareFailure_ = index;
}

void SimulatedWaveDevice::setDeviceCount(int count) {
    std::lock_guard<std::mutex> hold(lock_);
    deviceCount_ = count;
}

std::vector<uint8_t> SimulatedWaveDevice::played() const {
    std::lock_guard<std::mutex> hold(lock_);
    return played_;
}

void SimulatedWaveDevice::clearPlayed() {
    std::lock_guard<std::mutex> hold(lock_);
    played_.clear();
}

int SimulatedWaveDevice::queuedCount() const {
    std::lock_guard<std::mutex> hold(lock_);
    return static_cast<int>(queue_.size());
}

int SimulatedWaveDevice::peakQueuedCount() const {
    std::lock_guard<std::mutex> hold(lock_);
    return peakQueued_;
}

int SimulatedWaveDevice::openCount() const {
    std::lock_guard<std::mutex> hold(lock_);
    return openCount_;
}

int SimulatedWaveDevice::closeCount() const {
    std::lock_guard<std::mutex> hold(lock_);
    return closeCount_;
}

int SimulatedWaveDevice::currentDeviceId() const {
    std::lock_guard<std::mutex> hold(lock_);
    return deviceId_;
}

WaveFormat SimulatedWaveDevice::currentFormat() const {
    std::lock_guard<std::mutex> hold(lock_);
    return format_;
}

uint32_t SimulatedWaveDevice::volume() const {
    std::lock_guard<std::mutex> hold(lock_);
    return volume_;
}

bool SimulatedWaveDevice::paused() const {
    std::lock_guard<std::mutex> hold(lock_);
    return paused_;
}

}  // namespace platform
