// FastTracker II modules: header and orders, packed patterns, instruments
// with their envelopes and up to 16 delta-coded samples each.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "libs/trk/loaders/loaders.h"
#include "libs/trk/sequencer/effects.h"

namespace tumbor::trk {
namespace {

constexpr int kHeaderSize = 80;
// The header size field counts from offset 60: 20 bytes of fields, then the orders.
constexpr uint32_t kHeaderSizeAt = 60;
constexpr uint32_t kHeaderFieldsSize = 20;
constexpr uint32_t kMostOrders = 256;
constexpr uint32_t kInstrumentHeaderSize = 29;
// The classic instrument header: the 29 bytes, the sample header size and the block.
constexpr uint32_t kClassicInstrumentHeaderSize = 263;
constexpr uint32_t kSampleHeaderSize = 40;
constexpr int kSamplesPerInstrument = 16;
constexpr int kMostRows = 256;

struct XmHeader {
    int version = 0;
    int channels = 0;
    int patterns = 0;
    int instruments = 0;
};

// ---- patterns -------------------------------------------------------------------

void translateEffect(int command, int p, uint8_t* out) {
    int code = -1, parameter = p;
    if (command <= 15 && command != 8) {
        code = command;
    } else if (command == 8) {
        code = kSetPanning;
    } else if (command == 16) {  // G: global volume
        code = kSetGlobalVolume;
        parameter = p > 62 ? 255 : p * 4;
    } else if (command == 17) {  // H: global volume slide
        code = kXmGlobalVolumeSlide;
    } else if (command == 20) {  // K: key off at a tick
        code = kKeyOff;
    } else if (command == 21) {  // L: envelope position
        code = kSetEnvelopePosition;
    } else if (command == 25) {  // P: panning slide
        code = kPanningSlide;
    } else if (command == 27) {  // R: multi retrigger
        code = kRetrigger;
    } else if (command == 29) {  // T: tremor
        code = kTremor;
    } else if (command == 33) {  // X: extra fine portamento
        code = kExtraFinePortamento;
    } else if (command == 35) {
        code = kNoEffect40;
    }
    if (code < 0) return;
    out[kCellEffect] = static_cast<uint8_t>(code);
    out[kCellParameter] = static_cast<uint8_t>(parameter);
}

void convertCell(const uint8_t* in, uint8_t* out) {
    int note = in[0];
    if (note == 1)
        out[kCellNote] = 120;  // the lowest note, which the period rule takes as 0
    else if (note >= 2 && note <= 96)
        out[kCellNote] = static_cast<uint8_t>(note - 1);
    else if (note == 97)
        out[kCellNote] = kNoteOff;
    out[kCellInstrument] = in[1];
    int volume = in[2];
    out[kCellVolume] = volume >= 0x10 && volume <= 0x50 ? static_cast<uint8_t>(volume - 16)
                       : volume >= 0x60                 ? static_cast<uint8_t>(volume)
                                                        : kNoVolume;
    translateEffect(in[3], in[4], out);
}

bool readPattern(ModuleReader& reader, Song& song, const XmHeader& xm, int number) {
    uint32_t start = reader.tell();
    uint32_t headerLength = reader.u32le();
    reader.u8();  // packing type
    // Version 1.02 stores the row count less one in a byte.
    int rows = xm.version <= 0x102 ? reader.u8() + 1 : reader.u16le();
    uint16_t packedSize = reader.u16le();
    // A stated header length longer than the fields is skipped; a shorter
    // one cannot overlap them, so the data then follow the fields.
    uint64_t dataStart = std::max<uint64_t>(uint64_t(start) + headerLength, reader.tell());
    if (!reader.ok() || !reader.seek(dataStart)) return false;
    Pattern* pattern = song.pattern(number);
    pattern->rows = std::min(rows, kMostRows);
    if (packedSize == 0) return true;

    uint32_t dataEnd = reader.tell() + packedSize;
    std::vector<uint8_t> packed(std::min<uint32_t>(packedSize, reader.remaining()));
    reader.readSome(packed.data(), packed.size());
    size_t at = 0;
    auto next = [&]() -> uint8_t { return at < packed.size() ? packed[at++] : 0; };
    for (int channel = 0; channel < song.channelCount; ++channel) song.track(*pattern, channel, kNoVolume);
    for (int row = 0; row < pattern->rows && at < packed.size(); ++row) {
        for (int channel = 0; channel < song.channelCount; ++channel) {
            uint8_t cell[5] = {};
            uint8_t first = next();
            if (first & 0x80) {
                for (int field = 0; field < 5; ++field)
                    if (first & (1 << field)) cell[field] = next();
            } else {
                cell[0] = first;
                for (int field = 1; field < 5; ++field) cell[field] = next();
            }
            convertCell(
                cell,
                &pattern->tracks[static_cast<size_t>(channel)][static_cast<size_t>(row * song.cellSize)]);
        }
    }
    // Data past the rows kept (or short of the stated size) is passed over.
    return reader.seek(std::min(dataEnd, reader.size()));
}

// ---- instruments ---------------------------------------------------------------

// One envelope of the instrument block: 12 points of (tick, value), then the
// fields that say how many are used and where sustain and loop lie.
struct EnvelopePoints {
    const uint8_t* points;
    int count;
    int sustain, loopStart, loopEnd;
    int type;
};

// The per-tick table of an envelope, or null when it is off or has no points.
EnvelopeRef expandEnvelope(const EnvelopePoints& in) {
    int count = std::min(in.count, 12);
    if (!(in.type & 1) || count < 1) return nullptr;
    auto tick = [&](int i) { return static_cast<int>(readU16le(in.points + 4 * i)); };
    auto value = [&](int i) { return std::min<int>(readU16le(in.points + 4 * i + 2), 64); };
    auto envelope = std::make_shared<Envelope>();
    std::vector<int16_t>& table = envelope->values;
    table.assign(512, static_cast<int8_t>(count == 1 ? value(0) : 0));
    for (int i = 0; i + 1 < count; ++i) {
        int x0 = tick(i), x1 = tick(i + 1), y0 = value(i), y1 = value(i + 1);
        for (int t = x0; t <= x1 && t < 512; ++t) {
            int entry = x1 == x0 ? (t > 0 ? table[static_cast<size_t>(t - 1)] : 0)
                                 : y0 + ((t - x0) * (y1 - y0)) / (x1 - x0);
            table[static_cast<size_t>(t)] = static_cast<int8_t>(entry);
        }
    }
    // After the last point its value holds.
    if (count > 1)
        for (int t = tick(count - 1) + 1; t < 512; ++t)
            table[static_cast<size_t>(t)] = static_cast<int8_t>(value(count - 1));
    if ((in.type & 2) && in.sustain < count) {
        envelope->sustains = true;
        envelope->sustainBegin = std::min(tick(in.sustain), 511);
    }
    if ((in.type & 4) && in.loopStart < count && in.loopEnd < count) {
        envelope->loops = true;
        envelope->loopBegin = std::min(tick(in.loopStart), 511);
        envelope->loopEnd = std::min(tick(in.loopEnd), 511);
    } else {
        envelope->loopEnd = 511;
    }
    return envelope;
}

// The per-instrument block: the note map, both envelopes, auto-vibrato, fadeout.
struct InstrumentBlock {
    uint8_t bytes[230] = {};

