// DSM modules: a RIFF file of form "DSMF" whose chunks hold the song header
// ("SONG"), one sample each ("INST", header and data) and one pattern each
// ("PATT", 64 packed rows).
#include <algorithm>
#include <cstring>
#include <vector>

#include "libs/trk/loaders/loader_support.h"
#include "libs/trk/loaders/loaders.h"
#include "libs/trk/sequencer/effects.h"

namespace tumbor::trk {
namespace {

constexpr uint32_t kFirstChunkAt = 12;

// "SONG" fields (192 bytes read).
constexpr int kSongSize = 192;
constexpr int kSongLengthAt = 36;
constexpr int kChannelCountAt = 42;
constexpr int kSpeedAt = 46;
constexpr int kTempoAt = 47;
constexpr int kPanningAt = 48;
constexpr int kOrdersAt = 64;
constexpr int kOrderSlots = 128;
constexpr int kMostChannels = 16;

// "INST" fields (64 bytes, then the data).
constexpr int kInstrumentSize = 64;
constexpr int kFlagsAt = 13;
constexpr int kVolumeAt = 15;
constexpr int kLengthAt = 16;
constexpr int kLoopStartAt = 20;
constexpr int kLoopEndAt = 24;
constexpr int kC4SpeedAt = 32;
constexpr int kNameAt = 36;

constexpr int kRows = 64;

struct Chunk {
    uint8_t id[4];
    uint32_t length;  // bytes of data after the 8-byte chunk header
    uint32_t dataAt;
};

bool readSong(ModuleReader& reader, Song& song) {
    uint8_t header[kSongSize];
    if (!reader.read(header, sizeof header)) return false;
    int channels = readU16le(header + kChannelCountAt);
    if (channels < 1 || channels > kMostChannels) return false;
    song.name = trimmedName(header, 28);
    song.channelCount = channels;
    song.length = std::min<int>(readU16le(header + kSongLengthAt), kOrderSlots);
    song.initialSpeed = header[kSpeedAt];
    song.initialTempo = header[kTempoAt];
    for (int channel = 0; channel < kMostChannels; ++channel) {
        int panning = header[kPanningAt + channel];
        song.channelPanning[static_cast<size_t>(channel)] = panning >= 128 ? 255 : panning * 2;
    }
    song.orders.assign(header + kOrdersAt, header + kOrdersAt + kOrderSlots);
    return true;
}

bool readInstrument(ModuleReader& reader, Song& song, const Chunk& chunk) {
    int number = song.instrumentCount + 1;
    if (number > kMaxInstruments) return true;
    uint8_t header[kInstrumentSize];
    if (!reader.read(header, sizeof header)) return false;
    Instrument* instrument = song.instrument(number, number - 1);
    Sample* sample = song.sample(number);
    song.instrumentCount = number;
    instrument->name = trimmedName(header + kNameAt, 28);
    uint16_t flags = readU16le(header + kFlagsAt);
    sample->volume = header[kVolumeAt];
    sample->c4Speed = readU16le(header + kC4SpeedAt);
    sample->isUnsigned = !(flags & 2);
    // The data stay inside their chunk.
    uint32_t room = chunk.length > kInstrumentSize ? chunk.length - kInstrumentSize : 0;
    sample->length = std::min(readU32le(header + kLengthAt), room);
    sample->loopStart = readU32le(header + kLoopStartAt);
    sample->loopEnd = readU32le(header + kLoopEndAt);
    if (flags & 1) sample->flags |= kSampleLooped;
    if (sample->length) placeSampleData(*sample, reader.tell(), reader.size());
    return true;
}

void translateEffect(uint8_t command, uint8_t parameter, uint8_t* cell) {
    if (command > 15 || command == 1) return;
    if (command == 8) {
        if (parameter <= 128) {
            cell[kCellEffect] = kSetPanning;
            cell[kCellParameter] = static_cast<uint8_t>((parameter & 127) * 2);
        } else {
            cell[kCellEffect] = command;
            cell[kCellParameter] = parameter;
        }
        return;
    }
    if (command == kPositionJump && parameter >= 129) return;
    cell[kCellEffect] = command;
    cell[kCellParameter] = parameter;
}

// 64 rows after the 2-byte length; rows the chunk does not hold stay empty.
void readPattern(const std::vector<uint8_t>& bytes, Song& song, Pattern& pattern) {
    ByteCursor cursor(bytes);
    cursor.skip(2);
    for (int row = 0; row < kRows && cursor.ok(); ++row) {
        for (uint8_t what = cursor.u8(); what != 0 && cursor.ok(); what = cursor.u8()) {
            uint8_t* cell = song.track(pattern, what & 15, kNoVolume) + row * song.cellSize;
            if (what & 0x80) {
                uint8_t note = cursor.u8();
                cell[kCellNote] = note >= 1 && note <= 128 ? static_cast<uint8_t>(note - 1) : 0;
            }
            if (what & 0x40) cell[kCellInstrument] = cursor.u8();
            if (what & 0x20) cell[kCellVolume] = std::min(cursor.u8(), kNoVolume);
            if (what & 0x10) {
                uint8_t command = cursor.u8();
                uint8_t parameter = cursor.u8();
                translateEffect(command, parameter, cell);
            }
        }
    }
}

}  // namespace

bool loadDsm(ModuleReader& reader, Song& song) {
    song.format = SongFormat::dsm;
    song.cellSize = cellSizeOf(SongFormat::dsm);
    bool haveSong = false;
    // Each chunk is at least its 8-byte header long, so the walk ends.
    for (uint64_t at = kFirstChunkAt; at + 8 <= reader.size();) {
        Chunk chunk{};
        if (!reader.seek(at) || !reader.read(chunk.id, 4)) return false;
        chunk.length = reader.u32le();
        chunk.dataAt = reader.tell();
        if (!std::memcmp(chunk.id, "SONG", 4)) {
            if (!readSong(reader, song)) return false;
            haveSong = true;
        } else if (!std::memcmp(chunk.id, "INST", 4)) {
            if (!readInstrument(reader, song, chunk)) return false;
        } else if (!std::memcmp(chunk.id, "PATT", 4) && song.patternCount < kMaxPatterns) {
            std::vector<uint8_t> bytes;
            if (!readBlock(reader, std::min<uint64_t>(chunk.length, reader.remaining()), bytes)) return false;
            readPattern(bytes, song, *song.pattern(song.patternCount++));
        }
        at = uint64_t(chunk.dataAt) + chunk.length;
    }
    return haveSong;
}

}  // namespace tumbor::trk
