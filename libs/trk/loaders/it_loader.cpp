// IT modules: header, orders, sample headers, instruments (or one a sample),
// channel-mask packed patterns translated into the internal effect codes,
// the information lines and the song message.
#include "libs/trk/loaders/it_loader.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "libs/trk/loaders/loaders.h"
#include "libs/trk/sequencer/effects.h"

namespace tumbor::trk {
namespace {

constexpr size_t kHeaderSize = 192;
constexpr size_t kSampleHeaderSize = 80;
constexpr size_t kPatternHeaderSize = 8;
constexpr int kPackedChannels = 64;
constexpr int kMaxRows = 256;
// The volume column byte that sets nothing.
constexpr uint8_t kItNoVolume = 255;

// S8y's panning steps on IT's 0 .. 64 scale.
const uint8_t kItPanningSteps[16] = {0, 4, 8, 13, 17, 21, 25, 29, 34, 38, 42, 46, 50, 55, 59, 63};

// The counts and flags of the 192-byte file header.
struct ItHeader {
    int orderCount;          // order bytes after the header
    int instrumentCount;     // then as many instrument offsets,
    int sampleCount;         // sample header offsets
    int patternCount;        // and pattern offsets
    int createdWith;         // tracker version, major in the high byte
    int compatibleWith;      // below 0x200: instruments in the old format
    int flags;               // bit 2 instrument mode, bit 3 linear slides
    int special;             // bit 0 the song message is present
    int messageLength;       // bytes of the message
    uint32_t messageOffset;  // where it lies

