// The simulated CD drive and the cd_audio functions that lead to it. Tracks
// lie back to back on the disc; the head moves 75 frames a second while
// playing and stops at the end of the range it was told to play.
#include <algorithm>

#include "platform/simulated_cd_drive.h"

namespace platform {
namespace {

constexpr uint64_t kFramesPerSecond = 75;

uint64_t framesOf(const CdTime& time) {
    return (static_cast<uint64_t>(time.minutes) * 60 + time.seconds) * kFramesPerSecond + time.frames;
}

CdTime timeOf(uint64_t frames) {
    return CdTime{static_cast<int>(frames / (60 * kFramesPerSecond)),
                  static_cast<int>(frames / kFramesPerSecond % 60),
                  static_cast<int>(frames % kFramesPerSecond)};
}

}  // namespace

void SimulatedCdDrive::reset() {
    std::lock_guard<std::mutex> hold(lock_);
    trackFrames_.clear();
    openDevice_ = 0;  // lastDevice_ runs on, so an identifier from before is still stale
    trackTimes_ = false;
    mode_ = CdMode::stopped;
    headMilliframes_ = 0;
    playEndFrame_ = 0;
    playedFrom_ = playedTo_ = 0;
    failures_.clear();
    log_.clear();
}

void SimulatedCdDrive::insertDisc(const std::vector<uint32_t>& trackFrames) {
    std::lock_guard<std::mutex> hold(lock_);
    trackFrames_ = trackFrames;
    headMilliframes_ = 0;
}

void SimulatedCdDrive::advance(uint32_t milliseconds) {
    std::lock_guard<std::mutex> hold(lock_);
    if (mode_ != CdMode::playing) return;
    // 75 frames a second are 75 milliframes a millisecond.
    headMilliframes_ += static_cast<uint64_t>(milliseconds) * kFramesPerSecond;
    if (headMilliframes_ >= playEndFrame_ * 1000) {
        headMilliframes_ = playEndFrame_ * 1000;
        mode_ = CdMode::stopped;
    }
}

void SimulatedCdDrive::failNext(CdCommand command, CdError error, int count) {
    std::lock_guard<std::mutex> hold(lock_);
    failures_.push_back(PlannedFailure{command, error, count});
}

bool SimulatedCdDrive::deviceOpen() const {
    std::lock_guard<std::mutex> hold(lock_);
    return openDevice_ != 0;
}

CdMode SimulatedCdDrive::mode() const {
    std::lock_guard<std::mutex> hold(lock_);
    return mode_;
}

int SimulatedCdDrive::headTrack() const {
    std::lock_guard<std::mutex> hold(lock_);
    return trackAtHead();
}

CdTime SimulatedCdDrive::headTime() const {
    std::lock_guard<std::mutex> hold(lock_);
    return timeOf(headMilliframes_ / 1000 - trackStart(trackAtHead()));
}

uint32_t SimulatedCdDrive::playedFrom() const {
    std::lock_guard<std::mutex> hold(lock_);
    return playedFrom_;
}

uint32_t SimulatedCdDrive::playedTo() const {
    std::lock_guard<std::mutex> hold(lock_);
    return playedTo_;
}

std::vector<CdCommand> SimulatedCdDrive::log() const {
    std::lock_guard<std::mutex> hold(lock_);
    return log_;
}

CdError SimulatedCdDrive::admit(CdCommand command, uint32_t device) {
    log_.push_back(command);
    auto planned = std::find_if(failures_.begin(), failures_.end(), [&](const PlannedFailure& failure) {
        return failure.command == command && failure.count > 0;
    });
    if (planned != failures_.end()) {
        --planned->count;
        return planned->error;
    }
    if (command == CdCommand::open) return trackFrames_.empty() ? kCdCannotLoadDriver : kCdSuccess;
    return device != 0 && device == openDevice_ ? kCdSuccess : kCdInvalidDevice;
}

uint64_t SimulatedCdDrive::trackStart(int track) const {
    uint64_t start = 0;
    for (int i = 1; i < track && i <= static_cast<int>(trackFrames_.size()); ++i)
        start += trackFrames_[i - 1];
    return start;
}

// The track the head is in. A head on the boundary between two tracks is at
// the start of the later one, unless it has just played the earlier one to
// its end.
int SimulatedCdDrive::trackAtHead() const {
    uint64_t head = headMilliframes_ / 1000;
    int count = static_cast<int>(trackFrames_.size());
    int played = tmsfTrack(playedFrom_);
    if (played >= 1 && played <= count && head >= trackStart(played) &&
        head <= trackStart(played) + trackFrames_[played - 1])
        return played;
    for (int track = 1; track < count; ++track)
        if (head < trackStart(track) + trackFrames_[track - 1]) return track;
    return std::max(count, 1);
}

bool SimulatedCdDrive::toDiscFrame(uint32_t tmsf, uint64_t& discFrame) const {
    int track = tmsfTrack(tmsf);
    CdTime time = tmsfTime(tmsf);
    if (track < 1 || track > static_cast<int>(trackFrames_.size())) return false;
    if (time.seconds >= 60 || time.frames >= static_cast<int>(kFramesPerSecond)) return false;
    if (framesOf(time) > trackFrames_[track - 1]) return false;
    discFrame = trackStart(track) + framesOf(time);
    return true;
}

CdError SimulatedCdDrive::open(uint32_t& device) {
    std::lock_guard<std::mutex> hold(lock_);
    CdError error = admit(CdCommand::open, 0);
    if (error != kCdSuccess) return error;
    // A fresh identifier each time, so that a stale one is noticed.
    openDevice_ = device = ++lastDevice_;
    trackTimes_ = false;
    return kCdSuccess;
}

CdError SimulatedCdDrive::close(uint32_t device) {
    std::lock_guard<std::mutex> hold(lock_);
    CdError error = admit(CdCommand::close, device);
    if (error != kCdSuccess) return error;
    openDevice_ = 0;
    mode_ = CdMode::stopped;
    return kCdSuccess;
}

CdError SimulatedCdDrive::trackLength(uint32_t device, int track, uint32_t& msf) {
    std::lock_guard<std::mutex> hold(lock_);
    CdError error = admit(CdCommand::trackLength, device);
    if (error != kCdSuccess) return error;
    if (track < 1 || track > static_cast<int>(trackFrames_.size())) return kCdOutOfRange;
    msf = packMsf(timeOf(trackFrames_[track - 1]));
    return kCdSuccess;
}

CdError SimulatedCdDrive::useTrackTimes(uint32_t device) {
    std::lock_guard<std::mutex> hold(lock_);
    CdError error = admit(CdCommand::useTrackTimes, device);
    if (error == kCdSuccess) trackTimes_ = true;
    return error;
}

CdError SimulatedCdDrive::play(uint32_t device, uint32_t fromTmsf, uint32_t toTmsf) {
    std::lock_guard<std::mutex> hold(lock_);
    CdError error = admit(CdCommand::play, device);
    if (error != kCdSuccess) return error;
    if (!trackTimes_) return kCdBadTimeFormat;
    uint64_t from = 0, to = 0;
    if (!toDiscFrame(fromTmsf, from) || !toDiscFrame(toTmsf, to) || from > to) return kCdOutOfRange;
    headMilliframes_ = from * 1000;
    playEndFrame_ = to;
    mode_ = from < to ? CdMode::playing : CdMode::stopped;
    playedFrom_ = fromTmsf;
    playedTo_ = toTmsf;
    return kCdSuccess;
}

CdError SimulatedCdDrive::position(uint32_t device, uint32_t& tmsf) {
    std::lock_guard<std::mutex> hold(lock_);
    CdError error = admit(CdCommand::position, device);
    if (error != kCdSuccess) return error;
    if (!trackTimes_) return kCdBadTimeFormat;
    int track = trackAtHead();
    tmsf = packTmsf(track, timeOf(headMilliframes_ / 1000 - trackStart(track)));
    return kCdSuccess;
}

CdError SimulatedCdDrive::mode(uint32_t device, CdMode& mode) {
    std::lock_guard<std::mutex> hold(lock_);
    CdError error = admit(CdCommand::mode, device);
    if (error == kCdSuccess) mode = mode_;
    return error;
}

CdError SimulatedCdDrive::pause(uint32_t device) {
    std::lock_guard<std::mutex> hold(lock_);
    CdError error = admit(CdCommand::pause, device);
    if (error == kCdSuccess && mode_ == CdMode::playing) mode_ = CdMode::paused;
    return error;
}

CdError SimulatedCdDrive::stop(uint32_t device) {
    std::lock_guard<std::mutex> hold(lock_);
    CdError error = admit(CdCommand::stop, device);
    if (error == kCdSuccess) mode_ = CdMode::stopped;
    return error;
}

// The system's own texts for the codes the simulation answers.
const char* SimulatedCdDrive::errorText(CdError error) {
    switch (error) {
        case kCdInvalidDevice:
            return "Invalid MCI device ID. Use the ID returned when opening the MCI device.";
        case kCdCannotLoadDriver:
            return "There is an undetectable problem in loading the specified device driver.";
        case kCdNotReady:
            return "The device driver is not ready.";
        case kCdOutOfRange:
            return "The specified parameter is out of range for the specified command.";
        case kCdBadTimeFormat:
            return "The specified value for the time format is invalid. Refer to the MCI documentation for "
                   "valid formats.";
        default:
            return "";
    }
}

SimulatedCdDrive& simulatedCdDrive() {
    static SimulatedCdDrive drive;
    return drive;
}

CdError openCdAudio(uint32_t& device) { return simulatedCdDrive().open(device); }
CdError closeCdAudio(uint32_t device) { return simulatedCdDrive().close(device); }
CdError cdTrackLength(uint32_t device, int track, uint32_t& msf) {
    return simulatedCdDrive().trackLength(device, track, msf);
}
CdError cdUseTrackTimes(uint32_t device) { return simulatedCdDrive().useTrackTimes(device); }
CdError cdPlay(uint32_t device, uint32_t fromTmsf, uint32_t toTmsf) {
    return simulatedCdDrive().play(device, fromTmsf, toTmsf);
}
CdError cdPosition(uint32_t device, uint32_t& tmsf) { return simulatedCdDrive().position(device, tmsf); }
CdError cdMode(uint32_t device, CdMode& mode) { return simulatedCdDrive().mode(device, mode); }
CdError cdPause(uint32_t device) { return simulatedCdDrive().pause(device); }
CdError cdStop(uint32_t device) { return simulatedCdDrive().stop(device); }
std::string cdErrorText(CdError error) { return SimulatedCdDrive::errorText(error); }

}  // namespace platform
