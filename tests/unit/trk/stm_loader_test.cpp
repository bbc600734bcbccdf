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
    file.setCell(0, 1, 0, 252, 0, 0x70, 0);               // volume 56 + 0, overridden to 0
    file.setCell(0, 2, 0, 255, 0, 0xF4, 0x12);            // volume 120 is none
    int effects[16] = {0,
                       kSpeedTempo,
                       kPositionJump,
                       kPatternBreak,
                       kFineVolumeSlide,
                       kFinePortamentoDown,
                       kFinePortamentoUp,
                       kTonePortamento,
                       kVibrato,
                       kTremor,
                       kArpeggio,
                       kVibratoFineVolumeSlide,
                       kTonePortamentoFineVolumeSlide,
                       0,
                       0,
                       0};
    for (int effect = 0; effect < 16; ++effect) file.setCell(0, 10 + effect, 1, 251, 0, effect, 0x37);
    Song song;
    ASSERT_TRUE(loadWith(loadStm, file.bytes(), song));
    const uint8_t* cell = cellAt(song, 0, 0, 0);
    EXPECT_EQ(cell[kCellNote], 4 + 3 * 12 + 24);
    EXPECT_EQ(cell[kCellInstrument], 2);
    EXPECT_EQ(cell[kCellVolume], 5 + 8 * 3);
    EXPECT_EQ(cell[kCellEffect], kSpeedTempo);
    EXPECT_EQ(cell[kCellParameter], 4) << "speed in the high nibble";
    EXPECT_EQ(cellAt(song, 0, 1, 0)[kCellNote], 0);
    EXPECT_EQ(cellAt(song, 0, 1, 0)[kCellVolume], 0) << "252 sets volume 0";
    EXPECT_EQ(cellAt(song, 0, 2, 0)[kCellVolume], kNoVolume);
    EXPECT_EQ(cellAt(song, 0, 2, 0)[kCellEffect], kFineVolumeSlide);
    for (int effect = 0; effect < 16; ++effect) {
        const uint8_t* c = cellAt(song, 0, 10 + effect, 1);
        EXPECT_EQ(c[kCellEffect], effects[effect]) << effect;
        int parameter = effect == 1 ? 3 : effects[effect] || effect == 10 ? 0x37 : 0;
        EXPECT_EQ(c[kCellParameter], parameter) << effect;
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
