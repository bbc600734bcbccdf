// Scream Tracker 3 modules: a 96-byte header, orders, parapointers to the
// sample headers and the packed patterns, channel panning, and sample data at
// the offsets the sample headers give.
#include <algorithm>
#include <array>
#include <vector>

#include "libs/trk/loaders/loaders.h"
#include "libs/trk/sequencer/effects.h"
#include "libs/trk/sequencer/pitch.h"

namespace tumbor::trk {
namespace {

constexpr int kHeaderSize = 96;
constexpr int kSampleHeaderSize = 80;
constexpr int kRows = 64;
constexpr uint8_t kUnset = 255;  // a byte the packed pattern did not set
// The longest packed pattern: every channel of every row with all five bytes.
constexpr uint32_t kMostPackedBytes = kRows * (32 * 6 + 1);

// One unpacked cell as the pattern stores it: note, instrument, volume,
// command, info.
using S3mCell = std::array<uint8_t, 5>;

// The high bit turns a channel off: its notes and commands are passed over.
bool channelEnabled(uint8_t setting) { return (setting & 0x80) == 0; }

// The S sub-commands that have an internal form, by their high nibble; 0 for none.
uint8_t extendedOf(int x) {
    switch (x) {
        case 0x0:
            return 0x00;
        case 0x1:
            return 0x30;
        case 0x2:
            return 0x50;
        case 0x3:
            return 0x40;
        case 0x4:
            return 0x70;
        case 0x8:
            return 0x80;
        case 0xB:
            return 0x60;
        case 0xC:
            return 0xC0;
        case 0xD:
            return 0xD0;
        case 0xE:
            return 0xE0;
        default:
            return 0xFF;
    }
}

// The command letter (1 = A) and its info as an internal effect and parameter.
void translateCommand(int command, int p, uint8_t& effect, uint8_t& parameter) {
    effect = 0;
    parameter = 0;
    auto set = [&](int code, int value) {
        effect = static_cast<uint8_t>(code);
        parameter = static_cast<uint8_t>(value);
    };
    switch (command) {
        case 1:
            set(kSetSpeed, p);
            break;  // A
        case 2:
            set(kPositionJump, p);
            break;  // B
        case 3:
            set(kPatternBreak, p);
            break;  // C
        case 4:
            set(kFineVolumeSlide, p);
            break;  // D
        case 5:
            set(kFinePortamentoDown, p);
            break;  // E
        case 6:
            set(kFinePortamentoUp, p);
            break;  // F
        case 7:
            set(kTonePortamento, p);
            break;  // G
        case 8:
            set(kVibrato, p);
            break;  // H
        case 9:
            set(kTremor, p);
            break;  // I
        case 10:
            set(p ? kArpeggio : kArpeggioAgain, p);
            break;  // J
        case 11:
            set(kVibratoFineVolumeSlide, p);
            break;  // K
        case 12:
            set(kTonePortamentoFineVolumeSlide, p);
            break;  // L
        case 15:
            set(kSampleOffset, p);
            break;  // O
        case 17:
            set(kRetriggerVolume, p);
            break;  // Q
        case 18:
            set(kTremolo, p);
            break;  // R
        case 19:    // S
            if (p < 240 && extendedOf(p >> 4) != 0xFF) set(kExtended, extendedOf(p >> 4) | (p & 15));
            break;
        case 20:
            set(kTempoSlide, p);
            break;  // T
        case 21:
            set(kFineVibrato, p);
            break;  // U
        case 22:
            if (p <= 64) set(kSetGlobalVolume, p == 64 ? 255 : p * 4);  // above 64: ignored
            break;                                                      // V
        case 24:                                                        // X
            if (p <= 128) set(kExtended, p == 128 ? 0x8F : 0x80 | p >> 3);
            break;
        case 26:
            set(kSetPanning, kPanningSteps[p & 15]);
            break;  // Z
        default:
            break;
    }
}

void convertCell(const S3mCell& in, uint8_t* out) {
    uint8_t note = in[0];
    if (note == 254)
        out[kCellNote] = kNoteOff;
    else if (note >> 4 <= 9 && (note & 15) < 12)
        out[kCellNote] = static_cast<uint8_t>((note >> 4) * 12 + (note & 15));
    out[kCellInstrument] = in[1] == kUnset ? 0 : in[1];
    out[kCellVolume] = in[2] < 65 ? in[2] : kNoVolume;
    translateCommand(in[3] == kUnset ? 0 : in[3], in[4], out[kCellEffect], out[kCellParameter]);
}

bool readSamples(ModuleReader& reader, Song& song, const std::vector<uint16_t>& pointers, bool signedData) {
    for (size_t i = 0; i < pointers.size(); ++i) {
        int number = static_cast<int>(i) + 1;
        Instrument* instrument = song.instrument(number, number - 1);
        Sample* sample = song.sample(number);
        if (pointers[i] == 0) continue;
        uint8_t header[kSampleHeaderSize];
        if (!reader.seek(uint64_t(pointers[i]) * 16) || !reader.read(header, sizeof header)) return false;
        instrument->name = trimmedName(header + 48, 28);
        sample->volume = header[28];
        // Type 1 is a sampled instrument; the others are FM settings, which have
        // no data here: their notes are silent, their number sets the volume.
        if (header[0] != 1) continue;
        uint8_t flags = header[31];
        // Lengths and loop points count points: 16-bit points take two bytes.
        uint32_t pointSize = (flags & 4) ? 2 : 1;
        sample->length = readU32le(header + 16) * pointSize;
        sample->loopStart = readU32le(header + 20) * pointSize;
        sample->loopEnd = std::min(readU32le(header + 24) * pointSize, sample->length);
        sample->c4Speed = static_cast<int>(std::min<uint32_t>(readU32le(header + 32), 0x7FFFFFFF));
        sample->fileOffset = (uint32_t(header[13]) << 16 | readU16le(header + 14)) * 16;
        if (flags & 1) sample->flags |= kSampleLooped;
        if (flags & 4) sample->flags |= kSample16Bit;
        sample->isUnsigned = !signedData;
        // A sample without a place in the file has no data.
        if (sample->fileOffset == 0) sample->length = 0;
    }
    song.instrumentCount = static_cast<int>(pointers.size());
    return true;
}

// Unpacks one pattern into 32 channels of 64 cells; used marks the enabled
// channels it has entries for.
bool unpackPattern(ModuleReader& reader, const std::array<uint8_t, 32>& settings, std::vector<S3mCell>& cells,
                   std::array<bool, 32>& used) {
    // The stored length is passed over: files whose length falls short of
    // their data are common, and the 64 rows end the pattern anyway.
    if (!reader.skip(2)) return false;
    std::vector<uint8_t> packed(std::min<uint32_t>(kMostPackedBytes, reader.remaining()));
    reader.readSome(packed.data(), packed.size());
    cells.assign(32 * kRows, S3mCell{kUnset, kUnset, kUnset, kUnset, kUnset});
    size_t at = 0;
    auto next = [&]() -> int { return at < packed.size() ? packed[at++] : -1; };
    for (int row = 0; row < kRows; ++row) {
        for (int what = next(); what > 0; what = next()) {
            int channel = what & 31;
            // Entries of disabled channels are read and dropped into a scratch cell.
            S3mCell scratch;
            bool enabled = channelEnabled(settings[static_cast<size_t>(channel)]);
            S3mCell& cell = enabled ? cells[static_cast<size_t>(channel * kRows + row)] : scratch;
            // A second entry for the cell overwrites only the fields it holds.
            cell[2] = kNoVolume;
            if (what & 0x20) {
                cell[0] = static_cast<uint8_t>(next());
                cell[1] = static_cast<uint8_t>(next());
            }
            if (what & 0x40) cell[2] = static_cast<uint8_t>(next());
            if (what & 0x80) {
                cell[3] = static_cast<uint8_t>(next());
                cell[4] = static_cast<uint8_t>(next());
            }
            if (enabled) used[static_cast<size_t>(channel)] = true;
        }
    }
    return true;
}

}  // namespace

bool loadS3m(ModuleReader& reader, Song& song) {
    uint8_t header[kHeaderSize];
    if (!reader.read(header, sizeof header)) return false;
    song.format = SongFormat::s3m;
    song.cellSize = cellSizeOf(SongFormat::s3m);
    song.name = trimmedName(header, 28);
    uint16_t orderCount = readU16le(header + 32);
    uint16_t instrumentCount = readU16le(header + 34);
    uint16_t patternCount = readU16le(header + 36);
    // Scream Tracker 3.00 slid volumes on every tick; later versions by the flag.
    song.fastSlides = (readU16le(header + 38) & 0x40) != 0 || readU16le(header + 40) == 0x1300;
    song.amigaLimits = (readU16le(header + 38) & 0x10) != 0;
    bool signedData = readU16le(header + 42) == 1;
    int globalVolume = header[48];
    song.initialGlobalVolume =
        (globalVolume & 0x40) || (globalVolume & 127) == 0 ? 255 : (globalVolume & 127) * 4;
    song.initialSpeed = header[49];
    song.initialTempo = header[50];
    bool stereo = (header[51] & 0x80) != 0;
    std::array<uint8_t, 32> settings;
    std::copy(header + 64, header + 96, settings.begin());
    if (instrumentCount > kMaxInstruments || patternCount > kMaxPatterns || orderCount > kMaxOrders)
        return false;

    std::vector<uint8_t> orders(orderCount);
    if (!reader.read(orders.data(), orders.size())) return false;
    song.orders.assign(orders.begin(), orders.end());
    song.length = orderCount;
    while (song.length > 0 && song.orders[static_cast<size_t>(song.length - 1)] > kLastPatternOrder)
        --song.length;

    std::vector<uint16_t> pointers(size_t(instrumentCount) + patternCount);
    for (uint16_t& pointer : pointers) pointer = reader.u16le();
    if (!reader.ok()) return false;

    std::array<uint8_t, 32> panning{};
    bool panningBlock = header[53] == 252 && reader.read(panning.data(), panning.size());
    for (int channel = 0; channel < 32; ++channel) {
        uint8_t pan = panning[static_cast<size_t>(channel)];
        int side = settings[static_cast<size_t>(channel)] & 31;
        int& target = song.channelPanning[static_cast<size_t>(channel)];
        if (panningBlock && (pan & 0x20))
            target = kPanningSteps[pan & 15];
        else if (!stereo)
            target = 119;
        else if (side < 8)
            target = 51;
        else if (side < 16)
            target = 204;
    }

    std::vector<uint16_t> samplePointers(pointers.begin(), pointers.begin() + instrumentCount);
    if (!readSamples(reader, song, samplePointers, signedData)) return false;

    std::vector<S3mCell> cells;
    int channelCount = 1;
    for (int number = 0; number < patternCount; ++number) {
        uint16_t pointer = pointers[static_cast<size_t>(instrumentCount + number)];
        if (pointer == 0) continue;
        std::array<bool, 32> inPattern{};
        if (!reader.seek(uint64_t(pointer) * 16) || !unpackPattern(reader, settings, cells, inPattern))
            return false;
        Pattern* pattern = song.pattern(number);
        for (int channel = 0; channel < 32; ++channel) {
            if (!inPattern[static_cast<size_t>(channel)]) continue;
            channelCount = std::max(channelCount, channel + 1);
            uint8_t* track = song.track(*pattern, channel, kNoVolume);
            for (int row = 0; row < kRows; ++row)
                convertCell(cells[static_cast<size_t>(channel * kRows + row)], track + row * song.cellSize);
        }
    }
    song.patternCount = patternCount;
    song.channelCount = channelCount;
    return true;
}

}  // namespace tumbor::trk
