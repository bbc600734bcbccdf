#include "libs/dsc/cd_track_player.h"

#include "libs/dsc/cd_time.h"

namespace tumbor {

using platform::CdMode;
using platform::kCdSuccess;

void CdTrackPlayer::closeDevice() {
    // The identifier is forgotten at once: MCI may hand it out again to
    // another device, which must not be closed by mistake later.
    uint32_t device = device_.exchange(0);
    if (device != 0) platform::closeCdAudio(device);
}

bool CdTrackPlayer::deviceStopped() {
    CdMode mode = CdMode::other;
    return platform::cdMode(device_, mode) == kCdSuccess && mode == CdMode::stopped;
}

bool CdTrackPlayer::openDevice(std::string& openError) {
    closeDevice();
    pendingSeek_ = kNoSeek;
    uint32_t device = 0;
    platform::CdError error = platform::openCdAudio(device);
    if (error != kCdSuccess) {
        openError = platform::cdErrorText(error);
        return false;
    }
    device_ = device;
    return true;
}

bool CdTrackPlayer::playFromStart() {
    lastPosition_ = 0;
    stopped_ = false;
    pausedAt_ = platform::CdTime{};
    uint32_t lengthMsf = 0;
    bool playing = platform::cdTrackLength(device_, track_, lengthMsf) == kCdSuccess &&
                   platform::cdUseTrackTimes(device_) == kCdSuccess;
    if (playing) {
        platform::CdTime length = platform::unpackMsf(lengthMsf);
        lengthTenths_ = tenthsFromCdTime(length);
        trackEnd_ = platform::packTmsf(track_, length);
        playing = platform::cdPlay(device_, platform::packTmsf(track_, {}), trackEnd_) == kCdSuccess;
    }
    if (!playing) closeDevice();
    return playing;
}

int CdTrackPlayer::position() {
    uint32_t tmsf = 0;
    int tenths = lastPosition_;
    if (platform::cdPosition(device_, tmsf) == kCdSuccess) {
        tenths = tenthsFromCdTime(platform::tmsfTime(tmsf));  // the track byte is ours anyway
        lastPosition_ = tenths;
    }
    int pending = pendingSeek_.exchange(kNoSeek);
    if (pending != kNoSeek) seek(pending);
    if (deviceStopped()) stopped_ = true;
    return tenths;
}

bool CdTrackPlayer::seek(int tenths) {
    if (stopped_) return false;
    if (tenths < 0) tenths = 0;
    uint32_t from = platform::packTmsf(track_, cdTimeFromTenths(tenths));
    if (platform::cdPlay(device_, from, trackEnd_) == kCdSuccess) return true;
    int none = kNoSeek;
    pendingSeek_.compare_exchange_strong(none, tenths);  // an older pending target wins
    return false;
}

bool CdTrackPlayer::stillPlaying() { return !stopped_ && !deviceStopped(); }

void CdTrackPlayer::pause() {
    if (platform::cdPause(device_) != kCdSuccess) return;
    uint32_t tmsf = 0;
    if (platform::cdPosition(device_, tmsf) == kCdSuccess)
        pausedAt_ = platform::tmsfTime(tmsf);
    else
        pausedAt_ = cdTimeFromTenths(lastPosition_);
}

void CdTrackPlayer::resume() {
    if (platform::cdPlay(device_, platform::packTmsf(track_, pausedAt_), trackEnd_) == kCdSuccess) return;
    // Without a device the track cannot go on; saying so lets the player move on.
    closeDevice();
    stopped_ = true;
}

void CdTrackPlayer::stop() {
    if (!stopped_ && device_ != 0 && platform::cdStop(device_) == kCdSuccess) stopped_ = true;
}

void CdTrackPlayer::close() {
    stop();
    closeDevice();
    pendingSeek_ = kNoSeek;
}

}  // namespace tumbor
