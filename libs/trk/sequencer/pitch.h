// Notes to periods and periods to frequencies, for every frequency rule the
// formats use, with the constant tables behind them. Periods are four times
// Amiga periods; IT's linear rule works in Hz throughout.
#pragma once

#include <cstdint>

#include "libs/trk/model/song.h"

namespace tumbor::trk {

// The C4 speed of each MOD fine-tune step 0 .. 15 (8 .. 15 meaning -8 .. -1).
extern const int kFineTuneSpeed[16];
// x * 17 for x = 0 .. 15.
extern const int kPanningSteps[16];
// The vibrato and tremolo sine, a half wave of 32 steps.
extern const int kVibratoSine[32];

// IT's slide tables in 16.16: 2^(-i/192), 2^(i/192) (i = 0 .. 256) and
// 2^(-i/768), 2^(i/768) (i = 0 .. 15).
extern const int32_t kSlideDown192[257];
extern const int32_t kSlideUp192[257];
extern const int32_t kSlideDown768[16];
extern const int32_t kSlideUp768[16];

// period * factor >> 16 on the unsigned 64-bit product, as IT's slides scale.
inline int32_t scalePeriod(int32_t period, int32_t factor) {
    return static_cast<int32_t>((uint64_t(uint32_t(period)) * uint32_t(factor)) >> 16);
}

// Which rule turns notes into periods and periods into Hz.
enum class PitchRule : uint8_t { amiga, xmLinear, xmAmiga, itLinear };

PitchRule pitchRuleFor(const Song& song);

// The period (Hz under itLinear) of note (already transposed) for a sample
// with C4-speed field c4Speed and signed fine-tune fineTune.
int32_t noteToPeriod(PitchRule rule, bool itSong, int note, int c4Speed, int fineTune);

// The frequency in Hz of a period; 0 for periods that give no sound.
int32_t periodToFrequency(PitchRule rule, int32_t period);

}  // namespace tumbor::trk
