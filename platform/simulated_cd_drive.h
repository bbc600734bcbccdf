// A CD drive simulated in memory behind the cd_audio functions: the native
// build's only drive, and the unit tests' double in both builds. It starts as
// a machine without a CD drive, where opening the device fails as under Wine.
// Time stands still until the test advances it.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/cd_audio.h"

namespace platform {

// MCI error codes the simulation answers.
constexpr CdError kCdInvalidDevice = 257;     // command to a device that is not open
constexpr CdError kCdCannotLoadDriver = 266;  // no drive
constexpr CdError kCdNotReady = 276;
constexpr CdError kCdOutOfRange = 282;     // track or time beyond the disc
constexpr CdError kCdBadTimeFormat = 293;  // positions asked for before the TMSF format is set

enum class CdCommand { open, close, trackLength, useTrackTimes, play, position, mode, pause, stop };

class SimulatedCdDrive {
public:
    // No drive, no open device, no planned failures, an empty log.
    void reset();
    // A drive holding a disc with these track lengths, in frames.
    void insertDisc(const std::vector<uint32_t>& trackFrames);
    // Lets time pass: a playing head moves on and stops at the end of its range.
    void advance(uint32_t milliseconds);
    // The next count calls of command fail with error and change nothing.
    void failNext(CdCommand command, CdError error, int count = 1);

    bool deviceOpen() const;
    CdMode mode() const;
    // Where the head stands, as the device would report it.
    int headTrack() const;
    CdTime headTime() const;
    // The range of the last accepted play command, as TMSF words.
    uint32_t playedFrom() const;
    uint32_t playedTo() const;
    // Every command received since the last reset, failed ones included.
    std::vector<CdCommand> log() const;

    // The commands, as the cd_audio functions pass them on.
    CdError open(uint32_t& device);
    CdError close(uint32_t device);
    CdError trackLength(uint32_t device, int track, uint32_t& msf);
    CdError useTrackTimes(uint32_t device);
    CdError play(uint32_t device, uint32_t fromTmsf, uint32_t toTmsf);
    CdError position(uint32_t device, uint32_t& tmsf);
    CdError mode(uint32_t device, CdMode& mode);
    CdError pause(uint32_t device);
    CdError stop(uint32_t device);
    static const char* errorText(CdError error);

private:
    // Logs the command and answers a planned failure, or an invalid device.
    CdError admit(CdCommand command, uint32_t device);
    bool toDiscFrame(uint32_t tmsf, uint64_t& discFrame) const;
    uint64_t trackStart(int track) const;
    int trackAtHead() const;

    struct PlannedFailure {
        CdCommand command;
        CdError error;
        int count;
    };

    mutable std::mutex lock_;
    std::vector<uint32_t> trackFrames_;  // empty: no drive
    uint32_t openDevice_ = 0;            // 0: none
    uint32_t lastDevice_ = 0;
    bool trackTimes_ = false;
    CdMode mode_ = CdMode::stopped;
    uint64_t headMilliframes_ = 0;  // from the start of the disc, in 1/1000 frames
    uint64_t playEndFrame_ = 0;
    uint32_t playedFrom_ = 0;
    uint32_t playedTo_ = 0;
    std::vector<PlannedFailure> failures_;
    std::vector<CdCommand> log_;
};

// The one drive behind the cd_audio functions of this build.
SimulatedCdDrive& simulatedCdDrive();

}  // namespace platform
