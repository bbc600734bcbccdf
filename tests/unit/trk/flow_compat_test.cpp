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

}  // namespace
}  // namespace tumbor::trk::test