    const uint8_t* noteMap() const { return bytes; }
    EnvelopePoints volume() const {
        return {bytes + 96, bytes[192], bytes[194], bytes[195], bytes[196], bytes[200]};
    }
    EnvelopePoints panning() const {
        return {bytes + 144, bytes[193], bytes[197], bytes[198], bytes[199], bytes[201]};
    }
    NoteStartParameters noteStart() const {
        NoteStartParameters parameters;
        parameters.vibratoType = bytes[202];
        parameters.vibratoSweep = bytes[203];
        parameters.vibratoDepth = bytes[204];
        parameters.vibratoRate = bytes[205];
        // The fade takes the fadeout off 32768 a tick; here it counts from 65536.
        parameters.fadeout = readU16le(bytes + 206) * 2;
        parameters.volumeEnvelope = expandEnvelope(volume());
        parameters.panningEnvelope = expandEnvelope(panning());
        return parameters;
    }
};

// The note map of instrument index (0-based) as sample indices: each
// key's sample of the instrument's 16, and note 120 (the lowest note) as
// the first key. Keys the file does not map, or maps to a sample the
// instrument lacks, play the instrument's first sample.
void mapNotes(Instrument& instrument, int index, const uint8_t* map, int sampleCount) {
    int first = kSamplesPerInstrument * index;
    instrument.noteMap.fill(static_cast<int16_t>(first));
    for (int key = 0; key < 96; ++key) {
        int16_t sample = static_cast<int16_t>(first + (map[key] < sampleCount ? map[key] & 15 : 0));
        if (key == 0)
            instrument.noteMap[120] = sample;
        else
            instrument.noteMap[static_cast<size_t>(key)] = sample;
    }
}

// The sample's relative note is not kept in the sample: it becomes the
// instrument's transpose of the notes that play it.
int relativeNoteOf(const uint8_t* sampleHeader) { return static_cast<int8_t>(sampleHeader[16]); }

void readSampleHeader(const uint8_t* header, const NoteStartParameters& noteStart, Sample& sample) {
    sample.noteStart = noteStart;
    uint32_t length = readU32le(header);
    uint32_t loopStart = readU32le(header + 4);
    uint32_t loopLength = readU32le(header + 8);
    int type = header[14];
    sample.length = length;
    sample.loopStart = loopStart;
    sample.loopEnd = static_cast<uint32_t>(std::min<uint64_t>(uint64_t(loopStart) + loopLength, length));
    sample.volume = std::min<int>(header[12], 64);
    sample.fineTune = static_cast<int8_t>(header[13]);
    sample.c4Speed = sample.fineTune + 128;
    sample.panning = header[15];
    sample.name = trimmedName(header + 18, 22);
    sample.isDelta = true;
    if ((type & 3) && loopLength > 0) sample.flags |= kSampleLooped;
    if (type & 2) sample.flags |= kSamplePingPong;
    if (type & 16) sample.flags |= kSample16Bit;
}

enum class InstrumentRead { ok, missing, broken };

// The instrument header holds what its stated size covers (size 0 stands
// for the classic 263 bytes): the 29 bytes always, then as much of the
// sample header size and the block as fits, the rest read as zeros.
// Bytes past what is read are skipped.
InstrumentRead readInstrument(ModuleReader& reader, Song& song, const XmHeader& xm, int index) {
    uint32_t start = reader.tell();
    uint8_t header[kInstrumentHeaderSize];
    if (!reader.read(header, sizeof header)) return InstrumentRead::missing;
    uint32_t headerSize = readU32le(header);
    if (headerSize == 0) headerSize = kClassicInstrumentHeaderSize;
    int sampleCount = readU16le(header + 27);
    Instrument& instrument = *song.instrument(index + 1);
    instrument.noteMap.fill(-1);
    instrument.name = trimmedName(header + 4, 22);

    // What the stated size covers past the 29 bytes: the sample header size, then the block.
    uint32_t covered = std::max(headerSize, kInstrumentHeaderSize) - kInstrumentHeaderSize;
    uint8_t sizeField[4] = {};
    InstrumentBlock block;
    uint32_t sizeRead = std::min<uint32_t>(covered, sizeof sizeField);
    uint32_t blockRead = std::min(covered - sizeRead, xm.version < 0x103 ? 210u : 230u);
    if (!reader.read(sizeField, sizeRead) || !reader.read(block.bytes, blockRead) ||
        !reader.seek(uint64_t(start) + kInstrumentHeaderSize + covered))
        return InstrumentRead::broken;
    if (sampleCount > 0) mapNotes(instrument, index, block.noteMap(), sampleCount);
    NoteStartParameters noteStart = sampleCount > 0 ? block.noteStart() : NoteStartParameters{};
    // Sample headers are 40 bytes; a larger stated size is skipped past. A
    // smaller one (some trackers write 0) still has the 40 bytes.
    uint32_t sampleHeaderSkip =
        std::max<uint32_t>(readU32le(sizeField), kSampleHeaderSize) - kSampleHeaderSize;

    int first = kSamplesPerInstrument * index + 1;
    if (sampleCount == 0) song.sample(first);  // one empty slot
    std::vector<Sample*> kept;                 // null for the slots past the instrument's 16
    std::vector<uint32_t> lengths;
    for (int j = 0; j < sampleCount; ++j) {
        uint8_t sampleHeader[kSampleHeaderSize];
        if (!reader.read(sampleHeader, sizeof sampleHeader) || !reader.skip(sampleHeaderSkip))
            return InstrumentRead::broken;
        // Slots past the 16 are read for their data's length only.
        Sample scratch;
        Sample& sample = j < kSamplesPerInstrument ? *song.sample(first + j) : scratch;
        readSampleHeader(sampleHeader, noteStart, sample);
        lengths.push_back(sample.length);
        kept.push_back(j < kSamplesPerInstrument ? &sample : nullptr);
        if (j >= kSamplesPerInstrument) continue;
        for (size_t note = 0; note < 128; ++note)
            if (instrument.noteMap[note] == first - 1 + j)
                instrument.noteTranspose[note] = static_cast<int8_t>(relativeNoteOf(sampleHeader));
    }
    if (xm.version < 0x104) return InstrumentRead::ok;
    // The data follow the instrument's sample headers, one sample after
    // another; data cut short by the end of the file keep what there is.
    for (size_t j = 0; j < lengths.size(); ++j) {
        uint32_t length = std::min(lengths[j], reader.remaining());
        if (kept[j]) {
            kept[j]->fileOffset = reader.tell();
            kept[j]->length = length;
        }
        if (!reader.skip(length)) return InstrumentRead::broken;
    }
    return InstrumentRead::ok;
}

bool readInstruments(ModuleReader& reader, Song& song, const XmHeader& xm) {
    for (int index = 0; index < xm.instruments; ++index) {
        InstrumentRead read = readInstrument(reader, song, xm, index);
        if (read == InstrumentRead::ok) continue;
        // From version 1.04 a file cut in its instruments keeps those before the cut.
        song.instrumentCount = index;
        return xm.version >= 0x104;
    }
    song.instrumentCount = xm.instruments;
    return true;
}

std::string twoHexDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 255);
    return text;
}

}  // namespace

