// The PTM loader over files built byte by byte: header, sample types and
// delta-coded data, patterns on 16-byte boundaries, effects, truncation.
#include <gtest/gtest.h>

#include <utility>

#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/loader_rig.h"

namespace tumbor::trk::test {
namespace {

struct PtmSample {
    int type = 1;
    std::vector<uint8_t> data;  // as stored: delta-coded
    uint32_t loopStart = 0, loopEnd = 0;
    int volume = 64, c4Speed = 8363;
    std::string name;
};

PtmSample typed(int type, std::vector<uint8_t> data) {
    PtmSample sample;
    sample.type = type;
    sample.data = std::move(data);
    return sample;
}

struct PtmFile {
    int channels = 4;
    std::vector<uint8_t> orders{0};
    std::vector<PtmSample> samples;
    // Packed rows of each pattern, without the zero that ends each row.
    std::vector<std::vector<std::vector<uint8_t>>> patterns{{}};

    std::vector<uint8_t> bytes() const {
        FileBuilder f;
        f.text("ptm song", 28).u8(0x1A).u16(0x203).u8(0);
        f.u16(static_cast<int>(orders.size())).u16(static_cast<int>(samples.size()));
        f.u16(static_cast<int>(patterns.size())).u16(channels).u16(0).u16(0).text("PTMF", 4).zeros(16);
        for (int channel = 0; channel < 32; ++channel) f.u8(channel & 15);
        std::vector<uint8_t> orderTable(orders);
        orderTable.resize(256, 255);
        f.append(orderTable).zeros(256);  // stored pattern offsets, not used
        size_t headersAt = f.size();
        for (const PtmSample& s : samples) {
            f.u8(s.type).text("file", 12).u8(s.volume).u16(s.c4Speed).u16(0).u32(0);
            f.u32(static_cast<uint32_t>(s.data.size())).u32(s.loopStart).u32(s.loopEnd).zeros(14);
            f.text(s.name, 28).text("PTMS", 4);
        }
        for (const auto& rows : patterns) {
            f.alignTo16();
            for (const std::vector<uint8_t>& row : rows) f.append(row).u8(0);
            f.zeros(64 - rows.size());
        }
        for (size_t i = 0; i < samples.size(); ++i) {
            f.put32(headersAt + i * 80 + 18, static_cast<uint32_t>(f.size()));
            f.append(samples[i].data);
        }
        return f.bytes;
    }
};

TEST(PtmLoader, HeaderAndSamples) {
    PtmFile file;
    file.channels = 5;
    file.orders = {0, 255, 0};
    file.samples.push_back({1 | 4 | 8, {10, 1, 1, 1, 1, 1}, 2, 5, 40, 22050, "ping"});
    file.samples.push_back(typed(2, {1, 2, 3}));                      // not a sample
    file.samples.push_back(typed(1 | 16, {0x10, 0x20, 1, 1, 0, 0}));  // 16-bit, delta byte by byte
    Song song;
    ASSERT_TRUE(loadWith(loadPtm, file.bytes(), song));
    EXPECT_EQ(song.format, SongFormat::ptm);
    EXPECT_EQ(song.name, "ptm song");
    EXPECT_EQ(song.channelCount, 5);
    EXPECT_EQ(song.length, 3);
    EXPECT_EQ(song.orders[1], 255);
    EXPECT_EQ(song.channelPanning[3], 3 * 17);
    const Sample& ping = *song.findSample(1);
    EXPECT_EQ(song.findInstrument(1)->name, "ping");
    EXPECT_EQ(ping.c4Speed, 22050);
    EXPECT_EQ(ping.volume, 40);
    EXPECT_TRUE(ping.loops());
    EXPECT_TRUE(ping.flags & kSamplePingPong);
    EXPECT_EQ(ping.data[4], 14) << "running sum of the deltas";
    EXPECT_EQ(song.findSample(2)->length, 0u) << "type 2 is silent";
    const Sample& sixteen = *song.findSample(3);
    EXPECT_TRUE(sixteen.is16Bit());
    EXPECT_EQ(sixteen.data[1], 0x30) << "byte-wise running sum";
    EXPECT_EQ(sixteen.data[3], 0x32);
}

TEST(PtmLoader, PackedRowsAndEffects) {
    PtmFile file;
    file.patterns = {{{0x20 | 2, 49, 3, 0x40 | 0x80 | 3, 10, 0x12, 30},
                      {0x20 | 1, 254, 0, 0x40 | 1, 16, 70, 0x40 | 4, 16, 20}},
                     {{0x40 | 0, 17, 0x35, 0x40 | 1, 18, 5, 0x40 | 2, 15, 6}}};
    file.orders = {0, 1};
    Song song;
    ASSERT_TRUE(loadWith(loadPtm, file.bytes(), song));
    const uint8_t* cell = cellAt(song, 0, 0, 2);
    EXPECT_EQ(cell[kCellNote], 48);
    EXPECT_EQ(cell[kCellInstrument], 3);
    EXPECT_EQ(cell[kCellVolume], 65) << "no volume given";
    cell = cellAt(song, 0, 0, 3);
    EXPECT_EQ(cell[kCellEffect], kFineVolumeSlide) << "effect 10";
    EXPECT_EQ(cell[kCellParameter], 0x12);
    EXPECT_EQ(cell[kCellVolume], 30);
    EXPECT_EQ(cellAt(song, 0, 1, 1)[kCellNote], kNoteCut);
    EXPECT_EQ(cellAt(song, 0, 1, 1)[kCellEffect], kSetGlobalVolume);
    EXPECT_EQ(cellAt(song, 0, 1, 1)[kCellParameter], 255) << "above 63";
    EXPECT_EQ(cellAt(song, 0, 1, 4)[kCellParameter], 80) << "16 x 4";
    // The second pattern starts on the boundary after the first.
    EXPECT_EQ(cellAt(song, 1, 0, 0)[kCellEffect], kRetriggerVolume);
    EXPECT_EQ(cellAt(song, 1, 0, 0)[kCellParameter], 0x35);
    EXPECT_EQ(cellAt(song, 1, 0, 1)[kCellEffect], 0) << "effects above 17 are none";
    EXPECT_EQ(cellAt(song, 1, 0, 1)[kCellParameter], 0);
    EXPECT_EQ(cellAt(song, 1, 0, 2)[kCellEffect], kSpeedTempo);
}

TEST(PtmLoader, BrokenFiles) {
    PtmFile file;
    file.channels = 0;
    Song empty;
    EXPECT_FALSE(loadWith(loadPtm, file.bytes(), empty));

    PtmFile small;
    small.samples.push_back(typed(1, std::vector<uint8_t>(20, 1)));
    small.patterns = {{{0x20, 49, 1}}};
    std::vector<uint8_t> bytes = small.bytes();
    // The patterns are needed; the sample data may be cut.
    EXPECT_EQ(loadEveryPrefix(loadPtm, bytes), 21);
    // A data offset past the end of the file leaves the sample silent.
    bytes.resize(bytes.size() - 20);
    Song song;
    int stage = -1;
    ASSERT_TRUE(loadWith(loadPtm, bytes, song, &stage));
    EXPECT_EQ(song.findSample(1)->length, 0u);
}

TEST(PtmLoader, PlaysThroughTheSequencer) {
    PtmFile file;
    file.samples.push_back(typed(1, std::vector<uint8_t>(100, 1)));
    file.patterns = {{{0x20 | 0x80, 49, 1, 32}}};
    LoadedSongRig rig;
    ASSERT_TRUE(rig.load(loadPtm, file.bytes()));
    EXPECT_EQ(RowTimeTable::build(rig.song).lengthTenths(), 76);
    rig.begin();
    EXPECT_EQ(rig.voice(0).starts, 1);
    EXPECT_EQ(rig.voice(0).frequency, 8363);
    EXPECT_EQ(rig.channel(0).volume, 32);
}

}  // namespace
}  // namespace tumbor::trk::test
