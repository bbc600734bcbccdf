// Format detection, the MOD loader and the common sample stage, over files
// built byte by byte.
#include <gtest/gtest.h>

#include <cstring>

#include "libs/trk/loaders/loaders.h"
#include "libs/trk/loaders/sample_stage.h"
#include "libs/trk/model/format_detection.h"
#include "libs/trk/sequencer/effects.h"
#include "tests/unit/trk/test_songs.h"

namespace tumbor::trk::test {
namespace {

SongFormat detect(const std::vector<uint8_t>& bytes) {
    MemoryByteSource source(bytes);
    ModuleReader reader(source);
    return detectFormat(reader);
}

// Loads the MOD and its samples; false when either fails.
bool load(const std::vector<uint8_t>& bytes, Song& song, int* stageResult = nullptr) {
    MemoryByteSource source(bytes);
    ModuleReader reader(source);
    if (!loadMod(reader, song)) return false;
    checkLoadedSong(song);
    int result = loadSampleData(reader, song);
    if (stageResult) *stageResult = result;
    return result == kSamplesLoaded;
}

const uint8_t* cellAt(const Song& song, int pattern, int row, int channel) {
    return song.findPattern(pattern)->tracks[static_cast<size_t>(channel)].data() + row * song.cellSize;
}

std::vector<uint8_t> withBytesAt(std::vector<uint8_t> bytes, size_t at, const char* text) {
    if (bytes.size() < at + std::strlen(text)) bytes.resize(at + std::strlen(text));
    std::memcpy(bytes.data() + at, text, std::strlen(text));
    return bytes;
}

TEST(FormatDetection, SignaturesDecideInTheirOrder) {
    std::vector<uint8_t> empty(2000, 0);
    EXPECT_EQ(detect(withBytesAt(empty, 1080, "M.K.")), SongFormat::mod);
    EXPECT_EQ(detect(withBytesAt(withBytesAt(empty, 1080, "M.K."), 44, "SCRM")), SongFormat::s3m);
    EXPECT_EQ(detect(withBytesAt(empty, 1080, "8CHN")), SongFormat::mod);
    EXPECT_EQ(detect(withBytesAt(empty, 1080, "12CH")), SongFormat::mod);
    EXPECT_EQ(detect(withBytesAt(empty, 1080, "0CHN")), SongFormat::none) << "CHN needs a digit 1 .. 9";
    EXPECT_EQ(detect(withBytesAt(empty, 1080, "FLT8")), SongFormat::none);
    EXPECT_EQ(detect(withBytesAt(empty, 0, "Extended Module: ")), SongFormat::xm);
    EXPECT_EQ(detect(withBytesAt(empty, 20, "!Scream!")), SongFormat::stm);
    EXPECT_EQ(detect(withBytesAt(withBytesAt(empty, 0, "RIFF"), 8, "DSMF")), SongFormat::dsm);
    EXPECT_EQ(detect(withBytesAt(empty, 0, "IMPM")), SongFormat::it);
    std::vector<uint8_t> dmf = withBytesAt(empty, 0, "DDMF");
    dmf[4] = 3;
    EXPECT_EQ(detect(dmf), SongFormat::none) << "DMF before version 4";
    dmf[4] = 4;
    EXPECT_EQ(detect(dmf), SongFormat::dmf);
    EXPECT_EQ(detect({'i', 'f'}), SongFormat::s669) << "a short file still matches what it holds";
    EXPECT_EQ(detect({}), SongFormat::none);
}

TEST(ModLoader, PeriodsBecomeNotes) {
    ModFile file;
    int periods[] = {1712, 428, 113, 1800, 1700, 10, 0};
    for (int row = 0; row < 7; ++row) file.setCell(0, row, 1, periods[row], 17, 0xC, 0x20);
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    int expected[] = {24, 48, 71, 24, 25, 0, 0};
    for (int row = 0; row < 7; ++row) {
        const uint8_t* cell = cellAt(song, 0, row, 1);
        EXPECT_EQ(cell[kCellNote], expected[row]) << "period " << periods[row];
        EXPECT_EQ(cell[kCellInstrument], 17);
        EXPECT_EQ(cell[kCellEffect], 12);
        EXPECT_EQ(cell[kCellParameter], 0x20);
    }
}

TEST(ModLoader, SignatureGivesTheChannels) {
    struct Case {
        const char* signature;
        int channels;
        bool multichannel;
    };
    for (Case c : {Case{"M.K.", 4, false}, Case{"FLT4", 4, false}, Case{"6CHN", 6, true},
                   Case{"16CH", 16, true}, Case{"32CH", 32, true}}) {
        ModFile file(c.signature, c.channels);
        file.setCell(0, 0, c.channels - 1, 428, 1, 8, 0xC0);
        Song song;
        ASSERT_TRUE(load(file.bytes(), song)) << c.signature;
        EXPECT_EQ(song.channelCount, c.channels) << c.signature;
        const uint8_t* cell = cellAt(song, 0, 0, c.channels - 1);
        // Multichannel files pan with effect 8: 0xC0 becomes the panning step 12.
        EXPECT_EQ(cell[kCellEffect], c.multichannel ? kExtended : 8) << c.signature;
        EXPECT_EQ(cell[kCellParameter], c.multichannel ? 0x8C : 0xC0) << c.signature;
    }
}

TEST(ModLoader, EveryOrderEntryCountsForThePatterns) {
    ModFile file;
    std::vector<uint8_t> orders(128, 0);
    orders[0] = 1;
    orders[100] = 40;
    file.setOrders(orders, 1);
    file.setSample(1, std::vector<int8_t>(64, 7));
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    EXPECT_EQ(song.patternCount, 41);
    EXPECT_EQ(song.length, 1);
    // Had fewer patterns been read, the sample data would be pattern bytes.
    EXPECT_EQ(static_cast<int8_t>(song.findSample(1)->data[0]), 7);
}

TEST(ModLoader, SampleHeaders) {
    ModFile file;
    file.setName("  spaced name   ");
    file.setSample(1, std::vector<int8_t>(100, 1), 80, 15, 10, 20, "lead");
    file.setSample(2, std::vector<int8_t>(100, 2), 30, 0, 0, 1);    // one word: no loop
    file.setSample(3, std::vector<int8_t>(100, 3), 30, 0, 40, 40);  // loop end past the end
    Song song;
    ASSERT_TRUE(load(file.bytes(), song));
    EXPECT_EQ(song.name, "  spaced name");
    const Sample& first = *song.findSample(1);
    EXPECT_EQ(first.volume, 64);
    EXPECT_EQ(first.c4Speed, 8280) << "fine-tune -1";
    EXPECT_TRUE(first.loops());
    EXPECT_EQ(first.loopStart, 20u);
    EXPECT_EQ(first.loopEnd, 60u);
    EXPECT_EQ(song.findInstrument(1)->name, "lead");
    EXPECT_FALSE(song.findSample(2)->loops());
    EXPECT_EQ(song.findSample(3)->loopEnd, 100u);
    EXPECT_EQ(song.instrumentCount, 31);
}

TEST(ModLoader, TruncatedFilesFail) {
    ModFile file;
    file.setSample(1, std::vector<int8_t>(100, 1));
    std::vector<uint8_t> bytes = file.bytes();
    for (size_t size : {size_t(0), size_t(19), size_t(900), size_t(1083), size_t(1084 + 1023)}) {
        Song song;
        EXPECT_FALSE(load(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(size)), song))
            << size;
    }
    // Sample data cut short still load, the missing part silent.
    Song song;
    ASSERT_TRUE(load(std::vector<uint8_t>(bytes.begin(), bytes.end() - 50), song));
    EXPECT_EQ(song.findSample(1)->data[49], 1);
    EXPECT_EQ(song.findSample(1)->data[50], 0);
}

TEST(ModLoader, FifteenSampleFilesHaveNoSignature) {
    ModFile file;
    file.setSample(1, std::vector<int8_t>(10, 5));
    std::vector<uint8_t> bytes = file.bytes();
    // Drop sample headers 16 .. 31 and the signature.
    std::vector<uint8_t> fifteen(bytes.begin(), bytes.begin() + 20 + 15 * 30);
    fifteen.insert(fifteen.end(), bytes.begin() + 20 + 31 * 30, bytes.begin() + 20 + 31 * 30 + 130);
    fifteen.insert(fifteen.end(), bytes.begin() + 1084, bytes.end());
    MemoryByteSource source(fifteen);
    ModuleReader reader(source);
    Song song;
    ASSERT_TRUE(loadModFifteenSamples(reader, song));
    EXPECT_EQ(song.instrumentCount, 15);
    EXPECT_EQ(song.channelCount, 4);
    ASSERT_EQ(loadSampleData(reader, song), kSamplesLoaded);
    EXPECT_EQ(song.findSample(1)->data[9], 5);
}

TEST(SampleStage, ConvertsAndGuardsTheData) {
    // Four samples at explicit offsets in a small file.
    std::vector<uint8_t> file = {10, 20, 30, 40, 0x80, 0x81, 0x7F, 1, 2, 3, 0x10, 0x00, 0x20, 0x00};
    Song song;
    song.format = SongFormat::xm;
    Sample& looped = *song.sample(1);
    looped.length = 4;
    looped.fileOffset = 0;
    looped.flags = kSampleLooped;
    looped.loopStart = 1;
    looped.loopEnd = 3;
    Sample& unsignedData = *song.sample(2);
    unsignedData.length = 3;
    unsignedData.fileOffset = 4;
    unsignedData.isUnsigned = true;
    Sample& delta = *song.sample(3);
    delta.length = 3;
    delta.fileOffset = 7;
    delta.isDelta = true;
    Sample& words = *song.sample(4);
    words.length = 4;
    words.fileOffset = 10;
    words.flags = kSample16Bit;
    words.isDelta = true;
    MemoryByteSource source(file);
    ModuleReader reader(source);
    ASSERT_EQ(loadSampleData(reader, song), kSamplesLoaded);
    EXPECT_EQ(looped.data[2], 30);
    EXPECT_EQ(looped.data[3], 20) << "from the loop's end the loop's start repeats";
    EXPECT_EQ(looped.data[4], 30);
    EXPECT_EQ(unsignedData.data[0], 0x00);
    EXPECT_EQ(unsignedData.data[1], 0x01);
    EXPECT_EQ(unsignedData.data[2], 0xFF);
    EXPECT_EQ(delta.data[2], 6);
    EXPECT_EQ(delta.data[3], 0) << "silence after a sample that ends";
    EXPECT_EQ(words.data[2], 0x30) << "16-bit delta sums words";
    EXPECT_EQ(words.data[3], 0x00);
}

TEST(SampleStage, ReportsDamageWithItsMessages) {
    std::vector<uint8_t> file(100, 1);
    Song song;
    Sample& sample = *song.sample(1);
    sample.length = 10;
    sample.fileOffset = 5000;
    MemoryByteSource source(file);
    ModuleReader reader(source);
    int result = loadSampleData(reader, song);
    EXPECT_STREQ(sampleStageMessage(result), "Module is damaged (Seek error)");
    EXPECT_STREQ(sampleStageMessage(kOutOfSampleMemory), "Out of sample memory");
    EXPECT_STREQ(sampleStageMessage(kOutOfMainMemory), "Out of main memory");
    EXPECT_STREQ(sampleStageMessage(3), "Failed to load samples");
    EXPECT_EQ(sampleStageMessage(kSamplesLoaded), nullptr);

    // A plain sample cannot hold more than the file; a song asking for more
    // sample memory than the limit is refused.
    Song greedy;
    greedy.sample(1)->length = 0xFFFFFFF0u;
    MemoryByteSource again(file);
    ModuleReader rereader(again);
    ASSERT_EQ(loadSampleData(rereader, greedy), kSamplesLoaded);
    EXPECT_EQ(greedy.findSample(1)->length, 100u);
    Song huge;
    for (int number = 1; number <= 64; ++number) {
        huge.sample(number)->length = 0xFFFFFFF0u;
        huge.sample(number)->encoding = SampleEncoding::it8;
    }
    std::vector<uint8_t> big(1 << 20, 0);  // 16 MiB a sample, 1 GiB in all
    MemoryByteSource bigSource(big);
    ModuleReader bigReader(bigSource);
    EXPECT_EQ(loadSampleData(bigReader, huge), kOutOfSampleMemory);
}

// ProTracker's rules hold for a 4-channel MOD whose notes keep to its three
// octaves and whose samples all have a loop length (1 word for none).
TEST(ModLoader, ProtrackerRulesFollowSignatureNotesAndLoops) {
    struct Case {
        const char* signature;
        int period;
        int loopWords;
        bool protracker;
    };
    const Case cases[] = {{"M.K.", 856, 1, true},  {"M!K!", 113, 1, true},  {"FLT4", 428, 1, false},
                          {"M.K.", 907, 1, false}, {"M.K.", 108, 1, false}, {"M.K.", 428, 0, false}};
    for (const Case& c : cases) {
        ModFile file(c.signature);
        file.setSample(1, std::vector<int8_t>(8, 1), 64, 0, 0, c.loopWords);
        file.setCell(0, 0, 0, c.period, 1);
        Song song;
        ASSERT_TRUE(load(file.bytes(), song)) << c.signature;
        EXPECT_EQ(song.protrackerRules, c.protracker) << c.signature << " " << c.period << " " << c.loopWords;
    }
}

}  // namespace
}  // namespace tumbor::trk::test
