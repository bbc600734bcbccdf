// Auto-vibrato: the vibrato a sample (in XM, its instrument) applies by
// itself on every tick of its notes, beside any vibrato command.
#pragma once

#include <cstdint>

#include "libs/trk/model/song.h"
#include "libs/trk/sequencer/pitch.h"

namespace tumbor::trk {

class AutoVibrato {
public:
    // Restarts the vibrato for a note of a sample with these parameters.
    // XM sweeps the depth in over `sweep` ticks while the key is held; IT
    // raises it by sweep / 256 steps each tick whatever the key does.
    void start(const NoteStartParameters& parameters, bool xm);

    // The period (Hz under IT's linear rule) the channel sounds at on this
    // tick, for the period the effects left; advances the vibrato one tick.
    int32_t apply(int32_t period, PitchRule rule, bool keyHeld);

private:
    int32_t applyXm(int32_t period, bool keyHeld);
    int32_t applyIt(int32_t period, PitchRule rule);

    bool xm_ = false;
    // XM: 0 sine, 1 square, 2 ramp up, 3 ramp down; IT: 0 sine, 1 ramp down, 2 square, 3 random.
    int type_ = 0;
    int depth_ = 0;
    int rate_ = 0;
    int sweep_ = 0;
    int position_ = 0;   // 0 .. 255, one cycle
    int amplitude_ = 0;  // depth x 256 once swept in
    int sweepStep_ = 0;  // XM: amplitude added a tick until the full depth
    uint32_t random_ = 1;
};

}  // namespace tumbor::trk