    bool instrumentMode() const { return (flags & 4) != 0; }
    bool hasEditHistory() const { return (special & 2) != 0; }
    // Flags bit 7 asks for the macros, special bit 3 says they are there.
    bool hasMidiMacros() const { return (flags & 0x80) || (special & 8); }
};

ItHeader parseHeader(const uint8_t* h) {
    ItHeader header{};
    header.orderCount = readU16le(h + 32);
    header.instrumentCount = readU16le(h + 34);
    header.sampleCount = readU16le(h + 36);
    header.patternCount = readU16le(h + 38);
    header.createdWith = readU16le(h + 40);
    header.compatibleWith = readU16le(h + 42);
    header.flags = readU16le(h + 44);
    header.special = readU16le(h + 46);
    header.messageLength = readU16le(h + 54);
    header.messageOffset = readU32le(h + 56);
    return header;
}

std::string versionText(int version) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%02X", version >> 8, version & 255);
    return text;
}

// The rest of the header: 4 name, 48 global volume, 50 speed, 51 tempo,
// 64 and 128 each channel's panning and volume.
void readSongSettings(const uint8_t* h, const ItHeader& header, Song& song) {
    song.format = SongFormat::it;
    song.cellSize = cellSizeOf(SongFormat::it);
    song.channelCount = 1;
    song.name = trimmedName(h + 4, 25);
    song.message.push_back("IT Tracker module");
    song.message.push_back("");
    song.message.push_back("Created with version " + versionText(header.createdWith) +
                           " and compatible with version " + versionText(header.compatibleWith));
    for (int channel = 0; channel < kMaxChannels; ++channel) {
        const uint8_t panning = h[64 + channel];
        song.channelPanning[static_cast<size_t>(channel)] = panning == 100 ? 32 : panning & 127;
        song.channelVolume[static_cast<size_t>(channel)] = h[128 + channel];
    }
    song.initialGlobalVolume = (h[48] & 0x80) ? 255 : 2 * h[48];
    song.initialSpeed = h[50];
    song.initialTempo = h[51];
    song.linearFrequencies = (header.flags & 8) != 0;
    song.itOldEffects = (header.flags & 16) != 0;
    song.itSeparateG = (header.flags & 32) != 0;
}

std::vector<uint32_t> readOffsets(ModuleReader& reader, int count) {
    std::vector<uint32_t> offsets(static_cast<size_t>(count));
    for (uint32_t& offset : offsets) offset = reader.u32le();
    return offsets;
}

// Points to bytes, held below 4 GiB; the sample stage cuts what the file
// cannot hold.
uint32_t pointBytes(uint32_t points, int bytesPerPoint) {
    return static_cast<uint32_t>(std::min<uint64_t>(uint64_t(points) * bytesPerPoint, 0xFFFFFFFEu));
}

// The 80-byte sample header: 17 global volume, 18 flags (bit 1 16-bit, 3
// compressed, 4 loop, 6 ping-pong), 19 volume, 20 name, 46 convert (bit 0
// signed), 47 panning (when bit 7), 48 length, 52 and 56 loop start and end
// (in points), 60 C5 speed, 72 data offset, 76 .. 79 auto-vibrato.
void readSampleHeader(const uint8_t* h, Song& song, Sample& sample) {
    const uint8_t flags = h[18];
    const bool sixteenBit = (flags & 2) != 0;
    const int bytesPerPoint = sixteenBit ? 2 : 1;
    if (sixteenBit) sample.flags |= kSample16Bit;
    if (flags & 0x10) sample.flags |= kSampleLooped;
    if (flags & 0x40) sample.flags |= kSamplePingPong;
    if (flags & 8) {
        sample.encoding = sixteenBit ? SampleEncoding::it16 : SampleEncoding::it8;
        song.compressedSamples = true;
    }
    sample.isUnsigned = !(h[46] & 1);
    sample.name = trimmedName(h + 20, 25);
    sample.length = pointBytes(readU32le(h + 48), bytesPerPoint);
    sample.loopStart = pointBytes(readU32le(h + 52), bytesPerPoint);
    sample.loopEnd = pointBytes(readU32le(h + 56), bytesPerPoint);
    // A rate past 31 bits would turn negative in the pitch arithmetic.
    sample.c4Speed = static_cast<int>(std::min<uint32_t>(readU32le(h + 60), 0x7FFFFFFF));
    sample.volume = h[19];
    sample.globalVolume = std::min<int>(h[17], 64);
    sample.fileOffset = readU32le(h + 72);
    sample.panning = (h[47] & 0x80) ? h[47] & 0x7F : -1;
    sample.noteStart.vibratoRate = h[76];
    sample.noteStart.vibratoDepth = h[77];
    sample.noteStart.vibratoSweep = h[78];
    sample.noteStart.vibratoType = h[79];
}

bool readSamples(ModuleReader& reader, Song& song, const std::vector<uint32_t>& offsets) {
    const int count = std::min<int>(static_cast<int>(offsets.size()), kMaxSamples);
    for (int i = 0; i < count; ++i) {
        uint8_t header[kSampleHeaderSize];
        if (!reader.seek(offsets[static_cast<size_t>(i)]) || !reader.read(header, sizeof header))
            return false;
        readSampleHeader(header, song, *song.sample(i + 1));
    }
    return true;
}

// IT's own macros: SF0 sets the cutoff from Z00 .. Z7F, Z80 .. Z8F set the
// resonance in steps of 8.
MidiMacros defaultMacros() {
    MidiMacros macros;
    macros.parametered[0] = {MacroTarget::cutoff, -1};
    for (int i = 0; i < 16; ++i) macros.fixed[static_cast<size_t>(i)] = {MacroTarget::resonance, 8 * i};
    return macros;
}

// Digits are upper case; lower-case letters name values.
int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A macro's text (hex digit pairs, 'z' for the Zxx parameter, other letters
// for values this player has none of) as the first filter message in it:
// F0 F0 00 v sets the cutoff, F0 F0 01 v the resonance.
FilterMacro parseMacro(const char* text, size_t size) {
    constexpr int kParameter = 256, kUnknown = 257;
    int bytes[32];
    int count = 0;
    int high = -1;  // a digit waiting for its pair
    for (size_t at = 0; at < size && text[at] && count < 32; ++at) {
        const char c = text[at];
        const int digit = hexDigit(c);
        if (digit >= 0) {
            if (high < 0) {
                high = digit;
            } else {
                bytes[count++] = high << 4 | digit;
                high = -1;
            }
        } else if (c == 'z') {
            bytes[count++] = kParameter;
            high = -1;
        } else if (c != ' ') {
            bytes[count++] = kUnknown;
            high = -1;
        }
    }
    for (int i = 0; i + 3 < count; ++i) {
        if (bytes[i] != 0xF0 || bytes[i + 1] != 0xF0 || bytes[i + 3] == kUnknown) continue;
        const int value = bytes[i + 3] == kParameter ? -1 : bytes[i + 3];
        if (bytes[i + 2] == 0) return {MacroTarget::cutoff, value};
        if (bytes[i + 2] == 1) return {MacroTarget::resonance, value};
    }
    return {};
}

// What follows the offset tables: the edit history (a count of 8-byte
// entries, skipped when it fits the file) and the macros, 9 global ones,
// 16 parametered and 128 fixed of 32 characters each. Songs made before
// IT 2.14 had no Zxx, whatever their macros say.
void readMacros(ModuleReader& reader, const ItHeader& header, Song& song) {
    constexpr size_t kMacroSize = 32;
    constexpr size_t kMacroBlockSize = (9 + 16 + 128) * kMacroSize;
    song.macros = defaultMacros();
    if (header.hasEditHistory() && reader.remaining() >= 2) {
        const uint32_t at = reader.tell();
        const uint32_t entries = reader.u16le();
        if (uint64_t(entries) * 8 > reader.remaining() || !reader.skip(uint64_t(entries) * 8))
            reader.seek(at);
    }
    if (header.hasMidiMacros() && reader.remaining() >= kMacroBlockSize) {
        std::vector<char> text(kMacroBlockSize);
        if (reader.read(text.data(), text.size())) {
            const char* parametered = text.data() + 9 * kMacroSize;
            const char* fixed = parametered + 16 * kMacroSize;
            for (size_t i = 0; i < 16; ++i)
                song.macros.parametered[i] = parseMacro(parametered + i * kMacroSize, kMacroSize);
            for (size_t i = 0; i < 128; ++i)
                song.macros.fixed[i] = parseMacro(fixed + i * kMacroSize, kMacroSize);
        }
    }
    if (header.createdWith < 0x214) song.macros = MidiMacros{};
}

// Whether a Zxx acts on the filter: Z00 .. Z7F through whichever
// parametered macro SFx has chosen.
bool zxxFilters(const MidiMacros& macros, int parameter) {
    if (parameter >= 0x80)
        return macros.fixed[static_cast<size_t>(parameter - 0x80)].target != MacroTarget::none;
    return std::any_of(macros.parametered.begin(), macros.parametered.end(),
                       [](const FilterMacro& macro) { return macro.target != MacroTarget::none; });
}

bool instrumentsFilter(const Song& song) {
    for (int number = 1; number <= song.instrumentCount; ++number) {
        const Instrument* instrument = song.findInstrument(number);
        if (!instrument) continue;
        if ((instrument->filterCutoff >= 0 && instrument->filterCutoff < 127) ||
            instrument->filterResonance > 0)
            return true;
        if (instrument->pitchEnvelope && instrument->pitchEnvelope->filters &&
            instrument->pitchEnvelope->enabled)
            return true;
    }
    return false;
}

// Sample mode: instrument i + 1 plays sample i + 1 on every note.
void makeSampleInstruments(Song& song, int sampleCount) {
    const int count = std::min(sampleCount, kMaxInstruments);
    for (int i = 0; i < count; ++i)
        if (song.findSample(i + 1)) song.instrument(i + 1, i);
    song.instrumentCount = count;
}

uint8_t cellNote(uint8_t note) {
    if (note == 255) return kNoteOff;
    if (note == 254) return kNoteCut;
    if (note >= 128) return kNoteFade;
    return note;
}

ItCommand extendedCommand(int parameter) {
    const int x = parameter >> 4, y = parameter & 15;
    auto extended = [](int sub, int value) {
        return ItCommand{kExtended, static_cast<uint8_t>(sub << 4 | value)};
    };
    switch (x) {
        case 0x0:
            return extended(0, y);
        case 0x1:
            return extended(3, y);
        case 0x2:
            return extended(kSetFineTune, y);
        case 0x3:
            return extended(kVibratoWaveform, y);
        case 0x4:
            return extended(kTremoloWaveform, y);
        case 0x5:
            return ItCommand{kPanbrelloWaveform, static_cast<uint8_t>(y)};
        case 0x6:
            return ItCommand{kFinePatternDelay, static_cast<uint8_t>(y)};
        case 0x7:
            if (y > kPitchEnvelopeOn) return {};
            return ItCommand{kNoteActionCommand, static_cast<uint8_t>(y)};
        case 0x8:
            return ItCommand{kSetPanning, kItPanningSteps[y]};
        case 0x9:
            // Surround (S91) is heard from the centre in a stereo mix.
            if (y == 1) return ItCommand{kSetPanning, 32};
            return {};
        case 0xA:
            return ItCommand{kSampleOffsetHigh, static_cast<uint8_t>(y)};
        case 0xB:
            return extended(kPatternLoop, y);
        case 0xC:
            return extended(kNoteCutAt, y);
        case 0xD:
            return extended(kNoteDelay, y);
        case 0xE:
            return extended(kPatternDelay, y);
        case 0xF:
            return ItCommand{kSelectMacro, static_cast<uint8_t>(y)};
        default:
            return {};
    }
}

// What the channel-mask packing remembers per channel within a pattern.
struct PackedChannel {
    uint8_t mask = 0;
    uint8_t note = 0;
    uint8_t instrument = 0;
    uint8_t volume = kItNoVolume;  // repeating a volume never given sets none
    uint8_t command = 0;
    uint8_t parameter = 0;
};

class PatternUnpacker {
public:
    PatternUnpacker(const std::vector<uint8_t>& data, Song& song, Pattern& pattern)
        : data_(data), song_(song), pattern_(pattern) {}

