// One frame of a visualization plug-in's data: 576 frames of the sound the
// device is playing as waveform bytes, and their spectrum from a 256-point
// transform on integer tables.
#pragma once

#include <cstdint>

#include "player/engine/playback_engine.h"

namespace tumbor {

constexpr int kVisFrames = 576;
constexpr int kVisTableSize = 256;

using VisChannels = uint8_t[2][kVisFrames];

// Sine and cosine of i x 2 pi / 256 times 16, rounded to the nearest integer.
struct VisTables {
    int cosine[kVisTableSize];
    int sine[kVisTableSize];
};
VisTables buildVisTables();

// Where the waveform's frames start: a buffer of the ring and a byte offset in it.
struct WaveformPlace {
    int buffer = 0;
    int offset = 0;
};

// The place for a device position: its offset in the buffer being played,
// less the latency at 44.1 frames per millisecond, rounded down to a multiple
// of 4; when 577 frames from there would pass the buffer's end, the start of
// the buffer after it.
WaveformPlace locateWaveform(uint32_t positionBytes, int bufferSize, int bufferCount, int ringHead,
                             int frameBytes, int latencyMs);

// 576 frames of 8- or 16-bit, mono or stereo sound as signed bytes, left and
// right: 8-bit samples less 128, the high byte of 16-bit ones; mono into both.
// False (nothing written) for any other format.
bool convertWaveform(const uint8_t* frames, const platform::WaveFormat& format, VisChannels& waveform);

// The transform of the left channel's first 256 bytes into entries 4k
// (k = 0..127) of both spectrum channels; entries 0..7 end as 0.
void computeSpectrum(const VisTables& tables, const VisChannels& waveform, VisChannels& spectrum);

// The data a module gets for one frame: all zero when sound is null (no
// device) or not playing; otherwise the waveform at the place the latency
// asks for and, when wantSpectrum, its spectrum (left as it is otherwise).
void fillVisFrame(const VisTables& tables, const PlayingSound* sound, int latencyMs, bool wantSpectrum,
                  VisChannels& waveform, VisChannels& spectrum);

}  // namespace tumbor
