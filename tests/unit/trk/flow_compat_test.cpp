// The song's flow and effects decided against the reference player
// (openmpt123), on songs built in code and followed tick by tick.
#include <gtest/gtest.h>

#include <vector>

#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/loader_rig.h"
#include "tests/unit/trk/sequencer_rig.h"

namespace tumbor::trk::test {
namespace {

struct Cell {
    int pattern, row, channel, note, instrument, effect, parameter;
};

// What channel 0 (or the song) shows after a tick.
enum class Watch { row, volume, starts, playing, tempo, queued };

int watched(SequencerRig& rig, Watch watch, int startsBefore) {
    switch (watch) {
        case Watch::row:
            return rig.state().order * 100 + rig.state().row;
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

// Rows are seen once each, as order * 100 + row; the rest tick by tick from
// the first tick of row fromRow.
TEST(FlowCompat, FlowAndEffects) {
    struct Case {
        const char* what;
        SongFormat format;
        std::vector<Cell> cells;
        Watch watch;
        int fromRow;
        std::vector<int> seen;
    };
    const int S = kExtended, R = kRetriggerVolume, T = kTempoSlide;
    // clang-format off
    const Case cases[] = {
        {"IT's break row is not decimal", SongFormat::it, {{0, 1, 0, 0, 0, kPatternBreak, 0x10}},
         Watch::row, 0, {0, 1, 116}},
        {"IT keeps the row of a break before a jump", SongFormat::it,
         {{0, 1, 0, 0, 0, kPatternBreak, 8}, {0, 1, 1, 0, 0, kPositionJump, 2}}, Watch::row, 0, {0, 1, 208}},
        {"MOD does not", SongFormat::mod,
         {{0, 1, 0, 0, 0, kPatternBreak, 8}, {0, 1, 1, 0, 0, kPositionJump, 2}}, Watch::row, 0, {0, 1, 200}},
        {"IT's next loop starts after the last", SongFormat::it,
         {{0, 1, 1, 0, 0, S, 0x60}, {0, 2, 1, 0, 0, S, 0x61}, {0, 4, 1, 0, 0, S, 0x61}},
         Watch::row, 0, {0, 1, 2, 1, 2, 3, 4, 3, 4, 5}},
        {"a loop goes round before a break on its row", SongFormat::mod,
         {{0, 1, 1, 0, 0, S, 0x60}, {0, 2, 1, 0, 0, S, 0x61}, {0, 2, 0, 0, 0, kPatternBreak, 0}},
         Watch::row, 0, {0, 1, 2, 1, 2, 100}},
        {"IT keeps a loop's start in the next pattern", SongFormat::it,
         {{0, 3, 1, 0, 0, S, 0x60}, {0, 4, 0, 0, 0, kPatternBreak, 0}, {1, 1, 1, 0, 0, S, 0x61}},
         Watch::row, 0, {0, 1, 2, 3, 4, 100, 101, 103}},
        {"IT's tremor counts on across rows and notes", SongFormat::it,
         {{0, 0, 0, 60, 1, kTremor, 0x21}, {0, 1, 0, 0, 0, kTremor, 0x13}, {0, 2, 0, 60, 1, 0, 0},
          {0, 3, 0, 0, 0, kTremor, 0}},
         Watch::volume, 0, {64, 64, 0, 64, 64, 0, 64, 0, 0, 0, 64, 0, 64, 64, 64, 64, 64, 64, 0, 0, 64, 0, 0, 0}},
        {"IT's retrigger changes the volume on a first tick", SongFormat::it,
         {{0, 0, 0, 60, 1, 0, 0}, {0, 1, 0, 0, 0, R, 0x71}}, Watch::volume, 1, {32, 16, 8, 4, 2, 1}},
        {"but not a starting note's", SongFormat::it, {{0, 0, 0, 60, 1, R, 0x54}},
         Watch::volume, 0, {64, 64, 64, 64, 48}},
        {"S3M's counts the ticks it runs since the instrument", SongFormat::s3m,
         {{0, 0, 0, 48, 1, 0, 0}, {0, 1, 0, 0, 0, R, 0x03}}, Watch::starts, 1, {0, 0, 0, 1}},
        {"S3M stops a note slid above its highest pitch", SongFormat::s3m,
         {{0, 0, 0, 100, 1, kFinePortamentoUp, 0x40}}, Watch::playing, 0, {1, 0}},
        {"S3M's S00 repeats a note delay", SongFormat::s3m,
         {{0, 0, 0, 48, 1, S, 0xD2}, {0, 1, 0, 48, 1, S, 0}}, Watch::starts, 1, {0, 0, 1}},
        {"S3M's AdLib notes silence the channel", SongFormat::s3m,
         {{0, 0, 0, 48, 1, 0, 0}, {0, 1, 0, 48, 2, 0, 0}}, Watch::playing, 1, {0}},
        {"T00 repeats the last tempo command", SongFormat::it,
         {{0, 0, 1, 0, 0, T, 0x40}, {0, 1, 1, 0, 0, T, 0x01}, {0, 2, 1, 0, 0, T, 0}},
         Watch::tempo, 2, {59, 58, 57, 56, 55, 54}},
        {"S3M's tempo slides stop at 33", SongFormat::s3m,
         {{0, 0, 1, 0, 0, T, 0x22}, {0, 1, 1, 0, 0, T, 0x05}}, Watch::tempo, 1, {34, 33, 33}},
        {"a MOD's sample number alone waits for the loop's end", SongFormat::mod,
         {{0, 0, 0, 48, 1, 0, 0}, {0, 1, 0, 0, 2, 0, 0}}, Watch::queued, 1, {1}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SequencerRig rig(c.format, 4, 3);
        for (int number : {1, 2}) {
            Sample& sample =
                addSample(*rig.song, number, number == 2 && c.format == SongFormat::s3m ? 0 : 100000);
            sample.flags |= kSampleLooped;
            sample.loopEnd = sample.length;
        }
        for (const Cell& cell : c.cells)
            setCell(*rig.song, cell.pattern, cell.row, cell.channel, cell.note, cell.instrument, cell.effect,
                    cell.parameter);
        rig.begin();
        if (c.watch != Watch::row) rig.rows(c.fromRow);
        std::vector<int> seen;
        while (seen.size() < c.seen.size()) {
            const uint32_t rowsBefore = rig.sequencer->rowsPlayed();
            const int startsBefore = rig.voice(0).starts;
            rig.ticks(1);
            if (c.watch != Watch::row || rig.sequencer->rowsPlayed() != rowsBefore)
                seen.push_back(watched(rig, c.watch, startsBefore));
        }
        EXPECT_EQ(seen, c.seen) << c.what;
    }
}

// NoiseTracker's break always goes to the next pattern's first row: an M.K.
// song is taken for one unless it uses a command only ProTracker has.
TEST(FlowCompat, NoiseTrackerSongsBreakToTheFirstRow) {
    struct Case {
        const char* signature;
        int effect, parameter, breakRow;
    };
    const Case cases[] = {
        {"M.K.", 0x0E, 0x01, 0}, {"M.K.", 0x0E, 0x11, 8}, {"M.K.", 0x0F, 0x20, 8}, {"M!K!", 0, 0, 8}};
    for (const Case& c : cases) {
        ModFile file(c.signature);
        file.setCell(0, 0, 1, 0, 0, c.effect, c.parameter);
        file.setCell(0, 1, 0, 0, 0, kPatternBreak, 0x08);
        Song song;
        ASSERT_TRUE(loadWith(loadMod, file.bytes(), song));
        EXPECT_EQ(song.track(*song.pattern(0), 0)[4 + kCellParameter], c.breakRow)
            << c.signature << c.parameter;
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
