// A song built in code, its sequencer and a voice recorder, stepped tick by
// tick: the sequencer and effect tests' common rig.
#pragma once

#include <memory>

#include "libs/trk/sequencer/row_time_table.h"
#include "libs/trk/sequencer/sequencer.h"
#include "tests/unit/trk/test_songs.h"

namespace tumbor::trk::test {

struct SequencerRig {
    std::unique_ptr<Song> song;
    VoiceRecorder voices;
    std::unique_ptr<Sequencer> sequencer;

    explicit SequencerRig(SongFormat format = SongFormat::mod, int channels = 4, int patterns = 1,
                          int rows = 64)
        : song(makeSong(format, channels, patterns, rows)) {}

    // Starts playback and runs the silent start ticks: the next tick is the
    // first tick of row 0.
    void begin() {
        sequencer = std::make_unique<Sequencer>(*song, voices);
        sequencer->start();
        for (int i = 0; i < 7; ++i) sequencer->runTick(44100);
    }
    void ticks(int count = 1) {
        for (int i = 0; i < count; ++i) sequencer->runTick(44100);
    }
    // Runs the ticks of whole rows at the current speed.
    void rows(int count = 1) { ticks(count * state().speed); }

    PlaybackState& state() { return sequencer->state(); }
    ChannelState& channel(int index) { return state().channels[static_cast<size_t>(index)]; }
    VoiceRecorder::Voice& voice(int index) { return voices.voices[static_cast<size_t>(index)]; }
};

}  // namespace tumbor::trk::test