    // Fills the pattern's rows; data that end inside an entry end the pattern.
    void unpack() {
        int row = 0;
        uint8_t channelByte = 0;
        while (row < pattern_.rows && next(channelByte)) {
            if (channelByte == 0) {
                ++row;
            } else if (!readEntry(channelByte, row)) {
                return;
            }
        }
    }

private:
    bool next(uint8_t& out) {
        if (at_ >= data_.size()) return false;
        out = data_[at_++];
        return true;
    }

    bool readEntry(uint8_t channelByte, int row) {
        const int channel = (channelByte - 1) & (kPackedChannels - 1);
        PackedChannel& last = channels_[static_cast<size_t>(channel)];
        if ((channelByte & 0x80) && !next(last.mask)) return false;
        const uint8_t mask = last.mask;
        if ((mask & 1) && !next(last.note)) return false;
        if ((mask & 2) && !next(last.instrument)) return false;
        if ((mask & 4) && !next(last.volume)) return false;
        if ((mask & 8) && !(next(last.command) && next(last.parameter))) return false;
        // Channels past the song's are read and dropped.
        if (channel >= kMaxChannels) return true;
        uint8_t* cell = song_.track(pattern_, channel, kItNoVolume) + row * song_.cellSize;
        if (mask & 0x11) cell[kCellNote] = cellNote(last.note);
        if (mask & 0x22) cell[kCellInstrument] = last.instrument;
        if (mask & 0x44) cell[kCellVolume] = last.volume;
        if (mask & 0x88) {
            const ItCommand command =
                translateItCommand(last.command, last.parameter, song_.linearFrequencies);
            cell[kCellEffect] = command.code;
            cell[kCellParameter] = command.parameter;
            if (command.code == kMidiMacro && zxxFilters(song_.macros, command.parameter))
                song_.usesFilters = true;
        }
        song_.channelCount = std::max(song_.channelCount, channel + 1);
        return true;
    }

