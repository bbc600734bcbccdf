// The system's CD audio device, through the handful of Media Control
// Interface commands the CD module sends. Times are MCI's packed words: MSF
// (byte 0 minutes, 1 seconds, 2 frames) and TMSF (byte 0 track, then minutes,
// seconds, frames). Every command answers an MCI error code, 0 for success.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

using CdError = uint32_t;
constexpr CdError kCdSuccess = 0;

// A time on the disc or within a track; 75 frames make a second.
struct CdTime {
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
};

// Each field takes one byte of the packed word; MCI's own packing macros let
// large minute values spill into the next field.
inline uint32_t packMsf(const CdTime& time) {
    return (time.minutes & 0xFFu) | (time.seconds & 0xFFu) << 8 | (time.frames & 0xFFu) << 16;
}
inline uint32_t packTmsf(int track, const CdTime& time) { return (track & 0xFFu) | packMsf(time) << 8; }
inline CdTime unpackMsf(uint32_t msf) {
    return CdTime{static_cast<int>(msf & 0xFF), static_cast<int>(msf >> 8 & 0xFF),
                  static_cast<int>(msf >> 16 & 0xFF)};
}
inline int tmsfTrack(uint32_t tmsf) { return static_cast<int>(tmsf & 0xFF); }
inline CdTime tmsfTime(uint32_t tmsf) { return unpackMsf(tmsf >> 8); }

// The device's mode as far as the CD module cares.
enum class CdMode { stopped, playing, paused, other };

// Opens the default CD audio device; device receives its identifier on success.
CdError openCdAudio(uint32_t& device);
CdError closeCdAudio(uint32_t device);
// Length of one track, as MSF.
CdError cdTrackLength(uint32_t device, int track, uint32_t& msf);
// Makes positions and play ranges TMSF words from then on.
CdError cdUseTrackTimes(uint32_t device);
// Starts playing from one TMSF position to another and returns at once.
CdError cdPlay(uint32_t device, uint32_t fromTmsf, uint32_t toTmsf);
CdError cdPosition(uint32_t device, uint32_t& tmsf);
CdError cdMode(uint32_t device, CdMode& mode);
CdError cdPause(uint32_t device);
CdError cdStop(uint32_t device);

// The system's message for an error code, or an empty text when it has none.
std::string cdErrorText(CdError error);

}  // namespace platform
