// The FAR loader over files built byte by byte: song message lines, pattern
// count and lengths, cells and effect translation, the sample bit map.
#include <gtest/gtest.h>

#include <map>

#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/loader_rig.h"

namespace tumbor::trk::test {
namespace {

struct FarSample {
    std::vector<int8_t> data;
    int volume = 15;
    uint32_t loopStart = 0, loopEnd = 0;
    int type = 0, loopMode = 0;
};

struct FarFile {
    std::string message;
    std::vector<uint8_t> orders{0};
    int speed = 4;
    // Patterns by number: break byte and rows of 16 x 4 bytes.
    std::map<int, std::pair<int, std::vector<uint8_t>>> patterns{{0, {62, std::vector<uint8_t>(64 * 64)}}};
    std::map<int, FarSample> samples;  // by slot 0 .. 63

    void setCell(int pattern, int row, int channel, int note, int instrument, int volume, int effect) {
        uint8_t* cell = &patterns[pattern].second[static_cast<size_t>(row * 64 + channel * 4)];
        cell[0] = static_cast<uint8_t>(note);
        cell[1] = static_cast<uint8_t>(instrument);
        cell[2] = static_cast<uint8_t>(volume);
        cell[3] = static_cast<uint8_t>(effect);
    }

    std::vector<uint8_t> bytes() const {
        FileBuilder f;
        f.text("FAR\xFE", 4).text("far song", 40).u8(13).u8(10).u8(26);
        f.u16(static_cast<int>(98 + message.size() + 771)).u8(0x10).zeros(16).zeros(9).u8(speed);
        for (int channel = 0; channel < 16; ++channel) f.u8(15 - channel);
        f.zeros(4).u16(static_cast<int>(message.size())).text(message, message.size());
        std::vector<uint8_t> orderTable(orders);
        orderTable.resize(256, 255);
        f.append(orderTable).u8(0).u8(static_cast<int>(orders.size())).u8(0);
        for (int number = 0; number < 256; ++number) {
            auto found = patterns.find(number);
            f.u16(found == patterns.end() ? 0 : static_cast<int>(found->second.second.size()) + 2);
        }
        for (const auto& [number, pattern] : patterns) f.u8(pattern.first).u8(0).append(pattern.second);
        uint8_t map[8] = {};
        for (const auto& [slot, sample] : samples) map[slot / 8] |= static_cast<uint8_t>(1 << slot % 8);
        f.append({map, map + 8});
        for (const auto& [slot, s] : samples) {
            f.text("far sample", 32).u32(static_cast<uint32_t>(s.data.size())).u8(0).u8(s.volume);
            f.u32(s.loopStart)
                .u32(s.loopEnd)
                .u8(s.type)
                .u8(s.loopMode)
                .append({s.data.begin(), s.data.end()});
        }
        return f.bytes;
    }
};

TEST(FarLoader, HeaderAndMessage) {
    FarFile file;
    file.message = std::string("first line") + std::string(122, '\0') + "second";
    file.orders = {0, 0};
    Song song;
    ASSERT_TRUE(loadWith(loadFar, file.bytes(), song));
    EXPECT_EQ(song.format, SongFormat::far);
    EXPECT_EQ(song.name, "far song");
    EXPECT_EQ(song.channelCount, 16);
    EXPECT_EQ(song.initialSpeed, 4);
    EXPECT_EQ(song.initialTempo, 80);
    EXPECT_EQ(song.length, 2);
    EXPECT_EQ(song.channelPanning[1], 14 * 17);
    std::vector<std::string> lines = {"Farandole module", "", "\xFF", "", "first line", "second"};
    EXPECT_EQ(song.message, lines);

    file.message.clear();
    file.speed = 0;
    Song plain;
    ASSERT_TRUE(loadWith(loadFar, file.bytes(), plain));
    EXPECT_EQ(plain.message, std::vector<std::string>({"Farandole module", ""}));
    EXPECT_EQ(plain.initialSpeed, 6) << "tempo 0 stands for 6";
}

TEST(FarLoader, PatternsFromTheirSizes) {
    FarFile file;
    file.patterns[3] = {14, std::vector<uint8_t>(20 * 64)};  // 16 rows played, 20 stored
    file.setCell(3, 15, 2, 12, 4, 0x47, 0);
    file.setCell(3, 16, 2, 12, 4, 0x47, 0);
    file.orders = {0, 3};
    Song song;
    ASSERT_TRUE(loadWith(loadFar, file.bytes(), song));
    EXPECT_EQ(song.patternCount, 4) << "the highest pattern with data + 1";
    EXPECT_EQ(song.findPattern(0)->rows, 64);
    EXPECT_EQ(song.findPattern(1), nullptr);
    file.orders = {0, 1, 3};
    Song skipping;
    ASSERT_TRUE(loadWith(loadFar, file.bytes(), skipping));
    EXPECT_EQ(skipping.orders[1], 254) << "an order naming a pattern not stored is passed over";
    EXPECT_EQ(RowTimeTable::build(skipping).entries().size(), 64u + 16u);
    const Pattern& third = *song.findPattern(3);
    EXPECT_EQ(third.rows, 16) << "break byte + 2";
    const uint8_t* cell = cellAt(song, 3, 15, 2);
    EXPECT_EQ(cell[kCellNote], 12 + 35);
    EXPECT_EQ(cell[kCellInstrument], 5);
    EXPECT_EQ(cell[kCellVolume], (7 << 2) | 1);
    EXPECT_EQ(third.tracks[2].size(), 16u * 5) << "stored rows beyond the break are not kept";
}

// A break byte ends the pattern only inside its stored rows, as the reference
// player times it; 0 plays every stored row.
TEST(FarLoader, BreakByteInsideTheStoredRows) {
    const int cases[][2] = {{14, 16}, {17, 19}, {0, 20}, {18, 20}, {80, 20}};
    for (const auto& [breakByte, rows] : cases) {
        FarFile file;
        file.patterns[0] = {breakByte, std::vector<uint8_t>(20 * 64)};
        Song song;
        ASSERT_TRUE(loadWith(loadFar, file.bytes(), song));
        EXPECT_EQ(song.findPattern(0)->rows, rows) << "break byte " << breakByte;
    }
}

TEST(FarLoader, EffectTranslation) {
    FarFile file;
    struct Case {
        int effect, volume;
        int code, parameter;
    } cases[] = {{0x05, 0, 0, 0},
                 {0x13, 0, 1, 3},
                 {0x2A, 0, 2, 10},
                 {0x31, 0, 3, 1},
                 {0x4F, 0, 0, 0},
                 {0x73, 0, kVolumeSlide, 3},
                 {0x85, 0, kVolumeSlide, 8},  // fixed parameter 8
                 {0xB2, 0x23, kSetVolume, (3 << 2) | 0},
                 {0xC4, 0, kExtended, 0xDC},
                 {0xE2, 0, 0, 0},
                 {0xF6, 0, kSpeedTempo, 6},
                 {0xD1, 0, 0, 0}};
    int row = 0;
    for (const Case& c : cases) file.setCell(0, row++, 0, 0, 0, c.volume, c.effect);
    Song song;
    ASSERT_TRUE(loadWith(loadFar, file.bytes(), song));
    row = 0;
    for (const Case& c : cases) {
        const uint8_t* cell = cellAt(song, 0, row++, 0);
        EXPECT_EQ(cell[kCellEffect], c.code) << std::hex << c.effect;
        EXPECT_EQ(cell[kCellParameter], c.parameter) << std::hex << c.effect;
    }
    EXPECT_EQ(cellAt(song, 0, 0, 0)[kCellVolume], kNoVolume);
    EXPECT_EQ(cellAt(song, 0, 0, 0)[kCellInstrument], 0) << "no note, no instrument";
}

TEST(FarLoader, SamplesFromTheBitMap) {
    FarFile file;
    file.samples[0] = {std::vector<int8_t>(30, 5), 3, 0, 0, 0, 0};
    file.samples[9] = {std::vector<int8_t>(40, 6), 15, 4, 20, 1, 8};
    Song song;
    ASSERT_TRUE(loadWith(loadFar, file.bytes(), song));
    EXPECT_EQ(song.instrumentCount, 10);
    EXPECT_EQ(song.findSample(2), nullptr);
    const Sample& first = *song.findSample(1);
    EXPECT_EQ(first.volume, 3 * 4 + 4);
    EXPECT_EQ(first.c4Speed, 8363);
    EXPECT_FALSE(first.loops());
    EXPECT_EQ(first.data[29], 5);
    const Sample& tenth = *song.findSample(10);
    EXPECT_EQ(tenth.volume, 64);
    EXPECT_TRUE(tenth.loops());
    EXPECT_TRUE(tenth.is16Bit());
    EXPECT_EQ(tenth.data[0], 6) << "each sample's data after its own header";
    EXPECT_EQ(song.findInstrument(10)->name, "far sample");
}

TEST(FarLoader, TruncatedFiles) {
    FarFile file;
    file.message = "hello";
    file.patterns[0].second.resize(4 * 64);
    file.samples[1] = {std::vector<int8_t>(16, 1), 15, 0, 0, 0, 0};
    std::vector<uint8_t> bytes = file.bytes();
    size_t patternsEnd = 98 + 5 + 771 + 2 + 4 * 64;
    EXPECT_EQ(loadEveryPrefix(loadFar, bytes), static_cast<int>(bytes.size() - patternsEnd) + 1);
}

TEST(FarLoader, PlaysThroughTheSequencer) {
    FarFile file;
    file.speed = 6;
    file.samples[0] = {std::vector<int8_t>(100, 1), 15, 0, 0, 0, 0};
    file.setCell(0, 0, 0, 13, 0, 0, 0);  // note 48, instrument 1
    LoadedSongRig rig;
    ASSERT_TRUE(rig.load(loadFar, file.bytes()));
    // 64 rows of 6 ticks of 2.5 / 80 s, 12 s as the reference player has it.
    EXPECT_NEAR(RowTimeTable::build(rig.song).lengthTenths(), 120, 1);
    rig.begin();
    EXPECT_EQ(rig.voice(0).starts, 1);
    EXPECT_EQ(rig.voice(0).frequency, 8363);
}

}  // namespace
}  // namespace tumbor::trk::test
