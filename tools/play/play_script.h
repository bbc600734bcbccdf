// The timed actions tumbor-play performs on the engine, e.g. "1500:pause".
#pragma once

#include <string>

#include "player/engine/playback_engine.h"

namespace tumbor {

struct PlayAction {
    enum class Kind { pause, resume, stop, skipForward, skipBack, release, seek, volume };
    int atMilliseconds = 0;
    Kind kind = Kind::pause;
    int value = 0;  // seek: x; volume: the gauge value
    int width = 0;  // seek: the width x is measured in
};

// Parses "MS:pause", "MS:seek:X/W", "MS:volume:V", ...
bool parsePlayAction(const std::string& text, PlayAction& action);
void applyPlayAction(PlaybackEngine& engine, const PlayAction& action);

}  // namespace tumbor
