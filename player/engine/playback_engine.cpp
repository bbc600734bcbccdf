// The playback engine's operations, its output thread and its end-of-track worker.
#include "player/engine/playback_engine.h"

#include <algorithm>
#include <chrono>
#include <utility>
#include <new>

#include "player/engine/module_loader.h"

namespace tumbor {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kDrainInterval{10};
constexpr milliseconds kReturnedBufferWait{100};
// A drain that makes no progress for this long (a stuck device) ends with a reset.
constexpr milliseconds kDrainPatience{5000};

std::string openErrorMessage(uint32_t result) {
    switch (result) {
        case platform::kWaveAllocated: return "Device is already in use";
        case platform::kWaveBadDeviceId: return "Device specified does not exist. Choose another device";
        case platform::kWaveNoDriver: return "No device driver present";
        case platform::kWaveNoMemory: return "Not enough memory to allocate sound device";
        case platform::kWaveBadFormat: return "Current device can`t handle this format";
        case platform::kWaveNoDriverCallback:
            return "Error while registering callback function. Restart player (or Windows).";
        default: return "Unknown error encountered: " + std::to_string(result);
    }
}

// Buffer size by data rate: 4096 bytes up to 33075 bytes a second, then
// 8192 up to 66150, 16384 up to 132300, and 32768 above.
int bufferSizeFor(const platform::WaveFormat& format) {
    uint64_t t = uint64_t(format.sampleRate) * format.blockAlign() * 8192 / 44100;
    if (t <= 6144) return 4096;
    if (t <= 12288) return 8192;
    if (t <= 24576) return 16384;
    return 32768;
}

}  // namespace

PlaybackEngine::PlaybackEngine(const ModuleRegistry& registry, std::unique_ptr<platform::WaveDevice> device)
    : registry_(registry), device_(std::move(device)) {
    endOfTrackWorker_ = std::thread([this] { endOfTrackLoop(); });
}

PlaybackEngine::~PlaybackEngine() {
    {
        std::lock_guard<std::mutex> hold(endLock_);
        quitting_ = true;
    }
    endChanged_.notify_all();
    endOfTrackWorker_.join();
    std::lock_guard<std::mutex> hold(operationLock_);
    stopLocked(1);
    stopOutputThread();
    unloadLocked();
    closeDeviceLocked();
}

void PlaybackEngine::setSongEndedHandler(std::function<void()> onSongEnded) {
    std::lock_guard<std::mutex> hold(operationLock_);
    onSongEnded_ = std::move(onSongEnded);
}

bool PlaybackEngine::isPcm() const { return module_ && (module_->flags & pcmOutput); }

// ---- loading and unloading -------------------------------------------------

int PlaybackEngine::load(const std::string& file) {
    std::lock_guard<std::mutex> hold(operationLock_);
    stopLocked(1);
    // A module loaded but never played is still open: stop leaves it alone.
    if (module_) {
        stopOutputThread();
        unloadLocked();
    }
    positionReset_ = true;
    message_.clear();
    currentFile_ = file;
    module_ = probeModules(registry_, file);
    if (!startProbedLocked() || !openOutputLocked()) return 0;
    anchorAtDeviceLocked();
    return 1;
}

// Starts the module just probed, with its capabilities and gain; on failure
// the message is set and the module unloaded.
int PlaybackEngine::startProbedLocked() {
    if (!module_) {
        message_ = unknownFormatMessage(currentFile_);
        return 0;
    }
    extension_ = registry_.extensionOf(module_);
    if (extension_.setGapless) extension_.setGapless(gapless_ ? 1 : 0);
    if (!module_->start || !module_->start()) {
        std::string failure = startFailureMessage(*module_);
        if (isPcm()) closeDeviceLocked();
        unloadLocked();
        message_ = failure;  // after closeDevice, which clears the message
        return 0;
    }
    StreamLoudness loudness{};
    bool tells = extension_.getLoudness != nullptr;
    if (tells && !extension_.getLoudness(&loudness)) loudness = StreamLoudness{};
    gain_ = gainScale(replayGain_, tells ? &loudness : nullptr);
    nextSongFrame_ = 0;
    return 1;
}

