// CD times in the tenths of a second the player counts in. A tenth holds
// seven and a half frames, so frames are rounded down both ways.
#pragma once

#include "platform/cd_audio.h"

namespace tumbor {

inline int tenthsFromCdTime(const platform::CdTime& time) {
    return time.frames * 2 / 15 + time.seconds * 10 + time.minutes * 600;
}

// tenths must not be negative.
inline platform::CdTime cdTimeFromTenths(int tenths) {
    return platform::CdTime{tenths / 600, tenths / 10 % 60, tenths % 10 * 15 / 2};
}

}  // namespace tumbor
