// The MTM loader over files built byte by byte: header, shared tracks, cell
// bits, sample headers and data, truncation, and a song that plays.
#include <gtest/gtest.h>

#include <array>

#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/loader_rig.h"

namespace tumbor::trk::test {
namespace {

struct MtmSample {
    std::string name;
    std::vector<uint8_t> data;  // unsigned
    uint32_t loopStart = 0, loopEnd = 0;
    int fineTune = 0, volume = 64;
    bool sixteenBit = false;
};

using MtmTrack = std::array<uint8_t, 192>;  // 64 rows of b0 b1 b2

struct MtmFile {
    int channels = 4;
    std::vector<MtmSample> samples;
    std::vector<uint8_t> orders{0};
    std::vector<MtmTrack> tracks;                   // tracks 1 .. n
    std::vector<std::array<int, 32>> patterns{{}};  // track numbers
    std::string comment;

    static void setRow(MtmTrack& track, int row, int b0, int b1, int b2) {
        track[static_cast<size_t>(row * 3)] = static_cast<uint8_t>(b0);
        track[static_cast<size_t>(row * 3 + 1)] = static_cast<uint8_t>(b1);
        track[static_cast<size_t>(row * 3 + 2)] = static_cast<uint8_t>(b2);
    }

    std::vector<uint8_t> bytes() const {
        FileBuilder f;
        f.text("MTM", 3).u8(0x10).text("mtm song", 20).u16(static_cast<int>(tracks.size()));
        f.u8(static_cast<int>(patterns.size()) - 1).u8(static_cast<int>(orders.size()) - 1);
        f.u16(static_cast<int>(comment.size()))
            .u8(static_cast<int>(samples.size()))
            .u8(0)
            .u8(64)
            .u8(channels);
        for (int channel = 0; channel < 32; ++channel) f.u8(channel * 3 + 0x30);
        for (const MtmSample& s : samples) {
            f.text(s.name, 22).u32(static_cast<uint32_t>(s.data.size())).u32(s.loopStart).u32(s.loopEnd);
            f.u8(s.fineTune).u8(s.volume).u8(s.sixteenBit ? 1 : 0);
        }
        std::vector<uint8_t> orderTable(orders);
        orderTable.resize(128);
        f.append(orderTable);
        for (const MtmTrack& track : tracks) f.append({track.begin(), track.end()});
        for (const auto& pattern : patterns)
            for (int number : pattern) f.u16(number);
        f.text(comment, comment.size());
        for (const MtmSample& s : samples) f.append(s.data);
        return f.bytes;
    }
};

TEST(MtmLoader, HeaderAndSampleHeaders) {
    MtmFile file;
    file.channels = 6;
    file.orders = {0, 0, 0};
    file.samples.push_back({"lead", std::vector<uint8_t>(100, 0x90), 10, 50, 15, 70, false});
    file.samples.push_back({"", std::vector<uint8_t>(40, 0x80), 10, 12, 0, 30, true});
    file.comment = "a comment the sample stage must skip";
    Song song;
    ASSERT_TRUE(loadWith(loadMtm, file.bytes(), song));
    EXPECT_EQ(song.format, SongFormat::mtm);
    EXPECT_EQ(song.cellSize, 4);
    EXPECT_EQ(song.name, "mtm song");
    EXPECT_EQ(song.channelCount, 6);
    EXPECT_EQ(song.length, 3);
    EXPECT_EQ(song.patternCount, 1);
    EXPECT_EQ(song.channelPanning[1], (0x33 & 15) * 17);
    EXPECT_EQ(song.instrumentCount, 2);
    EXPECT_EQ(song.findInstrument(1)->name, "lead");
    const Sample& lead = *song.findSample(1);
    EXPECT_EQ(lead.c4Speed, 8280) << "fine-tune 15 is -1";
    EXPECT_EQ(lead.volume, 64) << "volume 70 held to 64";
    EXPECT_TRUE(lead.loops()) << "a loop of 40 bytes";
    EXPECT_EQ(lead.data[0], 0x10) << "unsigned data made signed, read after the comment";
    const Sample& sixteen = *song.findSample(2);
    EXPECT_TRUE(sixteen.is16Bit());
    EXPECT_FALSE(sixteen.loops()) << "a loop of 2 bytes is no loop";
}

TEST(MtmLoader, SharedTracksPlayTheSameInEveryChannel) {
    MtmFile file;
    file.tracks.assign(5, MtmTrack{});
    MtmFile::setRow(file.tracks[4], 0, 20 << 2 | 1, 0x2C, 0x33);  // note 20, instrument 18, effect C
    MtmFile::setRow(file.tracks[4], 63, 0x02, 0x50, 0);           // instrument bits without a note
    file.patterns = {{5, 0, 5, 99}, {0, 5}};
    file.orders = {0, 1};
    Song song;
    ASSERT_TRUE(loadWith(loadMtm, file.bytes(), song));
    for (auto [pattern, channel] : {std::pair{0, 0}, std::pair{0, 2}, std::pair{1, 1}}) {
        const uint8_t* cell = cellAt(song, pattern, 0, channel);
        ASSERT_NE(cell, nullptr) << pattern << "/" << channel;
        EXPECT_EQ(cell[kCellNote], 20 + 24);
        EXPECT_EQ(cell[kCellInstrument], 1 << 4 | 2);
        EXPECT_EQ(cell[kCellEffect], kSetVolume);
        EXPECT_EQ(cell[kCellParameter], 0x33);
        const uint8_t* last = cellAt(song, pattern, 63, channel);
        EXPECT_EQ(last[kCellNote], 0) << "b0 = 0x02 has no note";
        EXPECT_EQ(last[kCellInstrument], 2 << 4 | 5) << "but carries instrument bits";
    }
    EXPECT_EQ(cellAt(song, 0, 0, 1), nullptr) << "track 0 is empty";
    EXPECT_EQ(cellAt(song, 0, 0, 3), nullptr) << "a track number beyond the stored tracks is empty";
}

TEST(MtmLoader, VolumeSlideKeepsTheHighNibble) {
    MtmFile file;
    file.tracks.assign(1, MtmTrack{});
    MtmFile::setRow(file.tracks[0], 0, 0, 0x0A, 0x34);
    MtmFile::setRow(file.tracks[0], 1, 0, 0x0A, 0x04);
    MtmFile::setRow(file.tracks[0], 2, 0, 0x0E, 0x34);
    file.patterns = {{1}};
    Song song;
    ASSERT_TRUE(loadWith(loadMtm, file.bytes(), song));
    EXPECT_EQ(cellAt(song, 0, 0, 0)[kCellParameter], 0x30);
    EXPECT_EQ(cellAt(song, 0, 1, 0)[kCellParameter], 0x04);
    EXPECT_EQ(cellAt(song, 0, 2, 0)[kCellParameter], 0x34) << "other effects keep both nibbles";
}

TEST(MtmLoader, BrokenFiles) {
    MtmFile file;
    file.channels = 0;
    Song song;
    EXPECT_FALSE(loadWith(loadMtm, file.bytes(), song)) << "no channels";
    file.channels = 33;
    EXPECT_FALSE(loadWith(loadMtm, file.bytes(), song)) << "more channels than the model holds";

    MtmFile small;
    small.samples.push_back({"s", std::vector<uint8_t>(30, 0x80)});
    small.tracks.assign(1, MtmTrack{});
    MtmFile::setRow(small.tracks[0], 0, 24 << 2, 0x10, 0);
    small.patterns = {{1}};
    std::vector<uint8_t> bytes = small.bytes();
    // Everything up to the sample data is needed; the data may be cut.
    EXPECT_EQ(loadEveryPrefix(loadMtm, bytes), 31);
}

TEST(MtmLoader, PlaysThroughTheSequencer) {
    MtmFile file;
    file.samples.push_back({"s", std::vector<uint8_t>(200, 0x80)});
    file.tracks.assign(1, MtmTrack{});
    MtmFile::setRow(file.tracks[0], 0, 24 << 2, 0x10, 0);  // note 48, instrument 1
    file.patterns = {{1}};
    LoadedSongRig rig;
    ASSERT_TRUE(rig.load(loadMtm, file.bytes()));
    EXPECT_EQ(RowTimeTable::build(rig.song).lengthTenths(), 76) << "64 rows at speed 6, tempo 125";
    rig.begin();
    EXPECT_EQ(rig.voice(0).starts, 1);
    EXPECT_EQ(rig.voice(0).frequency, 8363);
}

}  // namespace
}  // namespace tumbor::trk::test
