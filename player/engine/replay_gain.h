// ReplayGain as the engine applies it: the gain a file's loudness values and
// the "Sound" settings give, and that gain applied to the PCM on its way to
// the device, rounded and held within the sample range.
#pragma once

#include <cstddef>
#include <cstdint>

#include "stream/stream_module.h"

namespace tumbor {

struct ReplayGainSettings {
    enum Mode { off = 0, track = 1, album = 2 };
    int mode = off;
    int preampTenths = 0;   // tenths of a dB added to the tagged gain
    bool noClip = true;     // the gain never lifts the tagged peak above full scale
    int defaultTenths = 0;  // tenths of a dB for files without values
};

// The unit gain of gainScale: 1.0 in 16.16 fixed point.
constexpr uint32_t kUnityGain = 65536;

// The gain for a file, in 16.16 fixed point. loudness is null for modules
// that cannot tell (tracker modules, WAV, CD tracks): they play unchanged, as
// every file does with the mode off. An album mode without an album gain uses
// the track gain.
uint32_t gainScale(const ReplayGainSettings& settings, const StreamLoudness* loudness);

// Scales bytes of interleaved PCM (8-bit unsigned or 16-bit signed little-endian)
// by scale, rounding to the nearest step and clipping at full scale.
void applyGain(uint8_t* data, size_t bytes, uint32_t bitsPerSample, uint32_t scale);

}  // namespace tumbor
