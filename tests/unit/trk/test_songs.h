// Songs built in code for the tracker tests: a Song filled directly (for the
// sequencer and the effects), a MOD file built byte by byte (for the loader
// and the library), and a recorder of voice commands.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "libs/trk/mixer/sound_driver.h"
#include "libs/trk/model/song.h"

namespace tumbor::trk::test {

// A song of one format with empty patterns 0 .. patterns-1 played in order.
std::unique_ptr<Song> makeSong(SongFormat format, int channels, int patterns = 1, int rows = 64);

// Sets one cell (the volume column only where the format's cells have one).
void setCell(Song& song, int pattern, int row, int channel, int note, int instrument, int effect = 0,
             int parameter = 0, int volume = -1);

// Instrument and sample number, playing the sample on every note: length
// bytes of data (a ramp unless given), at the C4 speed given.
Sample& addSample(Song& song, int number, uint32_t length, int volume = 64, int c4Speed = 8363,
                  const std::vector<uint8_t>& data = {});

// The voice commands the sequencer sent, latest value per voice.
class VoiceRecorder final : public VoiceControl {
public:
    struct Voice {
        int starts = 0;
        int stops = 0;
        int volume = -1;
        int frequency = -1;
        int panning = -1;
        int32_t start = 0;
        int32_t end = 0;
        bool playing = false;
        VoiceFilter filter;
        int filterClears = 0;
        const uint8_t* queued = nullptr;  // the sample due at the loop's end
    };
    void startVoice(int voice, const uint8_t*, int32_t start, int32_t end, int32_t, int32_t,
                    uint32_t) override;
    void stopVoice(int voice) override;
    void queueSample(int voice, const uint8_t* data, int32_t, int32_t, int32_t, uint32_t) override {
        voices[static_cast<size_t>(voice)].queued = data;
    }
    void setVolume(int voice, int value) override { voices[static_cast<size_t>(voice)].volume = value; }
    void setFrequency(int voice, int hz) override { voices[static_cast<size_t>(voice)].frequency = hz; }
    void setPanning(int voice, int panning) override { voices[static_cast<size_t>(voice)].panning = panning; }
    void setFilter(int voice, const VoiceFilter& filter, bool clearHistory) override {
        voices[static_cast<size_t>(voice)].filter = filter;
        voices[static_cast<size_t>(voice)].filterClears += clearHistory ? 1 : 0;
    }
    void moveVoice(int from, int to) override;
    bool voicePlaying(int voice) const override { return voices[static_cast<size_t>(voice)].playing; }

    std::array<Voice, 64> voices{};
};

// A 31-sample MOD file, built up and then written out.
class ModFile {
public:
    explicit ModFile(std::string signature = "M.K.", int channels = 4);
    void setName(const std::string& name) { name_ = name; }
    // Sample 1 .. 31: data bytes, volume, fine-tune, loop start and length in words.
    void setSample(int number, const std::vector<int8_t>& data, int volume = 64, int fineTune = 0,
                   int loopStartWords = 0, int loopWords = 0, const std::string& name = "");
    void setOrders(const std::vector<uint8_t>& orders, int songLength = -1);
    // A cell by its Amiga period; instrument 0 .. 31, effect 0 .. 15.
    void setCell(int pattern, int row, int channel, int period, int instrument, int effect = 0,
                 int parameter = 0);
    std::vector<uint8_t> bytes() const;

private:
    struct SampleHeader {
        std::vector<int8_t> data;
        int volume = 0, fineTune = 0, loopStart = 0, loopWords = 0;
        std::string name;
    };
    std::string signature_;
    int channels_;
    std::string name_ = "test song";
    std::array<SampleHeader, 31> samples_{};
    std::array<uint8_t, 128> orders_{};
    int songLength_ = 1;
    std::vector<std::vector<uint8_t>> patterns_;  // 64 x channels x 4 bytes each
};

}  // namespace tumbor::trk::test
