// DMF modules: a "DDMF" header, then chunks with 4-byte identifiers: the
// order list, patterns with a global track and 9-byte cells, sample
// information and (tree-packed) sample data, and the song message.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "libs/trk/loaders/loader_support.h"
#include "libs/trk/loaders/loaders.h"

namespace tumbor::trk {
namespace {

// "DDMF" header fields (62 bytes after the identifier).
constexpr int kHeaderSize = 62;
constexpr int kVersionAt = 0;
constexpr int kTrackerAt = 1;
constexpr int kSongNameAt = 9;
constexpr int kComposerAt = 39;
constexpr int kDateAt = 59;

constexpr int kMostPatternRows = 1024;

// The 9-byte cell: note, instrument, volume effect (command, data), volume,
// instrument effect, note effect.
constexpr int kCellSize = 9;
constexpr int kNoteByte = 0;
constexpr int kInstrumentByte = 1;
constexpr int kVolumeEffectAt = 2;
constexpr int kVolumeByte = 4;
constexpr int kInstrumentEffectAt = 5;
constexpr int kNoteEffectAt = 7;
constexpr int kMessageLineSize = 40;

// The header's version, and the samples "SMPD" must find data for.
struct LoadState {
    int version = 0;
    int sampleCount = 0;
};

std::string lineOf(const char* prefix, const uint8_t* field, int size) {
    return prefix + trimmedName(field, size);
}

void addBanner(Song& song, const uint8_t* header) {
    char number[16];
    std::snprintf(number, sizeof number, "%d", header[kVersionAt]);
    char date[32];
    std::snprintf(date, sizeof date, "%02d.%02d.%04d", header[kDateAt], header[kDateAt + 1],
                  header[kDateAt + 2] + 1900);
    song.message.emplace_back("Delusion X-Tracker module (DMF)");
    song.message.emplace_back("");
    song.message.push_back(std::string("Version     : ") + number);
    song.message.push_back(lineOf("Tracker     : ", header + kTrackerAt, 8));
    song.message.push_back(lineOf("Composer    : ", header + kComposerAt, 20));
    song.message.push_back(std::string("Composed at : ") + date);
}

// "SEQU": loop points (unused), then the order entries.
bool readSequence(ModuleReader& reader, Song& song, uint32_t length, const LoadState& state) {
    uint32_t dataAt = reader.tell();
    reader.u16le();
    reader.u16le();
    uint32_t count = length >= 6 ? (length - 4) / 2 : 0;
    song.orders.clear();
    for (uint32_t i = 0; i < count && reader.ok(); ++i) {
        uint16_t entry = reader.u16le();
        if (song.orders.size() < static_cast<size_t>(kMaxOrders))
            song.orders.push_back(entry > kLastPatternOrder ? 254 : entry);
    }
    if (!reader.ok()) return false;
    song.length = static_cast<int>(song.orders.size());
    // Early files count the chunk 4 bytes short.
    return reader.seek(uint64_t(dataAt) + length + (state.version < 5 ? 4 : 0));
}

// A run counter of one track: while above 0 the track's rows stay empty.
struct TrackReader {
    int counter = 0;
};

// One row of one track; true when it was read (counter at 0).
bool nextEntry(ModuleReader& reader, TrackReader& track, uint8_t& info) {
    if (track.counter > 0) {
        --track.counter;
        return false;
    }
    info = reader.u8();
    track.counter = (info & 0x80) ? reader.u8() : 0;
    return true;
}

// One pattern's rows. Rows beyond what the model keeps are read and dropped.
bool readPatternRows(ModuleReader& reader, Song& song, Pattern* pattern, int tracks, int rows) {
    TrackReader global;
    std::vector<TrackReader> counters(static_cast<size_t>(tracks));
    int kept = pattern ? pattern->rows : 0;
    for (int row = 0; row < rows && reader.ok(); ++row) {
        uint8_t info = 0;
        if (nextEntry(reader, global, info) && (info & 0x3F)) {
            uint8_t data = reader.u8();
            if (row < kept) {
                pattern->globalTrack[static_cast<size_t>(row) * 2] = info & 0x3F;
                pattern->globalTrack[static_cast<size_t>(row) * 2 + 1] = data;
            }
        }
        for (int track = 0; track < tracks; ++track) {
            if (!nextEntry(reader, counters[static_cast<size_t>(track)], info)) continue;
            uint8_t cell[kCellSize] = {};
            if (info & 0x40) cell[kInstrumentByte] = reader.u8();
            if (info & 0x20) cell[kNoteByte] = reader.u8();
            if (info & 0x10) cell[kVolumeByte] = reader.u8();
            // The three effects, each a command and its data.
            for (auto [bit, at] : {std::pair{0x08, kInstrumentEffectAt}, std::pair{0x04, kNoteEffectAt},
                                   std::pair{0x02, kVolumeEffectAt}}) {
                if (!(info & bit)) continue;
                cell[at] = reader.u8();
                cell[at + 1] = reader.u8();
            }
            bool any = std::any_of(cell, cell + kCellSize, [](uint8_t b) { return b != 0; });
            if (!any || row >= kept || track >= kMaxChannels) continue;
            song.channelCount = std::max(song.channelCount, track + 1);
            std::memcpy(song.track(*pattern, track) + row * kCellSize, cell, kCellSize);
        }
    }
    return reader.ok();
}

// "PATT": the patterns in order, each with its own header; reading goes on
// after the last row of the last pattern.
bool readPatterns(ModuleReader& reader, Song& song) {
    int count = reader.u16le();
    reader.u8();
    for (int number = 0; number < count && reader.ok(); ++number) {
        int tracks = reader.u8();
        int beat = reader.u8() >> 4;
        int rows = reader.u16le();
        reader.u32le();
        Pattern* pattern = nullptr;
        if (number < kMaxPatterns) {
            pattern = song.pattern(number);
            pattern->rows = std::min(rows, kMostPatternRows);
            pattern->channelCount = tracks;
            pattern->beat = beat;
            pattern->globalTrack.assign(static_cast<size_t>(pattern->rows) * 2, 0);
            song.patternCount = number + 1;
        }
        if (!readPatternRows(reader, song, pattern, tracks, rows)) return false;
    }
    return reader.ok();
}

// "SMPI": one instrument and one sample per entry, each instrument playing
// its sample an octave up on every key.
bool readSampleInfo(ModuleReader& reader, Song& song, uint32_t length, LoadState& state) {
    uint64_t end = uint64_t(reader.tell()) + length;
    int count = reader.u8();
    for (int i = 0; i < count && reader.ok(); ++i) {
        uint8_t name[256];
        int nameLength = reader.u8();
        reader.read(name, static_cast<size_t>(nameLength));
        uint8_t fields[16];
        if (!reader.read(fields, sizeof fields)) return false;
        if (state.version >= 8) reader.skip(8);
        reader.skip(6);
        Instrument* instrument = song.instrument(i + 1, i);
        Sample* sample = song.sample(i + 1);
        instrument->noteTranspose.fill(12);
        instrument->name = trimmedName(name, nameLength);
        sample->length = readU32le(fields);
        sample->loopStart = readU32le(fields + 4);
        sample->loopEnd = readU32le(fields + 8);
        sample->c4Speed = readU16le(fields + 12);
        sample->volume = fields[14];
        uint8_t type = fields[15];
        if (type & 1) sample->flags |= kSampleLooped;
        if (type & 2) sample->flags |= kSample16Bit;
        if ((type >> 2 & 3) == 1) sample->encoding = SampleEncoding::dmfTree;
        if (type & 8) sample->encoding = SampleEncoding::pcmAlt;
        sample->skip = (type & 0x80) != 0;
        song.instrumentCount = i + 1;
        state.sampleCount = i + 1;
    }
    return reader.ok() && reader.seek(end);
}

// "SMPD": each sample's data behind its 4-byte length. The packed decoder
// reads that length itself, so a packed sample starts at it; plain data
// start after it. A sample the file holds no data for stays silent.
bool readSampleData(ModuleReader& reader, Song& song, const LoadState& state) {
    for (int number = 1; number <= state.sampleCount; ++number) {
        Sample* sample = song.sample(number);
        if (reader.remaining() < 4) {
            sample->length = 0;  // the file ends before this sample's data
            continue;
        }
        uint32_t at = reader.tell();
        uint32_t size = reader.u32le();
        bool present = size != 0 && size <= reader.remaining();
        if (!present || sample->skip) {
            sample->length = 0;
        } else if (sample->encoding == SampleEncoding::dmfTree) {
            sample->fileOffset = at;
        } else {
            sample->fileOffset = at + 4;
            sample->length = std::min(sample->length, size);
        }
        if (!reader.skip(std::min(size, reader.remaining()))) return false;
    }
    return true;
}

// "CMSG": one byte, then lines of 40 bytes shown after 20 blanks.
bool readMessage(ModuleReader& reader, Song& song, uint32_t length) {
    uint64_t end = uint64_t(reader.tell()) + length;
    reader.u8();
    song.message.emplace_back("");
    song.message.emplace_back("\xFF");
    for (int64_t left = int64_t(length) - 1; left > 0 && reader.ok(); left -= kMessageLineSize) {
        uint8_t text[kMessageLineSize] = {};
        // A last line shorter than 40 bytes is filled with blanks, not with
        // the next chunk.
        if (!reader.read(text, static_cast<size_t>(std::min<int64_t>(left, kMessageLineSize)))) return false;
        std::string line(20, ' ');
        for (uint8_t c : text) line.push_back(c ? static_cast<char>(c) : ' ');
        song.message.push_back(line);
    }
    return reader.seek(end);
}

}  // namespace

bool loadDmf(ModuleReader& reader, Song& song) {
    uint8_t id[4];
    uint8_t header[kHeaderSize];
    if (!reader.read(id, 4) || std::memcmp(id, "DDMF", 4) || !reader.read(header, sizeof header))
        return false;
    song.format = SongFormat::dmf;
    song.cellSize = cellSizeOf(SongFormat::dmf);
    song.maxChannelVolume = 255;
    song.initialSpeed = 4;
    song.name = trimmedName(header + kSongNameAt, 30);
    addBanner(song, header);
    LoadState state;
    state.version = header[kVersionAt];

    // Each chunk moves the position on by at least its identifier, so the
    // walk ends; it stops at "ENDE" or where the file does.
    while (reader.remaining() >= 8) {
        reader.read(id, 4);
        if (!std::memcmp(id, "ENDE", 4)) break;
        uint32_t length = reader.u32le();
        bool ok = true;
        if (!std::memcmp(id, "SEQU", 4)) {
            ok = readSequence(reader, song, length, state);
        } else if (!std::memcmp(id, "PATT", 4)) {
            ok = readPatterns(reader, song);
        } else if (!std::memcmp(id, "SMPI", 4)) {
            ok = readSampleInfo(reader, song, length, state);
        } else if (!std::memcmp(id, "SMPD", 4)) {
            ok = readSampleData(reader, song, state);
        } else if (!std::memcmp(id, "CMSG", 4)) {
            ok = readMessage(reader, song, length);
        } else if (length > reader.remaining()) {
            break;  // a chunk the file cuts short ends the walk
        } else {
            reader.skip(length);
        }
        if (!ok) return false;
    }
    return reader.ok();
}

}  // namespace tumbor::trk
