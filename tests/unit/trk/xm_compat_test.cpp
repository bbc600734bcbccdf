// XM behaviours decided against the reference player (openmpt123): what
// instrument numbers, key offs and retriggers do to a sounding note and its
// envelopes, followed tick by tick on songs built in code.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "libs/trk/sequencer/effects.h"
#include "libs/trk/sequencer/pitch.h"
#include "tests/unit/trk/sequencer_rig.h"

namespace tumbor::trk::test {
namespace {

// Instrument 1: a volume envelope falling a step a tick (its position can
// be read off the value), optionally with a sustain and a loop; instrument
// 2: a quieter sample without one; instrument 3: empty.
struct XmRig : SequencerRig {
    std::shared_ptr<Envelope> envelope = std::make_shared<Envelope>();

    XmRig() : SequencerRig(SongFormat::xm, 2) {
        Sample& first = addSample(*song, 1, 100000);
        addSample(*song, 2, 100000, 20);
        song->instrument(3, 2)->noteMap.fill(-1);
        song->instrumentCount = 3;
        envelope->values.assign(512, 0);
        for (int t = 0; t < 64; ++t) envelope->values[static_cast<size_t>(t)] = static_cast<int16_t>(64 - t);
        first.noteStart.volumeEnvelope = envelope;
        first.noteStart.fadeout = 1024;
    }
    void sustainAt(int tick) {
        envelope->sustains = true;
        envelope->sustainBegin = tick;
    }
    void cell(int row, int note, int instrument, int effect = 0, int parameter = 0) {
        setCell(*song, 0, row, 0, note, instrument, effect, parameter);
    }
};

// A note held at its sustain (tick 2) and released on row 1; then row 2's
// cell. An instrument number restarts the envelope and takes back the key
// off (keeping the sounding sample and its volume, whichever instrument it
// names); a note without one, or an E9x retrigger, leaves the note released;
// ECx only takes the volume to 0.
TEST(XmCompat, InstrumentNumbersKeyOffsAndRetriggers) {
    struct Case {
        const char* what;
        int note, instrument, effect, parameter;
        bool keyOff;
        int position;  // at the end of row 2
        int sample, volume, starts;
    };
    const Case cases[] = {
        {"instrument alone", 0, 1, 0, 0, false, 2, 1, 64, 1},
        {"EC2 silences without stopping", 0, 0, kExtended, 0xC2, true, 13, 1, 0, 1},
        {"another instrument alone", 0, 2, 0, 0, false, 2, 1, 64, 1},
        {"an empty instrument alone", 0, 3, 0, 0, false, 2, 1, 64, 1},
        {"note alone", 50, 0, 0, 0, true, 13, 1, 64, 2},
        {"tone portamento with its instrument", 50, 1, kTonePortamento, 8, false, 2, 1, 64, 1},
        {"tone portamento with another", 50, 2, kTonePortamento, 8, false, 2, 1, 64, 1},
        {"delayed key off", kNoteOff, 0, kExtended, 0xD3, false, 2, 1, 64, 1},
        {"E92", 0, 0, kExtended, 0x92, true, 1, 1, 64, 3},
    };
    for (const Case& c : cases) {
        XmRig rig;
        rig.sustainAt(2);
        rig.cell(0, 48, 1);
        rig.cell(1, kNoteOff, 0);
        rig.cell(2, c.note, c.instrument, c.effect, c.parameter);
        rig.begin();
        rig.rows(3);
        EXPECT_EQ(rig.channel(0).keyOff, c.keyOff) << c.what;
        EXPECT_EQ(rig.channel(0).volumeEnvelope.position, c.position) << c.what;
        EXPECT_EQ(rig.channel(0).fade == 65536, !c.keyOff) << c.what;
        EXPECT_EQ(rig.channel(0).sample, c.sample) << c.what;
        EXPECT_EQ(rig.channel(0).volume, c.volume) << c.what;
        EXPECT_EQ(rig.voice(0).starts, c.starts) << c.what;
        EXPECT_TRUE(rig.voice(0).playing) << c.what;
    }
}

// An empty instrument's number (or one past the last) lets the note sound
// on, but the next note without a number has nothing to play.
TEST(XmCompat, NoteAfterAnEmptyInstrumentsNumberIsCut) {
    for (int instrument : {3, 9}) {
        XmRig rig;
        rig.cell(0, 48, 1);
        rig.cell(1, 0, instrument);
        rig.cell(2, 50, 0);
        rig.begin();
        rig.rows(2);
        EXPECT_TRUE(rig.voice(0).playing) << instrument;
        rig.rows(1);
        EXPECT_FALSE(rig.voice(0).playing) << instrument;
    }
}

// The loop end's tick already plays the loop start; a loop without length
// is none; a released note runs on past a sustain on the loop end.
TEST(XmCompat, EnvelopeLoops) {
    struct Case {
        const char* what;
        int loopBegin, loopEnd, sustain;
        bool release;
        std::vector<int> positions;  // ticks 1 .. 8 of the note
    };
    const Case cases[] = {
        {"loop 2 .. 5", 2, 5, -1, false, {1, 2, 3, 4, 2, 3, 4, 2}},
        {"loop 3 .. 3", 3, 3, -1, false, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"sustain on the loop end, held", 2, 5, 5, false, {1, 2, 3, 4, 2, 3, 4, 2}},
        {"sustain on the loop end, released", 2, 5, 5, true, {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        XmRig rig;
        rig.envelope->loops = true;
        rig.envelope->loopBegin = c.loopBegin;
        rig.envelope->loopEnd = c.loopEnd;
        if (c.sustain >= 0) rig.sustainAt(c.sustain);
        rig.cell(0, 48, 1);
        if (c.release) rig.cell(0, 48, 1, kKeyOff, 1);
        rig.begin();
        rig.ticks(1);
        std::vector<int> positions;
        for (int tick = 0; tick < 8; ++tick) {
            rig.ticks(1);
            positions.push_back(rig.channel(0).volumeEnvelope.position);
        }
        EXPECT_EQ(positions, c.positions) << c.what;
    }
}

// Pattern loops keep their start row and count into the next pattern, and
// go back from a delayed row to the row after the start; E9x retriggers on
// the first tick of a delayed row's repetitions too. F20 is a tempo.
TEST(XmCompat, PatternLoopsAndDelayedRows) {
    struct Cell {
        int pattern, row, channel, note, effect, parameter;
    };
    struct Case {
        const char* what;
        std::vector<Cell> cells;
        std::vector<int> rows;  // order * 100 + row at each row's first tick
        int starts;             // of channel 0's note on row 0
    };
    const Case cases[] = {
        {"loop start kept past a break",
         {{0, 1, 1, 0, kExtended, 0x60}, {0, 2, 1, 0, kPatternBreak, 0}, {1, 2, 1, 0, kExtended, 0x61}},
         {0, 1, 2, 100, 101, 102, 101, 102, 103},
         1},
        {"loop from a delayed row",
         {{0, 1, 1, 0, kExtended, 0x60}, {0, 3, 1, 0, kExtended, 0x61}, {0, 3, 2, 0, kExtended, 0xE1}},
         {0, 1, 2, 3, 3, 2, 3, 3, 4},
         1},
        {"E92 on a delayed row",
         {{0, 0, 0, 48, kExtended, 0x92}, {0, 0, 1, 0, kExtended, 0xE2}},
         {0, 0, 0, 1},
         1 + 8},
    };
    {
        SequencerRig rig(SongFormat::xm, 1);
        setCell(*rig.song, 0, 0, 0, 0, 0, kSpeedTempo, 0x20);
        rig.begin();
        rig.ticks(1);
        EXPECT_EQ(rig.state().tempo, 32) << "F20 sets the tempo";
        EXPECT_EQ(rig.state().speed, 6);
    }
    for (const Case& c : cases) {
        SequencerRig rig(SongFormat::xm, 3, 2, 8);
        addSample(*rig.song, 1, 100000);
        setCell(*rig.song, 0, 0, 0, 48, 1);
        for (const Cell& cell : c.cells)
            setCell(*rig.song, cell.pattern, cell.row, cell.channel, cell.note, cell.note ? 1 : 0, cell.effect,
                    cell.parameter);
        rig.begin();
        std::vector<int> rows;
        for (size_t i = 0; i < c.rows.size(); ++i) {
            rig.ticks(1);
            rows.push_back(rig.state().order * 100 + rig.state().row);
            rig.ticks(rig.state().speed - 1);
        }
        EXPECT_EQ(rows, c.rows) << c.what;
        EXPECT_EQ(rig.voice(0).starts, c.starts) << c.what;
    }
}

// The volume column's Sx and Vx share 4xy's memories, and 0 keeps them;
// Lxx moves the panning envelope as well only when the volume envelope has
// a sustain point.
TEST(XmCompat, VolumeColumnVibratoMemoryAndSetEnvelopePosition) {
    XmRig vibrato;
    vibrato.cell(0, 48, 1, kVibrato, 0x48);
    setCell(*vibrato.song, 0, 1, 0, 0, 0, 0, 0, 0xB0);
    setCell(*vibrato.song, 0, 2, 0, 0, 0, 0, 0, 0xA0);
    vibrato.begin();
    vibrato.rows(3);
    EXPECT_EQ(vibrato.channel(0).vibratoSpeed, 16);
    EXPECT_EQ(vibrato.channel(0).vibratoDepth, 32);

    for (bool sustains : {false, true}) {
        XmRig rig;
        if (sustains) rig.sustainAt(40);
        rig.song->sample(1)->noteStart.panningEnvelope = rig.envelope;
        rig.cell(0, 48, 1);
        rig.cell(1, 0, 0, kSetEnvelopePosition, 20);
        rig.begin();
        rig.rows(1);
        rig.ticks(1);
        EXPECT_EQ(rig.channel(0).volumeEnvelope.position, 20) << sustains;
        EXPECT_EQ(rig.channel(0).panningEnvelope.position, sustains ? 20 : 6) << sustains;
    }
}

// XM's lowest note (120, C-0) takes its sample's transpose like any other;
// a note transposed to B-9 or past it is not played; slides rise to period 1.
TEST(XmCompat, PitchLimits) {
    struct Case {
        int note, transpose;
        bool linear, slides;
        int32_t period;  // -1: not played
    };
    const Case cases[] = {
        {120, 24, false, false, noteToPeriod(PitchRule::xmAmiga, false, 24, 0, 0)},
        {94, 24, false, false, noteToPeriod(PitchRule::xmAmiga, false, 118, 0, 0)},
        {95, 24, false, false, -1},
        {90, 0, false, true, 1},
        {90, 0, true, true, 1},
    };
    for (const Case& c : cases) {
        XmRig rig;
        rig.song->linearFrequencies = c.linear;
        rig.song->instrument(1)->noteTranspose.fill(static_cast<int8_t>(c.transpose));
        for (int row = 0; row < 8; ++row)
            rig.cell(row, row ? 0 : c.note, row ? 0 : 1, c.slides ? kPortamentoUp : 0, c.slides ? 0xFF : 0);
        rig.begin();
        rig.rows(8);
        EXPECT_EQ(rig.voice(0).playing, c.period >= 0) << c.note;
        if (c.period >= 0) {
            EXPECT_EQ(rig.channel(0).outputPeriod, c.period) << c.note;
        }
    }
}

// XM's arpeggio counts from the note a slid period is heard as, up to C-8,
// and plays the slid period itself on its first phase.
TEST(XmCompat, ArpeggioFromTheSlidPeriod) {
    struct Case {
        int note, slide, arpeggio;
        std::vector<int> notes;  // heard on ticks 1 .. 5 of the arpeggio's row; -1 the slid period
    };
    const Case cases[] = {
        {48, 1, 0x37, {55, 51, -1, 55, 51}},  // slid up 20 periods: nearest C-4
        {48, 3, 0x37, {56, 52, -1, 56, 52}},  // slid up 60: nearest C#4
        {92, 0, 0x7C, {96, 96, 92, 96, 96}},
    };
    for (const Case& c : cases) {
        XmRig rig;
        rig.song->linearFrequencies = true;
        rig.song->sample(1)->c4Speed = 128;  // XM: fine-tune 0
        rig.cell(0, c.note, 1, kPortamentoUp, c.slide);
        rig.cell(1, 0, 0, kArpeggio, c.arpeggio);
        rig.begin();
        rig.rows(1);
        rig.ticks(1);
        const ChannelState& channel = rig.channel(0);
        std::vector<int32_t> heard, expected;
        for (int note : c.notes) {
            rig.ticks(1);
            heard.push_back(channel.outputPeriod);
            expected.push_back(note < 0 ? channel.basePeriod
                                        : noteToPeriod(PitchRule::xmLinear, false, note, channel.c4Speed, 0));
        }
        EXPECT_EQ(heard, expected) << c.note;
    }
}

}  // namespace
}  // namespace tumbor::trk::test
