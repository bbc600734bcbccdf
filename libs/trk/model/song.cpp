// The song model's records created on first use, and trimmed names.
#include "libs/trk/model/song.h"

#include <cstring>

namespace tumbor::trk {

int cellSizeOf(SongFormat format) {
    switch (format) {
        case SongFormat::mod:
        case SongFormat::mtm:
            return 4;
        case SongFormat::mdl:
            return 7;
        case SongFormat::dmf:
            return 9;
        default:
            return 5;
    }
}

int defaultChannelPanning(int channel) {
    int place = channel % 4;
    return place == 0 || place == 3 ? 85 : 170;
}

Song::Song() : samples(kMaxSamples + 1) {
    for (int channel = 0; channel < kMaxChannels; ++channel) {
        channelPanning[static_cast<size_t>(channel)] = defaultChannelPanning(channel);
        channelVolume[static_cast<size_t>(channel)] = 64;
    }
}

Pattern* Song::pattern(int number) {
    if (number < 0 || number >= kMaxPatterns) return nullptr;
    std::unique_ptr<Pattern>& slot = patterns[static_cast<size_t>(number)];
    if (!slot) slot = std::make_unique<Pattern>();
    return slot.get();
}

const Pattern* Song::findPattern(int number) const {
    if (number < 0 || number >= kMaxPatterns) return nullptr;
    return patterns[static_cast<size_t>(number)].get();
}

uint8_t* Song::track(Pattern& pattern, int channel, uint8_t presetVolume) const {
    if (channel < 0 || channel >= kMaxChannels) return nullptr;
    std::vector<uint8_t>& track = pattern.tracks[static_cast<size_t>(channel)];
    if (track.empty()) {
        track.assign(static_cast<size_t>(pattern.rows) * static_cast<size_t>(cellSize), 0);
        if (cellSize > kCellVolume && presetVolume != 0)
            for (size_t at = kCellVolume; at < track.size(); at += static_cast<size_t>(cellSize))
                track[at] = presetVolume;
    }
    return track.data();
}

Instrument* Song::instrument(int number, int sampleIndex) {
    if (number < 1 || number > kMaxInstruments) return nullptr;
    std::unique_ptr<Instrument>& slot = instruments[static_cast<size_t>(number)];
    if (!slot) slot = std::make_unique<Instrument>(sampleIndex);
    return slot.get();
}

Sample* Song::sample(int number) {
    if (number < 1 || number > kMaxSamples) return nullptr;
    std::unique_ptr<Sample>& slot = samples[static_cast<size_t>(number)];
    if (!slot) slot = std::make_unique<Sample>();
    if (number > sampleCount) sampleCount = number;
    return slot.get();
}

const Instrument* Song::findInstrument(int number) const {
    if (number < 1 || number > kMaxInstruments) return nullptr;
    return instruments[static_cast<size_t>(number)].get();
}

const Sample* Song::findSample(int number) const {
    if (number < 1 || number > kMaxSamples) return nullptr;
    return samples[static_cast<size_t>(number)].get();
}

std::string trimmedName(const uint8_t* field, int length) {
    if (length <= 0) return {};
    int end = length;
    while (end > 0 && field[end - 1] < 33) --end;
    std::string name(reinterpret_cast<const char*>(field), static_cast<size_t>(end));
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    return name;
}

}  // namespace tumbor::trk
