// The pitch rules and their tables.
#include "libs/trk/sequencer/pitch.h"

#include <algorithm>

namespace tumbor::trk {

#include "libs/trk/sequencer/pitch_tables.inc"

const int kFineTuneSpeed[16] = {8363, 8413, 8463, 8529, 8581, 8651, 8723, 8757,
                                7895, 7941, 7985, 8046, 8107, 8169, 8232, 8280};
const int kPanningSteps[16] = {0, 17, 34, 51, 68, 85, 102, 119, 136, 153, 170, 187, 204, 221, 238, 255};
const int kVibratoSine[32] = {0,   24,  49,  74,  97,  120, 141, 161, 180, 197, 212, 224, 235, 244, 250, 253,
                              255, 253, 250, 244, 235, 224, 212, 197, 180, 161, 141, 120, 97,  74,  49,  24};

namespace {

// Periods x 16 of the lowest octave's twelve notes.
const int kOctaveBasePeriods[12] = {27392, 25856, 24384, 23040, 21696, 20480,
                                    19328, 18240, 17216, 16256, 15360, 14512};

// XM's Amiga periods, 8 fine-tune steps a semitone, indices -8 .. 103.
const int kXmAmigaPeriods[112] = {
    960, 954, 948, 940, 934, 926, 920, 914,  // -8 .. -1
    907, 900, 894, 887, 881, 875, 868, 862, 856, 850, 844, 838, 832, 826, 820, 814, 808, 802, 796, 791, 785,
    779, 774, 768, 762, 757, 752, 746, 741, 736, 730, 725, 720, 715, 709, 704, 699, 694, 689, 684, 678, 675,
    670, 665, 660, 655, 651, 646, 640, 636, 632, 628, 623, 619, 614, 610, 604, 601, 597, 592, 588, 584, 580,
    575, 570, 567, 563, 559, 555, 551, 547, 543, 538, 535, 532, 528, 524, 520, 516, 513, 508, 505, 502, 498,
    494, 491, 487, 484, 480, 477, 474, 470, 467, 463, 460, 457, 453, 450, 447, 443, 440, 437, 434, 431};

int xmAmigaPeriod(int index) { return kXmAmigaPeriods[index + 8]; }

// Notes outside the tables' range are held at its ends.
int clampNote(int note, int highest) { return note < 0 ? 0 : note > highest ? highest : note; }

}  // namespace

PitchRule pitchRuleFor(const Song& song) {
    if (song.format == SongFormat::xm)
        return song.linearFrequencies ? PitchRule::xmLinear : PitchRule::xmAmiga;
    if (song.format == SongFormat::it && song.linearFrequencies) return PitchRule::itLinear;
    return PitchRule::amiga;
}

int32_t noteToPeriod(PitchRule rule, bool itSong, int note, int c4Speed, int fineTune) {
    switch (rule) {
        // XM's fine-tune moves the note in sixteenths of a semitone: its
        // lowest three bits are not heard.
        case PitchRule::xmLinear: {
            int n = note == 120 ? 0 : clampNote(note, 119);
            return 7744 - n * 64 - (c4Speed >> 3) * 4;
        }
        case PitchRule::xmAmiga: {
            int n = note == 120 ? 0 : clampNote(note, 119);
            int f = ((fineTune < -128 ? -128 : fineTune > 127 ? 127 : fineTune) + 128) / 8 * 8 - 128;
            int q = f / 16;
            int r = f - 16 * q;
            // The table's C without fine-tune is its ninth entry: C-4 is 1712.
            int index = std::min(8 * (n % 12) + q + 8, 103);
            int period =
                (xmAmigaPeriod(index) * (16 - r)) / 16 + (r * xmAmigaPeriod(std::min(index + 1, 103))) / 16;
            return (period << 5) >> (n / 12);
        }
        case PitchRule::itLinear: {
            // A sample without a rate takes the fixed period below.
            if (c4Speed <= 0) break;
            int64_t hz = (int64_t(c4Speed) * kNoteMultiplier[clampNote(note, 119)]) >> 16;
            return static_cast<int32_t>(hz > 0x7FFFFFFF ? 0x7FFFFFFF : hz);
        }
        case PitchRule::amiga:
            break;
    }
    if (c4Speed <= 0) return 815;
    int n = clampNote(note, 119);
    int k = itSong ? 16726 : 8363;
    return static_cast<int32_t>((int64_t(kOctaveBasePeriods[n % 12]) * k >> (n / 12)) / c4Speed);
}

int32_t periodToFrequency(PitchRule rule, int32_t period) {
    switch (rule) {
        case PitchRule::xmLinear: {
            // A 16.16 count of octaves above 8363 Hz, 6 - period / 768.
            int32_t x = 0x60000 - static_cast<int32_t>(int64_t(period) * 262144 / 3072);
            int32_t hz = ((kOctaveFraction[(x >> 8) & 255] * 8363) >> 16) * kFineFraction[x & 255] >> 16;
            int shift = x > 0 ? x >> 16 : (0xFFFF - x) >> 16;
            if (shift > 30) return 0;
            return x > 0 ? hz << shift : hz >> shift;
        }
        case PitchRule::xmAmiga:
            return period > 0 ? 8363 * 1712 / period : 0;
        case PitchRule::itLinear:
            return period;
        case PitchRule::amiga:
            break;
    }
    return period > 0 ? 14318184 / period : 0;
}

}  // namespace tumbor::trk
