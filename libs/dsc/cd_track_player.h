// One track of an audio CD played by the system's CD audio device. Nothing
// passes through the player: this object starts, pauses, moves and stops the
// device and reports where it stands. The window thread and the player's
// output thread call it at the same time, so the state they share is atomic.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/cd_audio.h"

namespace tumbor {

class CdTrackPlayer {
public:
    // The track (1..99) the next start plays.
    void setTrack(int track) { track_ = track; }
    int track() const { return track_; }

    // Opens the device (closing any held before). On failure openError holds
    // the system's message for it.
    bool openDevice(std::string& openError);
    // Plays the whole track from its start; on failure the device is closed.
    bool playFromStart();

    // Tenths of a second into the track. Also retries a refused seek and
    // notices when the device has stopped.
    int position();
    int length() const { return lengthTenths_; }
    // Plays from tenths (negative means 0) to the end of the track. A refused
    // seek is kept and retried by the next position call. False when the
    // device was not told to play from there.
    bool seek(int tenths);
    // False once the track has stopped; a failed mode query counts as playing.
    bool stillPlaying();

    void pause();
    void resume();
    void stop();
    // Stops, closes the device and forgets a pending seek.
    void close();

private:
    void closeDevice();
    bool deviceStopped();

    static constexpr int kNoSeek = -1;

    std::atomic<int> track_{0};
    std::atomic<uint32_t> device_{0};  // 0: no device held
    std::atomic<int> lengthTenths_{0};
    std::atomic<uint32_t> trackEnd_{0};  // TMSF of the end of the track
    std::atomic<int> lastPosition_{0};   // tenths
    std::atomic<bool> stopped_{false};
    std::atomic<int> pendingSeek_{kNoSeek};  // tenths
    platform::CdTime pausedAt_;              // window thread only
};

}  // namespace tumbor
