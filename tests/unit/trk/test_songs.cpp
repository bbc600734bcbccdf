// The tracker tests' song builders.
#include "tests/unit/trk/test_songs.h"

#include <algorithm>
#include <cstring>

namespace tumbor::trk::test {

std::unique_ptr<Song> makeSong(SongFormat format, int channels, int patterns, int rows) {
    auto song = std::make_unique<Song>();
    song->format = format;
    song->cellSize = cellSizeOf(format);
    song->channelCount = channels;
    for (int number = 0; number < patterns; ++number) {
        song->pattern(number)->rows = rows;
        song->orders.push_back(static_cast<uint16_t>(number));
    }
    song->length = patterns;
    song->patternCount = patterns;
    if (format == SongFormat::mdl || format == SongFormat::dmf) song->maxChannelVolume = 255;
    return song;
}

void setCell(Song& song, int pattern, int row, int channel, int note, int instrument, int effect,
             int parameter, int volume) {
    Pattern& target = *song.pattern(pattern);
    uint8_t noVolume = song.format == SongFormat::it ? 255 : song.format == SongFormat::mdl ? 0 : kNoVolume;
    uint8_t* cell = song.track(target, channel, noVolume) + row * song.cellSize;
    cell[kCellNote] = static_cast<uint8_t>(note);
    cell[kCellInstrument] = static_cast<uint8_t>(instrument);
    cell[kCellEffect] = static_cast<uint8_t>(effect);
    cell[kCellParameter] = static_cast<uint8_t>(parameter);
    if (song.cellSize > kCellVolume && volume >= 0) cell[kCellVolume] = static_cast<uint8_t>(volume);
}

Sample& addSample(Song& song, int number, uint32_t length, int volume, int c4Speed,
                  const std::vector<uint8_t>& data) {
    song.instrument(number, number - 1);
    song.instrumentCount = std::max(song.instrumentCount, number);
    Sample& sample = *song.sample(number);
    sample.length = length;
    sample.volume = volume;
    sample.c4Speed = c4Speed;
    sample.data.reset(new uint8_t[length + 16]());
    for (uint32_t i = 0; i < length; ++i)
        sample.data[i] = i < data.size() ? data[i] : static_cast<uint8_t>(i);
    return sample;
}

void VoiceRecorder::startVoice(int voice, const uint8_t*, int32_t start, int32_t end, int32_t, int32_t,
                               uint32_t) {
    Voice& v = voices[static_cast<size_t>(voice)];
    if (start >= end) return;
    ++v.starts;
    v.start = start;
    v.end = end;
    v.playing = true;
}

void VoiceRecorder::stopVoice(int voice) {
    Voice& v = voices[static_cast<size_t>(voice)];
    ++v.stops;
    v.playing = false;
}

// The target takes over the source's sample and settings; each voice keeps
// its own counts of starts and stops.
void VoiceRecorder::moveVoice(int from, int to) {
    Voice& source = voices[static_cast<size_t>(from)];
    Voice& target = voices[static_cast<size_t>(to)];
    Voice moved = source;
    moved.starts = target.starts;
    moved.stops = target.stops;
    target = moved;
    source.playing = false;
}

ModFile::ModFile(std::string signature, int channels)
    : signature_(std::move(signature)), channels_(channels) {}

void ModFile::setSample(int number, const std::vector<int8_t>& data, int volume, int fineTune,
                        int loopStartWords, int loopWords, const std::string& name) {
    SampleHeader& header = samples_[static_cast<size_t>(number - 1)];
    header = SampleHeader{data, volume, fineTune, loopStartWords, loopWords, name};
}

void ModFile::setOrders(const std::vector<uint8_t>& orders, int songLength) {
    orders_.fill(0);
    std::copy(orders.begin(), orders.end(), orders_.begin());
    songLength_ = songLength >= 0 ? songLength : static_cast<int>(orders.size());
}

void ModFile::setCell(int pattern, int row, int channel, int period, int instrument, int effect,
                      int parameter) {
    while (static_cast<int>(patterns_.size()) <= pattern)
        patterns_.emplace_back(static_cast<size_t>(64 * channels_ * 4), 0);
    uint8_t* cell =
        &patterns_[static_cast<size_t>(pattern)][static_cast<size_t>((row * channels_ + channel) * 4)];
    cell[0] = static_cast<uint8_t>((instrument & 0x10) | (period >> 8 & 15));
    cell[1] = static_cast<uint8_t>(period);
    cell[2] = static_cast<uint8_t>((instrument & 15) << 4 | (effect & 15));
    cell[3] = static_cast<uint8_t>(parameter);
}

std::vector<uint8_t> ModFile::bytes() const {
    std::vector<uint8_t> out(20, 0);
    std::memcpy(out.data(), name_.data(), std::min<size_t>(name_.size(), 20));
    for (const SampleHeader& sample : samples_) {
        uint8_t header[30] = {};
        std::memcpy(header, sample.name.data(), std::min<size_t>(sample.name.size(), 22));
        size_t words = sample.data.size() / 2;
        header[22] = static_cast<uint8_t>(words >> 8);
        header[23] = static_cast<uint8_t>(words);
        header[24] = static_cast<uint8_t>(sample.fineTune & 15);
        header[25] = static_cast<uint8_t>(sample.volume);
        header[26] = static_cast<uint8_t>(sample.loopStart >> 8);
        header[27] = static_cast<uint8_t>(sample.loopStart);
        header[28] = static_cast<uint8_t>(sample.loopWords >> 8);
        header[29] = static_cast<uint8_t>(sample.loopWords);
        out.insert(out.end(), header, header + 30);
    }
    out.push_back(static_cast<uint8_t>(songLength_));
    out.push_back(127);
    out.insert(out.end(), orders_.begin(), orders_.end());
    out.insert(out.end(), signature_.begin(), signature_.end());
    int patternCount = *std::max_element(orders_.begin(), orders_.end()) + 1;
    std::vector<uint8_t> empty(static_cast<size_t>(64 * channels_ * 4), 0);
    for (int number = 0; number < patternCount; ++number) {
        const std::vector<uint8_t>& pattern =
            number < static_cast<int>(patterns_.size()) ? patterns_[static_cast<size_t>(number)] : empty;
        out.insert(out.end(), pattern.begin(), pattern.end());
    }
    for (const SampleHeader& sample : samples_)
        for (size_t i = 0; i < sample.data.size() / 2 * 2; ++i)
            out.push_back(static_cast<uint8_t>(sample.data[i]));
    return out;
}

}  // namespace tumbor::trk::test