// The device in the started module's format, or closed for a module that plays by itself.
int PlaybackEngine::openOutputLocked() {
    if (isPcm()) {
        platform::WaveFormat format;
        format.sampleRate = module_->sampleRate;
        format.channels = module_->channels;
        format.bitsPerSample = module_->bitsPerSample;
        return openDeviceLocked(format);
    }
    closeDeviceLocked();
    return 1;
}

void PlaybackEngine::setReplayGain(const ReplayGainSettings& settings) {
    std::lock_guard<std::mutex> hold(operationLock_);
    replayGain_ = settings;
}

void PlaybackEngine::setEqualizer(const EqualizerSettings& settings) {
    std::lock_guard<std::mutex> hold(operationLock_);  // one writer at a time
    equalizer_.set(settings);
}

void PlaybackEngine::setSongDecodedHandler(std::function<void()> onSongDecoded) {
    std::lock_guard<std::mutex> hold(operationLock_);
    onSongDecoded_ = std::move(onSongDecoded);
}

void PlaybackEngine::setSongStartedHandler(std::function<void()> onSongStarted) {
    std::lock_guard<std::mutex> hold(operationLock_);
    onSongStarted_ = std::move(onSongStarted);
}

PlaybackEngine::HandOver PlaybackEngine::handOver(const std::string& file) {
    std::lock_guard<std::mutex> hold(operationLock_);
    // A song handed over but not yet heard is handed on only once it is heard.
    if (!gapless_ || !isPcm() || state_ != kPlaying || !decodedToEnd_ || !device_->isOpen() || fadingLocked())
        return HandOver::notApplicable;
    // The output thread lets go of the module; the device plays on meanwhile.
    stopOutputThread();
    endingSong_ = nowPlayingLocked();
    endingSong_.canSeek = false;
    endingFile_ = currentFile_;
    endingAnchor_ = heardAnchor_;
    endingEndByte_ = nextDeviceByte_;
    if (module_->notify) module_->notify(NOTIFY_STOP);
    if (module_->seek) module_->seek(0, 1);
    unloadLocked();
    message_.clear();
    currentFile_ = file;
    module_ = probeModules(registry_, file);
    const bool started = startProbedLocked() != 0;
    if (started && isPcm() && module_->sampleRate == format_.sampleRate &&
        module_->channels == format_.channels && module_->bitsPerSample == format_.bitsPerSample) {
        switchCountdown_ = queued_.load();
        // The new song starts where the last buffer written of the old one ends.
        forgetWrittenBuffers();
        heardAnchor_ = SoundAnchor{endingEndByte_, 0};
        startOutputThread();
        semaphore_.wake();
        if (switchCountdown_ == 0) songStarted(generation_);
        if (module_->notify) module_->notify(NOTIFY_PLAY);
        return HandOver::handedOver;
    }
    // Not the same format: the song plays out first, then the device follows the new one.
    drainRingLocked();
    state_ = kStopped;
    positionReset_ = true;
    if (!started || !openOutputLocked()) return HandOver::failed;
    anchorAtDeviceLocked();
    return HandOver::loaded;
}

// With the output thread stopped: waits until the device has handed back every
// queued buffer (or made no progress for a while, then resets it).
void PlaybackEngine::drainRingLocked() {
    auto lastProgress = std::chrono::steady_clock::now();
    while (queued_ > 0) {
        if (semaphore_.wait(kReturnedBufferWait) == BufferSemaphore::WaitResult::signalled) {
            ringHead_ = (ringHead_ + 1) % bufferCount_;
            --queued_;
            lastProgress = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - lastProgress > kDrainPatience) {
            device_->reset();
            semaphore_.reset();
            queued_ = 0;
        }
    }
}

void PlaybackEngine::unload() {
    std::lock_guard<std::mutex> hold(operationLock_);
    stopOutputThread();
    unloadLocked();
}

void PlaybackEngine::unloadLocked() {
    if (!module_) return;
    unloadModule(*module_);
    module_ = nullptr;
    currentFile_.clear();
}

// ---- play, pause, stop ------------------------------------------------------

void PlaybackEngine::play() {
    std::lock_guard<std::mutex> hold(operationLock_);
    playLocked();
}

