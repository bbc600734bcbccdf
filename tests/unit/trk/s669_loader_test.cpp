// The 669 loader over files built byte by byte: header and orders, pattern
// lengths and speeds from the lists, cells, sample rules, truncation.
#include <gtest/gtest.h>

#include <utility>

#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/loader_rig.h"

namespace tumbor::trk::test {
namespace {

struct S669Sample {
    std::vector<uint8_t> data;  // unsigned
    uint32_t loopStart = 0, loopEnd = 0xFFFFF;
};

struct S669File {
    std::string signature = "if";
    std::vector<uint8_t> orders{0};
    std::vector<uint8_t> tempos{4}, breaks{63};  // one per pattern
    std::vector<S669Sample> samples;
    std::vector<std::vector<uint8_t>> patterns{empty()};

    static std::vector<uint8_t> empty() {
        std::vector<uint8_t> pattern(1536);
        for (size_t at = 0; at < pattern.size(); at += 3) pattern[at] = pattern[at + 2] = 255;
        return pattern;
    }
    void setCell(int pattern, int row, int channel, int b0, int b1, int b2) {
        uint8_t* cell = &patterns[static_cast<size_t>(pattern)][static_cast<size_t>((row * 8 + channel) * 3)];
        cell[0] = static_cast<uint8_t>(b0);
        cell[1] = static_cast<uint8_t>(b1);
        cell[2] = static_cast<uint8_t>(b2);
    }

