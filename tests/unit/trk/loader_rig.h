// The loader tests' common rig: a little-endian file builder, loading a file
// through a loader and the sample stage as the library does, every prefix
// of a file, and playing a loaded song through the sequencer.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "libs/trk/loaders/loaders.h"
#include "libs/trk/loaders/sample_stage.h"
#include "libs/trk/sequencer/row_time_table.h"
#include "libs/trk/sequencer/sequencer.h"
#include "tests/unit/trk/test_songs.h"

namespace tumbor::trk::test {

// Bytes appended in order, numbers little-endian, texts zero-padded.
struct FileBuilder {
    std::vector<uint8_t> bytes;

    size_t size() const { return bytes.size(); }
    FileBuilder& u8(int value) {
        bytes.push_back(static_cast<uint8_t>(value));
        return *this;
    }
    FileBuilder& u16(int value) { return u8(value & 0xFF).u8(value >> 8 & 0xFF); }
    FileBuilder& u32(uint32_t value) {
        return u16(static_cast<int>(value & 0xFFFF)).u16(static_cast<int>(value >> 16));
    }
    FileBuilder& text(const std::string& text, size_t size) {
        for (size_t i = 0; i < size; ++i) u8(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
        return *this;
    }
    FileBuilder& append(const std::vector<uint8_t>& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    FileBuilder& zeros(size_t count) {
        bytes.resize(bytes.size() + count, 0);
        return *this;
    }
    FileBuilder& alignTo16() { return zeros((16 - bytes.size() % 16) % 16); }
    void put8(size_t at, int value) { bytes.at(at) = static_cast<uint8_t>(value); }
    void put16(size_t at, int value) {
        put8(at, value & 0xFF);
        put8(at + 1, value >> 8 & 0xFF);
    }
    void put32(size_t at, uint32_t value) {
        put16(at, static_cast<int>(value & 0xFFFF));
        put16(at + 2, static_cast<int>(value >> 16));
    }
};

// Loads as the library does: the loader, the checks, the sample stage.
// False when the loader or the sample stage fails.
inline bool loadWith(Loader loader, const std::vector<uint8_t>& bytes, Song& song,
                     int* stageResult = nullptr) {
    MemoryByteSource source(bytes);
    ModuleReader reader(source);
    if (!loader(reader, song)) return false;
    checkLoadedSong(song);
    int result = loadSampleData(reader, song);
    if (stageResult) *stageResult = result;
    return result == kSamplesLoaded;
}

// Every prefix of a file loads or fails cleanly (the sanitizers watch), and
// a song that loads can be timed. Answers how many prefixes loaded.
inline int loadEveryPrefix(Loader loader, const std::vector<uint8_t>& bytes) {
    int loaded = 0;
    for (size_t size = 0; size <= bytes.size(); ++size) {
        std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(size));
        Song song;
        if (!loadWith(loader, prefix, song)) continue;
        ++loaded;
        RowTimeTable::build(song);
    }
    return loaded;
}

inline const uint8_t* cellAt(const Song& song, int pattern, int row, int channel) {
    const Pattern* found = song.findPattern(pattern);
    if (!found || !found->hasTrack(channel)) return nullptr;
    return found->tracks[static_cast<size_t>(channel)].data() + row * song.cellSize;
}

// A loaded song played through the sequencer into a voice recorder.
struct LoadedSongRig {
    Song song;
    VoiceRecorder voices;
    std::unique_ptr<Sequencer> sequencer;

    bool load(Loader loader, const std::vector<uint8_t>& bytes) { return loadWith(loader, bytes, song); }
    // Starts playback past the silent start ticks and plays the first tick
    // of row 0.
    void begin() {
        sequencer = std::make_unique<Sequencer>(song, voices);
        sequencer->start();
        ticks(8);
    }
    void ticks(int count) {
        for (int i = 0; i < count; ++i) sequencer->runTick(44100);
    }
    PlaybackState& state() { return sequencer->state(); }
    ChannelState& channel(int index) { return state().channels[static_cast<size_t>(index)]; }
    VoiceRecorder::Voice& voice(int index) { return voices.voices[static_cast<size_t>(index)]; }
};

}  // namespace tumbor::trk::test