void PlaybackEngine::playLocked() {
    if (!module_) return;
    if (state_ == kPaused) {
        state_ = kPlaying;
        if (isPcm()) device_->restart();
        semaphore_.wake();
        if (module_->notify) module_->notify(NOTIFY_RESUME);
    } else if (state_ == kStopped) {
        if (isPcm() && !device_->isOpen()) return;
        positionReset_ = true;
        if (!outputThread_.joinable()) {
            semaphore_.reset();
            ringHead_ = 0;
            queued_ = 1;  // a fictitious returned buffer starts the fill
            anchorAtDeviceLocked();
            state_ = kPlaying;
            startOutputThread();
            if (isPcm()) semaphore_.release();
        } else {
            state_ = kPlaying;
            semaphore_.wake();
        }
        if (module_->notify) module_->notify(NOTIFY_PLAY);
    }
}

void PlaybackEngine::pause() {
    std::lock_guard<std::mutex> hold(operationLock_);
    if (!module_ || state_ != kPlaying) return;
    if (isPcm() && device_->isOpen()) device_->pause();
    state_ = kPaused;
    if (module_->notify) module_->notify(NOTIFY_PAUSE);
}

int PlaybackEngine::stop(int immediate) {
    std::lock_guard<std::mutex> hold(operationLock_);
    return stopLocked(immediate);
}

int PlaybackEngine::stopLocked(int immediate) {
    if (!module_) return 0;
    positionReset_ = true;
    int previous = state_.exchange(kStopped);
    switchCountdown_ = 0;
    if (previous == kStopped) return 0;
    if (isPcm() && device_->isOpen()) {
        // A paused device never drains, so it is reset like an immediate stop.
        if (immediate || previous == kPaused) {
            device_->reset();
        } else {
            auto lastProgress = std::chrono::steady_clock::now();
            int lastQueued = queued_;
            while (queued_ > 0) {
                std::this_thread::sleep_for(kDrainInterval);
                if (queued_ != lastQueued) {
                    lastQueued = queued_;
                    lastProgress = std::chrono::steady_clock::now();
                } else if (std::chrono::steady_clock::now() - lastProgress > kDrainPatience) {
                    device_->reset();
                    break;
                }
            }
        }
    }
    // The output thread lets go of the module before the module is told anything.
    stopOutputThread();
    if (module_->notify) module_->notify(NOTIFY_STOP);
    if (module_->seek) module_->seek(0, 1);
    unloadLocked();
    return 1;
}

// ---- the device ---------------------------------------------------------------

void PlaybackEngine::closeDevice() {
    std::lock_guard<std::mutex> hold(operationLock_);
    closeDeviceLocked();
}

bool PlaybackEngine::deviceOpen() const {
    std::lock_guard<std::mutex> hold(operationLock_);
    return device_->isOpen();
}

void PlaybackEngine::closeDeviceLocked() {
    message_.clear();
    if (!device_->isOpen()) return;
    state_ = kStopped;
    switchCountdown_ = 0;
    stopOutputThread();
    std::lock_guard<std::mutex> lease(leaseLock_);
    device_->reset();
    while (device_->close() == platform::kWaveStillPlaying) {
    }
    freeBuffersLocked();
}

void PlaybackEngine::freeBuffersLocked() {
    for (size_t i = 0; i < buffers_.size(); ++i) device_->unprepare(static_cast<int>(i));
    buffers_.clear();
}

int PlaybackEngine::openDeviceLocked(const platform::WaveFormat& format) {
    message_.clear();
    if (device_->isOpen() && format_ == format) return 1;
    closeDeviceLocked();
    std::lock_guard<std::mutex> lease(leaseLock_);
    format_ = format;
    bufferSize_ = bufferSizeFor(format);
    uint32_t result = device_->open(deviceId_, format, onBufferDone, this);
    if (result != platform::kWaveOk) {
        message_ = openErrorMessage(result);
        return 0;
    }
    device_->setVolume(volume_);
    bool allocated = true;
    try {
        buffers_.reserve(static_cast<size_t>(bufferCount_));
        for (int i = 0; i < bufferCount_ && allocated; ++i) {
            buffers_.emplace_back(static_cast<size_t>(bufferSize_));
            allocated = device_->prepare(i, buffers_.back().data(), static_cast<uint32_t>(bufferSize_)) ==
                        platform::kWaveOk;
            if (!allocated) buffers_.pop_back();
        }
    } catch (const std::bad_alloc&) {
        allocated = false;
    }
    if (!allocated) {
        freeBuffersLocked();
        while (device_->close() == platform::kWaveStillPlaying) {
        }
        message_ = "Unable to allocate buffer memory";
        return 0;
    }
    state_ = kStopped;
    return 1;
}

