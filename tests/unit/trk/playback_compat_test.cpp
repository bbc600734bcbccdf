// Behaviours decided against the reference player (openmpt123), each on a
// song built in code and followed tick by tick: what real songs rely on and
// the plain reading of the effect table gets wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "libs/trk/sequencer/effects.h"
#include "libs/trk/sequencer/pitch.h"
#include "tests/unit/trk/sequencer_rig.h"

namespace tumbor::trk::test {
namespace {

// One channel that matters, one long sample on instrument 1.
struct PlaybackRig : SequencerRig {
    explicit PlaybackRig(SongFormat format, int rows = 64) : SequencerRig(format, 4, 1, rows) {
        addSample(*song, 1, 100000);
    }
    void cell(int row, int note, int instrument, int effect = 0, int parameter = 0, int volume = -1) {
        setCell(*song, 0, row, 0, note, instrument, effect, parameter, volume);
    }
    // Channel 0's output volume after each of the ticks of the next rows.
    std::vector<int> volumes(int rowCount) {
        std::vector<int> seen;
        for (int i = 0; i < rowCount * state().speed; ++i) {
            ticks(1);
            seen.push_back(channel(0).outputVolume);
        }
        return seen;
    }
    // The ticks (counted from the first of row 0) on which channel 0's
    // voice started, over the next rows.
    std::vector<int> starts(int rowCount) {
        std::vector<int> seen;
        for (int i = 0; i < rowCount * state().speed; ++i) {
            int before = voice(0).starts;
            ticks(1);
            if (voice(0).starts != before) seen.push_back(i);
        }
        return seen;
    }
};

// XM tremor: on x + 1, off y + 1 of the ticks after a row's first; the
// phase runs on across rows and keeps muting after the effect has gone,
// until an instrument number.
TEST(PlaybackCompat, XmTremorPhaseOutlivesTheEffectUntilAnInstrumentNumber) {
    PlaybackRig rig(SongFormat::xm);
    rig.cell(0, 48, 1, kTremor, 0x12);
    rig.cell(1, 0, 0, kTremor, 0);  // the memory
    rig.cell(3, 0, 1);
    rig.begin();
    EXPECT_EQ(rig.volumes(4), (std::vector<int>{64, 64, 64, 0, 0, 0, 0,  64, 64, 0,  0,  0,
                                                0,  0,  0,  0, 0, 0, 64, 64, 64, 64, 64, 64}));
}

// XM key off on a note without a volume envelope: alone it silences the
// note (which sounds on, so the next volume brings it back); an instrument
// number (reloading the sample's volume) or a set volume beside it leaves
// only the release; K00 passes over the note and instrument beside it.
TEST(PlaybackCompat, XmKeyOffWithoutEnvelope) {
    struct Case {
        const char* what;
        int note, instrument, effect, parameter, volumeColumn;
        int volume;
        bool keyOff;
    };
    const Case cases[] = {
        {"key off", kNoteOff, 0, 0, 0, kNoVolume, 0, false},
        {"with an instrument", kNoteOff, 1, 0, 0, kNoVolume, 64, true},
        {"with a volume", kNoteOff, 0, 0, 0, 20, 20, true},
        {"with Cxx", kNoteOff, 0, kSetVolume, 20, kNoVolume, 20, true},
        {"K02", 0, 0, kKeyOff, 2, kNoVolume, 0, true},
        {"K00 with a volume", 0, 0, kKeyOff, 0, 20, 20, true},
        {"K00 passes over note and instrument", 60, 1, kKeyOff, 0, kNoVolume, 50, true},
    };
    for (const Case& c : cases) {
        PlaybackRig rig(SongFormat::xm);
        rig.cell(0, 48, 1, 0, 0, 50);
        rig.cell(1, c.note, c.instrument, c.effect, c.parameter, c.volumeColumn);
        rig.begin();
        rig.rows(2);
        EXPECT_EQ(rig.channel(0).volume, c.volume) << c.what;
        EXPECT_EQ(rig.channel(0).keyOff, c.keyOff) << c.what;
        EXPECT_EQ(rig.channel(0).lastNote, 48) << c.what;
        EXPECT_TRUE(rig.voice(0).playing) << c.what;
        EXPECT_EQ(rig.voice(0).starts, 1) << c.what;
    }
}

// XM Rxy: a tick counter running on across rows, set to 1 by an
// instrument number on the first tick and held there by a set volume.
TEST(PlaybackCompat, XmMultiRetriggerCountsOnAcrossRows) {
    PlaybackRig rig(SongFormat::xm);
    rig.cell(0, 48, 1, kRetrigger, 0x04);
    rig.cell(1, 0, 0, kRetrigger, 0);
    rig.cell(2, 0, 1, kRetrigger, 0);
    rig.cell(3, 0, 0, kRetrigger, 0, 40);
    rig.cell(4, 0, 0, kRetrigger, 0);
    rig.begin();
    EXPECT_EQ(rig.starts(5), (std::vector<int>{0, 3, 7, 11, 15, 20, 24, 28}));
}

// E9y counts the ticks of its own row: XM leaves out the first tick, the
// others leave it out only when the row has a note of its own; E90
// retriggers on the first tick in XM alone.
TEST(PlaybackCompat, RetriggerEveryTicksOfItsRow) {
    struct Case {
        SongFormat format;
        std::vector<int> starts;
    };
    for (const Case& c :
         {Case{SongFormat::xm, {0, 2, 4, 8, 10, 12}}, Case{SongFormat::mod, {0, 2, 4, 6, 8, 10}}}) {
        PlaybackRig rig(c.format);
        rig.cell(0, 48, 1, kExtended, 0x92);
        rig.cell(1, 0, 0, kExtended, 0x92);
        rig.cell(2, 0, 0, kExtended, 0x90);
        rig.begin();
        EXPECT_EQ(rig.starts(3), c.starts) << static_cast<int>(c.format);
    }

    // IT retriggers only a voice that still plays.
    PlaybackRig it(SongFormat::it);
    it.cell(0, 60, 1, kRetriggerVolume, 0x02);
    it.begin();
    EXPECT_EQ(it.starts(1).size(), 3u);
    it.voice(0).playing = false;  // the sample has ended
    EXPECT_EQ(it.starts(1), (std::vector<int>{}));
}

// XM Hxy: remembered whole; x, when given, slides up by 4x a tick after the
// first, else y slides down by 4y.
TEST(PlaybackCompat, XmGlobalVolumeSlideRemembersItsParameter) {
    PlaybackRig rig(SongFormat::xm);
    const int parameters[] = {0x02, 0, 0x30, 0, 0x21};
    rig.cell(0, 0, 0, kSetGlobalVolume, 128);
    for (int row = 0; row < 5; ++row) rig.cell(row + 1, 0, 0, kXmGlobalVolumeSlide, parameters[row]);
    rig.begin();
    std::vector<int> seen;
    for (int row = 0; row < 6; ++row) {
        rig.rows(1);
        seen.push_back(rig.state().globalVolume);
    }
    EXPECT_EQ(seen, (std::vector<int>{128, 88, 48, 108, 168, 208}));
}

// XM's volume column Mx slides to the cell's note at 16x (64x in periods),
// sharing its speed with 3xx; a 3xx beside it is passed over and doubles it.
TEST(PlaybackCompat, XmVolumeColumnTonePortamento) {
    struct Case {
        int volumeColumn, effect, parameter;
        int perTick;
    };
    for (const Case& c : {Case{0xF1, 0, 0, 64}, Case{0xF1, kTonePortamento, 0x01, 128},
                          Case{0xF0, kTonePortamento, 0x08, 0}}) {
        PlaybackRig rig(SongFormat::xm);
        rig.cell(0, 48, 1);
        rig.cell(1, 72, 0, c.effect, c.parameter, c.volumeColumn);
        rig.begin();
        rig.rows(1);
        const int32_t from = rig.channel(0).basePeriod;
        rig.rows(1);
        EXPECT_EQ(rig.channel(0).basePeriod, from - 5 * c.perTick) << c.volumeColumn << " " << c.effect;
        EXPECT_EQ(rig.voice(0).starts, 1) << "the note is slid to, not started";
    }
}

// Periods are held at the limits and the note plays on. ProTracker's MODs
// keep to B-3 .. C-1 (113 .. 856, times 4), the slides' period too; other
// MODs only have a lowest period, S3M a lowest output period.
TEST(PlaybackCompat, PeriodLimitsHoldTheNote) {
    struct Case {
        SongFormat format;
        bool protracker;
        int note, effect;
        int32_t base, output;
    };
    const Case cases[] = {
        {SongFormat::mod, true, 71, kPortamentoUp, 452, 452},
        {SongFormat::mod, true, 36, kPortamentoDown, 3424, 3424},
        {SongFormat::mod, false, 71, kPortamentoUp, 56, 56},
        {SongFormat::mod, false, 36, kPortamentoDown, 3424 + 15 * 32, 3424 + 15 * 32},
        {SongFormat::s3m, false, 71, kPortamentoUp, 453 - 15 * 32, 64},
    };
    for (const Case& c : cases) {
        PlaybackRig rig(c.format);
        rig.song->protrackerRules = c.protracker;
        rig.cell(0, c.note, 1, c.effect, 8);
        rig.cell(1, 0, 0, c.effect, 8);
        rig.cell(2, 0, 0, c.effect, 8);
        rig.begin();
        rig.rows(3);
        EXPECT_EQ(rig.channel(0).basePeriod, c.base) << c.protracker << " " << c.note;
        EXPECT_EQ(rig.channel(0).outputPeriod, c.output) << c.protracker << " " << c.note;
        EXPECT_TRUE(rig.voice(0).playing) << c.protracker << " " << c.note;
    }
}

// A row held by a pattern delay sounds its notes once, but a delayed note
// (EDx) again on each repetition, in every format.
TEST(PlaybackCompat, PatternDelayRepeatsADelayedNote) {
    for (SongFormat format : {SongFormat::mod, SongFormat::s3m, SongFormat::xm, SongFormat::it}) {
        PlaybackRig rig(format);
        rig.cell(0, 48, 1, kExtended, 0xD3);
        setCell(*rig.song, 0, 0, 1, 48, 1, kExtended, 0xE2);
        rig.begin();
        EXPECT_EQ(rig.starts(3), (std::vector<int>{3, 9, 15})) << static_cast<int>(format);
        EXPECT_EQ(rig.voice(1).starts, 1) << static_cast<int>(format);
    }
}

// Tremolo's ramp (at depth 4, from volume 32): MOD and XM ramp up, unless
// the vibrato position has passed half way (their trackers read it there);
// Scream Tracker ramps down.
TEST(PlaybackCompat, TremoloRampDirection) {
    struct Case {
        SongFormat format;
        bool vibratoPastHalf;
        std::vector<int> volumes;
    };
    const Case cases[] = {
        {SongFormat::mod, false, {32, 32, 34, 36, 38, 40}},
        {SongFormat::xm, false, {32, 32, 34, 36, 38, 40}},
        {SongFormat::mod, true, {47, 47, 45, 43, 41, 39}},
        {SongFormat::s3m, false, {32, 32, 30, 28, 26, 24}},
        {SongFormat::s3m, true, {32, 32, 30, 28, 26, 24}},
    };
    for (const Case& c : cases) {
        PlaybackRig rig(c.format);
        addSample(*rig.song, 2, 100000, 32);
        rig.cell(0, 48, 2, kExtended, 0x71);
        if (c.vibratoPastHalf) rig.cell(1, 0, 0, kVibrato, 0x81);
        rig.cell(2, 0, 0, kTremolo, 0x44);
        rig.begin();
        rig.rows(2);
        EXPECT_EQ(rig.volumes(1), c.volumes) << static_cast<int>(c.format) << " " << c.vibratoPastHalf;
    }
}

// A new note restarts the tremolo waveform unless its setting has + 4;
// Scream Tracker has no such bit, IT ignores settings past 3 and never
// restarts tremolo. Ramp (sine in IT) at depth 4 from volume 32; after one
// row the position is 80 (96 in IT, which moves on the first tick too and
// is half as deep).
TEST(PlaybackCompat, TremoloPositionAtANewNote) {
    struct Case {
        SongFormat format;
        int setting;
        int volume;
    };
    const Case cases[] = {
        {SongFormat::mod, 1, 32}, {SongFormat::mod, 5, 42}, {SongFormat::xm, 5, 42},
        {SongFormat::s3m, 5, 32}, {SongFormat::it, 4, 37},
    };
    for (const Case& c : cases) {
        PlaybackRig rig(c.format);
        addSample(*rig.song, 2, 100000, 32);
        rig.cell(0, 48, 2, kExtended, 0x70 | c.setting);
        rig.cell(1, 0, 0, kTremolo, 0x44);
        rig.cell(2, 48, 2, kTremolo, 0x44);
        rig.begin();
        rig.rows(2);
        rig.ticks(1);
        ASSERT_EQ(rig.voice(0).starts, 2);
        EXPECT_EQ(rig.channel(0).outputVolume, c.volume) << static_cast<int>(c.format) << " " << c.setting;
    }
}

// A sample offset at or past the end of a 1024-byte sample (of its loop,
// 256 .. 768, when looped): MOD plays from the loop start, S3M wraps into
// the loop, IT starts from the beginning, XM and S3M without a loop stop
// the note (-1).
TEST(PlaybackCompat, SampleOffsetPastTheEnd) {
    struct Case {
        SongFormat format;
        bool looped;
        int parameter;
        int32_t start;
    };
    const Case cases[] = {
        {SongFormat::mod, true, 0x04, 256}, {SongFormat::mod, false, 0x04, -1},
        {SongFormat::s3m, true, 0x04, 512}, {SongFormat::s3m, false, 0x05, -1},
        {SongFormat::xm, true, 0x04, -1},   {SongFormat::xm, true, 0x02, 512},
        {SongFormat::it, true, 0x04, 0},
    };
    for (const Case& c : cases) {
        PlaybackRig rig(c.format);
        Sample& sample = addSample(*rig.song, 2, 1024);
        if (c.looped) {
            sample.flags |= kSampleLooped;
            sample.loopStart = 256;
            sample.loopEnd = 768;
        }
        rig.cell(0, 48, 2, kSampleOffset, c.parameter);
        rig.begin();
        rig.ticks(1);
        const bool playing = rig.voice(0).playing;
        EXPECT_EQ(playing ? rig.voice(0).start : -1, c.start)
            << static_cast<int>(c.format) << " " << c.parameter;
    }
}

// IT's S6x lengthens its row by x ticks, the S6x of every channel adding
// up, on each repetition of a delayed row.
TEST(PlaybackCompat, ItFinePatternDelay) {
    PlaybackRig rig(SongFormat::it);
    rig.cell(0, 60, 1, kFinePatternDelay, 3);
    setCell(*rig.song, 0, 0, 1, 0, 0, kFinePatternDelay, 2);
    rig.cell(1, 60, 1, kExtended, kPatternDelay << 4 | 1);
    setCell(*rig.song, 0, 1, 1, 0, 0, kFinePatternDelay, 1);
    rig.cell(2, 60, 1);
    rig.begin();
    EXPECT_EQ(rig.starts(5), (std::vector<int>{0, 11, 25}));
}

// A note with an instrument number the song lacks cuts the channel in XM,
// S3M and IT, and in IT the number alone does; elsewhere, and for a number
// alone in XM and S3M, the note sounds on.
TEST(PlaybackCompat, MissingInstrumentCutsTheNote) {
    struct Case {
        SongFormat format;
        int note;
        bool sounds;
    };
    const Case cases[] = {
        {SongFormat::xm, 50, false}, {SongFormat::s3m, 50, false}, {SongFormat::it, 50, false},
        {SongFormat::it, 0, false},  {SongFormat::xm, 0, true},    {SongFormat::mtm, 50, true},
    };
    for (const Case& c : cases) {
        PlaybackRig rig(c.format);
        rig.cell(0, 48, 1);
        rig.cell(1, c.note, 9);
        rig.begin();
        rig.rows(2);
        EXPECT_EQ(rig.voice(0).playing, c.sounds) << static_cast<int>(c.format) << " " << c.note;
    }
}

// A note delay holds the cell's note, instrument and volume back to its
// tick: the sounding note keeps its pitch and volume until then (IT's SD0
// waits one tick); ProTracker alone takes the sample volume at once.
TEST(PlaybackCompat, NoteDelayHoldsTheWholeCell) {
    struct Case {
        SongFormat format;
        int delay;
        int startTick;
        std::vector<int> volumes;
    };
    const Case cases[] = {
        {SongFormat::xm, 3, 3, {20, 20, 20, 40, 40}},  {SongFormat::s3m, 3, 3, {20, 20, 20, 40, 40}},
        {SongFormat::it, 3, 3, {20, 20, 20, 40, 40}},  {SongFormat::it, 0, 1, {20, 40, 40, 40, 40}},
        {SongFormat::mod, 3, 3, {32, 32, 32, 32, 32}},
    };
    for (const Case& c : cases) {
        PlaybackRig rig(c.format);
        addSample(*rig.song, 2, 100000, 32);
        rig.cell(0, 48, 2, kSetVolume, 20);
        rig.cell(1, 60, 2, kExtended, kNoteDelay << 4 | c.delay, c.format == SongFormat::mod ? -1 : 40);
        rig.begin();
        rig.rows(1);
        const int32_t before = rig.channel(0).outputPeriod;
        std::vector<int> volumes;
        int started = -1;
        for (int tick = 0; tick < 5; ++tick) {
            const int starts = rig.voice(0).starts;
            rig.ticks(1);
            volumes.push_back(rig.channel(0).outputVolume);
            if (rig.voice(0).starts != starts) started = tick;
            if (started < 0) {
                EXPECT_EQ(rig.channel(0).outputPeriod, before) << static_cast<int>(c.format);
            }
        }
        EXPECT_EQ(started, c.startTick) << static_cast<int>(c.format);
        EXPECT_EQ(volumes, c.volumes) << static_cast<int>(c.format);
    }
}

// IT's SAx puts the offsets after it x * 64 Ki points further; O00 repeats
// the last offset.
TEST(PlaybackCompat, ItHighSampleOffset) {
    PlaybackRig rig(SongFormat::it);
    rig.cell(0, 60, 1, kSampleOffsetHigh, 1);
    rig.cell(1, 60, 1, kSampleOffset, 0x80);
    rig.cell(2, 60, 1, kSampleOffset, 0);
    rig.begin();
    EXPECT_EQ(rig.starts(3), (std::vector<int>{0, 6, 12}));
    EXPECT_EQ(rig.voice(0).start, 0x18000);
}

// Scream Tracker's D00 (volume slide down by 4 from 64 over a row's 5
// slide ticks) takes the last non-zero parameter of any command, its own
// or another's.
TEST(PlaybackCompat, S3mCommandsShareOneParameterMemory) {
    struct Case {
        int effect, parameter;
        int volume;
    };
    const Case cases[] = {
        {kFineVolumeSlide, 0x04, 24}, {kFinePortamentoDown, 0x04, 44}, {kTremolo, 0x04, 44},
        {kSampleOffset, 0x04, 44},    {kRetriggerVolume, 0x04, 44},    {0, 0, 64},
    };
    for (const Case& c : cases) {
        PlaybackRig rig(SongFormat::s3m);
        rig.cell(0, 48, 1, c.effect, c.parameter);
        rig.cell(1, 0, 0, kFineVolumeSlide, 0);
        rig.begin();
        rig.rows(2);
        EXPECT_EQ(rig.channel(0).volume, c.volume) << c.effect;
    }
}

// Volume slides outside MOD and XM: D0F and DF0 slide on the first tick as
// well; with both nibbles set (and neither F) S3M slides down, IT not.
TEST(PlaybackCompat, VolumeSlideOnTheFirstTickAndWithBothNibbles) {
    struct Case {
        SongFormat format;
        int effect, parameter, from;
        int afterFirstTick, afterRow;
    };
    const Case cases[] = {
        {SongFormat::s3m, kFineVolumeSlide, 0x0F, 64, 49, 0},
        {SongFormat::s3m, kFineVolumeSlide, 0xF0, 0, 15, 64},
        {SongFormat::s3m, kFineVolumeSlide, 0x02, 64, 64, 54},
        {SongFormat::s3m, kFineVolumeSlide, 0x32, 64, 64, 54},
        {SongFormat::it, kLinearVibratoVolumeSlide, 0x32, 64, 64, 64},
    };
    for (const Case& c : cases) {
        PlaybackRig rig(c.format);
        rig.cell(0, 48, 1, c.effect, c.parameter, c.from);
        rig.begin();
        rig.ticks(1);
        EXPECT_EQ(rig.channel(0).volume, c.afterFirstTick) << c.parameter;
        rig.ticks(5);
        EXPECT_EQ(rig.channel(0).volume, c.afterRow) << c.parameter;
    }
}

// Channel 0's sounding pitch against its slid pitch, in cents, on each of
// the next ticks: linear periods are frequencies, the others periods.
std::vector<int> pitchCents(PlaybackRig& rig, int tickCount) {
    std::vector<int> seen;
    for (int i = 0; i < tickCount; ++i) {
        rig.ticks(1);
        const ChannelState& c = rig.channel(0);
        double ratio = double(c.outputPeriod) / c.basePeriod;
        if (!rig.song->linearFrequencies) ratio = 1 / ratio;
        seen.push_back(static_cast<int>(std::lround(1200 * std::log2(ratio))));
    }
    return seen;
}

PlaybackRig itRig(bool linear, bool oldEffects = false) {
    PlaybackRig rig(SongFormat::it);
    rig.song->linearFrequencies = linear;
    rig.song->itOldEffects = oldEffects;
    return rig;
}

// IT vibrato moves before it is read, sounds on the first tick and raises
// the pitch first; its ramp falls over the whole cycle and its square is
// full and nothing. Old effects hold the first tick, double the depth and
// lower the pitch first. The same under Amiga periods, within a cent or
// two of rounding.
TEST(PlaybackCompat, ItVibrato) {
    struct Case {
        const char* what;
        bool linear, oldEffects;
        int waveform, effect, parameter;
        std::vector<int> cents;
    };
    const Case cases[] = {
        {"sine", true, false, 0, kLinearVibrato, 0x48, {19, 34, 45, 48, 45, 34}},
        {"old sine", true, true, 0, kLinearVibrato, 0x48, {0, -38, -71, -91, -99, -91}},
        {"ramp", true, false, 1, kLinearVibrato, 0x48, {44, 37, 31, 25, 19, 12}},
        {"square", true, false, 2, kLinearVibrato, 0x48, {48, 48, 48, 48, 48, 48}},
        {"Amiga", false, false, 0, kVibrato, 0x48, {12, 22, 30, 32, 30, 22}},
    };
    for (const Case& c : cases) {
        PlaybackRig rig = itRig(c.linear, c.oldEffects);
        rig.cell(0, 60, 1, kExtended, 0x40 | c.waveform);
        rig.cell(1, 0, 0, c.effect, c.parameter);
        rig.begin();
        rig.rows(1);
        EXPECT_EQ(pitchCents(rig, 6), c.cents) << c.what;
    }
}

// The IT volume column's pitch commands act as E, F, G and H with their
// memories (G's speeds from its own table; E, F and G share one memory
// unless the song keeps G apart), and 128 .. 192 set the panning.
TEST(PlaybackCompat, ItVolumeColumnCommands) {
    PlaybackRig slides = itRig(true);
    slides.cell(0, 60, 1, 0, 0, 105 + 5);          // down 20/192 octave a tick
    slides.cell(1, 0, 0, kLinearPortamentoUp, 0);  // the memory: up as much
    slides.cell(2, 0, 0, 0, 0, 128 + 16);
    slides.begin();
    slides.ticks(1);
    const int32_t start = slides.channel(0).basePeriod;
    slides.ticks(5);
    EXPECT_NEAR(1200 * std::log2(double(slides.channel(0).basePeriod) / start), -625, 2);
    slides.rows(1);
    EXPECT_NEAR(slides.channel(0).basePeriod, start, start / 1000);
    slides.rows(1);
    EXPECT_EQ(slides.channel(0).panning, 16);

    std::vector<int> vibrato[2];
    for (int column = 0; column < 2; ++column) {
        PlaybackRig rig = itRig(true);
        rig.cell(0, 60, 1, kLinearVibrato, 0x44);
        rig.cell(1, 0, 0, column ? 0 : kLinearVibrato, column ? 0 : 8, column ? kItVolumeVibrato + 8 : -1);
        rig.begin();
        rig.rows(1);
        vibrato[column] = pitchCents(rig, 6);
    }
    EXPECT_EQ(vibrato[1], vibrato[0]);

    for (bool separateG : {false, true}) {
        PlaybackRig rig = itRig(true);
        rig.song->itSeparateG = separateG;
        rig.cell(0, 60, 1, 0, 0, kItVolumeTonePortamento + 3);  // speed 8, nothing to slide to
        rig.cell(1, 0, 0, kLinearPortamentoDown, 0x20);
        rig.cell(2, 72, 0, kLinearTonePortamento, 0);
        rig.begin();
        rig.rows(3);
        EXPECT_EQ(rig.channel(0).tonePortamentoSpeed, separateG ? 8 : 0x20) << separateG;
    }
}

// IT's J00 plays the last arpeggio again, on top of the slid pitch;
// Scream Tracker's takes the last parameter of any command.
TEST(PlaybackCompat, ArpeggioMemoryOverSlides) {
    PlaybackRig s3m(SongFormat::s3m);
    s3m.cell(0, 48, 1, kArpeggio, 0x37);
    s3m.cell(1, 0, 0, kFineVolumeSlide, 0x04);
    s3m.cell(2, 0, 0, kArpeggioAgain, 0);
    s3m.begin();
    s3m.rows(2);
    EXPECT_EQ(pitchCents(s3m, 3), (std::vector<int>{0, 0, 404}));  // the period table's rounding

    PlaybackRig rig = itRig(true);
    rig.cell(0, 60, 1, kArpeggio, 0x37);
    rig.cell(1, 0, 0, kLinearPortamentoDown, 0x10);
    rig.cell(2, 0, 0, kArpeggioAgain, 0);
    rig.begin();
    EXPECT_EQ(pitchCents(rig, 6), (std::vector<int>{0, 300, 700, 0, 300, 700}));
    rig.rows(1);
    EXPECT_EQ(pitchCents(rig, 3), (std::vector<int>{0, 300, 700}));
}

// Pxy after one row, from the centre. XM: x slides right, else y left; its
// volume column's Ex and Dx too. IT: P0y right, Px0 left, PxF and PFy once,
// and any other pair nothing.
TEST(PlaybackCompat, PanningSlides) {
    struct Case {
        SongFormat format;
        int parameter, volumeColumn, panning;
    };
    const Case cases[] = {
        {SongFormat::xm, 0x20, -1, 138},  {SongFormat::xm, 0x04, -1, 108}, {SongFormat::xm, 0x33, -1, 143},
        {SongFormat::xm, 0, 0xE8, 168},   {SongFormat::xm, 0, 0xD8, 88},   {SongFormat::it, 0x02, -1, 42},
        {SongFormat::it, 0x20, -1, 22},   {SongFormat::it, 0x22, -1, 32},  {SongFormat::it, 0x4F, -1, 28},
        {SongFormat::it, 0xF4, -1, 36},
    };
    for (const Case& c : cases) {
        const bool it = c.format == SongFormat::it;
        PlaybackRig rig(c.format);
        rig.cell(0, 60, 1, kSetPanning, it ? 32 : 128);
        rig.cell(1, 0, 0, c.volumeColumn < 0 ? kPanningSlide : 0, c.parameter, c.volumeColumn);
        rig.begin();
        rig.rows(2);
        EXPECT_EQ(rig.channel(0).panning, c.panning) << it << " " << c.parameter << " " << c.volumeColumn;
    }
}

// Fine vibrato is a quarter as deep (Scream Tracker keeps every step); IT's
// panbrello swing stays on the panning after the effect, until a set panning.
TEST(PlaybackCompat, FineVibratoAndPanbrello) {
    int deepest[2] = {};
    for (int fine = 0; fine < 2; ++fine) {
        PlaybackRig rig(SongFormat::s3m);
        rig.cell(0, 60, 1, fine ? kFineVibrato : kVibrato, 0x48);
        rig.begin();
        for (int tick = 0; tick < 6 * 4; ++tick) {
            rig.ticks(1);
            deepest[fine] = std::max(deepest[fine], std::abs(rig.channel(0).outputPeriod - rig.channel(0).basePeriod));
        }
    }
    EXPECT_NEAR(deepest[0], 4 * deepest[1], 3);

    PlaybackRig rig = itRig(true);
    rig.cell(0, 60, 1, kPanbrello, 0x48);
    rig.cell(2, 0, 0, kSetPanning, 32);
    rig.begin();
    rig.rows(1);
    const int swing = rig.channel(0).panbrelloOffset;
    EXPECT_GT(swing, 0);
    rig.rows(1);
    EXPECT_EQ(rig.channel(0).panbrelloOffset, swing);
    rig.rows(1);
    EXPECT_EQ(rig.channel(0).panbrelloOffset, 0);
}

// Glissando: a tone portamento is heard in semitones at or above the slid
// pitch, the slide itself smooth.
TEST(PlaybackCompat, GlissandoHearsSemitones) {
    for (bool it : {false, true}) {
        PlaybackRig rig(it ? SongFormat::it : SongFormat::mod);
        rig.song->linearFrequencies = it;
        const int portamento = it ? kLinearTonePortamento : kTonePortamento;
        rig.cell(0, 48, 1, kExtended, 0x31);
        rig.cell(1, 60, 0, portamento, 2);
        for (int row = 2; row < 5; ++row) rig.cell(row, 0, 0, portamento, 2);
        rig.begin();
        rig.rows(1);
        int steps = 0;
        for (int cents : pitchCents(rig, 24)) {
            EXPECT_GE(cents, 0) << it;
            EXPECT_LT(cents, 100) << it;
            steps += cents != 0;
        }
        EXPECT_GT(steps, 12) << it << ": heard apart from the slide";
    }
}

// XM's E5y plays its note with fine-tune (y - 8) * 16, in either period kind.
TEST(PlaybackCompat, XmSetFineTune) {
    for (bool linear : {true, false}) {
        PlaybackRig rig(SongFormat::xm);
        rig.song->linearFrequencies = linear;
        rig.cell(0, 48, 1, kExtended, 0x54);
        rig.begin();
        rig.ticks(1);
        const PitchRule rule = linear ? PitchRule::xmLinear : PitchRule::xmAmiga;
        EXPECT_EQ(rig.channel(0).basePeriod, noteToPeriod(rule, false, 48, 128 - 64, -64)) << linear;
    }
}

// XM's arpeggio plays the note on a row's first tick, then reads its table
// by the ticks left in the row (y first); from 17 left, y; at 16, the note.
TEST(PlaybackCompat, XmArpeggioCountsTheTicksLeft) {
    const std::pair<int, std::vector<int>> cases[] = {{6, {0, 7, 3, 0, 7, 3}},
                                                      {18, {0, 7, 0, 0, 7, 3, 0, 7}}};
    for (const auto& [speed, semitones] : cases) {
        PlaybackRig rig(SongFormat::xm);
        rig.song->initialSpeed = speed;
        rig.cell(0, 48, 1, kArpeggio, 0x37);
        rig.begin();
        std::vector<int> heard;
        for (size_t tick = 0; tick < semitones.size(); ++tick) {
            rig.ticks(1);
            heard.push_back(rig.channel(0).arpeggioNote - rig.channel(0).lastNote);
        }
        EXPECT_EQ(heard, semitones) << speed;
    }
}

// Slide memories over three rows (row 0 holds the note at volume 64):
// ProTracker keeps none for 1xx; XM one each for 1xx, 2xx, E1x and E2x, and
// one for Axy that its volume column's slides set too.
TEST(PlaybackCompat, SlideMemories) {
    struct Cell {
        int effect, parameter, volume;
    };
    struct Case {
        const char* what;
        SongFormat format;
        Cell first, second;
        int periodChange, volume;
    };
    const Case cases[] = {
        {"MOD 100", SongFormat::mod, {kPortamentoUp, 8, -1}, {kPortamentoUp, 0, -1}, -5 * 32, 64},
        {"XM 200 after 108", SongFormat::xm, {kPortamentoUp, 8, -1}, {kPortamentoDown, 0, -1}, -5 * 32, 64},
        {"XM E10", SongFormat::xm, {kExtended, 0x18, -1}, {kExtended, 0x10, -1}, -2 * 32, 64},
        {"XM A00 after the volume column", SongFormat::xm, {0, 0, 0x62}, {kVolumeSlide, 0, -1}, 0, 44},
    };
    for (const Case& c : cases) {
        PlaybackRig rig(c.format);
        rig.cell(0, 48, 1);
        rig.cell(1, 0, 0, c.first.effect, c.first.parameter, c.first.volume);
        rig.cell(2, 0, 0, c.second.effect, c.second.parameter, c.second.volume);
        rig.begin();
        rig.rows(1);
        const int32_t start = rig.channel(0).basePeriod;
        rig.rows(2);
        EXPECT_EQ(rig.channel(0).basePeriod - start, c.periodChange) << c.what;
        EXPECT_EQ(rig.channel(0).volume, c.volume) << c.what;
    }
}

// SC0 with a note: ProTracker and XM cut it at once, IT after its first
// tick, and Scream Tracker not at all.
TEST(PlaybackCompat, NoteCutAtTickZero) {
    struct Case {
        SongFormat format;
        bool afterFirstTick, afterRow;
    };
    const Case cases[] = {{SongFormat::mod, false, false},
                          {SongFormat::it, true, false},
                          {SongFormat::s3m, true, true}};
    for (const Case& c : cases) {
        PlaybackRig rig(c.format);
        rig.cell(0, 48, 1, kExtended, kNoteCutAt << 4);
        rig.begin();
        rig.ticks(1);
        EXPECT_EQ(rig.voice(0).playing, c.afterFirstTick) << int(c.format);
        rig.rows(1);
        EXPECT_EQ(rig.voice(0).playing, c.afterRow) << int(c.format);
    }
}

// Scream Tracker 2 keeps the pitch of an arpeggio's last tick after it;
// Scream Tracker 3 only when a portamento follows on the next row. Scream
// Tracker 2's tremor remembers the parameter and counts on across rows,
// starting again when a new, shorter cycle has been passed.
TEST(PlaybackCompat, ScreamTrackerArpeggioAndTremor) {
    struct Case {
        SongFormat format;
        int nextEffect;
        bool kept;
    };
    for (const Case& c : {Case{SongFormat::stm, 0, true}, Case{SongFormat::s3m, 0, false},
                          Case{SongFormat::s3m, kFinePortamentoDown, true}}) {
        PlaybackRig rig(c.format);
        rig.cell(0, 48, 1, kArpeggio, 0x47);
        rig.cell(1, 0, 0, c.nextEffect, c.nextEffect ? 0x02 : 0);
        rig.begin();
        std::vector<int32_t> periods;
        for (int tick = 0; tick < 7; ++tick) {
            rig.ticks(1);
            periods.push_back(rig.channel(0).outputPeriod);
        }
        EXPECT_NE(periods[5], periods[0]);
        EXPECT_EQ(periods[6], c.kept ? periods[5] : periods[0]);
    }
    PlaybackRig rig(SongFormat::stm);
    rig.cell(0, 48, 1, kTremor, 0x23);
    rig.cell(1, 0, 0, kTremor, 0);
    rig.cell(2, 0, 0, kTremor, 0x11);
    rig.begin();
    EXPECT_EQ(rig.volumes(3), (std::vector<int>{64, 64, 64, 0,  0, 0, 0, 64, 64, 64, 0, 0,
                                                64, 64, 0,  0, 64, 64}));
}

// Scream Tracker 3: a note without an instrument number starts where the
// last offset left the note before; a slide brings an instrument's sample
// in only when the old one has stopped; H and U share one depth, U playing
// it a quarter as deep.
TEST(PlaybackCompat, ScreamTracker3NotesOffsetsAndVibratoDepth) {
    // ProTracker, as well, but it adds each offset twice.
    for (SongFormat format : {SongFormat::s3m, SongFormat::mod}) {
        PlaybackRig offsets(format);
        offsets.song->protrackerRules = format == SongFormat::mod;
        offsets.cell(0, 48, 1, kSampleOffset, 0x10);
        offsets.cell(1, 48, 0);
        offsets.cell(2, 48, 1);
        offsets.begin();
        std::vector<int32_t> starts;
        for (int row = 0; row < 3; ++row) {
            offsets.rows(1);
            starts.push_back(offsets.voice(0).start);
        }
        const int32_t recalled = format == SongFormat::mod ? 0x2000 : 0x1000;
        EXPECT_EQ(starts, (std::vector<int32_t>{0x1000, recalled, 0}));
    }

    // ProTracker starts a stopped sample under a slide even without a sample number.
    for (SongFormat format : {SongFormat::s3m, SongFormat::mod}) {
        for (bool stopped : {false, true}) {
            PlaybackRig slide(format);
            slide.cell(0, 48, 1);
            slide.cell(1, 50, format == SongFormat::s3m ? 1 : 0, kTonePortamento, 0x10);
            slide.begin();
            slide.rows(1);
            slide.voice(0).playing = !stopped;
            slide.rows(1);
            EXPECT_EQ(slide.voice(0).starts, stopped ? 2 : 1);
        }
    }

    auto deepest = [](PlaybackRig& rig) {
        int32_t most = 0;
        for (int tick = 0; tick < rig.state().speed; ++tick) {
            rig.ticks(1);
            most = std::max(most, std::abs(rig.channel(0).outputPeriod - rig.channel(0).basePeriod));
        }
        return most;
    };
    PlaybackRig vibrato(SongFormat::s3m);
    vibrato.cell(0, 48, 1, kVibrato, 0x4F);
    vibrato.cell(1, 0, 0, kFineVibrato, 0);
    vibrato.cell(2, 0, 0, kFineVibrato, 0x4F);
    vibrato.cell(3, 0, 0, kVibrato, 0);
    vibrato.begin();
    const int32_t h = deepest(vibrato), u = deepest(vibrato), u2 = deepest(vibrato), h2 = deepest(vibrato);
    EXPECT_LT(u * 2, h);
    EXPECT_LT(u2 * 2, h2);
}

// Two pattern delays on one row: Scream Tracker 3 and IT take the first
// channel's, the others the last's.
TEST(PlaybackCompat, PatternDelaysOnOneRow) {
    for (SongFormat format : {SongFormat::s3m, SongFormat::it, SongFormat::xm, SongFormat::mod}) {
        PlaybackRig rig(format);
        rig.cell(0, 48, 1, kExtended, kPatternDelay << 4 | 2);
        setCell(*rig.song, 0, 0, 1, 0, 0, kExtended, kPatternDelay << 4 | 4);
        rig.begin();
        int ticks = 0;
        while (rig.state().row == 0 && ticks < 100) {
            rig.ticks(1);
            ++ticks;
        }
        const bool firstWins = format == SongFormat::s3m || format == SongFormat::it;
        EXPECT_EQ(ticks, (firstWins ? 3 : 5) * rig.state().speed + 1) << static_cast<int>(format);
    }
}

// ProTracker's arpeggio reads past B-3: the next note is silent, the ones
// above it wrap 37 notes down.
TEST(PlaybackCompat, ProtrackerArpeggioWrapsAround) {
    PlaybackRig rig(SongFormat::mod);
    rig.song->protrackerRules = true;
    rig.cell(0, 69, 1, kArpeggio, 0x34);
    rig.begin();
    std::vector<int> volumes;
    std::vector<int32_t> periods;
    for (int tick = 0; tick < 3; ++tick) {
        rig.ticks(1);
        volumes.push_back(rig.channel(0).outputVolume);
        periods.push_back(rig.channel(0).outputPeriod);
    }
    EXPECT_EQ(volumes, (std::vector<int>{64, 0, 64}));
    EXPECT_GT(periods[2], periods[0]) << "four semitones up wraps three octaves down";
}

// An S3M with the Amiga-limits flag holds its periods, the channel's too, to
// B-3 .. C-1 in Amiga periods.
TEST(PlaybackCompat, S3mAmigaLimits) {
    for (int effect : {kFinePortamentoUp, kFinePortamentoDown}) {
        PlaybackRig rig(SongFormat::s3m);
        rig.song->amigaLimits = true;
        const int note = effect == kFinePortamentoUp ? 71 : 36;
        for (int row = 0; row < 3; ++row) rig.cell(row, row ? 0 : note, row ? 0 : 1, effect, 0x20);
        rig.begin();
        rig.rows(3);
        const int32_t limit = effect == kFinePortamentoUp ? 113 * 4 : 856 * 4;
        EXPECT_EQ(rig.channel(0).basePeriod, limit);
        EXPECT_EQ(rig.channel(0).outputPeriod, limit);
        EXPECT_TRUE(rig.voice(0).playing) << "held, not stopped";
    }
}

// A MOD channel keeps E5x's fine-tune for notes without a sample number, and
// under a slide to the same sample; a sample number brings the sample's own.
TEST(PlaybackCompat, ModFineTuneLastsUntilASampleNumber) {
    struct Case {
        int instrument, effect;
        bool kept;
    };
    for (const Case& c : {Case{0, 0, true}, Case{1, kTonePortamento, true}, Case{1, 0, false}}) {
        PlaybackRig rig(SongFormat::mod);
        rig.cell(0, 48, 1, kExtended, kSetFineTune << 4 | 7);
        rig.cell(1, 50, c.instrument, c.effect, c.effect ? 0x10 : 0);
        rig.begin();
        rig.rows(1);
        const int tuned = rig.channel(0).c4Speed;
        rig.rows(1);
        EXPECT_EQ(rig.channel(0).c4Speed == tuned, c.kept) << c.instrument << " " << c.effect;
    }
}

// ProTracker's period limits are C-1 and B-3 at the sample's fine-tune.
TEST(PlaybackCompat, ProtrackerLimitsFollowTheFineTune) {
    for (int fineTune : {0, 8}) {
        PlaybackRig rig(SongFormat::mod);
        rig.song->protrackerRules = true;
        rig.song->sample(1)->c4Speed = kFineTuneSpeed[fineTune];
        rig.cell(0, 36, 1, kPortamentoDown, 0x40);
        rig.cell(1, 0, 0, kPortamentoDown, 0x40);
        rig.begin();
        rig.rows(2);
        EXPECT_EQ(rig.channel(0).basePeriod, 3424 * 8363 / kFineTuneSpeed[fineTune]) << fineTune;
    }
}

// Scream Tracker 3 retriggers nothing after a note cut until the next note.
TEST(PlaybackCompat, S3mNoRetriggerAfterANoteCut) {
    PlaybackRig rig(SongFormat::s3m);
    rig.cell(0, 48, 1, kRetriggerVolume, 0x02);
    rig.cell(1, 0, 0, kExtended, kNoteCutAt << 4 | 2);
    rig.cell(2, 0, 0, kRetriggerVolume, 0x02);
    rig.cell(3, 48, 0, kRetriggerVolume, 0x02);
    rig.begin();
    rig.rows(2);
    const int before = rig.voice(0).starts;
    rig.rows(1);
    EXPECT_EQ(rig.voice(0).starts, before);
    rig.rows(1);
    EXPECT_GT(rig.voice(0).starts, before + 1) << "a note brings the retrigger back";
}

}  // namespace
}  // namespace tumbor::trk::test
