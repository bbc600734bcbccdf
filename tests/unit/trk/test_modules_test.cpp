// The generated test songs, loaded and timed by the library: their length,
// their samples, and every effect they promise reached on a played row.
#include "tools/trk_modules/test_modules.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "libs/trk/loaders/loaders.h"
#include "libs/trk/loaders/sample_stage.h"
#include "libs/trk/sequencer/row_time_table.h"

namespace tumbor::trk::test {
namespace {

struct LoadedSong {
    std::string fileName;
    std::unique_ptr<Song> song;
    RowTimeTable table;
};

std::vector<LoadedSong> loadAll() {
    std::vector<LoadedSong> loaded;
    for (const TestModule& module : makeTestModules()) {
        std::vector<uint8_t> bytes = module.file.bytes();
        MemoryByteSource source(bytes);
        ModuleReader reader(source);
        auto song = std::make_unique<Song>();
        EXPECT_TRUE(loadMod(reader, *song)) << module.fileName;
        checkLoadedSong(*song);
        EXPECT_EQ(loadSampleData(reader, *song), kSamplesLoaded) << module.fileName;
        RowTimeTable table = RowTimeTable::build(*song);
        loaded.push_back({module.fileName, std::move(song), std::move(table)});
    }
    return loaded;
}

// An effect as "E6" for extended sub-commands, else its hex digit.
std::string effectName(int effect, int parameter) {
    const char* digits = "0123456789ABCDEF";
    std::string name(1, digits[effect & 15]);
    if (effect == 14) name += digits[parameter >> 4];
    return name;
}

TEST(TestModules, AreFourSixAndEightChannelSongsOfTwentyToFortySeconds) {
    std::vector<LoadedSong> songs = loadAll();
    ASSERT_EQ(songs.size(), 3u);
    const std::map<std::string, int> channels = {{"four.mod", 4}, {"six.mod", 6}, {"eight.mod", 8}};
    for (const LoadedSong& loaded : songs) {
        SCOPED_TRACE(loaded.fileName);
        EXPECT_EQ(loaded.song->channelCount, channels.at(loaded.fileName));
        EXPECT_EQ(loaded.song->multichannelMod, loaded.fileName != "four.mod");
        EXPECT_GE(loaded.table.lengthTenths(), 200);
        EXPECT_LE(loaded.table.lengthTenths(), 400);
    }
}

TEST(TestModules, PlayEveryEffectOnARowThatIsReached) {
    std::set<std::string> heard;
    std::set<int> speeds, tempos;
    for (const LoadedSong& loaded : loadAll()) {
        const Song& song = *loaded.song;
        // Pattern loops: the channels that set a loop start in each pattern.
        std::map<int, std::set<int>> loopStarts;
        for (const RowTime& entry : loaded.table.entries()) {
            int number = song.orders[entry.order];
            const Pattern* pattern = song.findPattern(number);
            ASSERT_NE(pattern, nullptr);
            for (int channel = 0; channel < song.channelCount; ++channel) {
                if (!pattern->hasTrack(channel)) continue;
                const uint8_t* cell =
                    pattern->tracks[static_cast<size_t>(channel)].data() + entry.row * song.cellSize;
                int effect = cell[kCellEffect], parameter = cell[kCellParameter];
                if (effect == 0 && parameter == 0) continue;
                heard.insert(effectName(effect, parameter));
                if (effect == 15) (parameter > 32 ? tempos : speeds).insert(parameter);
                if (effect == 14 && parameter == 0x60) loopStarts[number].insert(channel);
                if (effect == 14 && (parameter >> 4) == 6 && (parameter & 15) != 0) {
                    EXPECT_TRUE(loopStarts[number].count(channel))
                        << loaded.fileName << ": a loop end without its start, pattern " << number;
                }
            }
        }
    }
    for (const char* effect :
         {"0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "9",  "A",  "B",  "C",  "D", "F",
          "E1", "E2", "E4", "E5", "E6", "E7", "E8", "E9", "EA", "EB", "EC", "ED", "EE"})
        EXPECT_TRUE(heard.count(effect)) << "effect " << effect << " is never played";
    EXPECT_GE(speeds.size(), 3u) << "speed changes";
    EXPECT_GE(tempos.size(), 3u) << "tempo changes";
}

TEST(TestModules, HaveLoopedOneShotAndLongSamplesOfVariedTuning) {
    std::vector<LoadedSong> songs = loadAll();
    const Song& song = *songs.front().song;
    int looped = 0, oneShot = 0, longest = 0;
    std::set<int> speeds, volumes;
    for (int number = 1; number <= song.sampleCount; ++number) {
        const Sample* sample = song.findSample(number);
        if (!sample || sample->length == 0) continue;
        (sample->loops() ? looped : oneShot) += 1;
        longest = std::max(longest, static_cast<int>(sample->length));
        speeds.insert(sample->c4Speed);
        volumes.insert(sample->volume);
    }
    EXPECT_GE(looped, 3);
    EXPECT_GE(oneShot, 3) << "the one-word loop counts as a one-shot";
    EXPECT_GT(longest, 8192) << "one sample loads in more than one chunk";
    EXPECT_GE(speeds.size(), 4u) << "fine-tunes";
    EXPECT_GE(volumes.size(), 4u);
}

TEST(TestModules, AreTheSameBytesEveryTime) {
    std::vector<TestModule> first = makeTestModules(), second = makeTestModules();
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i) EXPECT_EQ(first[i].file.bytes(), second[i].file.bytes());
}

}  // namespace
}  // namespace tumbor::trk::test
