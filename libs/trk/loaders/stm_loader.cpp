// STM modules: a 1168-byte header with 31 sample headers and the orders,
// four-channel patterns of 4-byte cells (or 1-byte shorthands), samples
// where their headers point or else on 16-byte boundaries.
#include <algorithm>
#include <vector>

#include "libs/trk/loaders/loader_support.h"
#include "libs/trk/loaders/loaders.h"
#include "libs/trk/sequencer/effects.h"

namespace tumbor::trk {
namespace {

// Header fields (1168 bytes).
constexpr int kHeaderSize = 1168;
constexpr int kMajorVersionAt = 30;
constexpr int kMinorVersionAt = 31;
constexpr int kSpeedAt = 32;
constexpr int kPatternCountAt = 33;
constexpr int kSampleHeadersAt = 48;
constexpr int kOrdersAt = 1040;
constexpr int kOrderSlots = 128;
constexpr uint8_t kOrderEnd = 99;

// Sample header fields (32 bytes, 31 of them).
constexpr int kSampleCount = 31;
constexpr int kSampleHeaderSize = 32;
constexpr int kDataParagraphAt = 14;
constexpr int kLengthAt = 16;
constexpr int kLoopStartAt = 18;
constexpr int kLoopEndAt = 20;
constexpr int kVolumeAt = 22;
constexpr int kC2SpeedAt = 24;

constexpr int kChannels = 4;
constexpr int kRows = 64;

// One-byte cells the tracker saves in place of four bytes.
constexpr uint8_t kZeroCell = 251;   // a cell of four zero bytes
constexpr uint8_t kEmptyCell = 252;  // nothing in the cell
constexpr uint8_t kCutCell = 253;    // a note cut alone
constexpr uint8_t kNoteCut = 254;
constexpr uint8_t kNoNote = 255;
constexpr uint8_t kNoVolumeHigh = 0x90;  // volume bits giving 72: none
constexpr uint8_t kFirstNoNote = 0x60;   // note bytes from here on (but the cut) hold no note

// Raw effect letters that steer the song.
constexpr int kRawSpeed = 1;     // A
constexpr int kRawJump = 2;      // B
constexpr int kRawBreak = 3;     // C
constexpr int kNoJump = -1;

// Effect letters A .. J (1 .. 10) as internal codes; 0 where none applies.
// The letters after J came with a later tracker and do nothing here.
constexpr uint8_t kEffectCodes[16] = {0,
                                      kSetSpeed,
                                      kPositionJump,
                                      kPatternBreak,
                                      kFineVolumeSlide,
                                      kFinePortamentoDown,
                                      kFinePortamentoUp,
                                      kTonePortamento,
                                      kVibrato,
                                      kTremor,
                                      kArpeggio,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0};
constexpr int kRawVolumeSlide = 4;  // D
constexpr int kRawTremor = 9;       // I

// The header's fields of one sample; its data place comes later.
void readSampleHeader(const uint8_t* header, int number, Song& song) {
    Instrument* instrument = song.instrument(number, number - 1);
    Sample* sample = song.sample(number);
    instrument->name = trimmedName(header, 12);
    uint32_t length = readU16le(header + kLengthAt);
    uint32_t loopEnd = readU16le(header + kLoopEndAt);
    sample->c4Speed = readU16le(header + kC2SpeedAt);
    sample->volume = header[kVolumeAt];
    if (sample->c4Speed == 0 || length == 1) length = 0;
    sample->length = length;
    sample->loopStart = readU16le(header + kLoopStartAt);
    // 0 and 65535 both mean no loop, whatever the length makes of the end.
    if (loopEnd != 0 && loopEnd != 65535) sample->flags |= kSampleLooped;
    if (loopEnd > length) loopEnd = length ? length - 1 : 0;
    sample->loopEnd = loopEnd;
}

// Reads one cell as its four bytes, expanding the shorthands.
bool readCell(ModuleReader& reader, uint8_t* cell) {
    if (!reader.read(cell, 1)) return false;
    switch (cell[0]) {
        case kZeroCell:
            cell[0] = cell[1] = cell[2] = cell[3] = 0;
            return true;
        case kEmptyCell:
        case kCutCell:
            cell[0] = cell[0] == kCutCell ? kNoteCut : kNoNote;
            cell[1] = 0;
            cell[2] = kNoVolumeHigh;
            cell[3] = 0;
            return true;
        default:
            return reader.read(cell + 1, 3);
    }
}

void convertCell(const uint8_t* in, uint8_t* out) {
    uint8_t note = in[0];
    uint8_t effect = in[2] & 15;
    int volume = (in[1] & 7) + 8 * (in[2] >> 4);
    out[kCellNote] = note < kFirstNoNote ? static_cast<uint8_t>((note & 15) + (note >> 4) * 12 + 24) : 0;
    out[kCellInstrument] = in[1] > 7 ? in[1] >> 3 : 0;
    out[kCellVolume] = static_cast<uint8_t>(volume > 64 ? kNoVolume : volume);
    if (note == kNoteCut) out[kCellVolume] = 0;
    uint8_t parameter = in[3];
    // A volume slide goes one way: down when the low nibble says so. The
    // slides, vibrato and arpeggio keep no parameter: 0 stops them.
    if (effect == kRawVolumeSlide) parameter &= (parameter & 15) ? 0x0F : 0xF0;
    const bool stops = parameter == 0 && effect != kRawVolumeSlide && effect != kRawTremor;
    out[kCellEffect] = stops ? 0 : kEffectCodes[effect];
    out[kCellParameter] = stops || (!kEffectCodes[effect] && effect != 10) ? 0 : parameter;
}

// The speed byte: ticks a row in the high nibble; before version 2.21 the
// byte was kept in decimal.
uint8_t speedByte(uint8_t stored, int minorVersion) {
    return minorVersion < 21 ? static_cast<uint8_t>(((stored / 10) << 4) + stored % 10) : stored;
}

// The same byte sets the tick's length: its low nibble, scaled by a factor
// of the high one, shortens the tick, counted in samples at the tracker's
// highest mixing rate (a count that wraps at 16 bits). As a tempo: 2.5 times
// the ticks a second, kept to the range the sequencer takes.
int tempoOfSpeedByte(uint8_t value) {
    static constexpr int kFactors[16] = {140, 50, 25, 15, 10, 7, 6, 4, 3, 3, 2, 2, 2, 2, 1, 1};
    constexpr int kMixingRate = 23863;
    const int divisor = 50 - ((kFactors[value >> 4] * (value & 15)) >> 4);  // never 0
    int samplesPerTick = kMixingRate / divisor;
    if (samplesPerTick <= 0) samplesPerTick += 65536;
    const int tempo = (kMixingRate * 5 + samplesPerTick) / (2 * samplesPerTick);
    return std::clamp(tempo, 32, 255);
}

// Puts an effect into the first cell without one, on row or else on the rows
// before it; nothing when every cell up there has one.
void putEffect(uint8_t* const* tracks, int row, uint8_t code, uint8_t parameter) {
    for (; row >= 0; --row) {
        for (int channel = 0; channel < kChannels; ++channel) {
            uint8_t* cell = tracks[channel] + row * 5;
            if (cell[kCellEffect] != 0 || cell[kCellParameter] != 0) continue;
            cell[kCellEffect] = code;
            cell[kCellParameter] = parameter;
            return;
        }
    }
}

// The song-steering effects as the tracker plays them. A sets speed and tick
// length together. B takes effect at the end of the pattern, or at a later
// break on the same pattern, which with row 0 turns into the jump. C counts
// rows oddly (high nibble times 160), so only 0 .. 9 stay in the pattern.
class FlowConverter {
public:
    FlowConverter(uint8_t* const* tracks, int minorVersion) : tracks_(tracks), minorVersion_(minorVersion) {}

