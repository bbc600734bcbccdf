// The DSM loader over RIFF files built byte by byte: the chunk walk, the
// song header, instruments with their data, packed patterns and effects.
#include <gtest/gtest.h>

#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/loader_rig.h"

namespace tumbor::trk::test {
namespace {

// A DSM file as a list of chunks, written in order.
struct DsmFile {
    FileBuilder chunks;

    void song(int channels, std::vector<uint8_t> orders, int speed = 6, int tempo = 125) {
        FileBuilder data;
        data.text("dsm song", 28).u16(0).u16(0).u32(0).u16(static_cast<int>(orders.size())).u16(0).u16(0);
        data.u16(channels).u8(64).u8(64).u8(speed).u8(tempo);
        for (int channel = 0; channel < 16; ++channel) data.u8(channel * 16);
        orders.resize(128, 255);
        data.append(orders);
        chunk("SONG", data.bytes);
    }
    void instrument(const std::vector<uint8_t>& samples, int flags, uint32_t loopStart = 0,
                    uint32_t loopEnd = 0, uint32_t declaredLength = 0) {
        FileBuilder data;
        data.text("file", 13).u16(flags).u8(48);
        data.u32(declaredLength ? declaredLength : static_cast<uint32_t>(samples.size()));
        data.u32(loopStart).u32(loopEnd).u32(0).u16(22050).u16(0).text("dsm sample", 28).append(samples);
        chunk("INST", data.bytes);
    }
    // Rows without the zero that ends each; the rest of 64 rows empty.
    void pattern(const std::vector<std::vector<uint8_t>>& rows) {
        FileBuilder data;
        data.u16(0);
        for (const std::vector<uint8_t>& row : rows) data.append(row).u8(0);
        data.zeros(64 - rows.size());
        data.put16(0, static_cast<int>(data.size()));
        chunk("PATT", data.bytes);
    }
    void chunk(const char* id, const std::vector<uint8_t>& data) {
        chunks.text(id, 4).u32(static_cast<uint32_t>(data.size())).append(data);
    }
    std::vector<uint8_t> bytes() const {
        FileBuilder f;
        f.text("RIFF", 4).u32(static_cast<uint32_t>(chunks.size() + 4)).text("DSMF", 4).append(chunks.bytes);
        return f.bytes;
    }
};

TEST(DsmLoader, ChunksSongAndInstruments) {
    DsmFile file;
    file.chunk("INFO", {1, 2, 3});
    file.song(6, {0, 1, 0}, 5, 140);
    file.instrument({0x80, 0x90, 0xA0, 0xB0}, 1, 1, 3);  // unsigned, looped
    file.instrument({1, 2}, 2);                          // signed
    file.pattern({});
    file.pattern({});
    Song song;
    ASSERT_TRUE(loadWith(loadDsm, file.bytes(), song));
    EXPECT_EQ(song.format, SongFormat::dsm);
    EXPECT_EQ(song.name, "dsm song");
    EXPECT_EQ(song.channelCount, 6);
    EXPECT_EQ(song.length, 3);
    EXPECT_EQ(song.initialSpeed, 5);
    EXPECT_EQ(song.initialTempo, 140);
    EXPECT_EQ(song.channelPanning[1], 32) << "16 x 2";
    EXPECT_EQ(song.channelPanning[8], 255) << "128 and above";
    EXPECT_EQ(song.patternCount, 2);
    EXPECT_EQ(song.instrumentCount, 2);
    const Sample& first = *song.findSample(1);
    EXPECT_EQ(song.findInstrument(1)->name, "dsm sample");
    EXPECT_EQ(first.c4Speed, 22050);
    EXPECT_EQ(first.volume, 48);
    EXPECT_TRUE(first.loops());
    EXPECT_EQ(first.data[1], 0x10) << "unsigned data made signed";
    EXPECT_EQ(song.findSample(2)->data[1], 2) << "signed data as they are";
}

TEST(DsmLoader, PackedRowsAndEffects) {
    DsmFile file;
    file.song(4, {0});
    file.pattern({{0x80 | 0x40 | 0x20 | 1, 49, 2, 90},                        // note, instrument, volume 90
                  {0x10 | 2, 8, 0x40, 0x10 | 3, 8, 0x80, 0x10 | 0, 8, 0x81},  // panning forms
                  {0x10 | 0, 1, 5, 0x10 | 1, 11, 129, 0x10 | 2, 11, 3, 0x10 | 3, 16, 1},
                  {0x10 | 0, 10, 0x21, 0x80 | 1, 129}});
    Song song;
    ASSERT_TRUE(loadWith(loadDsm, file.bytes(), song));
    const uint8_t* cell = cellAt(song, 0, 0, 1);
    EXPECT_EQ(cell[kCellNote], 48);
    EXPECT_EQ(cell[kCellInstrument], 2);
    EXPECT_EQ(cell[kCellVolume], kNoVolume) << "65 and above are none";
    EXPECT_EQ(cellAt(song, 0, 1, 2)[kCellEffect], kSetPanning);
    EXPECT_EQ(cellAt(song, 0, 1, 2)[kCellParameter], 0x80);
    EXPECT_EQ(cellAt(song, 0, 1, 3)[kCellParameter], 0) << "(128 & 127) x 2";
    EXPECT_EQ(cellAt(song, 0, 1, 0)[kCellEffect], 8) << "above 128 stays effect 8";
    EXPECT_EQ(cellAt(song, 0, 2, 0)[kCellEffect], 0) << "command 1 is none";
    EXPECT_EQ(cellAt(song, 0, 2, 0)[kCellParameter], 0);
    EXPECT_EQ(cellAt(song, 0, 2, 1)[kCellEffect], 0) << "a jump to 129 and beyond is none";
    EXPECT_EQ(cellAt(song, 0, 2, 2)[kCellEffect], kPositionJump);
    EXPECT_EQ(cellAt(song, 0, 2, 3)[kCellEffect], 0) << "commands above 15";
    EXPECT_EQ(cellAt(song, 0, 3, 0)[kCellEffect], kVolumeSlide);
    EXPECT_EQ(cellAt(song, 0, 3, 0)[kCellParameter], 0x21);
    EXPECT_EQ(cellAt(song, 0, 3, 1)[kCellNote], 0) << "notes above 128 are none";
}

TEST(DsmLoader, BrokenAndTruncatedFiles) {
    DsmFile noSong;
    noSong.pattern({});
    Song song;
    EXPECT_FALSE(loadWith(loadDsm, noSong.bytes(), song)) << "no song header";
    DsmFile wide;
    wide.song(17, {0});
    EXPECT_FALSE(loadWith(loadDsm, wide.bytes(), song)) << "17 channels";

    DsmFile file;
    file.song(4, {0});
    file.pattern({{0x80 | 0x40, 49, 1}});
    file.instrument(std::vector<uint8_t>(12, 0x80), 0, 0, 0, 1000);  // longer than its chunk
    std::vector<uint8_t> bytes = file.bytes();
    Song whole;
    ASSERT_TRUE(loadWith(loadDsm, bytes, whole));
    EXPECT_EQ(whole.findSample(1)->length, 12u) << "the data stay inside their chunk";
    // The song chunk is needed; cut patterns play empty and cut instruments
    // with their data are dropped or silent.
    EXPECT_GT(loadEveryPrefix(loadDsm, bytes), 0);
    EXPECT_TRUE(loadWith(loadDsm, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 12 + 8 + 192), song));
}

TEST(DsmLoader, PlaysThroughTheSequencer) {
    DsmFile file;
    file.song(4, {0});
    file.instrument(std::vector<uint8_t>(100, 0x90), 0);
    file.pattern({{0x80 | 0x40, 49, 1}});
    LoadedSongRig rig;
    ASSERT_TRUE(rig.load(loadDsm, file.bytes()));
    EXPECT_EQ(RowTimeTable::build(rig.song).lengthTenths(), 76);
    rig.begin();
    EXPECT_EQ(rig.voice(0).starts, 1);
    EXPECT_NEAR(rig.voice(0).frequency, 22050, 55) << "the sample's rate, as near as whole periods come";
}

}  // namespace
}  // namespace tumbor::trk::test
