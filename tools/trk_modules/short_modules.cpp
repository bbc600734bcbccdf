// The short songs: one looped waveform, a melody on channel 1 and a bass on
// channel 2, the same notes written out in each format's own cells.
#include "tools/trk_modules/short_modules.h"

#include <algorithm>
#include <cstring>

#include "tests/unit/trk/test_songs.h"

namespace tumbor::trk::test {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kWaveLength = 64;
constexpr int kTempo = 125;
// Semitones above the song's root, one per melody note.
constexpr int kMelody[8] = {0, 4, 7, 12, 7, 4, 2, 5};
// Amiga periods of C-2 .. B-2; an octave up halves them.
constexpr int kPeriods[12] = {428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226};

struct Note {
    int row;
    int channel;
    int semitone;  // above C-4 (C-2 in Amiga terms)
};

struct Score {
    int rows;
    std::vector<Note> notes;
    std::vector<int8_t> wave;
};

Score scoreOf(int variant) {
    Score score;
    score.rows = 12 + 4 * (variant % 5);
    const int root = variant % 7;
    for (int row = 0; row < score.rows; row += 2)
        score.notes.push_back({row, 0, root + kMelody[(row / 2 + variant) % 8]});
    for (int row = 0; row < score.rows; row += 4) score.notes.push_back({row, 1, root - 12});
    score.wave.resize(kWaveLength);
    for (int i = 0; i < kWaveLength; ++i) {
        int value = 0;
        switch (variant % 3) {
            case 0:
                value = i < kWaveLength / 2 ? 80 : -80;
                break;  // square
            case 1:
                value = -100 + 200 * i / (kWaveLength - 1);
                break;  // saw
            default:
                value = i < kWaveLength / 2 ? -96 + 6 * i : 96 - 6 * (i - 32);
                break;  // triangle
        }
        score.wave[static_cast<size_t>(i)] = static_cast<int8_t>(value);
    }
    return score;
}

void put16(Bytes& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void put32(Bytes& out, size_t at, uint32_t value) {
    put16(out, at, value & 0xFFFF);
    put16(out, at + 2, value >> 16);
}

void putText(Bytes& out, size_t at, const std::string& text, size_t size) {
    std::memcpy(out.data() + at, text.data(), std::min(text.size(), size));
}

void align16(Bytes& out) { out.resize((out.size() + 15) / 16 * 16); }

// MOD: speed by F03 on the first row, the end by a pattern break on the last.
Bytes modBytes(const Score& score, const std::string& title) {
    ModFile file;
    file.setName(title);
    file.setSample(1, score.wave, 48, 0, 0, kWaveLength / 2, "wave");
    file.setOrders({0});
    for (const Note& note : score.notes) {
        int semitone = note.semitone + 12;  // C-1 .. B-3 as periods
        int period = kPeriods[semitone % 12];
        if (semitone >= 24) period /= 2;
        if (semitone < 12) period *= 2;
        file.setCell(0, note.row, note.channel, period, 1);
    }
    file.setCell(0, 0, 2, 0, 0, 0xF, kShortSongSpeed);
    file.setCell(0, score.rows - 1, 3, 0, 0, 0xD, 0);
    return file.bytes();
}

// S3M: one pattern cut short by command C, one unsigned 8-bit looped sample.
Bytes s3mBytes(const Score& score, const std::string& title) {
    Bytes out(96, 0);
    putText(out, 0, title, 28);
    out[28] = 0x1A;
    out[29] = 16;
    put16(out, 32, 1);  // orders
    put16(out, 34, 1);  // samples
    put16(out, 36, 1);  // patterns
    put16(out, 42, 2);  // unsigned samples
    std::memcpy(out.data() + 44, "SCRM", 4);
    out[48] = 64;
    out[49] = kShortSongSpeed;
    out[50] = kTempo;
    out[51] = 0xB0;
    std::fill(out.begin() + 64, out.end(), 255);
    for (int channel = 0; channel < 4; ++channel)
        out[static_cast<size_t>(64 + channel)] = static_cast<uint8_t>(channel % 2 ? channel + 8 : channel);
    out.push_back(0);  // the order list
    const size_t pointers = out.size();
    out.resize(out.size() + 4);
    align16(out);
    const size_t header = out.size();
    put16(out, pointers, static_cast<uint32_t>(header / 16));
    out.resize(header + 80, 0);
    align16(out);
    put16(out, pointers + 2, static_cast<uint32_t>(out.size() / 16));
    Bytes packed;
    for (int row = 0; row < 64; ++row) {
        for (const Note& note : score.notes) {
            if (note.row != row) continue;
            int semitone = note.semitone + 48;  // from C-0
            packed.insert(packed.end(), {static_cast<uint8_t>(0x20 | note.channel),
                                         static_cast<uint8_t>((semitone / 12) << 4 | semitone % 12), 1});
        }
        if (row == score.rows - 1) packed.insert(packed.end(), {0x83, 3, 0});
        packed.push_back(0);
    }
    const size_t at = out.size();
    out.resize(at + 2);
    put16(out, at, static_cast<uint32_t>(packed.size() + 2));
    out.insert(out.end(), packed.begin(), packed.end());
    align16(out);
    const uint32_t paragraph = static_cast<uint32_t>(out.size() / 16);
    out[header] = 1;
    out[header + 13] = static_cast<uint8_t>(paragraph >> 16);
    put16(out, header + 14, paragraph & 0xFFFF);
    put32(out, header + 16, kWaveLength);
    put32(out, header + 20, 0);
    put32(out, header + 24, kWaveLength);
    out[header + 28] = 48;
    out[header + 31] = 1;  // looped
    put32(out, header + 32, 8363);
    putText(out, header + 48, "wave", 28);
    std::memcpy(out.data() + header + 76, "SCRS", 4);
    for (int8_t point : score.wave) out.push_back(static_cast<uint8_t>(point + 128));
    return out;
}

// XM: a pattern of exactly the song's rows, one instrument of one delta-coded sample.
Bytes xmBytes(const Score& score, const std::string& title) {
    constexpr int kChannels = 4;
    Bytes out(60 + 276, 0);
    putText(out, 0, "Extended Module: ", 17);
    putText(out, 17, title, 20);
    out[37] = 0x1A;
    putText(out, 38, "Tumbor soak", 20);
    put16(out, 58, 0x104);
    put32(out, 60, 276);
    put16(out, 64, 1);  // orders
    put16(out, 68, kChannels);
    put16(out, 70, 1);  // patterns
    put16(out, 72, 1);  // instruments
    put16(out, 74, 1);  // linear frequencies
    put16(out, 76, kShortSongSpeed);
    put16(out, 78, kTempo);
    Bytes packed;
    for (int row = 0; row < score.rows; ++row)
        for (int channel = 0; channel < kChannels; ++channel) {
            auto note = std::find_if(score.notes.begin(), score.notes.end(),
                                     [&](const Note& n) { return n.row == row && n.channel == channel; });
            if (note == score.notes.end()) {
                packed.push_back(0x80);
                continue;
            }
            packed.insert(packed.end(), {0x83, static_cast<uint8_t>(note->semitone + 49), 1});
        }
    Bytes pattern(9, 0);
    put32(pattern, 0, 9);
    put16(pattern, 5, static_cast<uint32_t>(score.rows));
    put16(pattern, 7, static_cast<uint32_t>(packed.size()));
    out.insert(out.end(), pattern.begin(), pattern.end());
    out.insert(out.end(), packed.begin(), packed.end());
    Bytes instrument(263 + 40, 0);
    put32(instrument, 0, 263);
    putText(instrument, 4, "wave", 22);
    put16(instrument, 27, 1);   // samples
    put32(instrument, 29, 40);  // sample header size
    const size_t sample = 263;
    put32(instrument, sample, kWaveLength);
    put32(instrument, sample + 4, 0);
    put32(instrument, sample + 8, kWaveLength);
    instrument[sample + 12] = 48;
    instrument[sample + 14] = 1;  // forward loop, 8-bit
    instrument[sample + 15] = 128;
    putText(instrument, sample + 18, "wave", 22);
    int8_t previous = 0;
    for (int8_t point : score.wave) {
        instrument.push_back(static_cast<uint8_t>(point - previous));
        previous = point;
    }
    out.insert(out.end(), instrument.begin(), instrument.end());
    return out;
}

// IT: sample mode (no instruments), one packed pattern of the song's rows.
Bytes itBytes(const Score& score, const std::string& title) {
    Bytes out(192, 0);
    putText(out, 0, "IMPM", 4);
    putText(out, 4, title, 26);
    put16(out, 32, 2);  // orders, with the end marker
    put16(out, 34, 0);  // instruments
    put16(out, 36, 1);  // samples
    put16(out, 38, 1);  // patterns
    put16(out, 40, 0x214);
    put16(out, 42, 0x200);
    put16(out, 44, 1);  // stereo
    out[48] = 128;
    out[49] = 48;
    out[50] = kShortSongSpeed;
    out[51] = kTempo;
    std::fill(out.begin() + 64, out.begin() + 128, 32);
    std::fill(out.begin() + 128, out.begin() + 192, 64);
    out.insert(out.end(), {0, 255});
    const size_t pointers = out.size();
    out.resize(out.size() + 8);
    const size_t header = out.size();
    put32(out, pointers, static_cast<uint32_t>(header));
    out.resize(header + 80, 0);
    putText(out, header, "IMPS", 4);
    putText(out, header + 20, "wave", 26);
    out[header + 17] = 64;
    out[header + 18] = 1 | 0x10;  // data present, looped
    out[header + 19] = 48;
    out[header + 46] = 1;  // signed
    put32(out, header + 48, kWaveLength);
    put32(out, header + 52, 0);
    put32(out, header + 56, kWaveLength);
    put32(out, header + 60, 8363);
    Bytes packed;
    for (int row = 0; row < score.rows; ++row) {
        for (const Note& note : score.notes) {
            if (note.row != row) continue;
            packed.insert(packed.end(), {static_cast<uint8_t>(0x80 | (note.channel + 1)), 3,
                                         static_cast<uint8_t>(note.semitone + 60), 1});
        }
        packed.push_back(0);
    }
    put32(out, pointers + 4, static_cast<uint32_t>(out.size()));
    Bytes pattern(8, 0);
    put16(pattern, 0, static_cast<uint32_t>(packed.size()));
    put16(pattern, 2, static_cast<uint32_t>(score.rows));
    out.insert(out.end(), pattern.begin(), pattern.end());
    out.insert(out.end(), packed.begin(), packed.end());
    put32(out, header + 72, static_cast<uint32_t>(out.size()));
    for (int8_t point : score.wave) out.push_back(static_cast<uint8_t>(point));
    return out;
}

}  // namespace

std::vector<ShortModule> makeShortModules(int variant) {
    const Score score = scoreOf(variant);
    const std::string stem = "short-" + std::to_string(variant);
    std::vector<ShortModule> modules;
    auto add = [&](const char* extension, Bytes (*write)(const Score&, const std::string&)) {
        std::string title = "short " + std::string(extension) + " " + std::to_string(variant);
        modules.push_back({stem + "." + extension, title, score.rows, write(score, title)});
    };
    add("mod", modBytes);
    add("s3m", s3mBytes);
    add("xm", xmBytes);
    add("it", itBytes);
    return modules;
}

}  // namespace tumbor::trk::test
