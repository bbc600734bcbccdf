// MTM modules: 37-byte sample headers, 128 orders, tracks of 64 three-byte
// rows stored once and shared by the patterns that name them, unsigned samples.
#include <algorithm>
#include <vector>

#include "libs/trk/loaders/loader_support.h"
#include "libs/trk/loaders/loaders.h"
#include "libs/trk/sequencer/effects.h"
#include "libs/trk/sequencer/pitch.h"

namespace tumbor::trk {
namespace {

// Header fields (66 bytes).
constexpr int kHeaderSize = 66;
constexpr int kNameAt = 4;
constexpr int kTrackCountAt = 24;
constexpr int kLastPatternAt = 26;
constexpr int kLastOrderAt = 27;
constexpr int kCommentLengthAt = 28;
constexpr int kSampleCountAt = 30;
constexpr int kChannelCountAt = 33;
constexpr int kPanningAt = 34;

// Sample header fields (37 bytes).
constexpr int kSampleHeaderSize = 37;
constexpr int kSampleLengthAt = 22;
constexpr int kLoopStartAt = 26;
constexpr int kLoopEndAt = 30;
constexpr int kFineTuneAt = 34;
constexpr int kVolumeAt = 35;
constexpr int kAttributesAt = 36;

constexpr int kTrackRows = 64;
constexpr int kStoredTrackSize = kTrackRows * 3;
constexpr int kPatternTrackNumbers = 32;

void readSampleHeader(const uint8_t* header, int number, Song& song) {
    Instrument* instrument = song.instrument(number, number - 1);
    Sample* sample = song.sample(number);
    instrument->name = trimmedName(header, 22);
    sample->isUnsigned = true;
    sample->c4Speed = kFineTuneSpeed[header[kFineTuneAt] & 15];
    sample->length = readU32le(header + kSampleLengthAt);
    sample->loopStart = readU32le(header + kLoopStartAt);
    sample->loopEnd = readU32le(header + kLoopEndAt);
    sample->volume = header[kVolumeAt];
    if (int64_t(sample->loopEnd) - int64_t(sample->loopStart) > 2) sample->flags |= kSampleLooped;
    if (header[kAttributesAt] & 1) sample->flags |= kSample16Bit;
}

// One stored track as 64 four-byte cells.
void convertTrack(const uint8_t* stored, uint8_t* cells) {
    for (int row = 0; row < kTrackRows; ++row) {
        const uint8_t* in = stored + row * 3;
        uint8_t* out = cells + row * 4;
        out[kCellNote] = static_cast<uint8_t>(in[0] > 3 ? (in[0] >> 2) + 24 : 0);
        out[kCellInstrument] = static_cast<uint8_t>((in[0] & 3) << 4 | in[1] >> 4);
        out[kCellEffect] = in[1] & 15;
        out[kCellParameter] = in[2];
        // A volume slide naming both directions slides up only.
        if (out[kCellEffect] == kVolumeSlide && (in[2] & 0xF0)) out[kCellParameter] = in[2] & 0xF0;
    }
}

}  // namespace

bool loadMtm(ModuleReader& reader, Song& song) {
    uint8_t header[kHeaderSize];
    if (!reader.read(header, sizeof header)) return false;
    int channels = header[kChannelCountAt];
    if (channels < 1 || channels > kMaxChannels) return false;
    song.format = SongFormat::mtm;
    song.cellSize = cellSizeOf(SongFormat::mtm);
    song.name = trimmedName(header + kNameAt, 20);
    song.channelCount = channels;
    song.patternCount = header[kLastPatternAt] + 1;
    song.length = header[kLastOrderAt] + 1;
    for (int channel = 0; channel < kMaxChannels; ++channel)
        song.channelPanning[static_cast<size_t>(channel)] = panningOfNibble(header[kPanningAt + channel]);

    int sampleCount = header[kSampleCountAt];
    for (int number = 1; number <= sampleCount; ++number) {
        uint8_t sampleHeader[kSampleHeaderSize];
        if (!reader.read(sampleHeader, sizeof sampleHeader)) return false;
        readSampleHeader(sampleHeader, number, song);
    }
    song.instrumentCount = sampleCount;

    uint8_t orders[128];
    if (!reader.read(orders, sizeof orders)) return false;
    song.orders.assign(orders, orders + 128);

    // Track 0 is the empty track; stored tracks count from 1.
    int trackCount = readU16le(header + kTrackCountAt);
    std::vector<uint8_t> stored;
    if (!readBlock(reader, uint64_t(trackCount) * kStoredTrackSize, stored)) return false;
    std::vector<uint8_t> tracks(static_cast<size_t>(trackCount) * kTrackRows * 4);
    for (int track = 0; track < trackCount; ++track)
        convertTrack(&stored[static_cast<size_t>(track) * kStoredTrackSize],
                     &tracks[static_cast<size_t>(track) * kTrackRows * 4]);

    for (int number = 0; number < song.patternCount; ++number) {
        uint8_t numbers[kPatternTrackNumbers * 2];
        if (!reader.read(numbers, sizeof numbers)) return false;
        Pattern* pattern = song.pattern(number);
        for (int channel = 0; channel < channels; ++channel) {
            int track = readU16le(numbers + channel * 2);
            // Numbers beyond the stored tracks play as the empty track.
            if (track == 0 || track > trackCount) continue;
            std::copy_n(&tracks[static_cast<size_t>(track - 1) * kTrackRows * 4], kTrackRows * 4,
                        song.track(*pattern, channel));
        }
    }

    // The sample data follow the comment, one sample after the other.
    return reader.skip(readU16le(header + kCommentLengthAt));
}

}  // namespace tumbor::trk
