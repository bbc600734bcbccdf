// The coefficient tables of the cubic and windowed-sinc interpolators: for
// each of 2048 fractions of a point, the weights of the neighbouring points,
// in 2.14 fixed point and summing to exactly 1, so a constant stays itself.
#pragma once

#include <cstdint>

namespace tumbor::trk {

struct InterpolationKernels {
    static constexpr int kPhaseBits = 11;
    static constexpr int kPhases = 1 << kPhaseBits;
    static constexpr int kShift = 14;  // weights are scaled by 2^kShift
    static constexpr int kCubicTaps = 4;  // points -1 .. 2 around the position
    static constexpr int kSincTaps = 8;   // points -3 .. 4
    // Sinc bands: the cutoff follows the step, so reading faster than one
    // point a frame does not fold the sample's treble back into the output.
    static constexpr int kSincBands = 6;

    int16_t cubic[kPhases][kCubicTaps];
    int16_t sinc[kSincBands][kPhases][kSincTaps];
};

// The tables, computed by the first call (which the mixer makes while it
// prepares, never while it renders).
const InterpolationKernels& interpolationKernels();

// The sinc band for a step of stepSize position units a frame, where one
// point is pointUnits position units.
int sincBandFor(uint64_t stepSize, uint64_t pointUnits);

}  // namespace tumbor::trk
