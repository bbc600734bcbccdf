// The song's flow decided against the reference player (openmpt123): pattern
// breaks, jumps and loops, speed and tempo, on songs built in code.
#include <gtest/gtest.h>

#include <vector>

#include "libs/trk/loaders/loaders.h"
#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/loader_rig.h"
#include "tests/unit/trk/sequencer_rig.h"

namespace tumbor::trk::test {
namespace {

struct FlowCell {
    int pattern, row, channel, effect, parameter;
};

// The rows playback reaches, as order * 100 + row, one a row.
std::vector<int> rowsReached(SequencerRig& rig, int count) {
    std::vector<int> reached;
    while (static_cast<int>(reached.size()) < count && !rig.sequencer->songEnded()) {
        const uint32_t before = rig.sequencer->rowsPlayed();
        rig.ticks(1);
        if (rig.sequencer->rowsPlayed() != before) reached.push_back(rig.state().order * 100 + rig.state().row);
    }
    return reached;
}

TEST(FlowCompat, BreaksJumpsAndLoops) {
    struct Case {
        const char* what;
        SongFormat format;
        std::vector<FlowCell> cells;
        std::vector<int> rows;
    };
    const int S = kExtended;
    const Case cases[] = {
        {"IT's break row is not decimal", SongFormat::it, {{0, 1, 0, kPatternBreak, 0x10}}, {0, 1, 116, 117}},
        {"MOD's is", SongFormat::mod, {{0, 1, 0, kPatternBreak, 0x10}}, {0, 1, 110, 111}},
        {"IT keeps a break row past a later jump",
         SongFormat::it,
         {{0, 1, 0, kPatternBreak, 8}, {0, 1, 1, kPositionJump, 2}},
         {0, 1, 208}},
        {"and S3M", SongFormat::s3m, {{0, 1, 0, kPatternBreak, 8}, {0, 1, 1, kPositionJump, 2}}, {0, 1, 208}},
        {"MOD does not", SongFormat::mod, {{0, 1, 0, kPatternBreak, 8}, {0, 1, 1, kPositionJump, 2}}, {0, 1, 200}},
        {"IT's next loop starts after the last",
         SongFormat::it,
         {{0, 1, 1, S, 0x60}, {0, 2, 1, S, 0x61}, {0, 4, 1, S, 0x61}},
         {0, 1, 2, 1, 2, 3, 4, 3, 4, 5}},
        {"a loop goes round before a break on its row",
         SongFormat::mod,
         {{0, 1, 1, S, 0x60}, {0, 2, 1, S, 0x61}, {0, 2, 0, kPatternBreak, 0}},
         {0, 1, 2, 1, 2, 100}},
        {"IT keeps a loop's start into the next pattern",
         SongFormat::it,
         {{0, 3, 1, S, 0x60}, {0, 4, 0, kPatternBreak, 0}, {1, 1, 1, S, 0x61}},
         {0, 1, 2, 3, 4, 100, 101, 103, 104}},
        {"S3M does not",
         SongFormat::s3m,
         {{0, 3, 1, S, 0x60}, {0, 4, 0, kPatternBreak, 0}, {1, 1, 1, S, 0x61}},
         {0, 1, 2, 3, 4, 100, 101, 100, 101, 102}},
        {"and S3M's", SongFormat::s3m,
         {{0, 1, 1, S, 0x60}, {0, 2, 1, S, 0x61}, {0, 4, 1, S, 0x61}},
         {0, 1, 2, 1, 2, 3, 4, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        SequencerRig rig(c.format, 4, 3);
        for (const FlowCell& cell : c.cells)
            setCell(*rig.song, cell.pattern, cell.row, cell.channel, 0, 0, cell.effect, cell.parameter);
        rig.begin();
        EXPECT_EQ(rowsReached(rig, static_cast<int>(c.rows.size())), c.rows) << c.what;
    }
}

// NoiseTracker's break always goes to the next pattern's first row: an M.K.
// song is taken for one unless it uses a command only ProTracker has.
TEST(FlowCompat, NoiseTrackerSongsBreakToTheFirstRow) {
    struct Case {
        const char* signature;
        int effect, parameter;
        int breakRow;
    };
    const Case cases[] = {{"M.K.", 0x0E, 0x01, 0}, {"M.K.", 0x0F, 0x1F, 0}, {"M.K.", 0x0E, 0x11, 8},
                          {"M.K.", 0x0F, 0x20, 8}, {"M.K.", 0x09, 0x01, 8}, {"M!K!", 0x0E, 0x01, 8}};
    for (const Case& c : cases) {
        ModFile file(c.signature);
        file.setCell(0, 0, 1, 0, 0, c.effect, c.parameter);
        file.setCell(0, 1, 0, 0, 0, kPatternBreak, 0x08);
        Song song;
        ASSERT_TRUE(loadWith(loadMod, file.bytes(), song));
        EXPECT_EQ(song.track(*song.pattern(0), 0)[4 + kCellParameter], c.breakRow)
            << c.signature << " " << c.effect << " " << c.parameter;
    }
}

// ProTracker's timer runs a tick at the old tempo before taking the new one.
TEST(FlowCompat, ModTempoFromTheNextTick) {
    SequencerRig rig(SongFormat::mod);
    setCell(*rig.song, 0, 0, 0, 0, 0, kSpeedTempo, 0x40);
    rig.begin();
    EXPECT_EQ(rig.sequencer->runTick(44100), 44100u * 320 / 125 >> 7);
    EXPECT_EQ(rig.sequencer->runTick(44100), 44100u * 320 / 64 >> 7);
}

// What a tick leaves on channel 0.
enum class Watch { volume, starts, playing, tempo, queued };

int watched(SequencerRig& rig, Watch watch, int startsBefore) {
    switch (watch) {
        case Watch::volume:
            return rig.channel(0).outputVolume;
        case Watch::starts:
            return rig.voice(0).starts - startsBefore;
        case Watch::playing:
            return rig.voice(0).playing ? 1 : 0;
        case Watch::tempo:
            return rig.state().tempo;
        case Watch::queued:
            return rig.voice(0).queued ? 1 : 0;
    }
    return 0;
}

TEST(FlowCompat, EffectsTickByTick) {
    struct Cell {
        int row, channel, note, instrument, effect, parameter;
    };
    struct Case {
        const char* what;
        SongFormat format;
        std::vector<Cell> cells;
        Watch watch;
        int fromRow;
        std::vector<int> seen;
    };
    const Case cases[] = {
        {"IT's tremor counts on across rows and notes",
         SongFormat::it,
         {{0, 0, 60, 1, kTremor, 0x21}, {1, 0, 0, 0, kTremor, 0x13}, {2, 0, 60, 1, 0, 0}, {3, 0, 0, 0, kTremor, 0}},
         Watch::volume,
         0,
         {64, 64, 0, 64, 64, 0, 64, 0, 0, 0, 64, 0, 64, 64, 64, 64, 64, 64, 0, 0, 64, 0, 0, 0}},
        {"IT's retrigger changes the volume on a first tick",
         SongFormat::it,
         {{0, 0, 60, 1, 0, 0}, {1, 0, 0, 0, kRetriggerVolume, 0x71}},
         Watch::volume,
         1,
         {32, 16, 8, 4, 2, 1}},
        {"but not a starting note's", SongFormat::it, {{0, 0, 60, 1, kRetriggerVolume, 0x54}}, Watch::volume, 0,
         {64, 64, 64, 64, 48, 48}},
        {"S3M's counts the ticks it runs since the instrument",
         SongFormat::s3m,
         {{0, 0, 48, 1, 0, 0}, {1, 0, 0, 0, kRetriggerVolume, 0x03}},
         Watch::starts,
         1,
         {0, 0, 0, 1, 0, 0}},
        {"S3M stops a note slid above its highest pitch", SongFormat::s3m,
         {{0, 0, 100, 1, kFinePortamentoUp, 0x40}}, Watch::playing, 0, {1, 0, 0}},
        {"S3M's S00 repeats a note delay", SongFormat::s3m,
         {{0, 0, 48, 1, kExtended, 0xD2}, {1, 0, 48, 1, kExtended, 0}}, Watch::starts, 1, {0, 0, 1, 0}},
        {"S3M's AdLib notes silence the channel", SongFormat::s3m, {{0, 0, 48, 1, 0, 0}, {1, 0, 48, 2, 0, 0}},
         Watch::playing, 0, {1, 1, 1, 1, 1, 1, 0, 0}},
        {"T00 repeats the last tempo command",
         SongFormat::it,
         {{0, 1, 0, 0, kTempoSlide, 0x40}, {1, 1, 0, 0, kTempoSlide, 0x01}, {2, 1, 0, 0, kTempoSlide, 0}},
         Watch::tempo,
         1,
         {64, 63, 62, 61, 60, 59, 59, 58, 57, 56, 55, 54}},
        {"S3M's tempo slides stop at 33",
         SongFormat::s3m,
         {{0, 1, 0, 0, kTempoSlide, 0x22}, {1, 1, 0, 0, kTempoSlide, 0x05}},
         Watch::tempo,
         1,
         {34, 33, 33}},
        {"a MOD's sample number alone waits for the loop's end", SongFormat::mod,
         {{0, 0, 48, 1, 0, 0}, {1, 0, 0, 2, 0, 0}}, Watch::queued, 0, {0, 0, 0, 0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        SequencerRig rig(c.format);
        for (int number : {1, 2}) {
            Sample& sample = addSample(*rig.song, number, number == 2 && c.format == SongFormat::s3m ? 0 : 100000);
            sample.flags |= kSampleLooped;
            sample.loopEnd = sample.length;
        }
        for (const Cell& cell : c.cells)
            setCell(*rig.song, 0, cell.row, cell.channel, cell.note, cell.instrument, cell.effect, cell.parameter);
        rig.begin();
        rig.rows(c.fromRow);
        std::vector<int> seen;
        for (size_t i = 0; i < c.seen.size(); ++i) {
            const int startsBefore = rig.voice(0).starts;
            rig.ticks(1);
            seen.push_back(watched(rig, c.watch, startsBefore));
        }
        EXPECT_EQ(seen, c.seen) << c.what;
    }
}

}  // namespace
}  // namespace tumbor::trk::test
