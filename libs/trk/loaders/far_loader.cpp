// FAR modules: a 98-byte header, the song text, orders and pattern sizes,
// sixteen-channel patterns, then a bit map of the samples present, each
// header followed by its data.
#include <algorithm>
#include <vector>

#include "libs/trk/loaders/loader_support.h"
#include "libs/trk/loaders/loaders.h"
#include "libs/trk/sequencer/effects.h"

namespace tumbor::trk {
namespace {

// Header fields (98 bytes).
constexpr int kHeaderSize = 98;
constexpr int kNameAt = 4;
constexpr int kHeaderLengthAt = 47;
constexpr int kSpeedAt = 75;
constexpr int kPanningAt = 76;
constexpr int kMessageLengthAt = 96;
constexpr int kMessageLineSize = 132;

// The block after the message (771 bytes).
constexpr int kOrderBlockSize = 771;
constexpr int kSongLengthAt = 257;
constexpr int kPatternSizesAt = 259;
constexpr int kPatternSlots = 256;
constexpr uint16_t kSkippedOrder = 254;  // a marker playback passes over

// Sample header fields (48 bytes).
constexpr int kSampleSlots = 64;
constexpr int kSampleHeaderSize = 48;
constexpr int kLengthAt = 32;
constexpr int kVolumeAt = 37;
constexpr int kLoopStartAt = 38;
constexpr int kLoopEndAt = 42;
constexpr int kTypeAt = 46;
constexpr int kLoopModeAt = 47;

constexpr int kChannels = 16;
constexpr int kRowSize = kChannels * 4;

// The banner, and the file's song text in lines of 132 bytes.
void addMessage(Song& song, const std::vector<uint8_t>& text) {
    song.message.emplace_back("Farandole module");
    song.message.emplace_back("");
    if (text.empty()) return;
    song.message.emplace_back("\xFF");
    song.message.emplace_back("");
    for (size_t at = 0; at < text.size(); at += kMessageLineSize) {
        size_t end = std::min(text.size(), at + kMessageLineSize);
        while (end > at && text[end - 1] == 0) --end;
        song.message.emplace_back(text.begin() + static_cast<long>(at),
                                  text.begin() + static_cast<long>(end));
    }
}

// Effect bytes above 15, by their high nibble. Effect 8 slides the volume
// down by a fixed 8 whatever its parameter. The fine tempo changes (13 and
// 14) are not played: reference players time songs without them.
void translateEffect(uint8_t w, uint8_t* cell) {
    if (w <= 15) return;
    int y = w & 15;
    switch (w >> 4) {
        case 1:
        case 2:
        case 3:
        case 15:
            cell[kCellEffect] = static_cast<uint8_t>(w >> 4);
            cell[kCellParameter] = static_cast<uint8_t>(y);
            break;
        case 7:
            cell[kCellEffect] = kVolumeSlide;
            cell[kCellParameter] = static_cast<uint8_t>(y);
            break;
        case 8:
            cell[kCellEffect] = kVolumeSlide;
            cell[kCellParameter] = 8;
            break;
        case 11:
            cell[kCellEffect] = kSetVolume;
            cell[kCellParameter] = cell[kCellVolume];
            break;
        case 12:
            cell[kCellEffect] = kExtended;
            cell[kCellParameter] = static_cast<uint8_t>(0xD0 | w >> 4);
            break;
        default:
            break;
    }
}

void convertCell(const uint8_t* in, uint8_t* out) {
    if (in[0]) {
        out[kCellNote] = static_cast<uint8_t>(in[0] + 35);
        out[kCellInstrument] = static_cast<uint8_t>(in[1] + 1);
    }
    if (in[2] & 15) out[kCellVolume] = static_cast<uint8_t>((in[2] & 15) << 2 | in[2] >> 6);
    translateEffect(in[3], out);
}

// The rows stored, cut after row b + 1 by a break byte b that falls inside
// them; a break byte of 0 (or at or past the last two rows) plays them all.
bool readPattern(ModuleReader& reader, Song& song, int number, uint32_t size) {
    std::vector<uint8_t> bytes;
    if (size < 2 || !readBlock(reader, size, bytes)) return false;
    int stored = static_cast<int>((size - 2) / kRowSize);
    int breakRow = bytes[0];
    int rows = breakRow > 0 && breakRow + 2 < stored ? breakRow + 2 : stored;
    Pattern* pattern = song.pattern(number);
    pattern->rows = rows;
    for (int channel = 0; channel < kChannels; ++channel) {
        uint8_t* track = song.track(*pattern, channel, kNoVolume);
        for (int row = 0; row < rows; ++row)
            convertCell(&bytes[2 + static_cast<size_t>(row * kRowSize + channel * 4)], track + row * 5);
    }
    return true;
}

// The samples after the patterns; the file may end before the last of them.
// Nothing is read past the end, so the reader stays good for the sample stage.
void readSamples(ModuleReader& reader, Song& song) {
    uint8_t map[kSampleSlots / 8];
    if (reader.remaining() < sizeof map || !reader.read(map, sizeof map)) return;
    for (int slot = 0; slot < kSampleSlots; ++slot) {
        if (!(map[slot / 8] >> (slot % 8) & 1)) continue;
        uint8_t header[kSampleHeaderSize];
        if (reader.remaining() < sizeof header || !reader.read(header, sizeof header)) return;
        Instrument* instrument = song.instrument(slot + 1, slot);
        Sample* sample = song.sample(slot + 1);
        song.instrumentCount = slot + 1;
        instrument->name = trimmedName(header, 32);
        sample->c4Speed = 8363;
        sample->volume = (header[kVolumeAt] & 15) * 4 + 4;
        sample->length = readU32le(header + kLengthAt);
        sample->loopStart = readU32le(header + kLoopStartAt);
        sample->loopEnd = readU32le(header + kLoopEndAt);
        if (header[kTypeAt] & 1) sample->flags |= kSample16Bit;
        if (header[kLoopModeAt]) sample->flags |= kSampleLooped;
        placeSampleData(*sample, reader.tell(), reader.size());
        if (sample->length > reader.remaining()) return;
        reader.skip(sample->length);
    }
}

}  // namespace

bool loadFar(ModuleReader& reader, Song& song) {
    uint8_t header[kHeaderSize];
    if (!reader.read(header, sizeof header)) return false;
    song.format = SongFormat::far;
    song.cellSize = cellSizeOf(SongFormat::far);
    song.name = trimmedName(header + kNameAt, 40);
    song.channelCount = kChannels;
    // The header's tempo counts ticks a row at 80 beats a minute: the default
    // 4 plays eight rows a second. 0 stands for 6.
    song.initialSpeed = header[kSpeedAt] ? header[kSpeedAt] : 6;
    song.initialTempo = 80;
    for (int channel = 0; channel < kChannels; ++channel)
        song.channelPanning[static_cast<size_t>(channel)] = panningOfNibble(header[kPanningAt + channel]);

    std::vector<uint8_t> text;
    if (!readBlock(reader, readU16le(header + kMessageLengthAt), text)) return false;
    addMessage(song, text);

    uint8_t block[kOrderBlockSize];
    if (!reader.read(block, sizeof block)) return false;
    song.orders.assign(block, block + kPatternSlots);
    song.length = block[kSongLengthAt];
    uint32_t sizes[kPatternSlots];
    for (int number = 0; number < kPatternSlots; ++number) {
        sizes[number] = readU16le(block + kPatternSizesAt + number * 2);
        if (sizes[number]) song.patternCount = number + 1;
    }
    // Orders naming a pattern the file does not store are passed over, as
    // the reference player does, rather than played as 64 empty rows.
    for (uint16_t& order : song.orders)
        if (order <= kLastPatternOrder && sizes[order] == 0) order = kSkippedOrder;

    if (!reader.seek(readU16le(header + kHeaderLengthAt))) return false;
    for (int number = 0; number < song.patternCount; ++number)
        if (sizes[number] && !readPattern(reader, song, number, sizes[number])) return false;
    readSamples(reader, song);
    return true;
}

}  // namespace tumbor::trk
