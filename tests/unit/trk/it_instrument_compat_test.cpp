// IT instruments and notes as the reference player (openmpt123) plays them:
// note off, fade and cut, envelopes switched by S7x, tone portamento across
// instruments, instrument numbers alone and sample offsets; each on a song
// built in code and followed row by row.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/sequencer_rig.h"

namespace tumbor::trk::test {
namespace {

constexpr int kPlayOn = -1;  // a row that ends nothing by hand

struct Row {
    int note, instrument, effect, parameter;
};

// One IT channel; instruments 1 and 2 play samples 1 and 2 of 1000 points.
struct ItRig : SequencerRig {
    explicit ItRig(bool compatibleG = false) : SequencerRig(SongFormat::it, 1, 1, 16) {
        song->itSeparateG = compatibleG;
        song->itInstruments = true;
        song->channelPanning[0] = 32;
        addSample(*song, 1, 1000);
        addSample(*song, 2, 1000, 40);
    }
    void play(const std::vector<Row>& rows) {
        for (size_t r = 0; r < rows.size(); ++r)
            setCell(*song, 0, static_cast<int>(r), 0, rows[r].note, rows[r].instrument, rows[r].effect,
                    rows[r].parameter);
        begin();
    }
    // Plays the rows; before the last, the voice runs out when asked.
    void playThrough(const std::vector<Row>& rows, int sampleEndsBeforeRow = kPlayOn) {
        play(rows);
        for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
            if (r == sampleEndsBeforeRow) voice(0).playing = false;
            this->rows(1);
        }
    }
};

std::shared_ptr<Envelope> envelope(std::vector<int16_t> values, bool loops = false) {
    auto made = std::make_shared<Envelope>();
    made->values = std::move(values);
    made->loops = loops;
    made->loopEnd = static_cast<int>(made->values.size()) - 1;
    return made;
}

// Note off fades at once without a volume envelope or with a looping one;
// an envelope that runs out starts the fade at its end, and one ending at
// zero ends the note. Note fade fades without releasing.
TEST(ItInstrumentCompat, NoteOffAndNoteFade) {
    struct Case {
        const char* what;
        int note;
        std::shared_ptr<Envelope> volumeEnvelope;
        bool keyOff, fading, voicePlaying;
    };
    const Case cases[] = {
        {"off without envelope", kNoteOff, nullptr, true, true, true},
        {"off, looping envelope", kNoteOff, envelope({64, 32, 64}, true), true, true, true},
        {"off, envelope still running", kNoteOff, envelope(std::vector<int16_t>(100, 64)), true, false, true},
        {"off, envelope run out at zero", kNoteOff, envelope({64, 0}), true, true, false},
        {"fade", kNoteFade, nullptr, false, true, true},
    };
    for (const Case& c : cases) {
        ItRig rig;
        rig.song->instrument(1)->volumeEnvelope = c.volumeEnvelope;
        rig.playThrough({{60, 1, 0, 0}, {c.note, 0, 0, 0}});
        EXPECT_EQ(rig.channel(0).keyOff, c.keyOff) << c.what;
        EXPECT_EQ(rig.channel(0).fading, c.fading) << c.what;
        EXPECT_EQ(rig.voice(0).playing, c.voicePlaying) << c.what;
    }
}

// An instrument number beside a note off, cut or fade takes the sample (and
// its volume) the instrument plays on the last note's key; a cut leaves
// the volume for the next note.
TEST(ItInstrumentCompat, InstrumentNumberBesideNoteOffCutOrFade) {
    for (int ending : {kNoteOff, kNoteCut, kNoteFade}) {
        ItRig rig;
        rig.playThrough({{60, 1, 0, 0}, {ending, 2, 0, 0}, {62, 0, 0, 0}});
        EXPECT_EQ(rig.channel(0).sample, 2) << ending;
        EXPECT_EQ(rig.channel(0).volume, 40) << ending;
        EXPECT_TRUE(rig.voice(0).playing) << ending;
    }
}

// The duplicate check compares the earlier note's instrument with the new
// note's: another instrument's note leaves it carrying on.
TEST(ItInstrumentCompat, AnotherInstrumentIsNoDuplicate) {
    ItRig rig;
    for (int number : {1, 2}) {
        rig.song->instrument(number)->newNoteAction = NewNoteAction::carryOn;
        rig.song->instrument(number)->duplicateCheck = DuplicateCheck::instrument;
    }
    rig.playThrough({{60, 1, 0, 0}, {62, 2, 0, 0}});
    EXPECT_TRUE(rig.voice(kMaxChannels).playing);
}

// A carried envelope goes on from where the sounding note's stood; after
// the note has ended it starts over.
TEST(ItInstrumentCompat, CarriedEnvelopeGoesOnAcrossNotes) {
    for (bool ended : {false, true}) {
        ItRig rig;
        auto carried = envelope(std::vector<int16_t>(100, 64));
        carried->carries = true;
        rig.song->instrument(1)->volumeEnvelope = carried;
        rig.playThrough({{60, 1, 0, 0}, {62, 1, 0, 0}}, ended ? 1 : kPlayOn);
        EXPECT_EQ(rig.channel(0).volumeEnvelope.position, ended ? 5 : 11) << ended;
    }
}

// S77 keeps the volume the envelope had (on a note's own row the whole
// volume) and holds its position; an instrument number alone turns it on
// again from there.
TEST(ItInstrumentCompat, VolumeEnvelopeOffKeepsItsValue) {
    struct Case {
        const char* what;
        std::vector<Row> rows;
        int envelopeValue;  // what the voice's volume is left at
    };
    const Row s77 = {0, 0, kNoteActionCommand, kVolumeEnvelopeOff};
    const Case cases[] = {
        {"S77 later", {{60, 1, 0, 0}, {0, 0, 0, 0}, s77, {0, 0, 0, 0}}, 16},
        {"S77 with the note", {{60, 1, kNoteActionCommand, kVolumeEnvelopeOff}, {0, 0, 0, 0}}, 64},
        {"then an instrument number", {{60, 1, 0, 0}, {0, 0, 0, 0}, s77, {0, 1, 0, 0}}, 32},
    };
    ItRig plain;
    plain.playThrough({{60, 1, 0, 0}});
    const int whole = plain.voice(0).volume;
    for (const Case& c : cases) {
        ItRig rig;
        std::vector<int16_t> values(100, 32);  // 64, then 16 to tick 15, then 32
        std::fill(values.begin() + 1, values.begin() + 16, 16);
        values[0] = 64;
        rig.song->instrument(1)->volumeEnvelope = envelope(values);
        rig.playThrough(c.rows);
        EXPECT_NEAR(rig.voice(0).volume, whole * c.envelopeValue / 64, 1) << c.what;
    }
}

// Tone portamento: it goes on from a sounding note only; onto another
// sample it starts that sample, unless compatible Gxx or the lack of an
// instrument number keeps the playing one;
// a released note stays released unless compatible Gxx brings an instrument.
TEST(ItInstrumentCompat, TonePortamentoAcrossInstruments) {
    struct Case {
        const char* what;
        bool compatibleG;
        std::vector<Row> rows;
        int sampleEndsBeforeRow;
        int starts, sample;
        bool keyOff;
    };
    const Row slide = {64, 2, kTonePortamento, 4};
    const Row slideSame = {64, 1, kTonePortamento, 4};
    // clang-format off
    const Case cases[] = {
        {"onto another sample", false, {{60, 1, 0, 0}, slide}, kPlayOn, 2, 2, false},
        {"compatible Gxx keeps the sample", true, {{60, 1, 0, 0}, slide}, kPlayOn, 1, 1, false},
        {"without an instrument number", false, {{60, 2, 0, 0}, {67, 0, kTonePortamento, 4}}, kPlayOn, 1, 2,
         false},
        {"after a cut", false, {{60, 1, 0, 0}, {kNoteCut, 0, 0, 0}, slideSame}, kPlayOn, 2, 1, false},
        {"after the sample's end", false, {{60, 1, 0, 0}, slideSame}, 1, 2, 1, false},
        {"after a note off", false, {{60, 1, 0, 0}, {kNoteOff, 0, 0, 0}, slideSame}, kPlayOn, 1, 1, true},
        {"compatible, after a note off", true, {{60, 1, 0, 0}, {kNoteOff, 0, 0, 0}, slideSame}, kPlayOn, 1, 1,
         false},
    };
    // clang-format on
    for (const Case& c : cases) {
        ItRig rig(c.compatibleG);
        rig.song->instrument(2)->noteMap[67] = 0;  // another sample on one key
        rig.song->instrument(1)->newNoteAction = NewNoteAction::carryOn;
        rig.playThrough(c.rows, c.sampleEndsBeforeRow);
        EXPECT_EQ(rig.voice(0).starts, c.starts) << c.what;
        EXPECT_FALSE(rig.voice(kMaxChannels).playing) << c.what << ": a slide leaves no note behind";
        EXPECT_EQ(rig.channel(0).sample, c.sample) << c.what;
        EXPECT_EQ(rig.channel(0).keyOff, c.keyOff) << c.what;
    }
}

// An instrument number alone plays the last note again when it names
// another instrument or the note has ended by itself; never after a cut or
// a note off. A sample offset beside it waits for a note.
TEST(ItInstrumentCompat, InstrumentNumberAlone) {
    struct Case {
        const char* what;
        std::vector<Row> rows;
        int sampleEndsBeforeRow;
        int starts;
    };
    const Case cases[] = {
        {"same instrument, sounding", {{60, 1, 0, 0}, {0, 1, 0, 0}}, kPlayOn, 1},
        {"another instrument", {{60, 1, 0, 0}, {0, 2, 0, 0}}, kPlayOn, 2},
        {"after the sample's end", {{60, 1, 0, 0}, {0, 1, kSampleOffset, 2}}, 1, 2},
        {"after a cut", {{60, 1, 0, 0}, {kNoteCut, 0, 0, 0}, {0, 1, 0, 0}}, kPlayOn, 1},
        {"after a note off", {{60, 1, 0, 0}, {kNoteOff, 0, 0, 0}, {0, 1, 0, 0}}, 2, 1},
        {"another instrument after a note off",
         {{60, 1, 0, 0}, {kNoteOff, 0, 0, 0}, {0, 2, 0, 0}},
         kPlayOn,
         1},
        {"another instrument while fading", {{60, 1, 0, 0}, {kNoteFade, 0, 0, 0}, {0, 2, 0, 0}}, kPlayOn, 1},
    };
    for (const Case& c : cases) {
        ItRig rig;
        rig.playThrough(c.rows, c.sampleEndsBeforeRow);
        EXPECT_EQ(rig.voice(0).starts, c.starts) << c.what;
        EXPECT_EQ(rig.voice(0).start, 0) << c.what;
    }
}

// SAx and Oxx make one offset, each from its own memory: O00 after SA0
// starts from the beginning again.
TEST(ItInstrumentCompat, OffsetMemoriesMakeOneOffset) {
    ItRig rig;
    addSample(*rig.song, 3, 70000);
    rig.play({{60, 3, kSampleOffsetHigh, 1},
              {60, 3, kSampleOffset, 0},
              {0, 0, kSampleOffsetHigh, 0},
              {60, 3, kSampleOffset, 0}});
    rig.rows(2);
    EXPECT_EQ(rig.voice(0).start, 0x10000);
    rig.rows(2);
    EXPECT_EQ(rig.voice(0).starts, 3);
    EXPECT_EQ(rig.voice(0).start, 0);
}

// An offset past the end (a looped sample's loop end) starts from the
// beginning; under old effects from the loop start, or not at all.
TEST(ItInstrumentCompat, SampleOffsetPastTheEnd) {
    struct Case {
        bool oldEffects, looped;
        int starts, start;
    };
    for (const Case& c : {Case{false, false, 1, 0}, Case{false, true, 1, 0}, Case{true, true, 1, 100},
                          Case{true, false, 0, 0}}) {
        ItRig rig;
        rig.song->itOldEffects = c.oldEffects;
        Sample& sample = *rig.song->sample(1);
        if (c.looped) {
            sample.flags |= kSampleLooped;
            sample.loopStart = 100;
            sample.loopEnd = 500;
        }
        rig.playThrough({{60, 1, kSampleOffset, c.looped ? 2 : 4}});
        EXPECT_EQ(rig.voice(0).starts, c.starts) << c.oldEffects << c.looped;
        EXPECT_EQ(rig.voice(0).start, c.start) << c.oldEffects << c.looped;
    }
}

// A note takes its instrument's default panning, then its sample's; an
// instrument number alone leaves the panning as it is.
TEST(ItInstrumentCompat, DefaultPanningAtEachNote) {
    struct Case {
        const char* what;
        int samplePanning;
        std::vector<Row> rows;
        int panning;
    };
    const Row hardLeft = {0, 0, kSetPanning, 0};
    const Case cases[] = {
        {"a note without an instrument number", -1, {{60, 1, 0, 0}, hardLeft, {62, 0, 0, 0}}, 48},
        {"the sample's over the instrument's", 8, {{60, 1, 0, 0}}, 8},
        {"an instrument number alone", -1, {{60, 1, 0, 0}, hardLeft, {0, 1, 0, 0}}, 0},
    };
    for (const Case& c : cases) {
        ItRig rig;
        rig.song->instrument(1)->panning = 48;
        rig.song->sample(1)->panning = c.samplePanning;
        rig.playThrough(c.rows);
        EXPECT_EQ(rig.channel(0).panning, c.panning) << c.what;
    }
}

// Random variation keeps each note's panning and volume within the
// instrument's ranges, and does vary them.
TEST(ItInstrumentCompat, RandomVariationStaysInRange) {
    ItRig rig;
    rig.song->instrument(1)->randomPanning = 16;
    rig.song->instrument(1)->randomVolume = 50;
    rig.play(std::vector<Row>(16, Row{60, 1, 0, 0}));
    std::vector<int> pannings, volumes;
    for (int r = 0; r < 16; ++r) {
        rig.rows(1);
        pannings.push_back(rig.channel(0).panning);
        volumes.push_back(rig.channel(0).instrumentGlobalVolume);
    }
    auto [lowPan, highPan] = std::minmax_element(pannings.begin(), pannings.end());
    auto [lowVolume, highVolume] = std::minmax_element(volumes.begin(), volumes.end());
    EXPECT_GE(*lowPan, 32 - 16);
    EXPECT_LE(*highPan, 32 + 16);
    EXPECT_LT(*lowPan, *highPan);
    EXPECT_GE(*lowVolume, 64);
    EXPECT_LE(*highVolume, 128);
    EXPECT_LT(*lowVolume, *highVolume);
}

// A note or instrument number that plays no sample leaves the sounding note
// as it is, and so do the notes after it on that instrument; a sample
// without data silences the channel.
TEST(ItInstrumentCompat, NotesWithoutASample) {
    struct Case {
        const char* what;
        std::vector<Row> rows;
        bool playing;
        int lastNote;
    };
    const Case cases[] = {
        {"a missing instrument", {{60, 1, 0, 0}, {62, 9, 0, 0}, {64, 0, 0, 0}}, true, 60},
        {"its number alone", {{60, 1, 0, 0}, {0, 9, 0, 0}, {64, 0, 0, 0}}, true, 60},
        {"a key mapped to none", {{60, 1, 0, 0}, {72, 2, 0, 0}}, true, 60},
        {"a sample without data", {{60, 1, 0, 0}, {62, 4, 0, 0}}, false, 62},
    };
    for (const Case& c : cases) {
        ItRig rig;
        rig.song->instrument(2)->noteMap[72] = -1;
        rig.song->instrument(4, 3);
        rig.song->instrumentCount = 4;
        rig.song->sample(4);
        rig.playThrough(c.rows);
        EXPECT_EQ(rig.voice(0).starts, 1) << c.what;
        EXPECT_EQ(rig.voice(0).playing, c.playing) << c.what;
        EXPECT_EQ(rig.channel(0).lastNote, c.lastNote) << c.what;
    }
}

}  // namespace
}  // namespace tumbor::trk::test
