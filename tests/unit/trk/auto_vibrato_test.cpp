// Auto-vibrato: the XM and IT waves, sweeps and units, and its restart with
// each note of a song.
#include "libs/trk/sequencer/auto_vibrato.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/unit/trk/sequencer_rig.h"

namespace tumbor::trk::test {
namespace {

NoteStartParameters parameters(int type, int sweep, int depth, int rate) {
    NoteStartParameters p;
    p.vibratoType = type;
    p.vibratoSweep = sweep;
    p.vibratoDepth = depth;
    p.vibratoRate = rate;
    return p;
}

std::vector<int32_t> run(AutoVibrato& vibrato, int ticks, int32_t period, PitchRule rule,
                         bool keyHeld = true) {
    std::vector<int32_t> periods;
    for (int i = 0; i < ticks; ++i) periods.push_back(vibrato.apply(period, rule, keyHeld));
    return periods;
}

TEST(AutoVibrato, XmWavesMoveThePeriodByUpToTheDepth) {
    AutoVibrato vibrato;
    vibrato.start(parameters(0, 0, 8, 64), true);  // sine, a quarter cycle a tick: the pitch rises first
    EXPECT_EQ(run(vibrato, 5, 1000, PitchRule::xmLinear), (std::vector<int32_t>{992, 1000, 1008, 1000, 992}));
    vibrato.start(parameters(2, 0, 8, 64), true);  // ramp
    EXPECT_EQ(run(vibrato, 4, 1000, PitchRule::xmAmiga), (std::vector<int32_t>{1004, 992, 996, 1000}));
}

TEST(AutoVibrato, XmSweepGrowsOnlyWhileTheKeyIsHeld) {
    AutoVibrato vibrato;
    vibrato.start(parameters(1, 4, 8, 0), true);  // square, full depth after 4 ticks
    EXPECT_EQ(run(vibrato, 5, 1000, PitchRule::xmLinear), (std::vector<int32_t>{998, 996, 994, 992, 992}));
    vibrato.start(parameters(1, 4, 8, 0), true);
    run(vibrato, 1, 1000, PitchRule::xmLinear);
    EXPECT_EQ(run(vibrato, 3, 1000, PitchRule::xmLinear, false), (std::vector<int32_t>{998, 998, 998}));
}

// IT raises the depth by sweep / 256 a tick and bends the pitch in 64ths of
// a semitone: a full square wave of depth 64 is one semitone up, then none.
TEST(AutoVibrato, ItSweepsInAndBendsThroughTheSlideTables) {
    AutoVibrato vibrato;
    vibrato.start(parameters(2, 0, 64, 0), false);
    EXPECT_EQ(run(vibrato, 3, 44100, PitchRule::itLinear), (std::vector<int32_t>{44100, 44100, 44100}))
        << "no sweep, no vibrato";

    vibrato.start(parameters(2, 255, 64, 128), false);
    std::vector<int32_t> hz = run(vibrato, 70, 44100, PitchRule::itLinear);
    EXPECT_EQ(hz[0], 44100);
    EXPECT_EQ(hz[68], scalePeriod(44100, kSlideUp192[16])) << "fully swept in, high half of the square";
    EXPECT_EQ(hz[69], 44100) << "the square's low half is no change";

    vibrato.start(parameters(2, 255, 64, 0), false);
    std::vector<int32_t> periods = run(vibrato, 70, 4000, PitchRule::amiga);
    EXPECT_EQ(periods[69], scalePeriod(4000, kSlideDown192[16])) << "a period falls as the pitch rises";
}

TEST(AutoVibrato, RestartsWithEachNoteOfAnXmSong) {
    SequencerRig rig(SongFormat::xm, 1);
    rig.song->cellSize = 5;
    rig.song->linearFrequencies = true;
    Sample& sample = addSample(*rig.song, 1, 500);
    sample.noteStart.vibratoDepth = 15;
    sample.noteStart.vibratoRate = 32;
    setCell(*rig.song, 0, 0, 0, 48, 1);
    setCell(*rig.song, 0, 1, 0, 48, 1);
    rig.begin();
    std::vector<int32_t> first, second;
    for (int tick = 0; tick < rig.state().speed; ++tick) {
        rig.ticks(1);
        first.push_back(rig.voice(0).frequency);
    }
    for (int tick = 0; tick < rig.state().speed; ++tick) {
        rig.ticks(1);
        second.push_back(rig.voice(0).frequency);
    }
    EXPECT_EQ(first, second);
    EXPECT_GT(first[1], first[0]) << "the pitch rises first";
}

}  // namespace
}  // namespace tumbor::trk::test
