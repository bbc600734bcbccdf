// The sequencer: start delay, order flow with markers and the end of the
// song, note start and pitch rules, what voices are told, and the row time
// table behind position, length and seek.
#include <gtest/gtest.h>

#include <utility>

#include "libs/trk/sequencer/effects.h"
#include "libs/trk/sequencer/pitch.h"
#include "tests/unit/trk/sequencer_rig.h"

namespace tumbor::trk::test {
namespace {

TEST(Sequencer, FirstRowSoundsAfterSevenSilentTicks) {
    SequencerRig rig;
    addSample(*rig.song, 1, 1000);
    setCell(*rig.song, 0, 0, 0, 48, 1);
    rig.sequencer = std::make_unique<Sequencer>(*rig.song, rig.voices);
    rig.sequencer->start();
    rig.ticks(7);
    EXPECT_EQ(rig.voice(0).starts, 0);
    EXPECT_EQ(rig.voice(0).volume, -1) << "nothing at all is sent during the start delay";
    rig.ticks(1);
    EXPECT_EQ(rig.voice(0).starts, 1);
    EXPECT_EQ(rig.state().order, 0);
    EXPECT_EQ(rig.state().row, 0);
    // Full volume reaches the voice as 508, which the mixer keeps as 63.
    EXPECT_EQ(rig.voice(0).volume, 508);
    EXPECT_EQ(rig.voice(0).frequency, 8363);
}

TEST(Sequencer, SkipsMarkersAndRestoresSpeedAfterTheEndMarker) {
    SequencerRig rig(SongFormat::mod, 4, 3, 1);
    rig.song->orders = {0, 254, 1, 255, 2};
    rig.song->length = 5;
    setCell(*rig.song, 0, 0, 0, 0, 0, kSpeedTempo, 3);
    rig.begin();
    rig.ticks(1);
    EXPECT_EQ(rig.state().order, 0);
    EXPECT_EQ(rig.state().speed, 3);
    rig.ticks(3);
    EXPECT_EQ(rig.state().order, 2) << "the 254 marker is skipped";
    EXPECT_EQ(rig.state().speed, 3);
    rig.ticks(3);
    EXPECT_EQ(rig.state().order, 4) << "the 255 marker is skipped";
    EXPECT_EQ(rig.state().speed, 6) << "speed returns to its initial value after a 255";
    EXPECT_FALSE(rig.sequencer->songEnded());
    rig.ticks(6);
    EXPECT_TRUE(rig.sequencer->songEnded()) << "running past the last entry ends the song";
    EXPECT_EQ(rig.sequencer->playingPosition(), Sequencer::kSongOver);
}

TEST(Sequencer, JumpBackEndsTheSongWhereTheTableEnds) {
    SequencerRig rig(SongFormat::mod, 4, 2, 4);
    setCell(*rig.song, 1, 1, 2, 0, 0, kPositionJump, 0);
    RowTimeTable table = RowTimeTable::build(*rig.song);
    EXPECT_EQ(table.entries().size(), 6u) << "4 rows, then rows 0 and 1 of the second pattern";
    rig.begin();
    rig.rows(6);
    EXPECT_FALSE(rig.sequencer->songEnded());
    rig.ticks(1);
    EXPECT_TRUE(rig.sequencer->songEnded());
}

TEST(Sequencer, NoteStartCopiesSampleAndInstrumentSettings) {
    SequencerRig rig;
    Sample& sample = addSample(*rig.song, 1, 500, 40);
    sample.panning = 30;
    rig.song->instrument(1)->panning = 200;
    setCell(*rig.song, 0, 0, 0, 48, 1);
    setCell(*rig.song, 0, 1, 0, 0, 0);
    setCell(*rig.song, 0, 2, 0, 60, 0);
    setCell(*rig.song, 0, 3, 0, 0, 9);  // an instrument that does not exist keeps the old one
    rig.begin();
    rig.ticks(1);
    EXPECT_EQ(rig.channel(0).volume, 40);
    EXPECT_EQ(rig.channel(0).panning, 200) << "the instrument's panning overrides the sample's";
    EXPECT_EQ(rig.voice(0).end, 500);
    rig.rows(2);
    EXPECT_EQ(rig.channel(0).lastNote, 60) << "a note without instrument plays the channel's instrument";
    EXPECT_EQ(rig.voice(0).starts, 2);
    rig.rows(1);
    EXPECT_EQ(rig.channel(0).instrument, 1);
}

TEST(Sequencer, XmKeyOffWithoutEnvelopeSilencesTheNoteAndNoteCutStopsIt) {
    SequencerRig rig(SongFormat::xm);
    rig.song->cellSize = 5;
    addSample(*rig.song, 1, 500);
    setCell(*rig.song, 0, 0, 0, 48, 1);
    setCell(*rig.song, 0, 1, 0, kNoteOff, 0);
    setCell(*rig.song, 0, 2, 1, 48, 1);
    setCell(*rig.song, 0, 3, 1, kNoteCut, 0);
    rig.begin();
    rig.rows(2);
    rig.ticks(1);
    EXPECT_TRUE(rig.voice(0).playing) << "at volume 0; the next volume brings it back";
    EXPECT_EQ(rig.channel(0).volume, 0);
    rig.rows(1);
    EXPECT_FALSE(rig.voice(1).playing);
    EXPECT_EQ(rig.channel(1).volume, 0);
}

TEST(Sequencer, XmEnvelopeHoldsAtSustainUntilKeyOffThenFades) {
    SequencerRig rig(SongFormat::xm, 1);
    Sample& sample = addSample(*rig.song, 1, 500);
    auto envelope = std::make_shared<Envelope>();
    envelope->values.assign(512, 64);
    for (int t = 0; t < 10; ++t) envelope->values[static_cast<size_t>(t)] = static_cast<int8_t>(64 - t);
    envelope->sustains = true;
    envelope->sustainBegin = 3;
    sample.noteStart.volumeEnvelope = envelope;
    sample.noteStart.fadeout = 4096;
    setCell(*rig.song, 0, 0, 0, 48, 1);
    setCell(*rig.song, 0, 2, 0, kNoteOff, 0);
    rig.begin();
    rig.rows(2);
    EXPECT_EQ(rig.channel(0).volumeEnvelope.position, 3) << "held at the sustain tick";
    EXPECT_EQ(rig.channel(0).fade, 65536);
    rig.ticks(3);
    EXPECT_GT(rig.channel(0).volumeEnvelope.position, 3);
    EXPECT_EQ(rig.channel(0).fade, 65536 - 3 * 4096);
}

// An IT song whose instrument 1 runs a three-tick volume envelope.
SequencerRig itEnvelopeRig(bool loops) {
    SequencerRig rig(SongFormat::it, 1);
    addSample(*rig.song, 1, 5000);
    auto envelope = std::make_shared<Envelope>();
    envelope->values = {64, 32, 16};
    envelope->loops = loops;
    envelope->loopBegin = 1;
    envelope->loopEnd = 2;
    Instrument& instrument = *rig.song->instrument(1);
    instrument.volumeEnvelope = envelope;
    instrument.fadeout = 1024;
    setCell(*rig.song, 0, 0, 0, 60, 1);
    return rig;
}

TEST(Sequencer, ItEnvelopeLoopEndingOnTheLastNodeGoesRoundWithoutFading) {
    SequencerRig rig = itEnvelopeRig(true);
    rig.begin();
    std::vector<int> positions;
    for (int i = 0; i < 6; ++i) {
        rig.ticks(1);
        positions.push_back(rig.channel(0).volumeEnvelope.position);
    }
    EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 1, 2, 1}));
    EXPECT_EQ(rig.channel(0).fade, 65536);
}

