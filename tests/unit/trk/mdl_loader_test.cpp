// The MDL loader over files built byte by byte: the chunk walk, song
// information, shared packed tracks, both effect columns, instruments with
// their samples, envelopes and packed data, truncation and playback.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/loader_rig.h"

namespace tumbor::trk::test {
namespace {

struct MdlFile {
    int version = 0x11;
    FileBuilder chunks;

    std::vector<uint8_t> bytes() const {
        FileBuilder f;
        f.text("DMDL", 4).u8(version).append(chunks.bytes);
        return f.bytes;
    }
    void chunk(const char* id, const std::vector<uint8_t>& data) {
        chunks.text(id, 2).u32(static_cast<uint32_t>(data.size())).append(data);
    }
    // Channel bytes: panning in the low 7 bits, bit 7 off.
    void info(std::vector<uint8_t> orders, std::vector<uint8_t> channels, int speed = 6, int tempo = 125) {
        FileBuilder data;
        data.text("mdl song", 32).text("composer", 20).u16(static_cast<int>(orders.size())).u16(0);
        data.u8(200).u8(speed).u8(tempo);
        channels.resize(32, 0x80);
        data.append(channels).append(orders).zeros(8 * 32);
        chunk("IN", data.bytes);
    }
    // Patterns of (last row, track numbers).
    void patterns(const std::vector<std::pair<int, std::vector<int>>>& list) {
        FileBuilder data;
        data.u8(static_cast<int>(list.size()));
        for (const auto& [lastRow, tracks] : list) {
            data.u8(static_cast<int>(tracks.size())).u8(lastRow).text("pattern", 16);
            for (int track : tracks) data.u16(track);
        }
        chunk("PA", data.bytes);
    }
    void tracks(const std::vector<std::vector<uint8_t>>& list) {
        FileBuilder data;
        data.u16(static_cast<int>(list.size()));
        for (const std::vector<uint8_t>& track : list) data.u16(static_cast<int>(track.size())).append(track);
        chunk("TR", data.bytes);
    }
};

// A row of all six fields: control byte 0xFF and the fields.
std::vector<uint8_t> fullRow(int note, int instrument, int volume, int effects, int p1, int p2) {
    return {0xFF,
            static_cast<uint8_t>(note),
            static_cast<uint8_t>(instrument),
            static_cast<uint8_t>(volume),
            static_cast<uint8_t>(effects),
            static_cast<uint8_t>(p1),
            static_cast<uint8_t>(p2)};
}

// One instrument: number, and per sample (IS number, last note, volume,
// volume flags, panning, panning flags).
std::vector<uint8_t> instrument(int number, const std::vector<std::array<int, 6>>& samples) {
    FileBuilder data;
    data.u8(number).u8(static_cast<int>(samples.size())).text("instrument", 32);
    for (const auto& s : samples)
        data.u8(s[0]).u8(s[1]).u8(s[2]).u8(s[3]).u8(s[4]).u8(s[5]).u16(300).zeros(6);
    return data.bytes;
}

std::vector<uint8_t> sampleInfo(int number, uint32_t length, uint32_t loopStart, uint32_t loopLength,
                                int flags, uint32_t c4Speed = 8363) {
    FileBuilder data;
    data.u8(number).text("mdl sample", 32).text("file", 8).u32(c4Speed).u32(length).u32(loopStart);
    data.u32(loopLength).u8(0).u8(flags);
    return data.bytes;
}

// Encoding 1 for deltas 0 .. 7: a sign bit 0, a 1 bit and the 3-bit value.
std::vector<uint8_t> packSmallDeltas(const std::vector<int>& deltas) {
    std::vector<uint8_t> stream((deltas.size() * 5 + 31) / 32 * 4);
    size_t bit = 0;
    auto put = [&](int value, int count) {
        for (int i = 0; i < count; ++i, ++bit)
            if (value >> i & 1) stream[bit / 8] |= static_cast<uint8_t>(1 << bit % 8);
    };
    for (int delta : deltas) {
        put(0, 1);
        put(1, 1);
        put(delta, 3);
    }
    FileBuilder data;
    data.u32(static_cast<uint32_t>(stream.size())).append(stream);
    return data.bytes;
}

TEST(MdlLoader, SongInformation) {
    MdlFile file;
    file.info({0, 1, 0}, {0x00, 0x7F, 0x40, 0x80, 0x10}, 5, 150);
    Song song;
    ASSERT_TRUE(loadWith(loadMdl, file.bytes(), song));
    EXPECT_EQ(song.format, SongFormat::mdl);
    EXPECT_EQ(song.cellSize, 7);
    EXPECT_EQ(song.name, "mdl song");
    EXPECT_EQ(song.channelCount, 3) << "the leading enabled channels";
    EXPECT_EQ(song.channelPanning[1], 254);
    EXPECT_EQ(song.channelPanning[2], 128);
    EXPECT_EQ(song.initialSpeed, 5);
    EXPECT_EQ(song.initialTempo, 150);
    EXPECT_EQ(song.initialGlobalVolume, 200);
    EXPECT_EQ(song.maxChannelVolume, 255);
    EXPECT_EQ(song.length, 3);
    EXPECT_EQ(song.orders[1], 1);

    file.version = 0x20;
    Song newer;
    EXPECT_FALSE(loadWith(loadMdl, file.bytes(), newer)) << "a major version after 1";
    Song none;
    EXPECT_FALSE(loadWith(loadMdl, {'D', 'M', 'D', 'L', 0x11}, none)) << "no song information";
}

TEST(MdlLoader, SharedTracksAndTheirControlBytes) {
    MdlFile file;
    file.info({0, 1}, {0x40, 0x40, 0x40});
    std::vector<uint8_t> track = fullRow(49, 2, 100, 0, 0, 0);                // row 0
    for (int control : {1 << 2 | 0,                                           // rows 1 and 2 empty
                        1 << 2 | 1,                                           // rows 3 and 4 repeat row 2
                        0 << 2 | 2,                                           // row 5 copies row 0
                        0x10 | 3, 40,                                         // row 6: the volume only
                        63 << 2 | 1,                                          // rows 7 .. 70 repeat row 6
                        63 << 2 | 1, 63 << 2 | 1, 63 << 2 | 1, 63 << 2 | 1})  // past row 255: cut
        track.push_back(static_cast<uint8_t>(control));
    file.tracks({track, {0x04 | 3, 255}});
    file.patterns({{63, {1, 0, 2}}, {99, {2, 1}}});
    Song song;
    ASSERT_TRUE(loadWith(loadMdl, file.bytes(), song));
    EXPECT_EQ(song.patternCount, 2);
    EXPECT_EQ(song.findPattern(1)->rows, 100);
    const uint8_t* cell = cellAt(song, 0, 0, 0);
    EXPECT_EQ(cell[kCellNote], 48) << "notes count from one lower";
    EXPECT_EQ(cell[kCellInstrument], 2);
    EXPECT_EQ(cell[kCellVolume], 100);
    EXPECT_EQ(cellAt(song, 0, 2, 0)[kCellNote], 0);
    EXPECT_EQ(cellAt(song, 0, 4, 0)[kCellNote], 0) << "repeats of an empty row";
    EXPECT_EQ(cellAt(song, 0, 5, 0)[kCellNote], 48) << "a copy of row 0";
    EXPECT_EQ(cellAt(song, 0, 6, 0)[kCellVolume], 40);
    EXPECT_EQ(cellAt(song, 0, 6, 0)[kCellNote], 0);
    EXPECT_EQ(cellAt(song, 0, 63, 0)[kCellVolume], 40);
    EXPECT_EQ(cellAt(song, 0, 0, 1), nullptr) << "track 0";
    EXPECT_EQ(cellAt(song, 0, 0, 2)[kCellNote], kNoteOff);
    EXPECT_EQ(cellAt(song, 1, 0, 0)[kCellNote], kNoteOff) << "the same track in another pattern";
    EXPECT_EQ(cellAt(song, 1, 99, 1)[kCellVolume], 40);
}

TEST(MdlLoader, EffectColumns) {
    struct Case {
        int effects, p1, p2;
        int code1, parameter1, code2, parameter2;
    } cases[] = {
        {0x01, 0x20, 0, kPortamentoUpTwoRange, 0x20, 0, 0},
        {0x02, 0xE3, 0, kPortamentoDownTwoRange, 0xE3, 0, 0},
        {0x03, 9, 0, kTonePortamento, 9, 0, 0},
        {0x04, 0x45, 0, kVibrato, 0x45, 0, 0},
        {0x05, 0x37, 0, kNoEffect31, 0x37, 0, 0},
        {0x06, 1, 0, 0, 0, 0, 0},
        {0x07, 140, 0, kSpeedTempo, 140, 0, 0},
        {0x08, 0x40, 0, kSetPanning, 0x80, 0, 0},
        {0x09, 1, 0, 0, 0, 0, 0},
        {0x0B, 3, 0, kPositionJump, 3, 0, 0},
        {0x0C, 0, 0, kSetGlobalVolume, 1, 0, 0},
        {0x0D, 0x12, 0, kPatternBreak, 0x12, 0, 0},
        {0x0E, 0x13, 0, kPanningSlideLeft, 6, 0, 0},
        {0x0E, 0x24, 0, kPanningSlideRight, 8, 0, 0},
        {0x0E, 0xA5, 0, kGlobalVolumeSlideUp, 5, 0, 0},
        {0x0E, 0xB6, 0, kGlobalVolumeSlideDown, 6, 0, 0},
        {0x0E, 0x83, 0, kExtended, 0x83, 0, 0},
        {0x0E, 0xF1, 0x23, kSampleOffsetLong, 0x23, kNoEffect31, 1},  // offset 0x12300
        {0x0F, 4, 0, kSpeedTempo, 4, 0, 0},
        {0x10, 0, 0xE2, 0, 0, kVolumeSlideUpTwoRange, 0xE2},
        {0x20, 0, 7, 0, 0, kVolumeSlideDownTwoRange, 7},
        {0x30, 0, 0x23, 0, 0, 0, 0},
        {0x40, 0, 0x23, 0, 0, kTremolo, 0x23},
        {0x50, 0, 0x23, 0, 0, kTremor, 0x23},
        {0x60, 0, 1, 0, 0, 0, 0},
        {0x70, 0, 125, 0, 0, kSpeedTempo, 125},
        {0x80, 0, 0x7F, 0, 0, kSetPanning, 254},
        {0x90, 0, 1, 0, 0, 0, 0},
        {0xB0, 0, 2, 0, 0, kPositionJump, 2},
        {0xC0, 0, 9, 0, 0, kSetGlobalVolume, 9},
        {0xD0, 0, 0x10, 0, 0, kPatternBreak, 0x10},
        {0xE0, 0, 0x23, 0, 0, kPanningSlideRight, 6},
        {0xE0, 0, 0xB2, 0, 0, kGlobalVolumeSlideDown, 2},
        {0xE0, 0, 0x31, 0, 0, 0, 0},
        {0xE0, 0, 0x81, 0, 0, 0, 0},
        {0xE0, 0, 0xF1, 0, 0, 0, 0},
        {0xE0, 0, 0xC2, 0, 0, kExtended, 0xC2},
        {0xF0, 0, 3, 0, 0, kSpeedTempo, 3},
        {0x87, 0x20, 0x20, kSpeedTempo, 0x20, kSetPanning, 0x40},
    };
    MdlFile file;
    file.info({0}, {0x40});
    std::vector<uint8_t> track;
    for (const Case& c : cases) {
        std::vector<uint8_t> row = {0xE0 | 3, static_cast<uint8_t>(c.effects), static_cast<uint8_t>(c.p1),
                                    static_cast<uint8_t>(c.p2)};
        track.insert(track.end(), row.begin(), row.end());
    }
    file.tracks({track});
    file.patterns({{63, {1}}});
    Song song;
    ASSERT_TRUE(loadWith(loadMdl, file.bytes(), song));
    int row = 0;
    for (const Case& c : cases) {
        const uint8_t* cell = cellAt(song, 0, row++, 0);
        EXPECT_EQ(cell[kCellEffect], c.code1) << std::hex << c.effects << " " << c.p1;
        EXPECT_EQ(cell[kCellParameter], c.parameter1) << std::hex << c.effects << " " << c.p1;
        EXPECT_EQ(cell[kCellEffect2], c.code2) << std::hex << c.effects << " " << c.p2;
        EXPECT_EQ(cell[kCellParameter2], c.parameter2) << std::hex << c.effects << " " << c.p2;
    }
}

// Two instruments sharing sample information 1 (packed) and 2 (plain).
MdlFile instrumentSong() {
    MdlFile file;
    file.info({0}, {0x40});
    file.chunk("II", [] {
        FileBuilder data;
        data.u8(2);
        // Instrument 1: IS 2 up to note 23 at volume 200, IS 1 above.
        data.append(instrument(1, {{2, 23, 200, 0x40, 0, 0}, {1, 119, 50, 0x80 | 3, 100, 0x40}}));
        data.append(instrument(3, {{1, 59, 0, 0, 0, 0}}));
        return data.bytes;
    }());
    FileBuilder envelopes;
    envelopes.u8(1).u8(3).u8(1).u8(0).u8(4).u8(40).u8(2).u8(20).zeros(24).u8(0x10 | 0x20 | 1).u8(0x20);
    file.chunk("VE", envelopes.bytes);
    FileBuilder infos;
    infos.u8(2).append(sampleInfo(2, 6, 2, 2, 0)).append(sampleInfo(1, 8, 0, 0, 1 << 2, 16000));
    file.chunk("IS", infos.bytes);
    // In number order: sample 1 packed, then sample 2 plain.
    FileBuilder data;
    data.append(packSmallDeltas({1, 1, 1, 1, 1, 1, 1, 1})).append({9, 8, 7, 6, 5, 4});
    file.chunk("SA", data.bytes);
    return file;
}

TEST(MdlLoader, InstrumentsSamplesAndEnvelopes) {
    Song song;
    ASSERT_TRUE(loadWith(loadMdl, instrumentSong().bytes(), song));
    EXPECT_EQ(song.instrumentCount, 3);
    const Instrument& first = *song.findInstrument(1);
    EXPECT_EQ(first.name, "instrument");
    EXPECT_EQ(first.noteMap[0], 0);
    EXPECT_EQ(first.noteMap[23], 0);
    EXPECT_EQ(first.noteMap[24], 1);
    EXPECT_EQ(first.noteMap[119], 1);
    EXPECT_EQ(first.noteMap[120], -1);
    EXPECT_EQ(song.findInstrument(3)->noteMap[0], 32) << "samples 16 x (instrument - 1) + k";

    const Sample& plain = *song.findSample(1);
    EXPECT_EQ(plain.volume, 200) << "volume with flag bit 6";
    EXPECT_EQ(plain.panning, -1);
    EXPECT_TRUE(plain.loops());
    EXPECT_EQ(plain.loopEnd, 4u);
    EXPECT_EQ(plain.data[0], 9);
    EXPECT_EQ(plain.data[3], 6);
    EXPECT_EQ(plain.noteStart.fadeout, 300);

    const Sample& packed = *song.findSample(2);
    EXPECT_EQ(packed.encoding, SampleEncoding::mdl8);
    EXPECT_EQ(packed.c4Speed, 16000);
    EXPECT_EQ(packed.volume, 0) << "no volume flag";
    EXPECT_EQ(packed.panning, 200);
    EXPECT_EQ(packed.data[0], 1);
    EXPECT_EQ(packed.data[7], 8) << "running sum of the deltas";
    const Sample& copy = *song.findSample(33);
    EXPECT_EQ(copy.data[7], 8) << "a second instrument's copy of the same data";

    ASSERT_TRUE(packed.noteStart.volumeEnvelope);
    const Envelope& envelope = *packed.noteStart.volumeEnvelope;
    ASSERT_EQ(envelope.values.size(), 512u);
    EXPECT_EQ(envelope.values[0], 0);
    EXPECT_EQ(envelope.values[2], 20);
    EXPECT_EQ(envelope.values[4], 40);
    EXPECT_EQ(envelope.values[5], 30);
    EXPECT_EQ(envelope.values[511], 20);
    EXPECT_TRUE(envelope.sustains);
    EXPECT_EQ(envelope.sustainBegin, 4);
    EXPECT_TRUE(envelope.loops);
    EXPECT_EQ(envelope.loopBegin, 0);
    EXPECT_EQ(envelope.loopEnd, 6);
    EXPECT_FALSE(plain.noteStart.volumeEnvelope) << "no envelope flag";
}

// Version 0.0 (Digitrakker 2.0 to 2.2): patterns of 32 track numbers and
// 64 rows, sample records with a 16-bit C4 speed and a volume of their own,
// and no instruments: a cell's instrument number plays that sample on every key.
TEST(MdlLoader, Version0Layout) {
    MdlFile file;
    file.version = 0x00;
    file.info({0}, {0x40, 0x40});
    file.tracks({fullRow(49, 3, 0, 0, 0, 0)});
    FileBuilder patterns;
    patterns.u8(1).u16(0).u16(1).zeros(2 * 30);
    file.chunk("PA", patterns.bytes);
    FileBuilder infos;
    infos.u8(1).u8(3).text("old sample", 32).text("file", 8).u16(16000).u32(4).u32(0).u32(0).u8(180).u8(0);
    file.chunk("IS", infos.bytes);
    file.chunk("SA", {1, 2, 3, 4});
    LoadedSongRig rig;
    ASSERT_TRUE(rig.load(loadMdl, file.bytes()));
    EXPECT_EQ(rig.song.findPattern(0)->rows, 64);
    EXPECT_EQ(cellAt(rig.song, 0, 0, 1)[kCellNote], 48);
    const Sample& sample = *rig.song.findSample(3);
    EXPECT_EQ(sample.name, "old sample");
    EXPECT_EQ(sample.c4Speed, 16000);
    EXPECT_EQ(sample.volume, 180);
    EXPECT_EQ(sample.length, 4u);
    EXPECT_EQ(sample.data[3], 4);
    EXPECT_EQ(rig.song.instrumentCount, 3);
    EXPECT_EQ(rig.song.findInstrument(3)->noteMap[0], 2);
    EXPECT_EQ(rig.song.findInstrument(3)->noteMap[119], 2);
    rig.begin();
    EXPECT_EQ(rig.voice(1).starts, 1);
    EXPECT_EQ(rig.channel(1).volume, 180);
}

TEST(MdlLoader, TruncatedFiles) {
    MdlFile file = instrumentSong();
    file.tracks({fullRow(49, 1, 0, 0, 0, 0)});
    file.patterns({{3, {1}}});
    std::vector<uint8_t> bytes = file.bytes();
    int loaded = loadEveryPrefix(loadMdl, bytes);
    EXPECT_GT(loaded, 0);
    EXPECT_LT(loaded, static_cast<int>(bytes.size()));
    // Cut sample data: the packed stream is dropped whole, plain data go silent.
    Song song;
    const uint8_t saHeader[] = {'S', 'A', 18, 0, 0, 0};
    auto sa = std::search(bytes.begin(), bytes.end(), saHeader, saHeader + 6);
    ASSERT_NE(sa, bytes.end());
    ASSERT_TRUE(loadWith(loadMdl, std::vector<uint8_t>(bytes.begin(), sa + 6 + 5), song));
    EXPECT_EQ(song.findSample(2)->length, 0u);
    EXPECT_EQ(song.findSample(1)->length, 0u) << "it follows the packed sample, which could not be found";
}

TEST(MdlLoader, PlaysThroughTheSequencer) {
    MdlFile file = instrumentSong();
    file.tracks({fullRow(49, 1, 0, 0x0F, 4, 0)});  // note 48 plays IS 1 at 16000 Hz, speed 4
    file.patterns({{15, {1}}});
    LoadedSongRig rig;
    ASSERT_TRUE(rig.load(loadMdl, file.bytes()));
    EXPECT_EQ(RowTimeTable::build(rig.song).lengthTenths(), 12) << "16 rows of 4 ticks at tempo 125";
    rig.begin();
    EXPECT_EQ(rig.voice(0).starts, 1);
    EXPECT_NEAR(rig.voice(0).frequency, 16000, 40) << "the sample's rate, as near as whole periods come";
    EXPECT_EQ(rig.channel(0).volume, 255) << "no default volume keeps the channel's";
    EXPECT_EQ(rig.channel(0).panning, 200);
}

}  // namespace
}  // namespace tumbor::trk::test
