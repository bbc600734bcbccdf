// The playback engine: plays one file at a time. It probes the registry for
// a module, starts it, opens the wave device in the module's format and feeds
// the device from an output thread through a ring of buffers, of which at
// most count - 1 are queued at once. Modules without PCM output play by
// themselves and are only polled.
//
// Threads: the window thread calls the public operations; the output thread
// decodes and performs seek requests; the device's callback only releases the
// semaphore; an end-of-track worker stops the engine after a song has ended.
// Public operations are serialised with one lock that the output thread never
// takes, and they return only once the output thread has let go of the module
// and the device.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/wave_device.h"
#include "player/engine/buffer_semaphore.h"
#include "player/engine/equalizer_hand_off.h"
#include "player/engine/module_registry.h"
#include "player/engine/replay_gain.h"

namespace tumbor {

// What the window shows of the song, read in one piece under the engine's
// lock, so the module cannot be closed (and its texts freed) halfway through.
struct NowPlaying {
    bool loaded = false;
    int heardTenths = 0;    // how much of the song has been heard
    int lengthTenths = -1;  // -1: the module cannot tell
    bool canSeek = false;
    std::string title;      // the module's title text, or the file name without its folder
    int sampleRate = 0;
    int bitrate = 0;
};

// The sound the device is playing, as the engine lends it to the
// visualization host: which buffer plays, how far the device has got, and
// the buffers themselves.
struct PlayingSound {
    platform::WaveFormat format;
    int state = 2;  // the engine's state: 0 playing, 1 paused, 2 stopped
    int bufferSize = 0;
    int bufferCount = 0;
    int ringHead = 0;  // the buffer being played
    uint32_t positionBytes = 0;
    const std::vector<std::vector<uint8_t>>* buffers = nullptr;

    // Buffer index's bufferSize bytes, or null when there is no such buffer.
    const uint8_t* buffer(int index) const {
        if (!buffers || index < 0 || index >= static_cast<int>(buffers->size())) return nullptr;
        const std::vector<uint8_t>& data = (*buffers)[static_cast<size_t>(index)];
        return static_cast<int>(data.size()) >= bufferSize ? data.data() : nullptr;
    }
};

// Where a song's sound lies on the device: frame songFrame of the song plays
// at byte deviceByte of the device's position.
// Aligned to its size, so that an atomic one is lock-free on every target.
struct alignas(8) SoundAnchor {
    uint32_t deviceByte = 0;
    uint32_t songFrame = 0;
};

class PlaybackEngine {
public:
    enum State { kPlaying = 0, kPaused = 1, kStopped = 2 };
    // Seek requests: none, back 5 s, forward 5 s, or 256 + f for f/1024 of the length.
    enum SeekRequest { kNoSeek = 0, kSkipBack = 1, kSkipForward = 2, kAbsoluteSeek = 256 };

    PlaybackEngine(const ModuleRegistry& registry, std::unique_ptr<platform::WaveDevice> device);
    ~PlaybackEngine();
    PlaybackEngine(const PlaybackEngine&) = delete;
    PlaybackEngine& operator=(const PlaybackEngine&) = delete;

    // What happens when a song has ended: with advance on, onSongEnded runs
    // (on the end-of-track worker; the player posts "PlayNext" there); with
    // advance off the device is closed.
    void setSongEndedHandler(std::function<void()> onSongEnded);
    void setAdvance(bool advance) { advance_ = advance; }

    // Gapless playback. With it on, a song decoded to its end reports so
    // (onSongDecoded, on the end-of-track worker) while its last buffers still
    // play; handOver then starts the next file and, when it plays in the same
    // format, goes on filling the same device with it. onSongStarted runs on
    // the worker when the sound reaches the new song; until then position,
    // length and title stay those of the song being heard.
    void setGapless(bool on) { gapless_ = on; }
    void setSongDecodedHandler(std::function<void()> onSongDecoded);
    void setSongStartedHandler(std::function<void()> onSongStarted);
    enum class HandOver {
        notApplicable,  // no song is playing out its last buffers (or the song before it
                        // still plays): nothing was done
        handedOver,     // the file follows the song being heard without a gap
        loaded,         // another format: the song played out, the file was loaded as load does
        failed          // the song played out and the file could not be loaded (message set)
    };
    HandOver handOver(const std::string& file);

    // Takes effect from the next file loaded.
    void setReplayGain(const ReplayGainSettings& settings);
    // Takes effect from the next buffer filled, after the ReplayGain gain.
    void setEqualizer(const EqualizerSettings& settings);
    EqualizerSettings equalizer() const { return equalizer_.settings(); }

    int load(const std::string& file);
    void play();
    void pause();
    int stop(int immediate);
    void closeDevice();
    bool deviceOpen() const;
    void unload();
    int getState() const { return state_; }

    void requestSeek(int x, int width);
    void requestSkip(bool forward);
    // Clears a pending skip when its button or key is released.
    void clearSkip();
    int getGaugePosition(int range);
    int getQueuedTenths();

    void setVolume(uint32_t value, uint32_t max);
    int setDevice(int id);
    void setBufferLength(uint32_t milliseconds);

    std::string message() const;
    std::string currentFile() const;
    StreamModule* currentModule() const;
    NowPlaying nowPlaying() const;

    // Read access on the window thread; other threads borrow the buffers through lendPlayingSound.
    platform::WaveFormat format() const { return format_; }
    int bufferSize() const { return bufferSize_; }
    int bufferCount() const { return bufferCount_; }
    int ringHead() const { return ringHead_; }
    const uint8_t* bufferData(int index) const;