    const std::vector<uint8_t>& data_;
    Song& song_;
    Pattern& pattern_;
    std::array<PackedChannel, kPackedChannels> channels_{};
    size_t at_ = 0;
};

// Offset 0 leaves the pattern empty at 64 rows. Rows outside 1 .. 256 and
// packed data past the file make the file broken.
bool readPattern(ModuleReader& reader, Song& song, int number, uint32_t offset) {
    Pattern* pattern = song.pattern(number);
    if (offset == 0) return true;
    uint8_t header[kPatternHeaderSize];
    if (!reader.seek(offset) || !reader.read(header, sizeof header)) return false;
    const uint16_t packedLength = readU16le(header);
    const int rows = readU16le(header + 2);
    if (rows < 1 || rows > kMaxRows || packedLength > reader.remaining()) return false;
    std::vector<uint8_t> data(packedLength);
    if (!reader.read(data.data(), data.size())) return false;
    pattern->rows = rows;
    PatternUnpacker(data, song, *pattern).unpack();
    return true;
}

bool readPatterns(ModuleReader& reader, Song& song, const std::vector<uint32_t>& offsets) {
    const int count = std::min<int>(static_cast<int>(offsets.size()), kMaxPatterns);
    for (int number = 0; number < count; ++number)
        if (!readPattern(reader, song, number, offsets[static_cast<size_t>(number)])) return false;
    song.patternCount = count;
    return true;
}

// The message's lines end at a carriage return or line feed (a CR LF pair
// ends one line); a zero byte ends the message.
bool readMessage(ModuleReader& reader, Song& song, const ItHeader& header) {
    std::vector<char> text(static_cast<size_t>(header.messageLength));
    if (!reader.seek(header.messageOffset) || !reader.read(text.data(), text.size())) return false;
    const size_t end = static_cast<size_t>(std::find(text.begin(), text.end(), '\0') - text.begin());
    size_t start = 0;
    for (size_t at = 0; at < end; ++at) {
        if (text[at] != '\r' && text[at] != '\n') continue;
        song.message.emplace_back(text.data() + start, at - start);
        if (text[at] == '\r' && at + 1 < end && text[at + 1] == '\n') ++at;
        start = at + 1;
    }
    if (start < end) song.message.emplace_back(text.data() + start, end - start);
    return true;
}

}  // namespace

