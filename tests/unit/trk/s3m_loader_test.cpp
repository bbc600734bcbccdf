// The S3M loader over files built byte by byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "libs/trk/loaders/loaders.h"
#include "libs/trk/loaders/sample_stage.h"
#include "libs/trk/sequencer/effects.h"
#include "libs/trk/sequencer/row_time_table.h"

namespace tumbor::trk {
namespace {

struct S3mEntry {
    int row, channel;
    int note = -1, instrument = 0, volume = -1, command = -1, info = 0;
};

struct S3mSample {
    std::vector<uint8_t> data;  // as stored: 8-bit bytes or 16-bit points low byte first
    uint32_t loopStart = 0, loopEnd = 0;
    int volume = 64, flags = 0, type = 1;
    uint32_t c2Speed = 8363;
    std::string name;
};

// An S3M file: header, orders, parapointers, optional panning, sample
// headers, packed patterns and sample data, each at a 16-byte boundary.
struct S3mFile {
    std::string name = "s3m song";
    std::vector<uint8_t> orders{0};
    std::vector<S3mSample> samples;
    std::vector<std::vector<S3mEntry>> patterns{{}};
    std::vector<uint8_t> channelSettings = std::vector<uint8_t>(32, 255);
    std::vector<uint8_t> panning;  // 32 bytes, or none
    int flags = 0, tracker = 0x1320, sampleFormat = 2, globalVolume = 64, speed = 6, tempo = 125,
        masterVolume = 0xB0;

    S3mFile() {
        for (int channel = 0; channel < 8; ++channel)
            channelSettings[static_cast<size_t>(channel)] = channel < 4 ? channel : channel + 4;
    }

    static void align(std::vector<uint8_t>& out) { out.resize((out.size() + 15) / 16 * 16); }
    static void put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
        out[at] = static_cast<uint8_t>(v);
        out[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    static void put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
        put16(out, at, v & 0xFFFF);
        put16(out, at + 2, v >> 16);
    }