TEST(Sequencer, ItEnvelopeRunningPastItsEndHoldsTheLastValueAndFades) {
    SequencerRig rig = itEnvelopeRig(false);
    rig.begin();
    rig.ticks(3);
    EXPECT_EQ(rig.channel(0).volumeEnvelope.position, 2);
    EXPECT_EQ(rig.channel(0).fade, 65536) << "the last node itself is no end";
    rig.ticks(2);
    EXPECT_EQ(rig.channel(0).volumeEnvelope.position, 2);
    EXPECT_EQ(rig.channel(0).fade, 65536 - 2 * 1024);
}

// An IT song whose instrument 1 has this new-note action, notes on rows 0
// and 1 of channel 0 (the second with this effect and note).
SequencerRig newNoteActionRig(NewNoteAction action, int secondEffect = 0, int secondNote = 64,
                              DuplicateCheck check = DuplicateCheck::off) {
    SequencerRig rig(SongFormat::it, 1);
    addSample(*rig.song, 1, 5000);
    Instrument& instrument = *rig.song->instrument(1);
    instrument.newNoteAction = action;
    instrument.duplicateCheck = check;
    instrument.fadeout = 16384;
    setCell(*rig.song, 0, 0, 0, 60, 1);
    setCell(*rig.song, 0, 1, 0, secondNote, 1, secondEffect, 0x10);
    rig.begin();
    return rig;
}

