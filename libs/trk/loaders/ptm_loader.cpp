// PTM modules: a 608-byte header, 80-byte sample headers naming where their
// delta-coded data lie, and packed patterns each starting on a 16-byte boundary.
#include <algorithm>

#include "libs/trk/loaders/loader_support.h"
#include "libs/trk/loaders/loaders.h"
#include "libs/trk/sequencer/effects.h"

namespace tumbor::trk {
namespace {

// Header fields (608 bytes).
constexpr int kHeaderSize = 608;
constexpr int kOrderCountAt = 32;
constexpr int kInstrumentCountAt = 34;
constexpr int kPatternCountAt = 36;
constexpr int kChannelCountAt = 38;
constexpr int kPanningAt = 64;
constexpr int kOrdersAt = 96;
constexpr int kOrderSlots = 256;

// Sample header fields (80 bytes).
constexpr int kSampleHeaderSize = 80;
constexpr int kVolumeAt = 13;
constexpr int kC4SpeedAt = 14;
constexpr int kDataOffsetAt = 18;
constexpr int kLengthAt = 22;
constexpr int kLoopStartAt = 26;
constexpr int kLoopEndAt = 30;
constexpr int kSampleNameAt = 48;

constexpr int kRows = 64;

void readSampleHeader(const uint8_t* header, int number, Song& song, uint32_t fileSize) {
    Instrument* instrument = song.instrument(number, number - 1);
    Sample* sample = song.sample(number);
    instrument->name = trimmedName(header + kSampleNameAt, 28);
    uint8_t type = header[0];
    sample->volume = header[kVolumeAt];
    sample->c4Speed = readU16le(header + kC4SpeedAt);
    sample->isDelta = true;
    // Only type 1 holds sample data; the other types are silent.
    if ((type & 3) != 1) return;
    sample->length = readU32le(header + kLengthAt);
    sample->loopStart = readU32le(header + kLoopStartAt);
    sample->loopEnd = readU32le(header + kLoopEndAt);
    if (type & 4) sample->flags |= kSampleLooped;
    if ((type & 4) && (type & 8)) sample->flags |= kSamplePingPong;
    if (type & 16) sample->flags |= kSample16Bit;
    placeSampleData(*sample, readU32le(header + kDataOffsetAt), fileSize);
}

// Effects 0 .. 17 only; the three beyond the MOD set move to their codes.
void translateEffect(uint8_t* cell, uint8_t effect, uint8_t parameter) {
    cell[kCellEffect] = 0;
    cell[kCellParameter] = 0;
    if (effect > 17) return;
    cell[kCellEffect] = effect;
    cell[kCellParameter] = parameter;
    if (effect == 10) {
        cell[kCellEffect] = kFineVolumeSlide;
    } else if (effect == 16) {
        cell[kCellEffect] = kSetGlobalVolume;
        cell[kCellParameter] = static_cast<uint8_t>(parameter > 63 ? 255 : parameter * 4);
    } else if (effect == 17) {
        cell[kCellEffect] = kRetriggerVolume;
    }
}

// One pattern of 64 packed rows; false when the file ends inside it.
bool readPattern(ModuleReader& reader, Song& song, Pattern& pattern) {
    for (int row = 0; row < kRows; ++row) {
        for (;;) {
            uint8_t what = reader.u8();
            if (!reader.ok()) return false;
            if (what == 0) break;
            uint8_t* cell = song.track(pattern, what & 31, kNoVolume) + row * song.cellSize;
            if (what & 0x20) {
                uint8_t note = reader.u8();
                cell[kCellNote] = note == 254 ? kNoteCut : note == 0 ? 0 : static_cast<uint8_t>(note - 1);
                cell[kCellInstrument] = reader.u8();
            }
            if (what & 0x40) {
                uint8_t effect = reader.u8();
                uint8_t parameter = reader.u8();
                translateEffect(cell, effect, parameter);
            }
            if (what & 0x80) cell[kCellVolume] = reader.u8();
        }
    }
    return true;
}

}  // namespace

bool loadPtm(ModuleReader& reader, Song& song) {
    uint8_t header[kHeaderSize];
    if (!reader.read(header, sizeof header)) return false;
    int channels = readU16le(header + kChannelCountAt);
    int instruments = readU16le(header + kInstrumentCountAt);
    int patterns = readU16le(header + kPatternCountAt);
    if (channels < 1 || channels > kMaxChannels || instruments > kMaxInstruments || patterns > kMaxPatterns)
        return false;
    song.format = SongFormat::ptm;
    song.cellSize = cellSizeOf(SongFormat::ptm);
    song.name = trimmedName(header, 28);
    song.channelCount = channels;
    song.orders.assign(header + kOrdersAt, header + kOrdersAt + kOrderSlots);
    song.length = std::min<int>(readU16le(header + kOrderCountAt), kOrderSlots);
    song.patternCount = patterns;
    for (int channel = 0; channel < kMaxChannels; ++channel)
        song.channelPanning[static_cast<size_t>(channel)] = panningOfNibble(header[kPanningAt + channel]);

    for (int number = 1; number <= instruments; ++number) {
        uint8_t sampleHeader[kSampleHeaderSize];
        if (!reader.read(sampleHeader, sizeof sampleHeader)) return false;
        readSampleHeader(sampleHeader, number, song, reader.size());
    }
    song.instrumentCount = instruments;

    // Each pattern starts at the next 16-byte boundary after what came
    // before it; the stored pattern offsets are not consulted.
    for (int number = 0; number < patterns; ++number) {
        if (!reader.seek(alignTo16(reader.tell()))) return false;
        if (!readPattern(reader, song, *song.pattern(number))) return false;
    }
    return true;
}

}  // namespace tumbor::trk