    static std::vector<uint8_t> pack(const std::vector<S3mEntry>& entries) {
        std::vector<uint8_t> packed;
        for (int row = 0; row < 64; ++row) {
            for (const S3mEntry& e : entries) {
                if (e.row != row) continue;
                uint8_t what = static_cast<uint8_t>(e.channel & 31);
                if (e.note >= 0) what |= 0x20;
                if (e.volume >= 0) what |= 0x40;
                if (e.command >= 0) what |= 0x80;
                packed.push_back(what);
                if (e.note >= 0)
                    packed.insert(packed.end(),
                                  {static_cast<uint8_t>(e.note), static_cast<uint8_t>(e.instrument)});
                if (e.volume >= 0) packed.push_back(static_cast<uint8_t>(e.volume));
                if (e.command >= 0)
                    packed.insert(packed.end(),
                                  {static_cast<uint8_t>(e.command), static_cast<uint8_t>(e.info)});
            }
            packed.push_back(0);
        }
        return packed;
    }

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out(96, 0);
        std::memcpy(out.data(), name.data(), std::min<size_t>(name.size(), 28));
        out[28] = 0x1A;
        out[29] = 16;
        put16(out, 32, static_cast<uint32_t>(orders.size()));
        put16(out, 34, static_cast<uint32_t>(samples.size()));
        put16(out, 36, static_cast<uint32_t>(patterns.size()));
        put16(out, 38, static_cast<uint32_t>(flags));
        put16(out, 40, static_cast<uint32_t>(tracker));
        put16(out, 42, static_cast<uint32_t>(sampleFormat));
        std::memcpy(out.data() + 44, "SCRM", 4);
        out[48] = static_cast<uint8_t>(globalVolume);
        out[49] = static_cast<uint8_t>(speed);
        out[50] = static_cast<uint8_t>(tempo);
        out[51] = static_cast<uint8_t>(masterVolume);
        out[53] = panning.empty() ? 0 : 252;
        std::copy(channelSettings.begin(), channelSettings.end(), out.begin() + 64);
        out.insert(out.end(), orders.begin(), orders.end());
        size_t pointers = out.size();
        out.resize(out.size() + 2 * (samples.size() + patterns.size()));
        out.insert(out.end(), panning.begin(), panning.end());
        std::vector<size_t> headers;
        for (size_t i = 0; i < samples.size(); ++i) {
            align(out);
            headers.push_back(out.size());
            put16(out, pointers + 2 * i, static_cast<uint32_t>(out.size() / 16));
            out.resize(out.size() + 80, 0);
        }
        for (size_t i = 0; i < patterns.size(); ++i) {
            align(out);
            put16(out, pointers + 2 * (samples.size() + i), static_cast<uint32_t>(out.size() / 16));
            std::vector<uint8_t> packed = pack(patterns[i]);
            size_t at = out.size();
            out.resize(at + 2);
            put16(out, at, static_cast<uint32_t>(packed.size() + 2));
            out.insert(out.end(), packed.begin(), packed.end());
        }
        for (size_t i = 0; i < samples.size(); ++i) {
            const S3mSample& sample = samples[i];
            align(out);
            size_t h = headers[i];
            uint32_t paragraph = static_cast<uint32_t>(out.size() / 16);
            uint32_t pointSize = (sample.flags & 4) ? 2 : 1;
            out[h] = static_cast<uint8_t>(sample.type);
            out[h + 13] = static_cast<uint8_t>(paragraph >> 16);
            put16(out, h + 14, paragraph & 0xFFFF);
            put32(out, h + 16, static_cast<uint32_t>(sample.data.size()) / pointSize);
            put32(out, h + 20, sample.loopStart);
            put32(out, h + 24, sample.loopEnd);
            out[h + 28] = static_cast<uint8_t>(sample.volume);
            out[h + 31] = static_cast<uint8_t>(sample.flags);
            put32(out, h + 32, sample.c2Speed);
            std::memcpy(out.data() + h + 48, sample.name.data(), std::min<size_t>(sample.name.size(), 28));
            std::memcpy(out.data() + h + 76, "SCRS", 4);
            out.insert(out.end(), sample.data.begin(), sample.data.end());
        }
        return out;
    }
};

bool load(const std::vector<uint8_t>& bytes, Song& song) {
    MemoryByteSource source(bytes);
    ModuleReader reader(source);
    if (!loadS3m(reader, song)) return false;
    checkLoadedSong(song);
    ModuleReader samples(source);
    return loadSampleData(samples, song) == kSamplesLoaded;
}

const uint8_t* cellAt(const Song& song, int pattern, int row, int channel) {
    const std::vector<uint8_t>& track = song.findPattern(pattern)->tracks[static_cast<size_t>(channel)];
    return track.empty() ? nullptr : track.data() + row * song.cellSize;
}

TEST(S3mLoader, HeaderOrdersAndChannels) {
    S3mFile file;
    file.channelSettings.assign(32, 0);  // all 32 enabled
    file.orders = {0, 1, 254, 2, 255, 255};
    file.patterns = {{{0, 3, 0x40, 1}}, {}, {}};
    file.speed = 3;
    file.tempo = 150;
    file.flags = 0x50;
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    EXPECT_EQ(song.name, "s3m song");
    EXPECT_EQ(song.channelCount, 4) << "channels 0 .. 3 are used";
    EXPECT_EQ(song.length, 4) << "the trailing markers are dropped, the inner one stays";
    EXPECT_EQ(song.orders[2], 254);
    EXPECT_EQ(song.initialSpeed, 3);
    EXPECT_EQ(song.initialTempo, 150);
    EXPECT_TRUE(song.fastSlides);
    EXPECT_TRUE(song.amigaLimits);
    EXPECT_EQ(song.cellSize, 5);
    // Scream Tracker 3.00 always slid on the first tick; later versions by the flag.
    for (int tracker : {0x1300, 0x1320}) {
        file.flags = 0;
        file.tracker = tracker;
        Song other;
        ASSERT_TRUE(load(file.bytes(), other));
        EXPECT_EQ(other.fastSlides, tracker == 0x1300) << tracker;
    }
    for (int gv : {64, 32, 0, 63}) {
        file.globalVolume = gv;
        Song other;
        ASSERT_TRUE(load(file.bytes(), other));
        EXPECT_EQ(other.initialGlobalVolume, gv == 32 ? 128 : gv == 63 ? 252 : 255) << gv;
    }
}

TEST(S3mLoader, PanningFromTheBlockOrTheStereoRule) {
    S3mFile file;
    file.panning.assign(32, 0);
    file.panning[0] = 0x20 | 3;  // panning step 3
    Song stereo;
    ASSERT_TRUE(load(file.bytes(), stereo));
    EXPECT_EQ(stereo.channelPanning[0], 51) << "panning step 3";
    EXPECT_EQ(stereo.channelPanning[1], 51) << "a left channel";
    EXPECT_EQ(stereo.channelPanning[5], 204) << "a right channel";
    EXPECT_EQ(stereo.channelPanning[20], 85) << "a disabled channel keeps the default";
    file.masterVolume = 0x30;
    Song mono;
    ASSERT_TRUE(load(file.bytes(), mono));
    EXPECT_EQ(mono.channelPanning[0], 51);
    EXPECT_EQ(mono.channelPanning[1], 119);
}

TEST(S3mLoader, CellsAndCommands) {
    struct Case {
        int command, info, effect, parameter;
    };
    const Case cases[] = {
        {1, 5, kSetSpeed, 5},
        {2, 3, kPositionJump, 3},
        {3, 0x12, kPatternBreak, 0x12},
        {4, 0x0F, kFineVolumeSlide, 0x0F},
        {5, 0xF1, kFinePortamentoDown, 0xF1},
        {6, 0x20, kFinePortamentoUp, 0x20},
        {7, 9, kTonePortamento, 9},
        {8, 0x44, kVibrato, 0x44},
        {9, 0x21, kTremor, 0x21},
        {10, 0x37, kArpeggio, 0x37},
        {11, 2, kVibratoFineVolumeSlide, 2},
        {12, 3, kTonePortamentoFineVolumeSlide, 3},
        {15, 4, kSampleOffset, 4},
        {17, 0x52, kRetriggerVolume, 0x52},
        {18, 0x33, kTremolo, 0x33},
        {20, 140, kTempoSlide, 140},
        {21, 0x48, kFineVibrato, 0x48},
        {22, 40, kSetGlobalVolume, 160},
        {22, 64, kSetGlobalVolume, 255},
        {22, 65, 0, 0},  // out of range: ignored
        {24, 0x40, kExtended, 0x88},
        {24, 128, kExtended, 0x8F},
        {24, 129, 0, 0},
        {26, 5, kSetPanning, 85},
        {19, 0x13, kExtended, 0x33},
        {19, 0x25, kExtended, 0x55},
        {19, 0x31, kExtended, 0x41},
        {19, 0x42, kExtended, 0x72},
        {19, 0x8C, kExtended, 0x8C},
        {19, 0xA1, 0, 0},  // stereo control: no internal form
        {19, 0xB2, kExtended, 0x62},
        {19, 0xC3, kExtended, 0xC3},
        {19, 0xD1, kExtended, 0xD1},
        {19, 0xE2, kExtended, 0xE2},
        {19, 0x61, 0, 0},
        {19, 0xF1, 0, 0},
        {13, 1, 0, 0},
        {26 + 1, 1, 0, 0},
    };
    S3mFile file;
    int row = 0;
    for (const Case& c : cases) file.patterns[0].push_back({row++, 1, -1, 0, -1, c.command, c.info});
    file.patterns[0].push_back({40, 2, 0x4B, 3, 70});  // B-4, instrument 3; volume 70 is none
    file.patterns[0].push_back({41, 2, 254, 0, 0});    // note off, volume 0
    file.patterns[0].push_back({42, 2, 0x2C});         // a note with an impossible semitone
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    row = 0;
    for (const Case& c : cases) {
        const uint8_t* cell = cellAt(song, 0, row++, 1);
        EXPECT_EQ(cell[kCellEffect], c.effect) << "command " << c.command << " info " << c.info;
        EXPECT_EQ(cell[kCellParameter], c.parameter) << "command " << c.command << " info " << c.info;
        EXPECT_EQ(cell[kCellNote], 0);
        EXPECT_EQ(cell[kCellVolume], kNoVolume);
    }
    const uint8_t* note = cellAt(song, 0, 40, 2);
    EXPECT_EQ(note[kCellNote], 4 * 12 + 11);
    EXPECT_EQ(note[kCellInstrument], 3);
    EXPECT_EQ(note[kCellVolume], kNoVolume);
    EXPECT_EQ(cellAt(song, 0, 41, 2)[kCellNote], kNoteOff);
    EXPECT_EQ(cellAt(song, 0, 41, 2)[kCellVolume], 0);
    EXPECT_EQ(cellAt(song, 0, 42, 2)[kCellNote], 0);
    EXPECT_EQ(cellAt(song, 0, 43, 2)[kCellInstrument], 0) << "rows without an entry name no instrument";
}

TEST(S3mLoader, DisabledChannelsAreReadAndDropped) {
    S3mFile file;
    file.channelSettings[6] = 128;
    file.patterns[0] = {{0, 6, 0x40, 1, 30, 1, 3}, {0, 2, 0x41, 1}};
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    EXPECT_EQ(song.channelCount, 3);
    EXPECT_EQ(cellAt(song, 0, 0, 2)[kCellNote], 49) << "the entry after the dropped one is read";
}

TEST(S3mLoader, SamplesTheirDataAndFormats) {
    S3mFile file;
    S3mSample eight;
    eight.data = {0x80, 0x90, 0x70, 0xFF};
    eight.loopStart = 1;
    eight.loopEnd = 3;
    eight.flags = 1;
    eight.volume = 50;
    eight.c2Speed = 22050;
    eight.name = "eight";
    S3mSample sixteen;
    sixteen.data = {0x00, 0x80, 0xFF, 0xFF, 0x00, 0x00};  // three points
    sixteen.flags = 4;
    S3mSample adlib;
    adlib.type = 2;
    adlib.data = {1, 2, 3};
    file.samples = {eight, sixteen, adlib};
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    EXPECT_EQ(song.instrumentCount, 3);
    EXPECT_EQ(song.findInstrument(1)->name, "eight");
    const Sample& first = *song.findSample(1);
    EXPECT_EQ(first.length, 4u);
    EXPECT_TRUE(first.loops());
    EXPECT_EQ(first.loopEnd, 3u);
    EXPECT_EQ(first.volume, 50);
    EXPECT_EQ(first.c4Speed, 22050);
    EXPECT_EQ(first.data[0], 0x00) << "unsigned data made signed";
    EXPECT_EQ(first.data[1], 0x10);
    const Sample& second = *song.findSample(2);
    EXPECT_EQ(second.length, 6u) << "16-bit lengths count points";
    EXPECT_TRUE(second.is16Bit());
    EXPECT_EQ(second.data[1], 0x00);
    EXPECT_EQ(second.data[3], 0x7F);
    EXPECT_EQ(song.findSample(3)->length, 0u) << "an FM instrument has no sample";

    file.sampleFormat = 1;
    Song signedSong;
    ASSERT_TRUE(load(file.bytes(), signedSong));
    EXPECT_EQ(signedSong.findSample(1)->data[0], 0x80);
}

TEST(S3mLoader, EveryPrefixLoadsOrFailsCleanly) {
    S3mFile file;
    S3mSample sample;
    sample.data.assign(100, 0x90);
    file.samples = {sample, sample};
    file.patterns = {{{0, 0, 0x40, 1, 20, 4, 0x0A}}, {{5, 1, 0x50, 2}}};
    file.orders = {0, 1};
    file.panning.assign(32, 0x28);
    std::vector<uint8_t> bytes = file.bytes();
    for (size_t size = 0; size < bytes.size(); ++size) {
        Song song;
        std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(size));
        MemoryByteSource source(prefix);
        ModuleReader reader(source);
        if (!loadS3m(reader, song)) continue;
        checkLoadedSong(song);
        ModuleReader samples(source);
        loadSampleData(samples, song);
    }
    Song whole;
    ASSERT_TRUE(load(bytes, whole));
    RowTimeTable table = RowTimeTable::build(whole);
    EXPECT_EQ(table.entries().size(), 128u);
}

}  // namespace
}  // namespace tumbor::trk
