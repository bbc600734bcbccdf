// Behaviours decided against the reference player (openmpt123), each on a
// song built in code and followed tick by tick: what real songs rely on and
// the plain reading of the effect table gets wrong.
#include <gtest/gtest.h>

#include <vector>

#include "libs/trk/sequencer/effects.h"
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
    EXPECT_EQ(rig.volumes(4), (std::vector<int>{64, 64, 64, 0,  0,  0,  0,  64, 64, 0,  0,  0,
                                                0,  0,  0,  0,  0,  0,  64, 64, 64, 64, 64, 64}));
}

}  // namespace
}  // namespace tumbor::trk::test