void PlaybackEngine::onBufferDone(void* engine) { static_cast<PlaybackEngine*>(engine)->semaphore_.release(); }

const uint8_t* PlaybackEngine::bufferData(int index) const {
    if (index < 0 || index >= static_cast<int>(buffers_.size())) return nullptr;
    return buffers_[static_cast<size_t>(index)].data();
}

// ---- settings that reopen the device -----------------------------------------

void PlaybackEngine::setVolume(uint32_t value, uint32_t max) {
    std::lock_guard<std::mutex> hold(operationLock_);
    if (max == 0) return;
    if (value > max) value = max;
    uint32_t level = static_cast<uint32_t>(uint64_t(value) * 0xFFFF / max);
    volume_ = level | level << 16;
    if (device_->isOpen()) device_->setVolume(volume_);
}

int PlaybackEngine::setDevice(int id) {
    std::lock_guard<std::mutex> hold(operationLock_);
    if (!device_->isOpen()) {
        deviceId_ = id;
        return 1;
    }
    int previousState = state_;
    int previousId = deviceId_;
    closeDeviceLocked();
    deviceId_ = id;
    if (!openDeviceLocked(format_)) {
        std::string failure = message_;
        deviceId_ = previousId;
        openDeviceLocked(format_);
        message_ = failure;
        return 0;
    }
    if (previousState == kPlaying) playLocked();
    return 1;
}

void PlaybackEngine::setBufferLength(uint32_t milliseconds) {
    std::lock_guard<std::mutex> hold(operationLock_);
    uint64_t count = uint64_t(milliseconds) * 1764 / 10 / static_cast<uint64_t>(bufferSize_);
    int clamped = count < 3 ? 3 : count > platform::kMaxWaveBuffers ? platform::kMaxWaveBuffers : int(count);
    if (!device_->isOpen()) {
        std::lock_guard<std::mutex> lease(leaseLock_);
        bufferCount_ = clamped;
        return;
    }
    int previousState = state_;
    closeDeviceLocked();
    {
        std::lock_guard<std::mutex> lease(leaseLock_);
        bufferCount_ = clamped;
    }
    openDeviceLocked(format_);
    if (previousState == kPlaying) playLocked();
}

// ---- position and seeking -------------------------------------------------------

void PlaybackEngine::requestSeek(int x, int width) {
    if (width < 1) return;
    if (x < 0) x = 0;
    if (x > width) x = width;
    seekRequest_ = static_cast<int>(int64_t(x) * 1024 / width) + kAbsoluteSeek;
}

void PlaybackEngine::requestSkip(bool forward) { seekRequest_ = forward ? kSkipForward : kSkipBack; }

void PlaybackEngine::clearSkip() {
    int pending = kSkipBack;
    if (!seekRequest_.compare_exchange_strong(pending, kNoSeek)) {
        pending = kSkipForward;
        seekRequest_.compare_exchange_strong(pending, kNoSeek);
    }
}

int PlaybackEngine::getQueuedTenths() {
    std::lock_guard<std::mutex> hold(operationLock_);
    return queuedTenthsLocked();
}

int PlaybackEngine::queuedTenthsLocked() const {
    if (!isPcm() || !device_->isOpen()) return 0;
    const int32_t pending = static_cast<int32_t>(nextDeviceByte_ - device_->positionBytes());
    return pending > 0 ? static_cast<int>(uint64_t(pending) * 10 / format_.bytesPerSecond()) : 0;
}

