// Auto-vibrato as the XM and IT trackers run it.
#include "libs/trk/sequencer/auto_vibrato.h"

#include <algorithm>
#include <cstdlib>

namespace tumbor::trk {

namespace {

// 64 x sin(2 pi i / 256) rounded, for i = 0 .. 64: a quarter of the wave.
const int kQuarterSine[65] = {0,  2,  3,  5,  6,  8,  9,  11, 12, 14, 16, 17, 19, 20, 22, 23, 24,
                              26, 27, 29, 30, 32, 33, 34, 36, 37, 38, 39, 41, 42, 43, 44, 45, 46,
                              47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 56, 57, 58, 59, 59, 60, 60,
                              61, 61, 62, 62, 62, 63, 63, 63, 64, 64, 64, 64, 64, 64};

// -64 .. 64 over the 256 positions of a cycle, rising first.
int sine(int position) {
    int within = position & 127;
    int value = kQuarterSine[within <= 64 ? within : 128 - within];
    return position < 128 ? value : -value;
}

}  // namespace

void AutoVibrato::start(const NoteStartParameters& parameters, bool xm) {
    xm_ = xm;
    type_ = parameters.vibratoType & 3;
    depth_ = parameters.vibratoDepth;
    rate_ = parameters.vibratoRate;
    sweep_ = parameters.vibratoSweep;
    position_ = 0;
    if (xm_ && sweep_ > 0) {
        amplitude_ = 0;
        sweepStep_ = (depth_ << 8) / sweep_;
    } else {
        amplitude_ = xm_ ? depth_ << 8 : 0;
        sweepStep_ = 0;
    }
}

int32_t AutoVibrato::apply(int32_t period, PitchRule rule, bool keyHeld) {
    if (depth_ == 0) return period;
    return xm_ ? applyXm(period, keyHeld) : applyIt(period, rule);
}

// The position moves before it is read; the wave (in XM's sense, falling
// periods first) is added to the period in its own units.
int32_t AutoVibrato::applyXm(int32_t period, bool keyHeld) {
    if (sweepStep_ > 0 && keyHeld) {
        amplitude_ += sweepStep_;
        if ((amplitude_ >> 8) > depth_) {
            amplitude_ = depth_ << 8;
            sweepStep_ = 0;
        }
    }
    position_ = (position_ + rate_) & 255;
    int value;
    switch (type_) {
        case 1:
            value = position_ > 127 ? 64 : -64;
            break;
        case 2:
            value = (((position_ >> 1) + 64) & 127) - 64;
            break;
        case 3:
            value = ((64 - (position_ >> 1)) & 127) - 64;
            break;
        default:
            value = -sine(position_);
            break;
    }
    return period + ((value * 4 * amplitude_) >> 16);
}

// The wave is read before the position moves; its value, scaled by the
// swept-in depth, is a pitch change in 64ths of a semitone, applied through
// the linear slide tables.
int32_t AutoVibrato::applyIt(int32_t period, PitchRule rule) {
    int at = position_;
    amplitude_ = std::min(amplitude_ + sweep_, depth_ << 8);
    position_ = (position_ + rate_) & 255;
    int value;
    switch (type_) {
        case 1:
            value = 64 - ((at + 1) >> 1);
            break;
        case 2:
            value = at < 128 ? 64 : 0;
            break;
        case 3:
            random_ = random_ * 1103515245u + 12345u;
            value = static_cast<int>((random_ >> 16) & 127) - 64;
            break;
        default:
            value = sine(at);
            break;
    }
    int change = (value * (amplitude_ >> 8)) >> 6;
    int steps = std::abs(change);
    // Hz rise with the pitch; periods fall.
    bool raise = (change > 0) == (rule == PitchRule::itLinear);
    int32_t result = scalePeriod(period, raise ? kSlideUp192[steps >> 2] : kSlideDown192[steps >> 2]);
    return scalePeriod(result, raise ? kSlideUp768[steps & 3] : kSlideDown768[steps & 3]);
}

}  // namespace tumbor::trk
