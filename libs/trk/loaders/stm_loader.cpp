// STM modules: a 1168-byte header with 31 sample headers and the orders,
// four-channel patterns of 4-byte cells, samples on 16-byte boundaries.
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
constexpr int kSpeedAt = 32;
constexpr int kPatternCountAt = 33;
constexpr int kSampleHeadersAt = 48;
constexpr int kOrdersAt = 1040;
constexpr int kOrderSlots = 128;
constexpr uint8_t kOrderEnd = 99;

// Sample header fields (32 bytes, 31 of them).
constexpr int kSampleCount = 31;
constexpr int kSampleHeaderSize = 32;
constexpr int kLengthAt = 16;
constexpr int kLoopStartAt = 18;
constexpr int kLoopEndAt = 20;
constexpr int kVolumeAt = 22;
constexpr int kC2SpeedAt = 24;

constexpr int kChannels = 4;
constexpr int kRows = 64;
constexpr int kPatternSize = kRows * kChannels * 4;

// Effect letters A .. L (1 .. 12) as internal codes; 0 where none applies.
constexpr uint8_t kEffectCodes[16] = {0,
                                      kSpeedTempo,
                                      kPositionJump,
                                      kPatternBreak,
                                      kFineVolumeSlide,
                                      kFinePortamentoDown,
                                      kFinePortamentoUp,
                                      kTonePortamento,
                                      kVibrato,
                                      kTremor,
                                      kArpeggio,
                                      kVibratoFineVolumeSlide,
                                      kTonePortamentoFineVolumeSlide,
                                      0,
                                      0,
                                      0};

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

void convertCell(const uint8_t* in, uint8_t* out) {
    uint8_t note = in[0];
    uint8_t effect = in[2] & 15;
    int volume = (in[1] & 7) + 8 * (in[2] >> 4);
    out[kCellNote] = note < 251 ? static_cast<uint8_t>((note & 15) + (note >> 4) * 12 + 24) : 0;
    out[kCellInstrument] = in[1] > 7 ? in[1] >> 3 : 0;
    out[kCellVolume] = static_cast<uint8_t>(volume > 64 ? kNoVolume : volume);
    if (note == 252 || note == 254) out[kCellVolume] = 0;
    out[kCellEffect] = kEffectCodes[effect];
    out[kCellParameter] = kEffectCodes[effect] || effect == 10 ? in[3] : 0;
    // Speed sits in the high nibble.
    if (effect == 1) out[kCellParameter] = in[3] >> 4;
}

}  // namespace

bool loadStm(ModuleReader& reader, Song& song) {
    uint8_t header[kHeaderSize];
    if (!reader.read(header, sizeof header)) return false;
    if (header[kMajorVersionAt] <= 1) return false;
    song.format = SongFormat::stm;
    song.cellSize = cellSizeOf(SongFormat::stm);
    song.name = trimmedName(header, 20);
    song.channelCount = kChannels;
    song.initialSpeed = header[kSpeedAt] >> 4;
    song.initialTempo = 125;
    song.patternCount = header[kPatternCountAt];
    for (int i = 0; i < kSampleCount; ++i)
        readSampleHeader(header + kSampleHeadersAt + i * kSampleHeaderSize, i + 1, song);
    song.instrumentCount = kSampleCount;

    const uint8_t* orders = header + kOrdersAt;
    int length = static_cast<int>(std::find(orders, orders + kOrderSlots, kOrderEnd) - orders);
    song.orders.assign(orders, orders + length);
    song.length = length;

    std::vector<uint8_t> bytes(kPatternSize);
    for (int number = 0; number < song.patternCount; ++number) {
        if (!reader.read(bytes.data(), bytes.size())) return false;
        Pattern* pattern = song.pattern(number);
        for (int channel = 0; channel < kChannels; ++channel) {
            uint8_t* track = song.track(*pattern, channel, kNoVolume);
            for (int row = 0; row < kRows; ++row)
                convertCell(&bytes[static_cast<size_t>((row * kChannels + channel) * 4)], track + row * 5);
        }
    }

    // Every sample starts on the 16-byte boundary after the one before it.
    uint64_t offset = alignTo16(reader.tell());
    for (int number = 1; number <= kSampleCount; ++number) {
        Sample* sample = song.sample(number);
        uint32_t length = sample->length;
        if (length) placeSampleData(*sample, offset, reader.size());
        offset = alignTo16(offset + length);
    }
    return true;
}

}  // namespace tumbor::trk