// The module's position for a module that plays by itself; for PCM, the
// frames the device has played since the anchor of the song being heard.
int PlaybackEngine::heardTenthsLocked() const {
    if (!isPcm()) return module_->getPosition ? module_->getPosition() : 0;
    const bool fading = fadingLocked();
    const SoundAnchor anchor = fading ? endingAnchor_ : heardAnchor_.load();
    if (!device_->isOpen() || format_.sampleRate == 0) return 0;
    // Read after the anchor: a seek resets the device before it moves the anchor.
    const uint32_t played = device_->positionBytes();
    int32_t since = static_cast<int32_t>(played - anchor.deviceByte);
    if (since < 0) since = 0;  // the song's first sound is not heard yet
    // The song handed over from ends where the next one begins.
    if (fading) since = std::min<int32_t>(since, static_cast<int32_t>(endingEndByte_ - anchor.deviceByte));
    const uint64_t frames = anchor.songFrame + uint64_t(since) / format_.blockAlign();
    return static_cast<int>(frames * 10 / format_.sampleRate);
}

// With no output thread running: the song's next sound is the next the device plays.
void PlaybackEngine::anchorAtDeviceLocked() {
    nextDeviceByte_ = device_->isOpen() ? device_->positionBytes() : 0;
    forgetWrittenBuffers();
    heardAnchor_ = SoundAnchor{nextDeviceByte_, nextSongFrame_};
}

int PlaybackEngine::getGaugePosition(int range) {
    std::lock_guard<std::mutex> hold(operationLock_);
    if (seekRequest_ == kAbsoluteSeek || !module_ || state_ == kStopped || !module_->getLength) return 0;
    const bool fading = fadingLocked();
    int length = fading ? endingSong_.lengthTenths : module_->getLength();
    if (length < 1) return 0;
    int heard = heardTenthsLocked();
    int p = static_cast<int>(int64_t(heard) * range / length);
    if (positionReset_.exchange(false))
        lastPosition_ = p;
    else if (p < lastPosition_)
        p = lastPosition_;
    else
        lastPosition_ = p;
    return p < 0 ? 0 : p > range ? range : p;
}

// Runs on the output thread.
bool PlaybackEngine::performSeekIfPending() {
    // A seek waits until the song handed over from has played out.
    if (switchCountdown_ > 0) return false;
    int request = seekRequest_;
    if (request == kNoSeek || !module_->seek) return false;
    positionReset_ = true;
    if (request == kSkipBack) {
        module_->seek(module_->getPosition() - 50, 0);
    } else if (request == kSkipForward) {
        module_->seek(module_->getPosition() + 50, 0);
    } else {
        int length = module_->getLength ? module_->getLength() : 0;
        module_->seek(static_cast<int>((int64_t(length) * (request - kAbsoluteSeek)) >> 10), 1);
    }
    // A newer request that arrived meanwhile stays pending.
    seekRequest_.compare_exchange_strong(request, kNoSeek);
    return true;
}

// ---- messages and state for the window ---------------------------------------------

std::string PlaybackEngine::message() const {
    std::lock_guard<std::mutex> hold(operationLock_);
    return message_;
}

std::string PlaybackEngine::currentFile() const {
    std::lock_guard<std::mutex> hold(operationLock_);
    return fadingLocked() ? endingFile_ : currentFile_;
}

StreamModule* PlaybackEngine::currentModule() const {
    std::lock_guard<std::mutex> hold(operationLock_);
    return module_;
}

NowPlaying PlaybackEngine::nowPlaying() const {
    std::lock_guard<std::mutex> hold(operationLock_);
    if (!fadingLocked()) return nowPlayingLocked();
    NowPlaying ending = endingSong_;
    ending.heardTenths = heardTenthsLocked();
    return ending;
}

NowPlaying PlaybackEngine::nowPlayingLocked() const {
    NowPlaying now;
    if (!module_) return now;
    now.loaded = true;
    now.heardTenths = heardTenthsLocked();
    if (module_->getLength) now.lengthTenths = module_->getLength();
    now.canSeek = module_->seek != nullptr;
    if (module_->titleText && module_->titleText[0])
        now.title = moduleText(*module_, module_->titleText);
    else
        now.title = currentFile_.substr(currentFile_.find_last_of("\\/") + 1);
    now.sampleRate = static_cast<int>(module_->sampleRate);
    if (module_->getBitrate) now.bitrate = module_->getBitrate();
    return now;
}

}  // namespace tumbor
