// The waveform and spectrum a visualization plug-in receives each frame.
#include "player/window/vis_frame.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tumbor {
namespace {

constexpr double kTableStep = 0.02454369260617026;  // 2 pi / 256
// Frames that must fit in the buffer being played, or the next buffer is read.
constexpr int kFramesNeeded = kVisFrames + 1;
constexpr int kSpectrumPoints = 256;
constexpr int kSpectrumBins = 128;

// The table's values lie at least 0.005 away from a half, so every
// reasonable sine routine rounds them alike.
int tableValue(double value) { return static_cast<int>(std::lround(value * 16.0)); }

}  // namespace

VisTables buildVisTables() {
    VisTables tables;
    for (int i = 0; i < kVisTableSize; ++i) {
        tables.cosine[i] = tableValue(std::cos(kTableStep * i));
        tables.sine[i] = tableValue(std::sin(kTableStep * i));
    }
    return tables;
}

WaveformPlace locateWaveform(uint32_t positionBytes, int bufferSize, int bufferCount, int ringHead,
                             int frameBytes, int latencyMs) {
    WaveformPlace place;
    if (bufferSize <= 0 || bufferCount <= 0) return place;
    // 64 bits: a plug-in's latency can be any int.
    int64_t start =
        int64_t(positionBytes % uint32_t(bufferSize)) - int64_t(frameBytes) * latencyMs * 441 / 10;
    if (start < 0) start = 0;
    start &= ~int64_t(3);
    if (start + int64_t(kFramesNeeded) * frameBytes > bufferSize) {
        place.buffer = (ringHead + 1) % bufferCount;
        place.offset = 0;
    } else {
        place.buffer = ringHead % bufferCount;
        place.offset = static_cast<int>(start);
    }
    return place;
}

bool convertWaveform(const uint8_t* frames, const platform::WaveFormat& format, VisChannels& waveform) {
    const bool stereo = format.channels == 2;
    if ((format.channels != 1 && !stereo) || (format.bitsPerSample != 8 && format.bitsPerSample != 16))
        return false;
    const int sampleBytes = format.bitsPerSample / 8;
    // 16-bit samples are little-endian: the high byte is the second; 8-bit ones are unsigned.
    const int high = sampleBytes - 1;
    const uint8_t bias = sampleBytes == 1 ? 0x80 : 0;
    const int frameBytes = sampleBytes * (stereo ? 2 : 1);
    for (int i = 0; i < kVisFrames; ++i) {
        const uint8_t* frame = frames + i * frameBytes;
        waveform[0][i] = static_cast<uint8_t>(frame[high] - bias);
        waveform[1][i] = static_cast<uint8_t>(frame[stereo ? sampleBytes + high : high] - bias);
    }
    return true;
}

void computeSpectrum(const VisTables& tables, const VisChannels& waveform, VisChannels& spectrum) {
    int x[kSpectrumPoints];
    for (int j = 0; j < kSpectrumPoints; ++j) x[j] = static_cast<int8_t>(waveform[0][j]) - 128;
    for (int k = 0; k < kSpectrumBins; ++k) {
        const int f = k + 1;
        int real = 0, imaginary = 0;
        for (int j = 0; j < kSpectrumPoints; ++j) {
            const int angle = (j * f) & (kVisTableSize - 1);
            real += x[j] * tables.cosine[angle];
            imaginary += x[j] * tables.sine[angle];
        }
        // Loud bands are held at the top of the byte: kept to 8 bits by
        // wrapping, a full-scale tone would show in the wrong band.
        const uint8_t value = static_cast<uint8_t>(std::min((std::abs(real) + std::abs(imaginary)) >> 9, 255));
        spectrum[0][4 * k] = value;
        spectrum[1][4 * k] = value;
    }
    for (int i = 0; i < 8; ++i) {
        spectrum[0][i] = 0;
        spectrum[1][i] = 0;
    }
}

void fillVisFrame(const VisTables& tables, const PlayingSound* sound, int latencyMs, bool wantSpectrum,
                  VisChannels& waveform, VisChannels& spectrum) {
    const bool playing = sound && sound->state == PlaybackEngine::kPlaying;
    if (playing) {
        const int frameBytes = static_cast<int>(sound->format.blockAlign());
        const WaveformPlace place =
            locateWaveform(sound->positionBytes, sound->bufferSize, sound->bufferCount, sound->ringHead,
                           frameBytes, latencyMs);
        const uint8_t* buffer = sound->buffer(place.buffer);
        // A format too wide for its buffer is shown as silence, never read past the end.
        const bool fits = frameBytes > 0 && place.offset + kVisFrames * frameBytes <= sound->bufferSize;
        if (buffer && fits && convertWaveform(buffer + place.offset, sound->format, waveform)) {
            if (wantSpectrum) computeSpectrum(tables, waveform, spectrum);
            return;
        }
    }
    std::memset(waveform, 0, sizeof waveform);
    std::memset(spectrum, 0, sizeof spectrum);
}

}  // namespace tumbor
