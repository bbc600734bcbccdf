// 669 modules: eight channels, 25-byte sample headers, patterns of 64 rows
// of 3-byte cells whose length and speed come from per-pattern lists.
#include <algorithm>
#include <vector>

#include "libs/trk/loaders/loader_support.h"
#include "libs/trk/loaders/loaders.h"
#include "libs/trk/sequencer/effects.h"

namespace tumbor::trk {
namespace {

// Header fields (497 bytes).
constexpr int kHeaderSize = 497;
constexpr int kSongTextAt = 2;
constexpr int kSongTextSize = 108;
constexpr int kSampleCountAt = 110;
constexpr int kPatternCountAt = 111;
constexpr int kOrdersAt = 113;
constexpr int kTempoListAt = 241;
constexpr int kBreakListAt = 369;
constexpr int kListSize = 128;
constexpr uint8_t kOrderEnd = 255;

// Sample header fields (25 bytes).
constexpr int kSampleHeaderSize = 25;
constexpr int kLengthAt = 13;
constexpr int kLoopStartAt = 17;
constexpr int kLoopEndAt = 21;
// Loop ends above this mean the sample does not loop.
constexpr uint32_t kLargestLoopEnd = 0x40000;

constexpr int kChannels = 8;
constexpr int kStoredRows = 64;
constexpr int kPatternSize = kStoredRows * kChannels * 3;

void readSampleHeader(const uint8_t* header, int number, Song& song) {
    Instrument* instrument = song.instrument(number, number - 1);
    Sample* sample = song.sample(number);
    instrument->name = trimmedName(header, 13);
    sample->c4Speed = 8363;
    sample->volume = 64;
    sample->isUnsigned = true;
    sample->length = readU32le(header + kLengthAt);
    sample->loopStart = readU32le(header + kLoopStartAt);
    uint32_t loopEnd = readU32le(header + kLoopEndAt);
    if (loopEnd > kLargestLoopEnd) loopEnd = 0;
    sample->loopEnd = std::min(loopEnd, sample->length);
    if (sample->loopStart < sample->loopEnd) sample->flags |= kSampleLooped;
}

void convertCell(const uint8_t* in, uint8_t* out) {
    if (in[0] < 254) {
        out[kCellNote] = static_cast<uint8_t>(in[0] / 4 + 24);
        out[kCellInstrument] = static_cast<uint8_t>(((in[0] & 3) << 4 | in[1] >> 4) + 1);
    }
    if (in[0] != 255) out[kCellVolume] = static_cast<uint8_t>((in[1] & 15) * 4);
    if (in[2] >= 0x50 && in[2] <= 0x5F) {
        out[kCellEffect] = kSpeedTempo;
        out[kCellParameter] = in[2] & 15;
    }
}

}  // namespace

bool load669(ModuleReader& reader, Song& song) {
    uint8_t header[kHeaderSize];
    if (!reader.read(header, sizeof header)) return false;
    int patterns = header[kPatternCountAt];
    // The tempo and break lists hold 128 patterns.
    if (patterns > kListSize) return false;
    song.format = SongFormat::s669;
    song.cellSize = cellSizeOf(SongFormat::s669);
    song.name = trimmedName(header + kSongTextAt, kSongTextSize);
    song.channelCount = kChannels;
    song.initialSpeed = 3;
    song.initialTempo = 78;
    song.patternCount = patterns;

    const uint8_t* orders = header + kOrdersAt;
    int length = static_cast<int>(std::find(orders, orders + kListSize, kOrderEnd) - orders);
    song.orders.assign(orders, orders + length);
    song.length = length;

    int samples = header[kSampleCountAt];
    for (int number = 1; number <= samples; ++number) {
        uint8_t sampleHeader[kSampleHeaderSize];
        if (!reader.read(sampleHeader, sizeof sampleHeader)) return false;
        readSampleHeader(sampleHeader, number, song);
    }
    song.instrumentCount = samples;

    std::vector<uint8_t> bytes(kPatternSize);
    for (int number = 0; number < patterns; ++number) {
        if (!reader.read(bytes.data(), bytes.size())) return false;
        Pattern* pattern = song.pattern(number);
        pattern->rows = header[kBreakListAt + number] + 1;
        int rows = std::min(pattern->rows, kStoredRows);
        bool firstRowSetsSpeed = false;
        for (int channel = 0; channel < kChannels; ++channel) {
            uint8_t* track = song.track(*pattern, channel, kNoVolume);
            for (int row = 0; row < rows; ++row)
                convertCell(&bytes[static_cast<size_t>((row * kChannels + channel) * 3)], track + row * 5);
            firstRowSetsSpeed |= track[kCellEffect] == kSpeedTempo && track[kCellParameter] != 0;
        }
        // The pattern's speed, set on its first row unless a cell there sets one.
        pattern->globalTrack.assign(static_cast<size_t>(pattern->rows) * 2, 0);
        if (!firstRowSetsSpeed) {
            pattern->globalTrack[0] = kGlobalSpeedTempo;
            pattern->globalTrack[1] = header[kTempoListAt + number];
        }
    }
    return true;
}

}  // namespace tumbor::trk
