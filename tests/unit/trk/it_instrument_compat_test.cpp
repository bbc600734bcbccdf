// IT instruments and notes as the reference player (openmpt123) plays them,
// each decision on a song built in code and followed row by row.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/sequencer_rig.h"

namespace tumbor::trk::test {
namespace {

constexpr int kPlayOn = -1;  // no row before which the sample runs out

struct Row {
    int note, instrument, effect, parameter;
};
const Row kC5 = {60, 1, 0, 0};
const Row kEmpty = {0, 0, 0, 0};

// One IT channel; instruments 1 and 2 play samples 1 and 2 of 1000 points,
// instrument 2 none on key 72 and sample 1 on key 67, instrument 4 a sample
// without data.
struct ItRig : SequencerRig {
    explicit ItRig(bool compatibleG = false) : SequencerRig(SongFormat::it, 1, 1, 16) {
        song->itSeparateG = compatibleG;
        song->itInstruments = true;
        song->channelPanning[0] = 32;
        addSample(*song, 1, 1000);
        addSample(*song, 2, 1000, 40);
        song->instrument(2)->noteMap[72] = -1;
        song->instrument(2)->noteMap[67] = 0;
        song->instrument(4, 3);
        song->instrumentCount = 4;
        song->sample(4);
    }
    void play(const std::vector<Row>& rows) {
        for (size_t r = 0; r < rows.size(); ++r)
            setCell(*song, 0, static_cast<int>(r), 0, rows[r].note, rows[r].instrument, rows[r].effect,
                    rows[r].parameter);
        begin();
    }
    void playThrough(const std::vector<Row>& rows, int sampleEndsBeforeRow = kPlayOn) {
        play(rows);
        for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
            if (r == sampleEndsBeforeRow) voice(0).playing = false;
            this->rows(1);
        }
    }
};

std::shared_ptr<Envelope> envelope(std::vector<int16_t> values, bool loops = false, bool carries = false) {
    auto made = std::make_shared<Envelope>();
    made->values = std::move(values);
    made->loops = loops;
    made->loopEnd = static_cast<int>(made->values.size()) - 1;
    made->carries = carries;
    return made;
}

// Note off and fade; an instrument number alone plays the last note again
// for another instrument or after the note ended by itself, never after a
// cut, note off or fade; a note or number that plays no sample leaves the
// sounding note alone; another instrument's note is no duplicate.
TEST(ItInstrumentCompat, WhatARowDoesToTheSoundingNote) {
    struct Case {
        const char* what;
        std::vector<Row> rows;
        int sampleEndsBeforeRow;
        int starts;
        bool playing, keyOff, fading;
    };
    const Row off = {kNoteOff, 0, 0, 0}, fade = {kNoteFade, 0, 0, 0}, cut = {kNoteCut, 0, 0, 0};
    const Case cases[] = {
        {"note off", {kC5, off}, kPlayOn, 1, true, true, true},
        {"note fade", {kC5, fade}, kPlayOn, 1, true, false, true},
        {"same instrument alone", {kC5, {0, 1, 0, 0}}, kPlayOn, 1, true, false, false},
        {"another instrument alone", {kC5, {0, 2, 0, 0}}, kPlayOn, 2, true, false, false},
        {"alone after the sample's end", {kC5, {0, 1, kSampleOffset, 2}}, 1, 2, true, false, false},
        {"alone after a cut", {kC5, cut, {0, 1, 0, 0}}, kPlayOn, 1, false, false, false},
        {"alone after a note off", {kC5, off, {0, 1, 0, 0}}, 2, 1, false, true, true},
        {"another alone after a note off", {kC5, off, {0, 2, 0, 0}}, kPlayOn, 1, true, true, true},
        {"another alone while fading", {kC5, fade, {0, 2, 0, 0}}, kPlayOn, 1, true, false, true},
        {"a missing instrument", {kC5, {62, 9, 0, 0}, {64, 0, 0, 0}}, kPlayOn, 1, true, false, false},
        {"its number alone", {kC5, {0, 9, 0, 0}, {64, 0, 0, 0}}, kPlayOn, 1, true, false, false},
        {"a key mapped to none", {kC5, {72, 2, 0, 0}}, kPlayOn, 1, true, false, false},
        {"a sample without data", {kC5, {62, 4, 0, 0}}, kPlayOn, 1, false, false, false},
    };
    for (const Case& c : cases) {
        ItRig rig;
        rig.playThrough(c.rows, c.sampleEndsBeforeRow);
        EXPECT_EQ(rig.voice(0).starts, c.starts) << c.what;
        EXPECT_EQ(rig.voice(0).start, 0) << c.what << ": an offset waits for a note";
        EXPECT_EQ(rig.voice(0).playing, c.playing) << c.what;
        EXPECT_EQ(rig.channel(0).keyOff, c.keyOff) << c.what;
        EXPECT_EQ(rig.channel(0).fading, c.fading) << c.what;
    }
    ItRig duplicates;
    for (int number : {1, 2}) {
        duplicates.song->instrument(number)->newNoteAction = NewNoteAction::carryOn;
        duplicates.song->instrument(number)->duplicateCheck = DuplicateCheck::instrument;
    }
    duplicates.playThrough({kC5, {62, 2, 0, 0}});
    EXPECT_TRUE(duplicates.voice(kMaxChannels).playing) << "another instrument's note is no duplicate";
}

// An instrument number beside a note off, cut or fade takes the sample (and
// its volume) of the last note's key; a cut leaves the volume to the next note.
TEST(ItInstrumentCompat, InstrumentNumberBesideNoteOffCutOrFade) {
    for (int ending : {kNoteOff, kNoteCut, kNoteFade}) {
        ItRig rig;
        rig.playThrough({kC5, {ending, 2, 0, 0}, {62, 0, 0, 0}});
        EXPECT_EQ(rig.channel(0).sample, 2) << ending;
        EXPECT_EQ(rig.channel(0).volume, 40) << ending;
    }
}

// Released, a volume envelope fades the note at once only when it loops, and
// one ending at zero ends it; S77 keeps the volume the envelope had (all of
// it on the note's own row) and an instrument number turns it on again where
// it stood; a carried envelope goes on across notes while the note sounds.
TEST(ItInstrumentCompat, VolumeEnvelopes) {
    std::vector<int16_t> steps(100, 32);  // 64, then 16 to tick 15, then 32
    std::fill(steps.begin() + 1, steps.begin() + 16, 16);
    steps[0] = 64;
    const Row off = {kNoteOff, 0, 0, 0}, s77 = {0, 0, kNoteActionCommand, kVolumeEnvelopeOff};
    struct Case {
        const char* what;
        std::shared_ptr<Envelope> volume;
        std::vector<Row> rows;
        int sampleEndsBeforeRow;
        bool fading, playing;
        int heard;     // the envelope value the voice is left at, -1 unchecked
        int position;  // -1 unchecked
    };
    const Case cases[] = {
        {"off, looping", envelope({64, 32, 64}, true), {kC5, off}, kPlayOn, true, true, -1, -1},
        {"off, running", envelope(std::vector<int16_t>(100, 64)), {kC5, off}, kPlayOn, false, true, -1, -1},
        {"run out at zero", envelope({64, 0}), {kC5}, kPlayOn, true, false, -1, -1},
        {"S77 later", envelope(steps), {kC5, kEmpty, s77, kEmpty}, kPlayOn, false, true, 16, -1},
        {"S77 with the note",
         envelope(steps),
         {{60, 1, kNoteActionCommand, kVolumeEnvelopeOff}},
         kPlayOn,
         false,
         true,
         64,
         -1},
        {"S77, instrument", envelope(steps), {kC5, kEmpty, s77, {0, 1, 0, 0}}, kPlayOn, false, true, 32, -1},
        {"carried", envelope(steps, false, true), {kC5, {62, 1, 0, 0}}, kPlayOn, false, true, -1, 11},
        {"carried, ended", envelope(steps, false, true), {kC5, {62, 1, 0, 0}}, 1, false, true, -1, 5},
    };
    ItRig plain;
    plain.playThrough({kC5});
    for (const Case& c : cases) {
        ItRig rig;
        rig.song->instrument(1)->volumeEnvelope = c.volume;
        rig.playThrough(c.rows, c.sampleEndsBeforeRow);
        EXPECT_EQ(rig.channel(0).fading, c.fading) << c.what;
        EXPECT_EQ(rig.voice(0).playing, c.playing) << c.what;
        if (c.heard >= 0) {
            EXPECT_NEAR(rig.voice(0).volume, plain.voice(0).volume * c.heard / 64, 1) << c.what;
        }
        if (c.position >= 0) {
            EXPECT_EQ(rig.channel(0).volumeEnvelope.position, c.position) << c.what;
        }
    }
}

// Tone portamento goes on from a sounding note only, leaving no note behind;
// onto another sample it starts that sample unless compatible Gxx or the
// lack of an instrument number keeps the playing one; a released note stays
// released unless compatible Gxx brings an instrument number.
TEST(ItInstrumentCompat, TonePortamentoAcrossInstruments) {
    struct Case {
        const char* what;
        bool compatibleG;
        std::vector<Row> rows;
        int sampleEndsBeforeRow;
        int starts, sample;
        bool keyOff;
    };
    const Row slide = {64, 2, kTonePortamento, 4}, slideSame = {64, 1, kTonePortamento, 4};
    const Row off = {kNoteOff, 0, 0, 0};
    // clang-format off
    const Case cases[] = {
        {"onto another sample", false, {kC5, slide}, kPlayOn, 2, 2, false},
        {"compatible Gxx keeps the sample", true, {kC5, slide}, kPlayOn, 1, 1, false},
        {"without an instrument number", false, {{60, 2, 0, 0}, {67, 0, kTonePortamento, 4}}, kPlayOn, 1, 2, false},
        {"after a cut", false, {kC5, {kNoteCut, 0, 0, 0}, slideSame}, kPlayOn, 2, 1, false},
        {"after the sample's end", false, {kC5, slideSame}, 1, 2, 1, false},
        {"after a note off", false, {kC5, off, slideSame}, kPlayOn, 1, 1, true},
        {"compatible, after a note off", true, {kC5, off, slideSame}, kPlayOn, 1, 1, false},
    };
    // clang-format on
    for (const Case& c : cases) {
        ItRig rig(c.compatibleG);
        rig.song->instrument(1)->newNoteAction = NewNoteAction::carryOn;
        rig.playThrough(c.rows, c.sampleEndsBeforeRow);
        EXPECT_EQ(rig.voice(0).starts, c.starts) << c.what;
        EXPECT_FALSE(rig.voice(kMaxChannels).playing) << c.what;
        EXPECT_EQ(rig.channel(0).sample, c.sample) << c.what;
        EXPECT_EQ(rig.channel(0).keyOff, c.keyOff) << c.what;
    }
}

// SAx and Oxx make one offset: O00 after SA0 starts from the beginning
// again. Past the end (a looped sample's loop end) an offset starts from the
// beginning; under old effects from the loop start, or not at all.
TEST(ItInstrumentCompat, SampleOffsets) {
    ItRig memories;
    addSample(*memories.song, 3, 70000);
    memories.play({{60, 3, kSampleOffsetHigh, 1},
                   {60, 3, kSampleOffset, 0},
                   {0, 0, kSampleOffsetHigh, 0},
                   {60, 3, kSampleOffset, 0}});
    memories.rows(2);
    EXPECT_EQ(memories.voice(0).start, 0x10000);
    memories.rows(2);
    EXPECT_EQ(memories.voice(0).start, 0);
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
// instrument number alone leaves the panning. Random variation stays within
// the instrument's ranges and does vary.
TEST(ItInstrumentCompat, PanningAndRandomVariation) {
    const Row hardLeft = {0, 0, kSetPanning, 0};
    struct Case {
        int samplePanning;
        std::vector<Row> rows;
        int panning;
    };
    for (const Case& c : {Case{-1, {kC5, hardLeft, {62, 0, 0, 0}}, 48}, Case{8, {kC5}, 8},
                          Case{-1, {kC5, hardLeft, {0, 1, 0, 0}}, 0}}) {
        ItRig rig;
        rig.song->instrument(1)->panning = 48;
        rig.song->sample(1)->panning = c.samplePanning;
        rig.playThrough(c.rows);
        EXPECT_EQ(rig.channel(0).panning, c.panning) << c.samplePanning << c.rows.size();
    }
    ItRig rig;
    rig.song->instrument(1)->randomPanning = 16;
    rig.song->instrument(1)->randomVolume = 50;
    rig.play(std::vector<Row>(16, kC5));
    std::vector<int> pannings, volumes;
    for (int r = 0; r < 16; ++r) {
        rig.rows(1);
        pannings.push_back(rig.channel(0).panning);
        volumes.push_back(rig.channel(0).instrumentGlobalVolume);
    }
    auto [lowPan, highPan] = std::minmax_element(pannings.begin(), pannings.end());
    auto [lowVolume, highVolume] = std::minmax_element(volumes.begin(), volumes.end());
    EXPECT_TRUE(*lowPan >= 16 && *highPan <= 48 && *lowPan < *highPan);
    EXPECT_TRUE(*lowVolume >= 64 && *highVolume <= 128 && *lowVolume < *highVolume);
}

}  // namespace
}  // namespace tumbor::trk::test