ItCommand translateItCommand(int command, int parameter, bool linear) {
    const auto p = static_cast<uint8_t>(parameter);
    auto as = [p](uint8_t code) { return ItCommand{code, p}; };
    switch (command) {
        case 1:  // A
            return as(kSetSpeed);
        case 2:  // B
            return as(kPositionJump);
        case 3:  // C
            return as(kPatternBreak);
        case 4:  // D
            return as(kFineVolumeSlide);
        case 5:  // E
            return as(linear ? kLinearPortamentoDown : kFinePortamentoDown);
        case 6:  // F
            return as(linear ? kLinearPortamentoUp : kFinePortamentoUp);
        case 7:  // G
            return as(linear ? kLinearTonePortamento : kTonePortamento);
        case 8:  // H
            return as(linear ? kLinearVibrato : kVibrato);
        case 9:  // I
            return as(kTremor);
        case 10:  // J
            return as(p ? kArpeggio : kArpeggioAgain);
        case 11:  // K
            return as(linear ? kLinearVibratoVolumeSlide : kVibratoFineVolumeSlide);
        case 12:  // L
            return as(linear ? kLinearTonePortamentoVolumeSlide : kTonePortamentoFineVolumeSlide);
        case 13:  // M
            return as(kSetChannelVolume);
        case 14:  // N
            return as(kChannelVolumeSlide);
        case 15:  // O
            return as(kSampleOffset);
        case 16:  // P
            return as(kPanningSlide);
        case 17:  // Q
            return as(kRetriggerVolume);
        case 18:  // R
            return as(kTremolo);
        case 19:  // S
            return extendedCommand(p);
        case 20:  // T
            return as(kTempoSlide);
        case 21:  // U
            return as(kFineVibrato);
        case 22:  // V
            if (p > 128) return {};
            return ItCommand{kSetGlobalVolume, static_cast<uint8_t>(p == 128 ? 255 : p * 2)};
        case 23:  // W
            return as(kGlobalVolumeSlide);
        case 24:  // X
            return ItCommand{kSetPanning, static_cast<uint8_t>(p >> 2)};
        case 25:  // Y
            return as(kPanbrello);
        case 26:  // Z
            return as(kMidiMacro);
        default:
            return {};
    }
}

bool loadIt(ModuleReader& reader, Song& song) {
    uint8_t h[kHeaderSize];
    if (!reader.read(h, sizeof h) || std::memcmp(h, "IMPM", 4) != 0) return false;
    const ItHeader header = parseHeader(h);
    readSongSettings(h, header, song);

    // The order and offset tables must fit the file before any is read.
    const uint64_t tablesEnd =
        kHeaderSize + uint64_t(header.orderCount) +
        4 * (uint64_t(header.instrumentCount) + header.sampleCount + header.patternCount);
    if (tablesEnd > reader.size()) return false;
    std::vector<uint8_t> orders(static_cast<size_t>(header.orderCount));
    if (!reader.read(orders.data(), orders.size())) return false;
    const size_t stored = std::min<size_t>(orders.size(), kMaxOrders);
    song.orders.assign(orders.begin(), orders.begin() + static_cast<long>(stored));
    song.length = static_cast<int>(stored);
    const std::vector<uint32_t> instrumentOffsets = readOffsets(reader, header.instrumentCount);
    const std::vector<uint32_t> sampleOffsets = readOffsets(reader, header.sampleCount);
    const std::vector<uint32_t> patternOffsets = readOffsets(reader, header.patternCount);
    if (!reader.ok()) return false;
    readMacros(reader, header, song);

    if (!readSamples(reader, song, sampleOffsets)) return false;
    song.itInstruments = header.instrumentMode();
    if (header.instrumentMode()) {
        if (!readItInstruments(reader, song, instrumentOffsets, header.compatibleWith < 0x200)) return false;
    } else {
        makeSampleInstruments(song, std::min<int>(header.sampleCount, kMaxSamples));
    }
    if (!readPatterns(reader, song, patternOffsets)) return false;
    if (song.compressedSamples) song.message.push_back("Module uses compressed samples.");
    song.usesFilters = song.usesFilters || instrumentsFilter(song);
    if (song.usesFilters) song.message.push_back("Module uses resonant filters.");
    if ((header.special & 1) && !readMessage(reader, song, header)) return false;
    return true;
}

}  // namespace tumbor::trk
