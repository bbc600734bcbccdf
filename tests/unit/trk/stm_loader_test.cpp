// The STM loader over files built byte by byte: header, version check,
// orders, cells and effects, sample rules and 16-byte sample boundaries.
#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/loader_rig.h"

namespace tumbor::trk::test {
namespace {

struct StmSample {
    std::vector<int8_t> data;
    int loopStart = 0, loopEnd = 0xFFFF, volume = 64, c2Speed = 8363;
};

StmSample stmSample(std::vector<int8_t> data, int loopStart = 0, int loopEnd = 0xFFFF, int volume = 64,
                    int c2Speed = 8363) {
    return StmSample{std::move(data), loopStart, loopEnd, volume, c2Speed};
}

struct StmFile {
    int version = 2;
    int speed = 0x60;
    std::vector<uint8_t> orders{0};
    std::array<StmSample, 31> samples{};
    std::vector<std::vector<uint8_t>> patterns{std::vector<uint8_t>(1024)};

    void setCell(int pattern, int row, int channel, int b0, int b1, int b2, int b3) {
        uint8_t* cell = &patterns[static_cast<size_t>(pattern)][static_cast<size_t>((row * 4 + channel) * 4)];
        cell[0] = static_cast<uint8_t>(b0);
        cell[1] = static_cast<uint8_t>(b1);
        cell[2] = static_cast<uint8_t>(b2);
        cell[3] = static_cast<uint8_t>(b3);
    }

