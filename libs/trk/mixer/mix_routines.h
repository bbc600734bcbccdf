// The mixer's inner loops: one boundary-free span of a voice resampled into
// the accumulator, and the accumulator converted to 8- or 16-bit PCM.
#pragma once

#include <cstdint>

namespace tumbor::trk {

// Mode number of a span routine, the index into one table of instantiations
// of a single template:
//   bit 0     kMix16BitData  16-bit sample points (else signed bytes)
//   bit 1     kMixStereo     left and right accumulator values per frame
//   bits 2-3  the Interpolation (sound_driver.h) times kMixInterpolate
//   bit 4     kMixFilter     through the voice's resonant low-pass
//   bit 5     kMixRamp       gains moving by a step each frame
// The mixer picks its eight routines (8- and 16-bit data, plain or
// filtered, steady or ramping) once per preparation.
enum MixModeBit : int {
    kMix16BitData = 1,
    kMixStereo = 2,
    kMixInterpolate = 4,
    kMixFilter = 16,
    kMixRamp = 32,
};
constexpr int kMixModeCount = 64;

// A voice's resonant low-pass as the span routines run it: a two-pole
// recursion y = a x + b y1 + c y2 with coefficients in 8.24 fixed point,
// on the scale of 16-bit points. y1 and y2, its last two outputs, are held
// to twice that range, so resonance cannot run away.
struct FilterState {
    static constexpr int kShift = 24;
    int32_t a = 1 << kShift;
    int32_t b = 0;
    int32_t c = 0;
    int32_t y1 = 0;
    int32_t y2 = 0;
};

// A stretch of one voice that crosses no loop or end boundary. The position
// is relative to base so it stays within 32 bits however long the sample is;
// it is never negative, since base is taken at the span's lowest point. The
// interpolators read up to 3 points before and 4 after the one at the
// position: the caller makes sure these are the right neighbours.
// Positions carry this many fraction bits beyond the 22.10 fixed point the
// loops read (position >> kExtraPositionBits), so that a step keeps a low
// note's pitch to well under a cent.
constexpr int kExtraPositionBits = 16;

struct MixSpan {
    int32_t* out = nullptr;  // accumulator; left, right interleaved in stereo
    uint32_t frames = 0;
    const uint8_t* base = nullptr;  // sample data at the span's lowest byte (8-bit) or point (16-bit)
    uint64_t position = 0;          // bytes from base, 22.10 fixed point and the extra bits
    uint64_t step = 0;              // per frame, same format; two's complement when backwards
    // 8-bit data: volume tables indexed by the sample byte taken as unsigned.
    const int32_t* leftTable = nullptr;
    const int32_t* rightTable = nullptr;
    // 16-bit data, and any data filtered, ramping or read by the cubic or
    // sinc interpolators: multipliers of the (16-bit scale) sample points.
    // Ramping routines take them 256 times larger, as amplitudes, add the
    // steps after each frame and multiply by the amplitudes >> 8.
    int32_t leftGain = 0;
    int32_t rightGain = 0;
    int32_t leftRampStep = 0;
    int32_t rightRampStep = 0;
    FilterState* filter = nullptr;  // filtered routines: the voice's, carried from span to span
    // Cubic and sinc routines: the weights for each fraction of a point
    // (InterpolationKernels), 4 or 8 a fraction.
    const int16_t* kernel = nullptr;
};

using SpanMixer = void (*)(const MixSpan& span);

// The routine for a mode number (0 .. kMixModeCount - 1).
SpanMixer spanMixer(int mode);

// Writes count accumulator values as signed little-endian 16-bit PCM:
// v >> (16 - outputShift), clipped.
void convertToPcm16(const int32_t* accumulator, uint32_t count, int outputShift, uint8_t* out);
// Writes count accumulator values as unsigned 8-bit PCM centred on 128:
// v >> (24 - outputShift), clipped to -128 .. 127, plus 128.
void convertToPcm8(const int32_t* accumulator, uint32_t count, int outputShift, uint8_t* out);

// Narrows or widens the stereo image of frames left/right accumulator pairs
// in place: separation percent of each frame's difference from its middle
// is kept (0 mono, 100 unchanged, 200 doubled).
void applySeparation(int32_t* accumulator, uint32_t frames, int separation);

}  // namespace tumbor::trk
