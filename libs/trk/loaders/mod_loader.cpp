// Protracker / Fasttracker I modules: 31 (or 15) sample headers, 128 orders,
// patterns of Amiga periods turned into notes, 8-bit samples in order.
#include <algorithm>
#include <vector>

#include "libs/trk/loaders/loaders.h"
#include "libs/trk/sequencer/effects.h"
#include "libs/trk/sequencer/pitch.h"

namespace tumbor::trk {
namespace {

// Amiga periods of seven octaves, highest period (lowest note) first.
const uint16_t kModPeriods[84] = {
    1712, 1616, 1524, 1440, 1356, 1280, 1208, 1140, 1076, 1016, 960, 906, 856, 808, 762, 720, 678,
    640,  604,  570,  538,  508,  480,  453,  428,  404,  381,  360, 339, 320, 302, 285, 269, 254,
    240,  226,  214,  202,  190,  180,  170,  160,  151,  143,  135, 127, 120, 113, 107, 101, 95,
    90,   85,   80,   75,   71,   67,   63,   60,   56,   53,   50,  47,  45,  42,  40,  37,  35,
    33,   31,   30,   28,   27,   25,   24,   22,   21,   20,   19,  18,  17,  16,  15,  14};

constexpr int kSampleHeaderSize = 30;

// The note of a period: the first table entry the period reaches, so a
// period between two entries takes the higher note; 0 below the table.
int noteOfPeriod(int period) {
    if (period == 0) return 0;
    for (int k = 0; k < 84; ++k)
        if (period >= kModPeriods[k]) return k + 24;
    return 0;
}

// Channels from the signature: "xCHN" and "xxCH"; 4 otherwise.
int channelsOfSignature(const uint8_t* s, bool& multichannel) {
    auto digit = [](uint8_t c) { return c >= '0' && c <= '9'; };
    multichannel = true;
    if (s[0] >= '1' && s[0] <= '9' && s[1] == 'C' && s[2] == 'H' && s[3] == 'N') return s[0] - '0';
    if (digit(s[0]) && digit(s[1]) && s[2] == 'C' && s[3] == 'H') return (s[0] - '0') * 10 + (s[1] - '0');
    multichannel = false;
    return 4;
}

// ProTracker's three octaves: Amiga periods 856 (C-1) to 113 (B-3).
constexpr int kFirstAmigaNote = 36;
constexpr int kLastAmigaNote = 71;

bool isProtrackerSignature(const uint8_t* s) {
    for (const char* known : {"M.K.", "M!K!", "PATT"})
        if (std::equal(s, s + 4, known)) return true;
    return false;
}

// The commands ProTracker added to NoiseTracker's: tremolo, 8xx, sample
// offset, the extended commands past the filter, and tempo.
bool isProtrackerCommand(int effect, int parameter) {
    return effect == 7 || effect == 8 || effect == 9 || (effect == 14 && parameter >= 0x10) ||
           (effect == 15 && parameter >= 0x20);
}

// An M.K. song without them is NoiseTracker's, whose pattern break goes to
// the next pattern's first row whatever its parameter says.
void breakToFirstRows(Song& song) {
    for (int number = 0; number < song.patternCount; ++number) {
        Pattern* pattern = song.pattern(number);
        for (int channel = 0; channel < song.channelCount; ++channel) {
            uint8_t* track = song.track(*pattern, channel);
            for (int row = 0; row < kDefaultRows; ++row)
                if (track[row * 4 + kCellEffect] == kPatternBreak) track[row * 4 + kCellParameter] = 0;
        }
    }
}

bool readSampleHeaders(ModuleReader& reader, Song& song, int count, bool& loopLengthZero) {
    for (int i = 0; i < count; ++i) {
        uint8_t header[kSampleHeaderSize];
        if (!reader.read(header, sizeof header)) return false;
        Instrument* instrument = song.instrument(i + 1, i);
        Sample* sample = song.sample(i + 1);
        instrument->name = trimmedName(header, 22);
        sample->c4Speed = kFineTuneSpeed[header[24] & 15];
        sample->volume = std::min<int>(header[25], 64);
        uint32_t loopStart = 2u * readU16be(header + 26);
        uint32_t loopWords = readU16be(header + 28);
        sample->length = 2u * readU16be(header + 22);
        sample->loopStart = loopStart;
        sample->loopEnd = std::min(loopStart + 2 * loopWords, sample->length);
        if (loopWords > 1) sample->flags |= kSampleLooped;
        if (sample->length && loopWords == 0) loopLengthZero = true;
    }
    song.instrumentCount = count;
    return true;
}

void convertCell(const uint8_t* in, uint8_t* out, bool multichannel) {
    out[kCellNote] = static_cast<uint8_t>(noteOfPeriod((in[0] & 15) << 8 | in[1]));
    out[kCellInstrument] = static_cast<uint8_t>((in[0] & 0x10) | in[2] >> 4);
    out[kCellEffect] = in[2] & 15;
    out[kCellParameter] = in[3];
    // Multichannel trackers pan with effect 8: the 16-step panning of the
    // parameter's high nibble.
    if (multichannel && out[kCellEffect] == 8) {
        out[kCellEffect] = kExtended;
        out[kCellParameter] = static_cast<uint8_t>(0x80 | in[3] >> 4);
    }
}

bool loadModWith(ModuleReader& reader, Song& song, int sampleCount) {
    uint8_t name[20];
    if (!reader.read(name, sizeof name)) return false;
    song.format = SongFormat::mod;
    song.cellSize = cellSizeOf(SongFormat::mod);
    song.name = trimmedName(name, 20);
    song.initialSpeed = 6;
    song.initialTempo = 125;
    bool loopLengthZero = false;
    if (!readSampleHeaders(reader, song, sampleCount, loopLengthZero)) return false;

    uint8_t lengthAndRestart[2];
    uint8_t orders[128];
    if (!reader.read(lengthAndRestart, 2) || !reader.read(orders, sizeof orders)) return false;
    song.orders.assign(orders, orders + 128);
    song.length = lengthAndRestart[0];
    // Every entry counts for the pattern count, not only the played ones.
    song.patternCount = *std::max_element(orders, orders + 128) + 1;

    int channels = 4;
    bool protrackerSignature = false;
    bool noiseTrackerSignature = false;
    if (sampleCount == 31) {
        uint8_t signature[4];
        if (!reader.read(signature, 4)) return false;
        channels = channelsOfSignature(signature, song.multichannelMod);
        protrackerSignature = isProtrackerSignature(signature);
        noiseTrackerSignature = std::equal(signature, signature + 4, "M.K.");
    }
    if (channels < 1 || channels > kMaxChannels) return false;
    song.channelCount = channels;

    std::vector<uint8_t> patternBytes(static_cast<size_t>(channels) * 4 * kDefaultRows);
    bool amigaNotesOnly = true;
    bool protrackerCommands = false;
    for (int number = 0; number < song.patternCount; ++number) {
        if (!reader.read(patternBytes.data(), patternBytes.size())) return false;
        Pattern* pattern = song.pattern(number);
        for (int channel = 0; channel < channels; ++channel) {
            uint8_t* track = song.track(*pattern, channel);
            for (int row = 0; row < kDefaultRows; ++row) {
                uint8_t* cell = track + row * 4;
                convertCell(&patternBytes[static_cast<size_t>((row * channels + channel) * 4)], cell,
                            song.multichannelMod);
                int note = cell[kCellNote];
                if (note && (note < kFirstAmigaNote || note > kLastAmigaNote)) amigaNotesOnly = false;
                const uint8_t* stored = &patternBytes[static_cast<size_t>((row * channels + channel) * 4)];
                if (isProtrackerCommand(stored[2] & 15, stored[3])) protrackerCommands = true;
            }
        }
    }
    song.protrackerRules = protrackerSignature && amigaNotesOnly && !loopLengthZero;
    if (noiseTrackerSignature && !protrackerCommands) breakToFirstRows(song);
    return true;
}

}  // namespace

bool loadMod(ModuleReader& reader, Song& song) { return loadModWith(reader, song, 31); }
bool loadModFifteenSamples(ModuleReader& reader, Song& song) { return loadModWith(reader, song, 15); }

}  // namespace tumbor::trk