    std::vector<uint8_t> bytes() const {
        FileBuilder f;
        f.text("stm song", 20).text("!Scream!", 8).u8(0x1A).u8(2).u8(version).u8(21);
        f.u8(speed).u8(static_cast<int>(patterns.size())).u8(64).zeros(13);
        for (const StmSample& s : samples) {
            f.text("sample", 12).u8(0).u8(0).u16(0).u16(static_cast<int>(s.data.size()));
            f.u16(s.loopStart).u16(s.loopEnd).u8(s.volume).u8(0).u16(s.c2Speed).zeros(6);
        }
        std::vector<uint8_t> orderTable(orders);
        orderTable.resize(128, 99);
        f.append(orderTable);
        for (const std::vector<uint8_t>& pattern : patterns) f.append(pattern);
        // Samples without a C2 speed or of length 1 take no room.
        for (const StmSample& s : samples) {
            f.alignTo16();
            if (s.c2Speed && s.data.size() != 1) f.append({s.data.begin(), s.data.end()});
        }
        return f.bytes;
    }
};

TEST(StmLoader, HeaderAndOrders) {
    StmFile file;
    file.orders = {0, 1, 0};
    file.patterns.resize(2, std::vector<uint8_t>(1024));
    Song song;
    ASSERT_TRUE(loadWith(loadStm, file.bytes(), song));
    EXPECT_EQ(song.format, SongFormat::stm);
    EXPECT_EQ(song.name, "stm song");
    EXPECT_EQ(song.initialSpeed, 6) << "the high nibble";
    EXPECT_EQ(song.initialTempo, 125);
    EXPECT_EQ(song.channelCount, 4);
    EXPECT_EQ(song.length, 3) << "up to the first 99";
    EXPECT_EQ(song.patternCount, 2);
    EXPECT_EQ(song.instrumentCount, 31);

    file.version = 1;
    Song old;
    EXPECT_FALSE(loadWith(loadStm, file.bytes(), old)) << "major version 1 is refused";
}

TEST(StmLoader, CellsAndEffects) {
    StmFile file;
    file.setCell(0, 0, 0, 0x34, 2 << 3 | 5, 0x31, 0x40);  // C#-3 (octave 3, note 4), volume 5 + 24
    file.setCell(0, 1, 0, 254, 0, 0x70, 0);               // volume 56 + 0, overridden to 0 by the cut
    file.setCell(0, 2, 0, 255, 0, 0xF4, 0x12);            // volume 120 is none
    // D .. O: one column each; the slides, vibrato and arpeggio stop at 0; K and on do nothing.
    const int effects[16] = {0, 0, 0, 0, kFineVolumeSlide, kFinePortamentoDown, kFinePortamentoUp, kTonePortamento,
                             kVibrato, kTremor, kArpeggio, 0, 0, 0, 0, 0};
    for (int effect = 4; effect < 16; ++effect) {
        file.setCell(0, 10 + effect, 1, 255, 0, effect, 0x37);
        file.setCell(0, 30 + effect, 1, 255, 0, effect, 0);
    }
    file.setCell(0, 50, 1, 255, 0, 4, 0xF1);  // volume slide: down wins
    file.setCell(0, 51, 1, 0x60, 0, 0, 0);    // octave 6 and up: no note
    Song song;
    ASSERT_TRUE(loadWith(loadStm, file.bytes(), song));
    const uint8_t* cell = cellAt(song, 0, 0, 0);
    EXPECT_EQ(cell[kCellNote], 4 + 3 * 12 + 24);
    EXPECT_EQ(cell[kCellInstrument], 2);
    EXPECT_EQ(cell[kCellVolume], 5 + 8 * 3);
    EXPECT_EQ(cell[kCellEffect], kSetSpeed);
    EXPECT_EQ(cell[kCellParameter], 4) << "speed in the high nibble";
    EXPECT_EQ(cellAt(song, 0, 1, 0)[kCellNote], 0);
    EXPECT_EQ(cellAt(song, 0, 1, 0)[kCellVolume], 0) << "254 sets volume 0";
    EXPECT_EQ(cellAt(song, 0, 2, 0)[kCellVolume], kNoVolume);
    EXPECT_EQ(cellAt(song, 0, 2, 0)[kCellEffect], kFineVolumeSlide);
    for (int effect = 4; effect < 16; ++effect) {
        const uint8_t* c = cellAt(song, 0, 10 + effect, 1);
        EXPECT_EQ(c[kCellEffect], effects[effect]) << effect;
        EXPECT_EQ(c[kCellParameter], effect == 4 ? 0x07 : effects[effect] || effect == 10 ? 0x37 : 0) << effect;
        const bool kept = effect == 4 || effect == 9;
        EXPECT_EQ(cellAt(song, 0, 30 + effect, 1)[kCellEffect], kept ? effects[effect] : 0) << effect;
    }
    EXPECT_EQ(cellAt(song, 0, 50, 1)[kCellParameter], 0x01);
    EXPECT_EQ(cellAt(song, 0, 51, 1)[kCellNote], 0);
}

// The one-byte cells: 251 is four zero bytes, 252 nothing, 253 a note cut;
// the cells after them keep their places, in the pattern and the next.
TEST(StmLoader, OneByteCells) {
    StmFile file;
    file.patterns.resize(2, std::vector<uint8_t>(1024));
    std::vector<uint8_t>& first = file.patterns[0];
    first.erase(first.begin(), first.begin() + 12);
    first.insert(first.begin(), {251, 252, 253, 0x31, 2 << 3, 0x90, 0});  // then C#-3 of instrument 2
    first.resize(first.size() - 4);
    file.setCell(1, 0, 0, 0x20, 1 << 3, 0x40, 0);
    Song song;
    ASSERT_TRUE(loadWith(loadStm, file.bytes(), song));
    EXPECT_EQ(cellAt(song, 0, 0, 0)[kCellNote], 24);
    EXPECT_EQ(cellAt(song, 0, 0, 0)[kCellVolume], 0);
    EXPECT_EQ(cellAt(song, 0, 0, 1)[kCellNote], 0);
    EXPECT_EQ(cellAt(song, 0, 0, 1)[kCellVolume], kNoVolume);
    EXPECT_EQ(cellAt(song, 0, 0, 2)[kCellVolume], 0) << "the cut";
    EXPECT_EQ(cellAt(song, 0, 0, 3)[kCellNote], 1 + 3 * 12 + 24);
    EXPECT_EQ(cellAt(song, 0, 0, 3)[kCellInstrument], 2);
    EXPECT_EQ(cellAt(song, 1, 0, 0)[kCellNote], 48);
    EXPECT_EQ(cellAt(song, 1, 0, 0)[kCellInstrument], 1);
}

// A sets speed and tick length from one byte; B waits for the pattern's end
// or a later C00; C counts rows as high nibble x 160 + low nibble.
TEST(StmLoader, SongFlow) {
    struct Case {
        int version;
        std::vector<std::array<int, 4>> cells;  // row, channel, letter, parameter
        std::vector<std::array<int, 4>> expected;  // row, channel, code, parameter
    };
    const Case cases[] = {
        {21, {{1, 1, 1, 0x37}, {2, 0, 1, 0}}, {{1, 1, kSetSpeed, 3}, {1, 0, kSetTempo, 110}, {2, 0, 0, 0}}},
        {20, {{1, 1, 1, 0x15}}, {{1, 1, kSetSpeed, 2}, {1, 0, kSetTempo, 123}}},
        {21, {{1, 1, 1, 0x06}}, {{1, 1, kSetSpeed, 1}, {1, 0, kSetTempo, 32}}},
        {21, {{5, 2, 2, 3}}, {{5, 2, 0, 0}, {63, 0, kPositionJump, 3}}},
        {21, {{5, 2, 2, 3}, {9, 1, 3, 0}}, {{9, 1, kPositionJump, 3}, {63, 0, 0, 0}}},
        {21, {{5, 2, 2, 3}, {9, 1, 3, 0x04}}, {{9, 1, kPatternBreak, 0x04}, {9, 0, kPositionJump, 3}}},
        {21, {{3, 0, 3, 0x12}}, {{3, 0, kPatternBreak, 0}}},
    };
    for (const Case& c : cases) {
        StmFile file;
        file.version = 2;
        file.speed = 0x60;
        for (const auto& cell : c.cells) file.setCell(0, cell[0], cell[1], 255, 0, 0x90 | cell[2], cell[3]);
        std::vector<uint8_t> bytes = file.bytes();
        bytes[31] = static_cast<uint8_t>(c.version);
        Song song;
        ASSERT_TRUE(loadWith(loadStm, bytes, song));
        for (const auto& e : c.expected) {
            EXPECT_EQ(cellAt(song, 0, e[0], e[1])[kCellEffect], e[2]) << e[0] << "," << e[1];
            EXPECT_EQ(cellAt(song, 0, e[0], e[1])[kCellParameter], e[3]) << e[0] << "," << e[1];
        }
    }
}

TEST(StmLoader, SampleRulesAndBoundaries) {
    StmFile file;
    file.samples[0] = stmSample(std::vector<int8_t>(21, 11), 4, 30, 50, 8000);   // loop end cut to length - 1
    file.samples[1] = stmSample(std::vector<int8_t>(1, 22));                     // length 1: none
    file.samples[2] = stmSample(std::vector<int8_t>(17, 33), 0, 0xFFFF, 64, 0);  // C2 speed 0: none
    file.samples[3] = stmSample(std::vector<int8_t>(5, 44));
    Song song;
    ASSERT_TRUE(loadWith(loadStm, file.bytes(), song));
    const Sample& first = *song.findSample(1);
    EXPECT_EQ(first.c4Speed, 8000);
    EXPECT_EQ(first.volume, 50);
    EXPECT_TRUE(first.loops());
    EXPECT_EQ(first.loopEnd, 20u);
    EXPECT_EQ(first.data[0], 11);
    EXPECT_EQ(song.findSample(2)->length, 0u);
    EXPECT_EQ(song.findSample(3)->length, 0u);
    const Sample& fourth = *song.findSample(4);
    EXPECT_FALSE(fourth.loops()) << "loop end 65535";
    EXPECT_EQ(fourth.data[0], 44) << "each sample on the boundary after the previous one";

    // A header's paragraph number says where its data are.
    std::vector<uint8_t> bytes = file.bytes();
    bytes[48 + 3 * 32 + 14] = (1168 + 1024) / 16;  // the fourth sample's header points at the first's data
    Song pointed;
    ASSERT_TRUE(loadWith(loadStm, bytes, pointed));
    EXPECT_EQ(pointed.findSample(4)->data[0], 11);
}

TEST(StmLoader, TruncatedFiles) {
    StmFile file;
    file.samples[0] = stmSample(std::vector<int8_t>(10, 1));
    file.samples[1] = stmSample(std::vector<int8_t>(10, 2));
    std::vector<uint8_t> bytes = file.bytes();
    EXPECT_EQ(loadEveryPrefix(loadStm, bytes), static_cast<int>(bytes.size()) - 1168 - 1024 + 1);
}

TEST(StmLoader, PlaysThroughTheSequencer) {
    StmFile file;
    file.samples[0] = stmSample(std::vector<int8_t>(100, 1));
    file.setCell(0, 0, 0, 0x20, 1 << 3, 0, 0);  // C-2: note 48
    LoadedSongRig rig;
    ASSERT_TRUE(rig.load(loadStm, file.bytes()));
    EXPECT_EQ(RowTimeTable::build(rig.song).lengthTenths(), 76);
    rig.begin();
    EXPECT_EQ(rig.voice(0).starts, 1);
    EXPECT_EQ(rig.voice(0).frequency, 8363);
}

}  // namespace
}  // namespace tumbor::trk::test