TEST(Sequencer, ItNewNoteActionsLeaveTheOldNoteOnAVoiceOfItsOwn) {
    constexpr int kFirstBackgroundVoice = kMaxChannels;
    SequencerRig carried = newNoteActionRig(NewNoteAction::carryOn);
    carried.rows(1);
    const int firstNoteHz = carried.voice(0).frequency;
    carried.ticks(1);
    EXPECT_EQ(carried.voice(0).starts, 2);
    EXPECT_TRUE(carried.voice(kFirstBackgroundVoice).playing);
    EXPECT_EQ(carried.voice(kFirstBackgroundVoice).frequency, firstNoteHz);
    EXPECT_EQ(carried.voice(kFirstBackgroundVoice).volume, carried.voice(0).volume);
    carried.ticks(20);
    EXPECT_TRUE(carried.voice(kFirstBackgroundVoice).playing) << "carrying on never fades";

    SequencerRig faded = newNoteActionRig(NewNoteAction::fade);
    faded.rows(1);
    faded.ticks(2);
    EXPECT_LT(faded.voice(kFirstBackgroundVoice).volume, faded.voice(0).volume);
    faded.ticks(3);
    EXPECT_FALSE(faded.voice(kFirstBackgroundVoice).playing) << "65536 / 16384: gone after four ticks";

    SequencerRig cut = newNoteActionRig(NewNoteAction::cut);
    cut.rows(1);
    cut.ticks(1);
    EXPECT_FALSE(cut.voice(kFirstBackgroundVoice).playing);
    EXPECT_EQ(cut.voice(kFirstBackgroundVoice).volume, -1) << "never sent anything";

    SequencerRig slid = newNoteActionRig(NewNoteAction::carryOn, kTonePortamento);
    slid.rows(1);
    slid.ticks(1);
    EXPECT_EQ(slid.voice(0).starts, 1) << "the tone portamento's note is a target";
    EXPECT_FALSE(slid.voice(kFirstBackgroundVoice).playing);

    // A duplicate check for notes whose action cuts: only another note carries on.
    SequencerRig repeated = newNoteActionRig(NewNoteAction::carryOn, 0, 60, DuplicateCheck::note);
    repeated.rows(1);
    repeated.ticks(1);
    EXPECT_FALSE(repeated.voice(kFirstBackgroundVoice).playing);
    SequencerRig other = newNoteActionRig(NewNoteAction::carryOn, 0, 64, DuplicateCheck::note);
    other.rows(1);
    other.ticks(1);
    EXPECT_TRUE(other.voice(kFirstBackgroundVoice).playing);
}