    void convert(int row, int channel, const uint8_t* in) {
        uint8_t* cell = tracks_[channel] + row * 5;
        const int effect = in[2] & 15;
        if (effect == kRawSpeed) {
            const uint8_t value = speedByte(in[3], minorVersion_);
            cell[kCellEffect] = value ? kSetSpeed : 0;
            cell[kCellParameter] = value ? static_cast<uint8_t>(std::max(value >> 4, 1)) : 0;
            if (value) rowSpeedByte_ = value;
        } else if (effect == kRawJump) {
            jump_ = in[3];
            jumpRow_ = kRows - 1;
            cell[kCellEffect] = cell[kCellParameter] = 0;
        } else if (effect == kRawBreak) {
            int target = (in[3] & 0xF0) * 10 + (in[3] & 15);
            if (target >= kRows) target = 0;
            if (jump_ != kNoJump && target == 0) {
                cell[kCellEffect] = kPositionJump;
                cell[kCellParameter] = static_cast<uint8_t>(jump_);
                jump_ = kNoJump;
            } else {
                cell[kCellEffect] = kPatternBreak;
                cell[kCellParameter] = static_cast<uint8_t>(target / 10 << 4 | target % 10);
            }
            jumpRow_ = std::min(jumpRow_, row);
        }
    }

