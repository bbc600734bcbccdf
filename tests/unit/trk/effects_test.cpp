// The effect commands that are easy to get wrong, each on a song built in
// code and followed tick by tick.
#include "libs/trk/sequencer/effects.h"

#include <gtest/gtest.h>

#include <vector>

#include "libs/trk/sequencer/pitch.h"
#include "tests/unit/trk/sequencer_rig.h"

namespace tumbor::trk::test {
namespace {

// A MOD-like song with one long sample on instrument 1.
struct EffectRig : SequencerRig {
    explicit EffectRig(SongFormat format = SongFormat::mod, int patterns = 1, int rows = 64)
        : SequencerRig(format, 4, patterns, rows) {
        addSample(*song, 1, 100000);
    }
    // The channel's output period after each of the next count ticks.
    std::vector<int> periods(int channel, int count) {
        std::vector<int> seen;
        for (int i = 0; i < count; ++i) {
            ticks(1);
            seen.push_back(this->channel(channel).outputPeriod);
        }
        return seen;
    }
    std::vector<int> volumes(int channel, int count) {
        std::vector<int> seen;
        for (int i = 0; i < count; ++i) {
            ticks(1);
            seen.push_back(this->channel(channel).outputVolume);
        }
        return seen;
    }
};

TEST(Effects, ArpeggioCyclesOnTicksModuloThree) {
    EffectRig rig;
    setCell(*rig.song, 0, 0, 0, 48, 1, kArpeggio, 0x47);
    rig.begin();
    EXPECT_EQ(rig.periods(0, 6), (std::vector<int>{1712, 1356, 1140, 1712, 1356, 1140}));
}

// (ProTracker keeps no memory for them; the other formats one for all.)
TEST(Effects, PortamentoCodesShareOneMemory) {
    EffectRig rig(SongFormat::mtm);
    setCell(*rig.song, 0, 0, 0, 48, 1, kPortamentoUp, 2);         // remembers 8, slides on 5 ticks
    setCell(*rig.song, 0, 1, 0, 0, 0, kPortamentoUpTwoRange, 0);  // 8 on every tick
    setCell(*rig.song, 0, 2, 0, 0, 0, kLinearPortamentoDown, 0);  // the ratio of 8 on 5 ticks
    rig.begin();
    rig.rows(1);
    EXPECT_EQ(rig.channel(0).basePeriod, 1712 - 5 * 8);
    rig.rows(1);
    EXPECT_EQ(rig.channel(0).basePeriod, 1712 - 5 * 8 - 6 * 8);
    rig.rows(1);
    int32_t period = 1712 - 5 * 8 - 6 * 8;
    for (int i = 0; i < 5; ++i) period = scalePeriod(period, kSlideDown192[8]);
    EXPECT_EQ(rig.channel(0).basePeriod, period);
}

TEST(Effects, TonePortamentoSlidesToTheNoteInsteadOfStartingIt) {
    EffectRig rig;
    setCell(*rig.song, 0, 0, 0, 48, 1);
    setCell(*rig.song, 0, 1, 0, 36, 0, kTonePortamento, 0x40);  // to period 3424, 256 a tick
    setCell(*rig.song, 0, 2, 0, 0, 0, kTonePortamento, 0);
    rig.begin();
    rig.rows(2);
    EXPECT_EQ(rig.voice(0).starts, 1) << "the row's note does not start";
    EXPECT_EQ(rig.channel(0).basePeriod, 1712 + 5 * 256);
    rig.rows(1);
    EXPECT_EQ(rig.channel(0).basePeriod, 3424) << "stops on the target";
    EXPECT_EQ(rig.channel(0).outputPeriod, 3424);
}

TEST(Effects, VibratoDeltaHasItsTwoLowBitsCleared) {
    EffectRig rig;
    setCell(*rig.song, 0, 0, 0, 48, 1, kVibrato, 0x4F);  // speed 16, depth 15
    rig.begin();
    // Positions 0, 0, 16, 32, 48, 64: sine 0, 0, 97, 180, 235, 255.
    EXPECT_EQ(rig.periods(0, 6),
              (std::vector<int>{1712, 1712, 1712 + 44, 1712 + 84, 1712 + 108, 1712 + 116}));
    setCell(*rig.song, 0, 1, 0, 0, 0, kVibrato, 0);
    EXPECT_EQ(rig.periods(0, 1)[0], 1712 + 108) << "position 80: speed and depth are remembered";
}

TEST(Effects, TremoloStaysWithinTheVolumeRange) {
    EffectRig rig;
    setCell(*rig.song, 0, 0, 0, 48, 1, kTremolo, 0xFF);  // speed 60, depth 15
    setCell(*rig.song, 0, 0, 1, 48, 1, kTremolo, 0xFF);
    rig.begin();
    rig.ticks(1);
    rig.channel(1).volume = 10;
    rig.ticks(1);
    // Positions 60, 120, 180, 240: +59, +11, -57, -22.
    EXPECT_EQ(rig.volumes(0, 4), (std::vector<int>{64, 64, 7, 42}));
    EXPECT_EQ(rig.channel(1).outputVolume, 0);
    EXPECT_EQ(rig.channel(0).volume, 64) << "the row's volume stays";
}

TEST(Effects, TremorCountsOnAndOffTicks) {
    EffectRig rig;
    setCell(*rig.song, 0, 0, 0, 48, 1, kTremor, 0x21);  // 3 ticks on, 2 off
    rig.begin();
    EXPECT_EQ(rig.volumes(0, 6), (std::vector<int>{64, 64, 64, 0, 0, 64}));

    EffectRig it(SongFormat::it);  // 2 on, 1 off; I00 repeats it
    setCell(*it.song, 0, 0, 0, 60, 1, kTremor, 0x21);
    setCell(*it.song, 0, 1, 0, 0, 0, kTremor, 0);
    it.begin();
    EXPECT_EQ(it.volumes(0, 9), (std::vector<int>{64, 64, 0, 64, 64, 0, 64, 64, 0}));
}

TEST(Effects, RetriggerFormsRestartTheNoteAndChangeTheVolume) {
    EffectRig rig;
    setCell(*rig.song, 0, 0, 0, 48, 1, kRetriggerVolume, 0x62);  // every 2 ticks, volume x 10/16
    setCell(*rig.song, 0, 0, 1, 48, 1, kRetrigger, 0x12);        // on ticks 1, 3, 5, volume - 1
    setCell(*rig.song, 0, 0, 2, 48, 1, kRetrigger, 0x82);        // 8: no change
    rig.begin();
    rig.rows(1);
    EXPECT_EQ(rig.voice(0).starts, 3);
    EXPECT_EQ(rig.channel(0).volume, 25) << "64, then 40 and 25: not on the first tick";
    EXPECT_EQ(rig.voice(1).starts, 4) << "an instrument number starts the counter at 1";
    EXPECT_EQ(rig.channel(1).volume, 61);
    EXPECT_EQ(rig.channel(2).volume, 64);
}

TEST(Effects, SampleOffsetBeyondTheEndIsSilent) {
    EffectRig rig;
    addSample(*rig.song, 2, 1000);
    setCell(*rig.song, 0, 0, 0, 48, 2, kSampleOffset, 0x02);
    setCell(*rig.song, 0, 0, 1, 48, 2, kSampleOffset, 0x10);
    rig.begin();
    rig.ticks(1);
    EXPECT_EQ(rig.voice(0).start, 512);
    EXPECT_EQ(rig.voice(1).starts, 0) << "a start at the sample's end plays nothing";
}

TEST(Effects, SpeedAndTempoSplitAt32) {
    EffectRig rig;
    setCell(*rig.song, 0, 0, 0, 0, 0, kSpeedTempo, 0x1F);
    setCell(*rig.song, 0, 0, 1, 0, 0, kSpeedTempo, 0x20);
    rig.begin();
    rig.ticks(1);
    EXPECT_EQ(rig.state().speed, 31);
    EXPECT_EQ(rig.state().tempo, 32);

    EffectRig it(SongFormat::it);
    setCell(*it.song, 0, 0, 0, 0, 0, kSetSpeed, 0xFF);  // songs hold their end on AFF
    it.begin();
    it.ticks(1);
    EXPECT_EQ(it.state().speed, 255);
}

TEST(Effects, PatternBreakIsClampedToTheRowsOfItsPattern) {
    EffectRig rig(SongFormat::mod, 2);
    rig.song->pattern(0)->rows = 32;
    rig.song->pattern(0)->tracks[0].clear();
    setCell(*rig.song, 0, 0, 0, 0, 0, kPatternBreak, 0x63);
    rig.begin();
    rig.rows(1);
    rig.ticks(1);
    EXPECT_EQ(rig.state().order, 1);
    EXPECT_EQ(rig.state().row, 32);
}

// Each channel loops on its own start row and counter; Scream Tracker 3
// keeps one loop for all channels; once done, the next starts after it.
TEST(Effects, PatternLoopsPerChannel) {
    for (SongFormat format : {SongFormat::mod, SongFormat::s3m}) {
        EffectRig rig(format);
        setCell(*rig.song, 0, 1, 0, 0, 0, kExtended, 0x60);
        setCell(*rig.song, 0, 2, 1, 0, 0, kExtended, 0x61);
        setCell(*rig.song, 0, 3, 0, 0, 0, kExtended, 0x62);
        rig.begin();
        std::vector<int> rows;
        for (int i = 0; i < 11; ++i) {
            rig.ticks(1);
            rows.push_back(rig.state().row);
            rig.ticks(rig.state().speed - 1);
        }
        EXPECT_EQ(rows, format == SongFormat::mod ? (std::vector<int>{0, 1, 2, 0, 1, 2, 3, 1, 2, 0, 1})
                                                  : (std::vector<int>{0, 1, 2, 1, 2, 3, 3, 3, 4, 5, 6}));
    }
}

TEST(Effects, PatternDelayRepeatsTheRowWithoutNewNotes) {
    EffectRig rig;
    setCell(*rig.song, 0, 1, 0, 48, 1, kExtended, 0xE2);
    rig.begin();
    rig.rows(1);
    rig.ticks(3 * 6);
    EXPECT_EQ(rig.state().row, 1) << "the row plays three times";
    EXPECT_EQ(rig.voice(0).starts, 1);
    rig.ticks(1);
    EXPECT_EQ(rig.state().row, 2);
}

TEST(Effects, NoteDelayAndNoteCutAct) {
    EffectRig rig;
    setCell(*rig.song, 0, 0, 0, 48, 1, kExtended, 0xD3);
    setCell(*rig.song, 0, 0, 1, 48, 1, kExtended, 0xC2);
    rig.begin();
    rig.ticks(3);
    EXPECT_EQ(rig.voice(0).starts, 0);
    EXPECT_FALSE(rig.voice(1).playing) << "cut on tick 2";
    EXPECT_EQ(rig.voice(1).starts, 1);
    rig.ticks(1);
    EXPECT_EQ(rig.voice(0).starts, 1) << "the delayed note starts on tick 3";
}

TEST(Effects, PanningStepAndGlobalVolumeSlides) {
    EffectRig rig(SongFormat::mod, 1, 64);
    setCell(*rig.song, 0, 0, 0, 0, 0, kExtended, 0x8C);
    setCell(*rig.song, 0, 0, 1, 0, 0, kSetGlobalVolume, 200);
    setCell(*rig.song, 0, 1, 1, 0, 0, kGlobalVolumeSlideUp, 4);
    setCell(*rig.song, 0, 2, 1, 0, 0, kGlobalVolumeSlideDown, 0);  // shares the memory
    setCell(*rig.song, 0, 3, 1, 0, 0, kGlobalVolumeSlide, 0x02);   // -4 on the ticks after the first
    setCell(*rig.song, 0, 4, 1, 0, 0, kGlobalVolumeSlide, 0x3F);   // +6 on the first tick
    rig.begin();
    rig.rows(1);
    EXPECT_EQ(rig.channel(0).panning, 204);
    EXPECT_EQ(rig.state().globalVolume, 200);
    rig.rows(1);
    EXPECT_EQ(rig.state().globalVolume, 220);
    rig.rows(1);
    EXPECT_EQ(rig.state().globalVolume, 200);
    rig.rows(1);
    EXPECT_EQ(rig.state().globalVolume, 180);
    rig.rows(1);
    EXPECT_EQ(rig.state().globalVolume, 186);
}

TEST(Effects, ItVolumeColumnRanges) {
    EffectRig rig(SongFormat::it);
    int column[] = {30, 70, 65, 90, 100, 110};
    for (int row = 0; row < 6; ++row) setCell(*rig.song, 0, row, 0, 0, 0, 0, 0, column[row]);
    rig.begin();
    std::vector<int> seen;
    for (int row = 0; row < 6; ++row) {
        rig.rows(1);
        seen.push_back(rig.channel(0).volume);
    }
    // Set 30; fine +5; fine +5 again from the memory; slide +5 on 5 ticks
    // (held at 64); slide -5 on 5 ticks; 110 does nothing.
    EXPECT_EQ(seen, (std::vector<int>{30, 35, 40, 64, 39, 39}));
}

TEST(Effects, FastSlidesFlagSlidesOnTheFirstTickToo) {
    for (bool fast : {false, true}) {
        EffectRig rig(SongFormat::s3m);
        rig.song->fastSlides = fast;
        setCell(*rig.song, 0, 0, 0, 0, 0, kFineVolumeSlide, 0x05, kNoVolume);
        rig.begin();
        rig.rows(1);
        EXPECT_EQ(rig.channel(0).volume, fast ? 34 : 39) << "fast slides " << fast;
    }
}

TEST(Effects, FineVolumeSlideForms) {
    EffectRig rig(SongFormat::s3m);
    setCell(*rig.song, 0, 0, 0, 0, 0, kFineVolumeSlide, 0xF4, kNoVolume);  // -4 once
    setCell(*rig.song, 0, 1, 0, 0, 0, kFineVolumeSlide, 0, kNoVolume);     // again, from the memory
    setCell(*rig.song, 0, 2, 0, 0, 0, kFineVolumeSlide, 0x2F, kNoVolume);  // +2 once
    setCell(*rig.song, 0, 3, 0, 0, 0, kFineVolumeSlide, 0x30, kNoVolume);  // +3 on 5 ticks
    rig.begin();
    std::vector<int> seen;
    for (int row = 0; row < 4; ++row) {
        rig.rows(1);
        seen.push_back(rig.channel(0).volume);
    }
    EXPECT_EQ(seen, (std::vector<int>{60, 56, 58, 64}));
}

TEST(Effects, JumpAndBreakInOneRowAndInChannelOrder) {
    for (bool breakFirst : {true, false}) {
        EffectRig rig(SongFormat::mod, 3);
        setCell(*rig.song, 0, 0, breakFirst ? 0 : 1, 0, 0, kPatternBreak, 0x10);
        setCell(*rig.song, 0, 0, breakFirst ? 1 : 0, 0, 0, kPositionJump, 2);
        rig.begin();
        rig.rows(1);
        rig.ticks(1);
        EXPECT_EQ(rig.state().order, 2);
        EXPECT_EQ(rig.state().row, breakFirst ? 0 : 10) << "the later channel sets the row";
    }
}

TEST(Effects, DelayedRowLoopsOnceAndTheLastDelayCounts) {
    EffectRig rig(SongFormat::mod, 1, 4);
    rig.song->initialSpeed = 5;
    setCell(*rig.song, 0, 1, 0, 0, 0, kExtended, 0x60);
    setCell(*rig.song, 0, 2, 0, 0, 0, kExtended, 0x61);
    setCell(*rig.song, 0, 2, 1, 0, 0, kExtended, 0xE1);
    setCell(*rig.song, 0, 3, 0, 0, 0, kExtended, 0xE1);
    setCell(*rig.song, 0, 3, 1, 0, 0, kExtended, 0xE3);
    RowTimeTable table = RowTimeTable::build(*rig.song);
    std::vector<int> rows;
    for (const RowTime& entry : table.entries()) rows.push_back(entry.row);
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2, 1, 2, 3}));
    // Rows 0 and 1, row 2 twice as long (delayed once), row 1 again, row 2
    // again, and row 3 four times as long (the later delay counts).
    EXPECT_EQ(table.lengthTenths(), 1 + 1 + 2 + 1 + 2 + 4);
}

}  // namespace
}  // namespace tumbor::trk::test
