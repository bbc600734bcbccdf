// MDL modules: "DMDL", a version, then chunks with 2-byte identifiers: song
// information, patterns naming shared packed tracks, instruments of up to 16
// samples with envelopes, sample information and (packed) sample data.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "libs/trk/loaders/loader_support.h"
#include "libs/trk/loaders/loaders.h"
#include "libs/trk/sequencer/effects.h"

namespace tumbor::trk {
namespace {

// Digitrakker 2.0 to 2.2 wrote version 0.0, later versions 1.0 and 1.1; a
// new major version (the high nibble) would change the layouts.
constexpr uint8_t kFirstNewerVersion = 0x10;
constexpr uint8_t kFirstUnknownVersion = 0x20;

// "IN" fields (91 bytes, then the orders).
constexpr int kInfoSize = 91;
constexpr int kOrderCountAt = 52;
constexpr int kGlobalVolumeAt = 56;
constexpr int kSpeedAt = 57;
constexpr int kTempoAt = 58;
constexpr int kChannelsAt = 59;
constexpr int kMostOrders = 255;

// "IS" records: number, name (32), file name (8), then the C4 speed (32 bits
// from version 1.0, 16 before), length, loop start, loop length, the
// sample's volume (used before version 1.0 only) and flags.
constexpr int kSampleNameAt = 1;
constexpr int kC4SpeedAt = 41;

// Version 0.0 patterns: 32 track numbers each, 64 rows.
constexpr int kOldPatternChannels = 32;

// "II" records: 34 bytes, then 14 bytes for each of the instrument's samples.
constexpr int kInstrumentHeaderSize = 34;
constexpr int kInstrumentSampleSize = 14;
constexpr int kSamplesPerInstrument = 16;

// "VE" and "PE" records (33 bytes): number, 15 points (tick distance and
// value), sustain and loop flags, loop points.
constexpr int kEnvelopeSize = 33;
constexpr int kEnvelopePoints = 15;
constexpr int kEnvelopeTicks = 512;
constexpr int kEnvelopeSlots = 64;

constexpr int kSampleSlots = 256;

// The chunks a song is built from, held in memory until all are read.
struct Chunks {
    std::vector<uint8_t> info, patterns, tracks, instruments, sampleInfo, volumeEnvelopes, panningEnvelopes;
    uint32_t samplesAt = 0;    // the "SA" data in the file
    uint32_t samplesSize = 0;  // as much of it as the file holds
};

struct SampleInfo {
    bool present = false;
    std::string name;
    uint32_t c4Speed = 0, length = 0, loopStart = 0, loopLength = 0;
    int volume = 0;  // the sample's own default volume (version 0.0)
    uint8_t flags = 0;
    uint32_t fileOffset = 0;
    bool loadable = false;  // its data were found in "SA"
};

// One "IS" record, whose C4 speed field is 2 bytes wide in version 0.0 and 4 later.
SampleInfo parseSampleInfo(const uint8_t* record, int c4SpeedSize) {
    SampleInfo info;
    info.present = true;
    info.name = trimmedName(record + kSampleNameAt, 32);
    info.c4Speed = c4SpeedSize == 2 ? readU16le(record + kC4SpeedAt) : readU32le(record + kC4SpeedAt);
    const uint8_t* fields = record + kC4SpeedAt + c4SpeedSize;
    info.length = readU32le(fields);
    info.loopStart = readU32le(fields + 4);
    info.loopLength = readU32le(fields + 8);
    if (c4SpeedSize == 2) info.volume = fields[12];
    info.flags = fields[13];
    return info;
}

using Envelopes = std::array<EnvelopeRef, kEnvelopeSlots>;

// A stored track unpacked: 256 rows of note, instrument, volume, effect
// numbers (effect 1 low nibble, effect 2 high), parameter 1, parameter 2.
constexpr int kTrackRows = 256;
constexpr int kRawRowSize = 6;
using TrackRows = std::array<std::array<uint8_t, kRawRowSize>, kTrackRows>;

// Control bytes: skip rows, repeat the previous row, copy an earlier row,
// or a row of the fields its bits name. Every control byte moves on at least
// one row, and nothing is written past the last row.
void unpackTrack(const uint8_t* data, size_t size, TrackRows& rows) {
    for (auto& row : rows) row.fill(0);
    ByteCursor cursor(data, size);
    int row = 0;
    while (row < kTrackRows && !cursor.atEnd()) {
        uint8_t control = cursor.u8();
        int count = (control >> 2) + 1;
        switch (control & 3) {
            case 0:
                row += count;
                break;
            case 1:
                for (; count > 0 && row < kTrackRows; --count, ++row)
                    if (row > 0) rows[static_cast<size_t>(row)] = rows[static_cast<size_t>(row - 1)];
                break;
            case 2:
                rows[static_cast<size_t>(row++)] = rows[static_cast<size_t>(control >> 2)];
                break;
            default: {
                auto& fields = rows[static_cast<size_t>(row++)];
                for (int field = 0; field < kRawRowSize; ++field)
                    if (control & (4 << field)) fields[static_cast<size_t>(field)] = cursor.u8();
                break;
            }
        }
    }
}

void setEffect(uint8_t* cell, int column, uint8_t code, int parameter) {
    cell[column ? kCellEffect2 : kCellEffect] = code;
    cell[column ? kCellParameter2 : kCellParameter] = static_cast<uint8_t>(std::clamp(parameter, 0, 255));
}

// The sub-commands of command 14 (E) both columns share; false for those
// the column does not play.
bool translateExtended(uint8_t* cell, int column, int p) {
    int x = p >> 4, y = p & 15;
    switch (x) {
        case 1:
            setEffect(cell, column, kPanningSlideLeft, y * 2);
            return true;
        case 2:
            setEffect(cell, column, kPanningSlideRight, y * 2);
            return true;
        case 10:
            setEffect(cell, column, kGlobalVolumeSlideUp, y);
            return true;
        case 11:
            setEffect(cell, column, kGlobalVolumeSlideDown, y);
            return true;
        case 0:
        case 3:
        case 8:
        case 15:
            if (column) return false;
            break;
        default:
            break;
    }
    setEffect(cell, column, kExtended, p);
    return true;
}

// The commands 7 .. 15 both columns share; false for those not played.
bool translateShared(uint8_t* cell, int column, int command, int p) {
    switch (command) {
        case 7:
            setEffect(cell, column, kSpeedTempo, p);
            return true;
        case 8:
            setEffect(cell, column, kSetPanning, p * 2);
            return true;
        case 11:
            setEffect(cell, column, kPositionJump, p);
            return true;
        case 12:
            setEffect(cell, column, kSetGlobalVolume, p ? p : 1);
            return true;
        case 13:
            setEffect(cell, column, kPatternBreak, p);
            return true;
        case 14:
            return translateExtended(cell, column, p);
        case 15:
            setEffect(cell, column, kSpeedTempo, p);
            return true;
        default:
            return false;
    }
}

// Effect 1: slides, tone portamento and vibrato before the shared commands.
void translateFirst(uint8_t* cell, int command, int p, int p2) {
    static const uint8_t kCodes[7] = {
        0, kPortamentoUpTwoRange, kPortamentoDownTwoRange, kTonePortamento, kVibrato, kNoEffect31, 0};
    if (command >= 1 && command <= 5) {
        setEffect(cell, 0, kCodes[command], p);
    } else if (command == 14 && (p >> 4) == 15) {
        // EFx with a second data byte: the sample offset x * 65536 + p2 * 256;
        // the second effect carries no command of its own.
        setEffect(cell, 0, kSampleOffsetLong, p2);
        setEffect(cell, 1, kNoEffect31, p & 15);
    } else if (!translateShared(cell, 0, command, p)) {
        setEffect(cell, 0, 0, 0);
    }
}

// Effect 2: the volume slides, tremolo and tremor before the shared commands.
void translateSecond(uint8_t* cell, int command, int p) {
    static const uint8_t kCodes[6] = {0,      kVolumeSlideUpTwoRange, kVolumeSlideDownTwoRange, 0, kTremolo,
                                      kTremor};
    if (command == 1 || command == 2 || command == 4 || command == 5) {
        setEffect(cell, 1, kCodes[command], p);
    } else if (!translateShared(cell, 1, command, p)) {
        setEffect(cell, 1, 0, 0);
    }
}

// An unpacked row as a 7-byte cell: note 255 is key off, others count from
// one lower; both effects as internal codes.
void convertRow(const uint8_t* raw, uint8_t* cell) {
    cell[kCellNote] = raw[0] == 255 ? kNoteOff : raw[0] ? static_cast<uint8_t>(raw[0] - 1) : 0;
    cell[kCellInstrument] = raw[1];
    cell[kCellVolume] = raw[2];
    int first = raw[3] & 15, second = raw[3] >> 4;
    translateSecond(cell, second, raw[5]);
    // Effect 1 last: its long sample offset takes the second effect's place.
    translateFirst(cell, first, raw[4], raw[5]);
}

bool readChunks(ModuleReader& reader, Chunks& chunks) {
    while (reader.remaining() >= 6) {
        uint8_t id[2];
        reader.read(id, 2);
        uint32_t length = reader.u32le();
        uint32_t available = std::min(length, reader.remaining());
        std::vector<uint8_t>* target = nullptr;
        if (!std::memcmp(id, "IN", 2)) target = &chunks.info;
        if (!std::memcmp(id, "PA", 2)) target = &chunks.patterns;
        if (!std::memcmp(id, "TR", 2)) target = &chunks.tracks;
        if (!std::memcmp(id, "II", 2)) target = &chunks.instruments;
        if (!std::memcmp(id, "IS", 2)) target = &chunks.sampleInfo;
        if (!std::memcmp(id, "VE", 2)) target = &chunks.volumeEnvelopes;
        if (!std::memcmp(id, "PE", 2)) target = &chunks.panningEnvelopes;
        if (!std::memcmp(id, "SA", 2)) {
            chunks.samplesAt = reader.tell();
            chunks.samplesSize = available;
        }
        if (target) {
            if (!readBlock(reader, available, *target)) return false;
        } else if (!reader.skip(available)) {
            return false;
        }
    }
    return reader.ok();
}

bool readInfo(const std::vector<uint8_t>& info, Song& song) {
    if (info.size() < kInfoSize) return false;
    song.name = trimmedName(info.data(), 32);
    song.initialGlobalVolume = info[kGlobalVolumeAt];
    song.initialSpeed = info[kSpeedAt];
    song.initialTempo = info[kTempoAt];
    int channels = 0;
    while (channels < kMaxChannels && !(info[kChannelsAt + channels] & 0x80)) ++channels;
    song.channelCount = channels;
    for (int channel = 0; channel < kMaxChannels; ++channel)
        song.channelPanning[static_cast<size_t>(channel)] = (info[kChannelsAt + channel] & 127) * 2;
    int orders = std::min<int>(readU16le(&info[kOrderCountAt]), kMostOrders);
    if (info.size() < size_t(kInfoSize) + orders) return false;
    song.orders.assign(info.begin() + kInfoSize, info.begin() + kInfoSize + orders);
    song.length = orders;
    return true;
}

// Where each stored track lies inside the "TR" chunk.
struct TrackSpan {
    size_t at;
    size_t size;
};

bool indexTracks(const std::vector<uint8_t>& bytes, std::vector<TrackSpan>& tracks) {
    if (bytes.empty()) return true;
    ByteCursor cursor(bytes);
    int count = cursor.u16le();
    for (int track = 0; track < count && cursor.ok(); ++track) {
        size_t size = cursor.u16le();
        size_t at = cursor.position();
        if (!cursor.skip(size)) return false;
        tracks.push_back(TrackSpan{at, size});
    }
    return cursor.ok();
}

// Patterns: from version 1.0 a channel count, the last row and a name
// before the track numbers; version 0.0 has 32 track numbers and 64 rows.
bool readPatterns(const Chunks& chunks, bool old, Song& song) {
    std::vector<TrackSpan> tracks;
    if (!indexTracks(chunks.tracks, tracks)) return false;
    if (chunks.patterns.empty()) return true;
    ByteCursor cursor(chunks.patterns);
    int count = cursor.u8();
    TrackRows rows{};
    for (int number = 0; number < count; ++number) {
        int channels = kOldPatternChannels, lastRow = kDefaultRows - 1;
        if (!old) {
            channels = cursor.u8();
            lastRow = cursor.u8();
            cursor.skip(16);
        }
        const uint8_t* numbers = cursor.take(size_t(channels) * 2);
        if (!numbers) return false;
        Pattern* pattern = song.pattern(number);
        pattern->rows = lastRow + 1;
        song.patternCount = number + 1;
        for (int channel = 0; channel < std::min(channels, kMaxChannels); ++channel) {
            size_t track = readU16le(numbers + channel * 2);
            // Track 0 and numbers beyond the stored tracks play empty.
            if (track == 0 || track > tracks.size()) continue;
            const TrackSpan& span = tracks[track - 1];
            unpackTrack(chunks.tracks.data() + span.at, span.size, rows);
            uint8_t* cells = song.track(*pattern, channel);
            for (int row = 0; row < pattern->rows; ++row)
                convertRow(rows[static_cast<size_t>(row)].data(), cells + row * song.cellSize);
        }
    }
    return true;
}

// Envelope points to one value a tick, straight lines between the points,
// the last value held after the last point.
EnvelopeRef expandEnvelope(const uint8_t* record) {
    int ticks[kEnvelopePoints], values[kEnvelopePoints], points = 0;
    for (int i = 0; i < kEnvelopePoints; ++i) {
        int distance = record[1 + 2 * i];
        if (distance == 0) break;
        // The first point starts the envelope whatever its distance.
        ticks[i] = i == 0 ? 0 : std::min(ticks[i - 1] + distance, kEnvelopeTicks - 1);
        values[i] = std::min<int>(record[2 + 2 * i], 64);
        ++points;
    }
    if (points == 0) return nullptr;
    auto envelope = std::make_shared<Envelope>();
    envelope->values.resize(kEnvelopeTicks);
    int segment = 0;
    for (int tick = 0; tick < kEnvelopeTicks; ++tick) {
        while (segment + 1 < points && tick >= ticks[segment + 1]) ++segment;
        int value = values[segment];
        if (segment + 1 < points && ticks[segment + 1] > ticks[segment])
            value += (values[segment + 1] - values[segment]) * (tick - ticks[segment]) /
                     (ticks[segment + 1] - ticks[segment]);
        envelope->values[static_cast<size_t>(tick)] = static_cast<int8_t>(value);
    }
    uint8_t flags = record[31];
    uint8_t loop = record[32];
    auto tickOf = [&](int point) { return ticks[std::min(point, points - 1)]; };
    envelope->sustains = (flags & 0x10) != 0;
    envelope->sustainBegin = tickOf(flags & 15);
    envelope->sustainEnd = envelope->sustainBegin;
    envelope->loopBegin = tickOf(loop & 15);
    envelope->loopEnd = tickOf(loop >> 4);
    envelope->loops = (flags & 0x20) && envelope->loopBegin <= envelope->loopEnd;
    return envelope;
}

void readEnvelopes(const std::vector<uint8_t>& bytes, Envelopes& envelopes) {
    if (bytes.empty()) return;
    ByteCursor cursor(bytes);
    int count = cursor.u8();
    for (int i = 0; i < count; ++i) {
        const uint8_t* record = cursor.take(kEnvelopeSize);
        if (!record) return;
        envelopes[record[0] % kEnvelopeSlots] = expandEnvelope(record);
    }
}

// The sample information records by sample number, and where each sample's
// data lie in "SA": in number order, a packed sample as its 4-byte packed
// length and the stream, a plain one as its bytes.
void readSampleInfo(ModuleReader& reader, const Chunks& chunks, bool old,
                    std::array<SampleInfo, kSampleSlots>& infos) {
    int c4SpeedSize = old ? 2 : 4;
    size_t recordSize = kC4SpeedAt + c4SpeedSize + 14;
    ByteCursor cursor(chunks.sampleInfo);
    int count = chunks.sampleInfo.empty() ? 0 : cursor.u8();
    for (int i = 0; i < count; ++i) {
        const uint8_t* record = cursor.take(recordSize);
        if (!record) break;
        infos[record[0]] = parseSampleInfo(record, c4SpeedSize);
    }
    uint64_t at = chunks.samplesAt;
    uint64_t end = uint64_t(chunks.samplesAt) + chunks.samplesSize;
    for (SampleInfo& info : infos) {
        if (!info.present) continue;
        int packing = info.flags >> 2 & 3;
        if (info.length == 0) continue;
        if (chunks.samplesAt == 0 || at >= end || packing == 3) break;  // nothing after this can be found
        info.fileOffset = static_cast<uint32_t>(at);
        if (packing == 0) {
            info.loadable = true;
            at += info.length;
            continue;
        }
        if (at + 4 > end || !reader.seek(at)) break;
        uint64_t streamEnd = at + 4 + reader.u32le();
        if (!reader.ok() || streamEnd > end) break;
        info.loadable = true;
        at = streamEnd;
    }
}

void fillSample(Sample& sample, const SampleInfo& info) {
    sample.name = info.name;
    sample.c4Speed = static_cast<int>(std::min<uint32_t>(info.c4Speed, 0x7FFFFFFF));
    sample.volume = info.volume;
    if (!info.loadable) return;
    uint8_t flags = info.flags;
    uint64_t loopStart = info.loopStart, loopLength = info.loopLength;
    sample.length = info.length;
    sample.loopStart = static_cast<uint32_t>(loopStart);
    sample.loopEnd = static_cast<uint32_t>(std::min<uint64_t>(loopStart + loopLength, 0xFFFFFFFF));
    if (loopLength) sample.flags |= kSampleLooped;
    if (loopLength && (flags & 2)) sample.flags |= kSamplePingPong;
    if (flags & 1) sample.flags |= kSample16Bit;
    int packing = flags >> 2 & 3;
    sample.encoding = packing == 1   ? SampleEncoding::mdl8
                      : packing == 2 ? SampleEncoding::mdl16
                                     : SampleEncoding::pcm;
    sample.fileOffset = info.fileOffset;
}

// One instrument's sample: its own copy of the sample information, with the
// instrument's volume, panning, fadeout and envelopes.
void readInstrumentSample(const uint8_t* record, Sample& sample, const SampleInfo& info,
                          const Envelopes& volumeEnvelopes, const Envelopes& panningEnvelopes) {
    if (info.present) fillSample(sample, info);
    if (record[3] & 0x40) sample.volume = record[2];
    if (record[5] & 0x40) sample.panning = std::min(record[4] * 2, 255);
    if (record[3] & 0x80) sample.noteStart.volumeEnvelope = volumeEnvelopes[record[3] & 63];
    if (record[5] & 0x80) sample.noteStart.panningEnvelope = panningEnvelopes[record[5] & 63];
    sample.noteStart.fadeout = readU16le(record + 6);
    sample.noteStart.vibratoRate = record[8];
    sample.noteStart.vibratoDepth = record[9];
    sample.noteStart.vibratoSweep = record[10];
    sample.noteStart.vibratoType = record[11];
}

bool readInstruments(ModuleReader& reader, const Chunks& chunks, bool old, Song& song) {
    Envelopes volumeEnvelopes, panningEnvelopes;
    readEnvelopes(chunks.volumeEnvelopes, volumeEnvelopes);
    readEnvelopes(chunks.panningEnvelopes, panningEnvelopes);
    std::array<SampleInfo, kSampleSlots> infos{};
    readSampleInfo(reader, chunks, old, infos);
    if (chunks.instruments.empty()) {
        // Without instruments (version 0.0 has none) a cell's instrument
        // number names a sample, which plays on every key.
        for (int number = 1; number < kSampleSlots; ++number) {
            if (!infos[number].present) continue;
            fillSample(*song.sample(number), infos[number]);
            song.instrument(number, number - 1)->name = infos[number].name;
            song.instrumentCount = number;
        }
        return true;
    }

    ByteCursor cursor(chunks.instruments);
    int count = cursor.u8();
    for (int i = 0; i < count; ++i) {
        const uint8_t* header = cursor.take(kInstrumentHeaderSize);
        if (!header) return false;
        int number = header[0];
        int samples = header[1];
        const uint8_t* records = cursor.take(size_t(samples) * kInstrumentSampleSize);
        if (!records) return false;
        if (number == 0) continue;
        Instrument* instrument = song.instrument(number, -1);
        instrument->name = trimmedName(header + 2, 32);
        song.instrumentCount = std::max(song.instrumentCount, number);
        // Each sample plays the notes from the one after the previous
        // sample's last note up to its own last note.
        int firstNote = 0;
        for (int k = 0; k < std::min(samples, kSamplesPerInstrument); ++k) {
            const uint8_t* record = records + k * kInstrumentSampleSize;
            int sampleNumber = kSamplesPerInstrument * (number - 1) + k + 1;
            readInstrumentSample(record, *song.sample(sampleNumber), infos[record[0]], volumeEnvelopes,
                                 panningEnvelopes);
            int lastNote = std::min<int>(record[1], 127);
            for (int note = firstNote; note <= lastNote; ++note)
                instrument->noteMap[static_cast<size_t>(note)] = static_cast<int16_t>(sampleNumber - 1);
            firstNote = std::max(firstNote, lastNote + 1);
        }
    }
    return true;
}

}  // namespace

bool loadMdl(ModuleReader& reader, Song& song) {
    uint8_t signature[5];
    if (!reader.read(signature, sizeof signature) || signature[4] >= kFirstUnknownVersion) return false;
    bool old = signature[4] < kFirstNewerVersion;
    song.format = SongFormat::mdl;
    song.cellSize = cellSizeOf(SongFormat::mdl);
    song.maxChannelVolume = 255;
    Chunks chunks;
    if (!readChunks(reader, chunks)) return false;
    return readInfo(chunks.info, song) && readPatterns(chunks, old, song) &&
           readInstruments(reader, chunks, old, song);
}

}  // namespace tumbor::trk