    // Calls read(const PlayingSound&) while the device can be neither closed
    // nor reopened and no buffer freed or replaced (the output thread goes on
    // filling them); false, without calling it, when no device is open. The
    // output thread never waits for this, so read only has to be short.
    template <typename Reader>
    bool lendPlayingSound(Reader&& read) const {
        std::lock_guard<std::mutex> hold(leaseLock_);
        if (!device_->isOpen() || buffers_.empty()) return false;
        PlayingSound sound;
        sound.format = format_;
        sound.state = state_;
        sound.bufferSize = bufferSize_;
        sound.bufferCount = static_cast<int>(buffers_.size());
        sound.ringHead = ringHead_;
        sound.positionBytes = device_->positionBytes();
        sound.buffers = &buffers_;
        read(static_cast<const PlayingSound&>(sound));
        return true;
    }

private:
    int stopLocked(int immediate);
    int startProbedLocked();
    int openOutputLocked();
    void drainRingLocked();
    bool fadingLocked() const { return switchCountdown_ > 0; }
    int heardTenthsLocked() const;
    void anchorAtDeviceLocked();
    NowPlaying nowPlayingLocked() const;
    void playLocked();
    void closeDeviceLocked();
    int openDeviceLocked(const platform::WaveFormat& format);
    void unloadLocked();
    void freeBuffersLocked();
    void startOutputThread();
    void stopOutputThread();
    bool isPcm() const;
    // One buffer is always kept back: at most count - 1 are queued.
    bool ringIsFull() const { return queued_ >= bufferCount_ - 1; }
    int queuedTenthsLocked() const;

    void outputLoopPcm(uint64_t generation);
    void outputLoopPolled(uint64_t generation);
    bool fillBuffers(bool& ended);
    void noteWritten(int index, uint32_t bytes);
    void forgetWrittenBuffers();
    void anchorAtReturnedBuffer(int index);
    bool seekDeviceIfPending();
    bool performSeekIfPending();
    void songEnded(uint64_t generation);
    void songDecoded(uint64_t generation);
    void songStarted(uint64_t generation);
    void endOfTrackLoop();
    void reportIfCurrent(uint64_t generation, const std::function<void()>& handler);

    static void onBufferDone(void* engine);

    const ModuleRegistry& registry_;
    std::unique_ptr<platform::WaveDevice> device_;
    mutable std::mutex operationLock_;  // public operations and the end-of-track worker
    // Held while the device opens or closes and while the buffers, their size
    // or their count change; and by a borrower of the playing sound.
    mutable std::mutex leaseLock_;

    std::string message_;
    std::string currentFile_;
    StreamModule* module_ = nullptr;

    int deviceId_ = platform::kDefaultWaveDevice;
    platform::WaveFormat format_;
    int bufferCount_ = 8;
    int bufferSize_ = 32768;
    std::vector<std::vector<uint8_t>> buffers_;
    uint32_t volume_ = 0xFFFFFFFF;

    std::atomic<int> state_{kStopped};
    std::atomic<int> ringHead_{0};
    std::atomic<int> queued_{0};
    std::atomic<int> seekRequest_{kNoSeek};
    std::atomic<bool> positionReset_{true};
    int lastPosition_ = 0;

    // The heard position counts the bytes the device has played since an
    // anchor, which the output thread moves to the end of every buffer of the
    // song that the device hands back, so the count stays short and exact
    // however long the song and whatever the length of the buffers before it.
    std::atomic<SoundAnchor> heardAnchor_{};
    // Where the next buffer written will start, on the device and in the song.
    std::atomic<uint32_t> nextDeviceByte_{0};
    std::atomic<uint32_t> nextSongFrame_{0};
    // Where each written buffer ends; stale after a seek or a hand-over, whose
    // device position or song no longer match it. Only one thread at a time
    // touches these: the output thread while it runs, else the window thread.
    struct WrittenBuffer {
        bool current = false;
        SoundAnchor end;
    };
    WrittenBuffer writtenBuffers_[platform::kMaxWaveBuffers];

    // The current module's optional capabilities and the gain its sound gets.
    StreamModuleExtension extension_{};
    ReplayGainSettings replayGain_;
    std::atomic<uint32_t> gain_{kUnityGain};
    EqualizerHandOff equalizer_;

    // Off until the player says otherwise: a song's last buffer then keeps its padding.
    std::atomic<bool> gapless_{false};
    // The output thread has decoded the song to its end and reported it.
    std::atomic<bool> decodedToEnd_{false};
    // After a hand-over: buffers of the previous song still queued. While
    // nonzero the window is shown endingSong_, and seeks wait.
    std::atomic<int> switchCountdown_{0};
    NowPlaying endingSong_;
    std::string endingFile_;
    SoundAnchor endingAnchor_;
    uint32_t endingEndByte_ = 0;  // the device byte where the song handed over from ends

    BufferSemaphore semaphore_;
    std::thread outputThread_;
    std::atomic<bool> outputStopRequested_{false};
    // Counts output threads; an end of track reported by an older one is stale.
    std::atomic<uint64_t> generation_{0};

    std::atomic<bool> advance_{true};
    std::function<void()> onSongEnded_;
    std::function<void()> onSongDecoded_;
    std::function<void()> onSongStarted_;
    std::thread endOfTrackWorker_;
    std::mutex endLock_;
    std::condition_variable endChanged_;
    bool endPending_ = false;
    uint64_t endGeneration_ = 0;
    bool decodedPending_ = false;
    uint64_t decodedGeneration_ = 0;
    bool startedPending_ = false;
    uint64_t startedGeneration_ = 0;
    bool quitting_ = false;
};

}  // namespace tumbor