    std::vector<uint8_t> bytes() const {
        FileBuilder f;
        f.text(signature, 2).text("  a 669 song", 108).u8(static_cast<int>(samples.size()));
        f.u8(static_cast<int>(patterns.size())).u8(0);
        std::vector<uint8_t> orderTable(orders), tempoList(tempos), breakList(breaks);
        orderTable.resize(128, 255);
        tempoList.resize(128);
        breakList.resize(128);
        f.append(orderTable).append(tempoList).append(breakList);
        for (const S669Sample& s : samples)
            f.text("smp", 13).u32(static_cast<uint32_t>(s.data.size())).u32(s.loopStart).u32(s.loopEnd);
        for (const std::vector<uint8_t>& pattern : patterns) f.append(pattern);
        for (const S669Sample& s : samples) f.append(s.data);
        return f.bytes;
    }
};

TEST(S669Loader, HeaderOrdersAndPatternLists) {
    S669File file;
    file.orders = {1, 0, 1};
    file.patterns.push_back(S669File::empty());
    file.tempos = {5, 7};
    file.breaks = {31, 63};
    file.setCell(1, 0, 6, 255, 0, 0x53);  // a speed of its own on the first row
    Song song;
    ASSERT_TRUE(loadWith(load669, file.bytes(), song));
    EXPECT_EQ(song.format, SongFormat::s669);
    EXPECT_EQ(song.name, "  a 669 song");
    EXPECT_EQ(song.channelCount, 8);
    EXPECT_EQ(song.initialSpeed, 3);
    EXPECT_EQ(song.initialTempo, 78);
    EXPECT_EQ(song.length, 3) << "up to the first 255";
    const Pattern& first = *song.findPattern(0);
    EXPECT_EQ(first.rows, 32) << "break list value + 1";
    ASSERT_EQ(first.globalTrack.size(), 64u);
    EXPECT_EQ(first.globalTrack[0], kGlobalSpeedTempo);
    EXPECT_EQ(first.globalTrack[1], 5);
    EXPECT_EQ(song.findPattern(1)->globalTrack[0], 0) << "the first row's own speed wins";
    EXPECT_EQ(song.findPattern(1)->rows, 64);

    file.signature = "JN";
    Song other;
    EXPECT_TRUE(loadWith(load669, file.bytes(), other));
}

TEST(S669Loader, Cells) {
    S669File file;
    file.setCell(0, 0, 0, 10 << 2 | 1, 0x2A, 0x53);  // note 10, instrument 18, volume 10, speed 3
    file.setCell(0, 1, 1, 254, 0x07, 0x10);          // volume only, an effect not kept
    file.setCell(0, 2, 2, 255, 0x0F, 255);           // nothing
    Song song;
    ASSERT_TRUE(loadWith(load669, file.bytes(), song));
    const uint8_t* cell = cellAt(song, 0, 0, 0);
    EXPECT_EQ(cell[kCellNote], 10 + 24);
    EXPECT_EQ(cell[kCellInstrument], (1 << 4 | 2) + 1);
    EXPECT_EQ(cell[kCellVolume], 40);
    EXPECT_EQ(cell[kCellEffect], kSpeedTempo);
    EXPECT_EQ(cell[kCellParameter], 3);
    cell = cellAt(song, 0, 1, 1);
    EXPECT_EQ(cell[kCellNote], 0);
    EXPECT_EQ(cell[kCellInstrument], 0);
    EXPECT_EQ(cell[kCellVolume], 28);
    EXPECT_EQ(cell[kCellEffect], 0);
    EXPECT_EQ(cell[kCellParameter], 0);
    EXPECT_EQ(cellAt(song, 0, 2, 2)[kCellVolume], kNoVolume);
}

TEST(S669Loader, SampleRules) {
    S669File file;
    file.samples = {{std::vector<uint8_t>(50, 0x81), 10, 40},
                    {std::vector<uint8_t>(50, 0x82), 10, 100},      // loop end cut to the length
                    {std::vector<uint8_t>(50, 0x83), 10, 0x40001},  // above 0x40000: no loop
                    {std::vector<uint8_t>(50, 0x84), 40, 40}};
    Song song;
    ASSERT_TRUE(loadWith(load669, file.bytes(), song));
    EXPECT_EQ(song.instrumentCount, 4);
    const Sample& first = *song.findSample(1);
    EXPECT_EQ(first.c4Speed, 8363);
    EXPECT_EQ(first.volume, 64);
    EXPECT_TRUE(first.loops());
    EXPECT_EQ(first.data[0], 1) << "unsigned data made signed";
    EXPECT_TRUE(song.findSample(2)->loops());
    EXPECT_EQ(song.findSample(2)->loopEnd, 50u);
    EXPECT_FALSE(song.findSample(3)->loops());
    EXPECT_FALSE(song.findSample(4)->loops()) << "loop start not below the end";
    EXPECT_EQ(song.findSample(4)->data[0], 4);
}

TEST(S669Loader, BrokenAndTruncatedFiles) {
    S669File file;
    file.patterns.assign(129, S669File::empty());
    Song song;
    EXPECT_FALSE(loadWith(load669, file.bytes(), song)) << "the lists hold 128 patterns";

    S669File small;
    small.samples = {{std::vector<uint8_t>(20, 0x80), 0, 0}};
    std::vector<uint8_t> bytes = small.bytes();
    EXPECT_EQ(loadEveryPrefix(load669, bytes), 21);
}

TEST(S669Loader, PlaysThroughTheSequencer) {
    S669File file;
    file.samples = {{std::vector<uint8_t>(100, 0x80), 0, 0}};
    file.setCell(0, 0, 0, 24 << 2, 0x0F, 255);
    file.tempos = {5};
    file.breaks = {15};
    LoadedSongRig rig;
    ASSERT_TRUE(rig.load(load669, file.bytes()));
    // The pattern's speed 5 from row 0 on: 16 rows of 5 ticks of 2.5 / 78 s.
    EXPECT_EQ(RowTimeTable::build(rig.song).lengthTenths(), 25);
    rig.begin();
    EXPECT_EQ(rig.voice(0).starts, 1);
    EXPECT_EQ(rig.voice(0).frequency, 8363);
    rig.ticks(1);
    EXPECT_EQ(rig.state().speed, 5);
}

}  // namespace
}  // namespace tumbor::trk::test