bool loadXm(ModuleReader& reader, Song& song) {
    uint8_t header[kHeaderSize];
    if (!reader.read(header, sizeof header)) return false;
    // The orders fill the header past its fields: 256 in the classic
    // 276-byte header, just the song's in compact ones. The patterns follow.
    uint32_t headerSize = readU32le(header + kHeaderSizeAt);
    if (headerSize < kHeaderFieldsSize) return false;
    uint8_t orders[kMostOrders] = {};
    if (!reader.read(orders, std::min(headerSize - kHeaderFieldsSize, kMostOrders)) ||
        !reader.seek(uint64_t(kHeaderSizeAt) + headerSize))
        return false;
    XmHeader xm;
    xm.version = readU16le(header + 58);
    xm.channels = readU16le(header + 68);
    xm.patterns = readU16le(header + 70);
    xm.instruments = readU16le(header + 72);
    if (xm.channels < 1 || xm.channels > kMaxChannels || xm.patterns > kMaxPatterns ||
        xm.instruments > kMaxInstruments)
        return false;
    song.format = SongFormat::xm;
    song.cellSize = cellSizeOf(SongFormat::xm);
    song.linearFrequencies = (readU16le(header + 74) & 1) != 0;
    song.name = trimmedName(header + 17, 20);
    song.length = std::min<int>(readU16le(header + 64), 256);
    song.channelCount = xm.channels;
    song.patternCount = xm.patterns;
    song.initialSpeed = readU16le(header + 76);
    song.initialTempo = readU16le(header + 78);
    song.orders.assign(orders, orders + kMostOrders);

    song.message = {"FastTracker II module (XM)", "",
                    "Version     : " + std::to_string(xm.version >> 8) + "." + twoHexDigits(xm.version),
                    "Tracker     : " + trimmedName(header + 38, 20),
                    song.linearFrequencies ? "Frequencies : Linear table" : "Frequencies : AMIGA table"};

    bool instrumentsFirst = xm.version < 0x104;
    if (instrumentsFirst && !readInstruments(reader, song, xm)) return false;
    for (int number = 0; number < xm.patterns; ++number)
        if (!readPattern(reader, song, xm, number)) return false;
    if (!instrumentsFirst && !readInstruments(reader, song, xm)) return false;
    return true;
}

}  // namespace tumbor::trk
