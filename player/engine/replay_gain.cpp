// The ReplayGain arithmetic.
#include "player/engine/replay_gain.h"

#include <cmath>

namespace tumbor {
namespace {

// Gains beyond this many dB either way are taken as damaged tags.
constexpr double kLargestGainDb = 60.0;

int32_t clampSample(int64_t value, int32_t low, int32_t high) {
    return value < low ? low : value > high ? high : static_cast<int32_t>(value);
}

// value × scale / 65536, rounded half away from zero.
int64_t scaled(int64_t value, uint32_t scale) {
    int64_t product = value * scale;
    return product >= 0 ? (product + 32768) >> 16 : -((-product + 32768) >> 16);
}

}  // namespace

uint32_t gainScale(const ReplayGainSettings& settings, const StreamLoudness* loudness) {
    if (settings.mode == ReplayGainSettings::off || !loudness) return kUnityGain;
    const bool album = settings.mode == ReplayGainSettings::album;
    const uint32_t present = loudness->present;
    double gainDb = settings.defaultTenths / 10.0;
    uint32_t peak = 0;
    if (album && (present & loudnessAlbumGain)) {
        gainDb = loudness->albumGain / 100.0 + settings.preampTenths / 10.0;
        peak = (present & loudnessAlbumPeak) ? loudness->albumPeak : 0;
    } else if (present & loudnessTrackGain) {
        gainDb = loudness->trackGain / 100.0 + settings.preampTenths / 10.0;
        peak = (present & loudnessTrackPeak) ? loudness->trackPeak : 0;
    }
    if (gainDb > kLargestGainDb) gainDb = kLargestGainDb;
    if (gainDb < -kLargestGainDb) gainDb = -kLargestGainDb;
    double scale = std::pow(10.0, gainDb / 20.0) * kUnityGain;
    if (settings.noClip && peak > 0 && scale * peak > double(kUnityGain) * kUnityGain)
        scale = double(kUnityGain) * kUnityGain / peak;
    // A damaged peak cannot take the sound below the quietest gain either.
    const double quietest = std::pow(10.0, -kLargestGainDb / 20.0) * kUnityGain;
    return static_cast<uint32_t>(std::lround(scale < quietest ? quietest : scale));
}

void applyGain(uint8_t* data, size_t bytes, uint32_t bitsPerSample, uint32_t scale) {
    if (scale == kUnityGain || !data) return;
    if (bitsPerSample == 8) {
        for (size_t i = 0; i < bytes; ++i)
            data[i] = static_cast<uint8_t>(clampSample(scaled(int64_t(data[i]) - 128, scale), -128, 127) + 128);
        return;
    }
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        int16_t sample = static_cast<int16_t>(data[i] | data[i + 1] << 8);
        int32_t result = clampSample(scaled(sample, scale), -32768, 32767);
        data[i] = static_cast<uint8_t>(result & 0xFF);
        data[i + 1] = static_cast<uint8_t>((result >> 8) & 0xFF);
    }
}

}  // namespace tumbor