    void endRow(int row) {
        if (rowSpeedByte_) putEffect(tracks_, row, kSetTempo, static_cast<uint8_t>(tempoOfSpeedByte(rowSpeedByte_)));
        rowSpeedByte_ = 0;
    }

    void endPattern() {
        if (jump_ != kNoJump) putEffect(tracks_, jumpRow_, kPositionJump, static_cast<uint8_t>(jump_));
    }

private:
    uint8_t* const* tracks_;
    int minorVersion_;
    uint8_t rowSpeedByte_ = 0;
    int jump_ = kNoJump;
    int jumpRow_ = kRows - 1;
};

}  // namespace

bool loadStm(ModuleReader& reader, Song& song) {
    uint8_t header[kHeaderSize];
    if (!reader.read(header, sizeof header)) return false;
    if (header[kMajorVersionAt] <= 1) return false;
    song.format = SongFormat::stm;
    song.cellSize = cellSizeOf(SongFormat::stm);
    song.name = trimmedName(header, 20);
    song.channelCount = kChannels;
    const int minorVersion = header[kMinorVersionAt];
    uint8_t initialSpeed = speedByte(header[kSpeedAt], minorVersion);
    if (initialSpeed == 0) initialSpeed = 0x60;
    song.initialSpeed = std::max(initialSpeed >> 4, 1);
    song.initialTempo = tempoOfSpeedByte(initialSpeed);
    song.patternCount = header[kPatternCountAt];
    for (int i = 0; i < kSampleCount; ++i)
        readSampleHeader(header + kSampleHeadersAt + i * kSampleHeaderSize, i + 1, song);
    song.instrumentCount = kSampleCount;

    const uint8_t* orders = header + kOrdersAt;
    int length = static_cast<int>(std::find(orders, orders + kOrderSlots, kOrderEnd) - orders);
    song.orders.assign(orders, orders + length);
    song.length = length;

    for (int number = 0; number < song.patternCount; ++number) {
        Pattern* pattern = song.pattern(number);
        uint8_t* tracks[kChannels];
        for (int channel = 0; channel < kChannels; ++channel) tracks[channel] = song.track(*pattern, channel, kNoVolume);
        FlowConverter flow(tracks, minorVersion);
        for (int row = 0; row < kRows; ++row) {
            for (int channel = 0; channel < kChannels; ++channel) {
                uint8_t cell[4];
                if (!readCell(reader, cell)) return false;
                convertCell(cell, tracks[channel] + row * 5);
                flow.convert(row, channel, cell);
            }
            flow.endRow(row);
        }
        flow.endPattern();
    }

    // A sample's header gives where its data start, in 16-byte paragraphs;
    // without that, it starts on the 16-byte boundary after the one before.
    uint64_t offset = alignTo16(reader.tell());
    for (int number = 1; number <= kSampleCount; ++number) {
        Sample* sample = song.sample(number);
        uint32_t length = sample->length;
        const uint32_t paragraph = readU16le(header + kSampleHeadersAt + (number - 1) * kSampleHeaderSize + kDataParagraphAt);
        if (paragraph != 0) offset = uint64_t{paragraph} * 16;
        if (length) placeSampleData(*sample, offset, reader.size());
        offset = alignTo16(offset + length);
    }
    return true;
}

}  // namespace tumbor::trk