TEST(Pitch, EveryRuleGivesTheReferenceRateAtItsReferenceNote) {
    // MOD C-2 (Amiga period 428) and IT's C-5 with a 8363 Hz sample.
    EXPECT_EQ(noteToPeriod(PitchRule::amiga, false, 48, 8363, 0), 1712);
    EXPECT_EQ(periodToFrequency(PitchRule::amiga, 1712), 8363);
    EXPECT_EQ(noteToPeriod(PitchRule::amiga, true, 60, 8363, 0), 1712);
    EXPECT_EQ(noteToPeriod(PitchRule::amiga, false, 48, 0, 0), 815) << "a sample without rate";
    EXPECT_EQ(periodToFrequency(PitchRule::itLinear, noteToPeriod(PitchRule::itLinear, true, 60, 8363, 0)),
              8363);
    EXPECT_EQ(noteToPeriod(PitchRule::itLinear, true, 72, 8363, 0), 16726);
    EXPECT_EQ(noteToPeriod(PitchRule::itLinear, true, 72, 0, 0), 815) << "linear IT without rate";
    // XM: C-4 with no fine-tune (the C4-speed field holds fine-tune + 128).
    EXPECT_EQ(noteToPeriod(PitchRule::xmLinear, false, 48, 128, 0), 4608);
    EXPECT_EQ(periodToFrequency(PitchRule::xmLinear, 4608), 8363);
    EXPECT_EQ(periodToFrequency(PitchRule::xmLinear, 4608 - 768), 16726);
    EXPECT_EQ(periodToFrequency(PitchRule::xmLinear, 4608 + 768), 4181);
    EXPECT_EQ(periodToFrequency(PitchRule::xmLinear, -768), 2 * periodToFrequency(PitchRule::xmLinear, 0))
        << "a period slid below zero keeps rising an octave a 768";
    EXPECT_EQ(noteToPeriod(PitchRule::xmAmiga, false, 48, 0, 0), 1712);
    EXPECT_EQ(periodToFrequency(PitchRule::xmAmiga, 1712), 8363);
    // XM's note 120 is its lowest note, and fine-tune reaches below C.
    EXPECT_EQ(noteToPeriod(PitchRule::xmLinear, false, 120, 128, 0), 7680);
    EXPECT_EQ(noteToPeriod(PitchRule::xmAmiga, false, 0, 0, -128), 907 << 5);
    // XM fine-tune counts in sixteenths of a semitone, rounded down.
    for (auto [fineTune, sixteenths] : {std::pair{58, 7}, {-60, -8}, {127, 15}}) {
        EXPECT_EQ(noteToPeriod(PitchRule::xmLinear, false, 48, fineTune + 128, fineTune), 4608 - 4 * sixteenths);
        EXPECT_EQ(noteToPeriod(PitchRule::xmAmiga, false, 48, 0, fineTune),
                  noteToPeriod(PitchRule::xmAmiga, false, 48, 0, 8 * sixteenths));
    }
    // Notes far outside the tables stay in range.
    EXPECT_GT(noteToPeriod(PitchRule::amiga, false, 300, 8363, 0), 0);
    EXPECT_EQ(periodToFrequency(PitchRule::amiga, 0), 0);
}

class RowTimes : public ::testing::Test {
protected:
    // Speed 5 at tempo 125 makes each row last exactly one tenth.
    void SetUp() override {
        rig.song->initialSpeed = 5;
        setCell(*rig.song, 0, 5, 3, 0, 0, kSpeedTempo, 10);
        table = RowTimeTable::build(*rig.song);
    }
    SequencerRig rig{SongFormat::mod, 4, 1, 10};
    RowTimeTable table;
};

TEST_F(RowTimes, SpeedChangesTimeTheirOwnRow) {
    std::vector<uint32_t> times;
    for (const RowTime& entry : table.entries()) times.push_back(entry.tenths);
    EXPECT_EQ(times, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 7, 9, 11, 13}));
    EXPECT_EQ(table.lengthTenths(), 15);
    EXPECT_EQ(table.positionTenths(8, 0, 7), 9);
    EXPECT_EQ(table.positionTenths(0, 0, 7), 9) << "found by order and row";
    EXPECT_EQ(table.positionTenths(0, 3, 0), 0) << "a row never reached";
}

TEST_F(RowTimes, SeekLandsOnTheRowNearestBelowTheTarget) {
    EXPECT_EQ(table.rowAt(6)->row, 5);
    EXPECT_EQ(table.rowAt(7)->row, 6);
    EXPECT_EQ(table.rowAt(-3)->row, 0);
    EXPECT_EQ(table.rowAt(1000)->row, 9);

    addSample(*rig.song, 1, 100000);
    setCell(*rig.song, 0, 0, 0, 48, 1);
    rig.begin();
    rig.rows(2);
    rig.sequencer->jumpTo(*table.rowAt(6), 5);
    EXPECT_FALSE(rig.voice(0).playing) << "every voice stops";
    rig.ticks(1);
    EXPECT_EQ(rig.state().row, 5) << "the next tick reads the row it landed on";
    EXPECT_EQ(rig.state().speed, 10);
    EXPECT_EQ(rig.sequencer->rowsPlayed(), 6u);
}

