// IT's filter, MIDI macros, pitch envelope and S7x commands as the
// sequencer plays them, on songs built in code; the rules were taken from
// renders of probe modules by a reference player.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/sequencer_rig.h"

namespace tumbor::trk::test {
namespace {

constexpr int kFirstBackgroundVoice = kMaxChannels;

// A one-channel IT song of 16 rows whose instrument 1 plays a long sample,
// with IT's default macros: SF0 sets the cutoff, Z80 .. Z8F the resonance.
SequencerRig itRig(bool linear = true) {
    SequencerRig rig(SongFormat::it, 1, 1, 16);
    rig.song->linearFrequencies = linear;
    addSample(*rig.song, 1, 50000);
    rig.song->macros.parametered[0] = {MacroTarget::cutoff, -1};
    for (int i = 0; i < 16; ++i)
        rig.song->macros.fixed[static_cast<size_t>(i)] = {MacroTarget::resonance, 8 * i};
    return rig;
}

std::shared_ptr<Envelope> envelopeOf(std::vector<int16_t> values) {
    auto envelope = std::make_shared<Envelope>();
    envelope->values = std::move(values);
    return envelope;
}

TEST(ItPlayback, FilterFollowsNotesMacrosAndInstruments) {
    struct Row {
        int note, instrument, effect, parameter;
        bool on;
        int cutoff, resonance;
        bool clears;  // the voice's filter starts from silence on this row
    };
    struct Case {
        const char* name;
        int instrumentCutoff, instrumentResonance;
        std::vector<Row> rows;
    };
    const Case cases[] = {
        {"Zxx sets the cutoff, later notes carry it; Z7F alone leaves the filter, a note opens it",
         -1,
         -1,
         {{60, 1, kMidiMacro, 0x20, true, 0x20, 0, true},
          {60, 1, 0, 0, true, 0x20, 0, true},
          {0, 0, kMidiMacro, 0x7F, true, 0x20, 0, false},
          {60, 1, 0, 0, false, 0x20, 0, false},
          {0, 0, kMidiMacro, 0x40, true, 0x40, 0, true},
          {60, 1, kMidiMacro, 0x7F, false, 0x40, 0, true}}},
        {"Z80 .. Z8F set the resonance, which keeps even an open cutoff filtering",
         -1,
         -1,
         {{60, 1, kMidiMacro, 0x8F, true, 127, 120, true}, {0, 0, kMidiMacro, 0x80, true, 127, 120, false}}},
        {"the instrument's values come with each note, over a Zxx's",
         40,
         60,
         {{60, 1, 0, 0, true, 40, 60, true},
          {0, 0, kMidiMacro, 0x10, true, 0x10, 60, false},
          {60, 1, 0, 0, true, 40, 60, true},
          {60, 1, kMidiMacro, 0x30, true, 0x30, 60, true}}},
        {"a tone portamento starts no note and keeps the filter",
         -1,
         -1,
         {{60, 1, kMidiMacro, 0x20, true, 0x20, 0, true},
          {64, 1, kLinearTonePortamento, 4, true, 0x20, 0, false}}},
    };
    for (const Case& c : cases) {
        SequencerRig rig = itRig();
        rig.song->instrument(1)->filterCutoff = c.instrumentCutoff;
        rig.song->instrument(1)->filterResonance = c.instrumentResonance;
        for (size_t r = 0; r < c.rows.size(); ++r) {
            const Row& row = c.rows[r];
            setCell(*rig.song, 0, static_cast<int>(r), 0, row.note, row.instrument, row.effect,
                    row.parameter);
        }
        rig.begin();
        for (size_t r = 0; r < c.rows.size(); ++r) {
            const int clears = rig.voice(0).filterClears;
            rig.ticks(1);
            const Row& row = c.rows[r];
            const VoiceFilter& filter = rig.voice(0).filter;
            EXPECT_EQ(filter.on, row.on) << c.name << ", row " << r;
            if (row.on) {
                EXPECT_EQ(filter.cutoff, row.cutoff) << c.name << ", row " << r;
                EXPECT_EQ(filter.resonance, row.resonance) << c.name << ", row " << r;
            }
            EXPECT_EQ(rig.voice(0).filterClears > clears, row.clears) << c.name << ", row " << r;
            rig.ticks(rig.state().speed - 1);
        }
    }
}

TEST(ItPlayback, SelectedAndEmbeddedMacros) {
    SequencerRig rig = itRig();
    rig.song->macros.parametered[2] = {MacroTarget::resonance, -1};
    rig.song->macros.fixed[0x10] = {MacroTarget::cutoff, 0x22};
    setCell(*rig.song, 0, 0, 0, 60, 1, kSelectMacro, 2);
    setCell(*rig.song, 0, 1, 0, 0, 0, kMidiMacro, 0x50);
    setCell(*rig.song, 0, 2, 0, 0, 0, kMidiMacro, 0x90);
    setCell(*rig.song, 0, 3, 0, 0, 0, kMidiMacro, 0xA0);  // a macro that sends no filter message
    rig.begin();
    rig.rows(2);
    EXPECT_EQ(rig.voice(0).filter.resonance, 0x50) << "SF2 chose the resonance macro";
    EXPECT_EQ(rig.voice(0).filter.cutoff, 127);
    rig.rows(2);
    EXPECT_EQ(rig.voice(0).filter.cutoff, 0x22) << "Z90: fixed macro 0x10";
    EXPECT_EQ(rig.voice(0).filter.resonance, 0x50);
}

TEST(ItPlayback, PitchEnvelopeBendsHalfASemitoneAUnit) {
    // Eighths of a unit: 0, +12 semitones, -6 semitones, then +1/16 semitone.
    for (bool linear : {true, false}) {
        SequencerRig rig = itRig(linear);
        rig.song->instrument(1)->pitchEnvelope = envelopeOf({0, 24 * 8, -12 * 8, 1});
        setCell(*rig.song, 0, 0, 0, 60, 1);
        rig.begin();
        std::vector<double> hz;
        for (int tick = 0; tick < 4; ++tick) {
            rig.ticks(1);
            hz.push_back(rig.voice(0).frequency);
        }
        const char* rule = linear ? "linear" : "Amiga";
        EXPECT_NEAR(hz[1] / hz[0], 2.0, 0.002) << rule;
        EXPECT_NEAR(hz[2] / hz[0], 1 / std::sqrt(2.0), 0.002) << rule;
        EXPECT_NEAR(hz[3] / hz[0], std::pow(2.0, 1 / 192.0), 0.0006) << rule;
    }
    SequencerRig filters = itRig();
    auto envelope = envelopeOf({256, 0, -256});
    envelope->filters = true;
    filters.song->instrument(1)->pitchEnvelope = envelope;
    filters.song->instrument(1)->filterCutoff = 100;
    setCell(*filters.song, 0, 0, 0, 60, 1);
    filters.begin();
    filters.ticks(1);
    const int first = filters.voice(0).frequency;
    for (int envelopeValue : {0, -256}) {
        filters.ticks(1);
        EXPECT_EQ(filters.voice(0).filter.envelope, envelopeValue) << "a filter envelope scales the cutoff";
        EXPECT_TRUE(filters.voice(0).filter.on);
    }
    EXPECT_EQ(filters.voice(0).frequency, first) << "and leaves the pitch";
}

// Notes on rows 0, 1 and 2 of an instrument whose new notes carry on; the
// third row holds the command.
SequencerRig pastNotesRig(int command) {
    SequencerRig rig = itRig();
    Instrument& instrument = *rig.song->instrument(1);
    instrument.newNoteAction = NewNoteAction::carryOn;
    instrument.fadeout = 16384;
    instrument.volumeEnvelope = envelopeOf(std::vector<int16_t>(200, 64));  // holds the notes
    setCell(*rig.song, 0, 0, 0, 48, 1);
    setCell(*rig.song, 0, 1, 0, 60, 1);
    setCell(*rig.song, 0, 2, 0, 67, 1, kNoteActionCommand, command);
    setCell(*rig.song, 0, 3, 0, 72, 1);
    rig.begin();
    rig.rows(2);
    rig.ticks(1);
    return rig;
}

TEST(ItPlayback, S7xCommandsActOnPastNotesNewNoteActionsAndEnvelopes) {
    auto playing = [](SequencerRig& rig) {
        int count = 0;
        for (int slot = 0; slot < kBackgroundNotes; ++slot)
            count += rig.voice(kFirstBackgroundVoice + slot).playing;
        return count;
    };
    SequencerRig none = pastNotesRig(kNewNoteContinue);
    EXPECT_EQ(playing(none), 2) << "two earlier notes carry on";
    SequencerRig cut = pastNotesRig(kPastNotesCut);
    EXPECT_EQ(playing(cut), 0) << "S70 cuts both, the one this row's note left too";
    SequencerRig off = pastNotesRig(kPastNotesOff);
    EXPECT_TRUE(off.state().background[0].channel.keyOff);
    EXPECT_TRUE(off.state().background[1].channel.keyOff);
    SequencerRig fade = pastNotesRig(kPastNotesFade);
    fade.ticks(5);
    EXPECT_EQ(playing(fade), 0) << "S72: 65536 / 16384, gone after four ticks";

    struct Override {
        int command;
        NewNoteAction action;
    };
    for (auto [command, action] :
         {Override{kNewNoteCut, NewNoteAction::cut}, Override{kNewNoteOff, NewNoteAction::release},
          Override{kNewNoteFade, NewNoteAction::fade}}) {
        SequencerRig rig = pastNotesRig(command);
        EXPECT_EQ(rig.channel(0).newNoteAction, action) << command;
        rig.ticks(rig.state().speed);
        EXPECT_EQ(playing(rig), command == kNewNoteCut ? 2 : 3)
            << command << ": what becomes of row 2's note";
    }

    // S77 .. S7C switch the note's envelopes; S78 turns on one the
    // instrument keeps off.
    SequencerRig envelopes = itRig();
    auto quiet = envelopeOf({16, 16});
    quiet->enabled = false;
    envelopes.song->instrument(1)->volumeEnvelope = quiet;
    setCell(*envelopes.song, 0, 0, 0, 60, 1);
    setCell(*envelopes.song, 0, 1, 0, 0, 0, kNoteActionCommand, kVolumeEnvelopeOn);
    setCell(*envelopes.song, 0, 2, 0, 0, 0, kNoteActionCommand, kVolumeEnvelopeOff);
    envelopes.begin();
    envelopes.rows(1);
    const int full = envelopes.voice(0).volume;
    envelopes.ticks(1);
    EXPECT_EQ(envelopes.voice(0).volume, full / 4) << "S78";
    envelopes.rows(1);
    EXPECT_EQ(envelopes.voice(0).volume, full / 4) << "S77 keeps the volume the envelope had";
}

}  // namespace
}  // namespace tumbor::trk::test