TEST(RowTimeTable, LoopsAndDelaysCountAsPlayed) {
    SequencerRig rig(SongFormat::mod, 4, 1, 4);
    rig.song->initialSpeed = 5;
    setCell(*rig.song, 0, 1, 0, 0, 0, kExtended, 0x60);
    setCell(*rig.song, 0, 2, 0, 0, 0, kExtended, 0x61);  // rows 1 and 2 twice
    setCell(*rig.song, 0, 3, 1, 0, 0, kExtended, 0xE2);  // row 3 three times
    RowTimeTable table = RowTimeTable::build(*rig.song);
    std::vector<int> rows;
    for (const RowTime& entry : table.entries()) rows.push_back(entry.row);
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2, 1, 2, 3}));
    EXPECT_EQ(table.entries()[3].tenths, 3u);
    EXPECT_EQ(table.entries()[3].loopCounter, 1);
    EXPECT_EQ(table.lengthTenths(), 8);
    // Seeking into the loop's second pass carries on without a third.
    rig.begin();
    rig.sequencer->jumpTo(table.entries()[3], 3);
    rig.rows(2);
    rig.ticks(1);
    EXPECT_EQ(rig.state().row, 3);
    EXPECT_EQ(table.positionTenths(rig.sequencer->rowsPlayed(), 0, 3), 5);
}

TEST(RowTimeTable, BreaksAndJumpsShapeTheWalk) {
    SequencerRig rig(SongFormat::mod, 4, 4, 8);
    rig.song->initialSpeed = 5;
    setCell(*rig.song, 0, 2, 0, 0, 0, kPatternBreak, 0x05);  // to row 5 of pattern 1
    setCell(*rig.song, 1, 6, 1, 0, 0, kPositionJump, 3);     // skips pattern 2
    setCell(*rig.song, 3, 3, 2, 0, 0, kPatternBreak, 0x63);  // row 63: beyond the last order
    RowTimeTable table = RowTimeTable::build(*rig.song);
    std::vector<std::pair<int, int>> visited;
    for (const RowTime& entry : table.entries()) visited.emplace_back(entry.order, entry.row);
    std::vector<std::pair<int, int>> expected = {{0, 0}, {0, 1}, {0, 2}, {1, 5}, {1, 6},
                                                 {3, 0}, {3, 1}, {3, 2}, {3, 3}};
    EXPECT_EQ(visited, expected);
    EXPECT_EQ(table.lengthTenths(), 9);
}

TEST(RowTimeTable, EndlessLoopsEndWhereTheFlowRepeats) {
    // Nested loops share one counter: the outer loop's second pass finds the
    // inner loop as its first pass left it, and round it goes for ever.
    SequencerRig rig(SongFormat::mod, 4, 1, 8);
    setCell(*rig.song, 0, 0, 0, 0, 0, kExtended, 0x60);
    setCell(*rig.song, 0, 1, 0, 0, 0, kExtended, 0x61);
    setCell(*rig.song, 0, 3, 0, 0, 0, kExtended, 0x62);
    RowTimeTable table = RowTimeTable::build(*rig.song);
    std::vector<int> rows;
    for (const RowTime& entry : table.entries()) rows.push_back(entry.row);
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 0, 1, 2, 3, 0, 1}));
    rig.begin();
    rig.sequencer->endAfterRows(static_cast<uint32_t>(table.entries().size()));
    rig.rows(8);
    EXPECT_FALSE(rig.sequencer->songEnded());
    rig.ticks(1);
    EXPECT_TRUE(rig.sequencer->songEnded());
}

TEST(RowTimeTable, EstimateWithoutTable) {
    Song song;
    song.initialSpeed = 6;
    song.initialTempo = 125;
    song.length = 10;
    TimeEstimate estimate(song);
    EXPECT_EQ(estimate.orderTenths, 76);
    EXPECT_EQ(estimate.lengthTenths(), 760);
    EXPECT_EQ(estimate.positionTenths(2, 32, 64), 152 + 38);
    EXPECT_EQ(estimate.orderAt(160), 2);
}

}  // namespace
}  // namespace tumbor::trk::test
