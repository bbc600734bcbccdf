// The equalizer preset file's text and the file itself.
#include "player/engine/equalizer_presets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace tumbor {
namespace {

TEST(EqualizerPresetsTest, ReadsWellFormedLinesOnly) {
    const std::string text =
        "; comment\r\n"
        "Warm = -20 10 20 30 40 50 60 70 80 90 100\r\n"
        "a=b = 1 2 3 4 5 6 7 8 9 10 -999\n"      // the last '=' ends the name; held at the limit
        "Short=1 2 3\n"                          // too few values
        "Long=0 0 0 0 0 0 0 0 0 0 0 0\n"         // too many
        "Text=0 0 0 0 0 0 0 0 0 0 x\n"           // not a number
        "Glued=0 0 0 0 0 0 0 0 0 0 5dB\n"        // not a whole number
        "   =0 0 0 0 0 0 0 0 0 0 0\n"            // no name
        "Warm=1 0 0 0 0 0 0 0 0 0 99999999999";  // same name: replaces, in place
    const std::vector<EqualizerPreset> presets = parseEqualizerPresets(text);
    ASSERT_EQ(presets.size(), 2u);
    EXPECT_EQ(presets[0].name, "Warm");
    EXPECT_EQ(presets[0].preampTenths, 1);
    EXPECT_EQ(presets[0].bandTenths[9], kEqualizerLimitTenths);
    EXPECT_EQ(presets[1].name, "a=b");
    EXPECT_EQ(presets[1].preampTenths, 1);
    EXPECT_EQ(presets[1].bandTenths[9], -kEqualizerLimitTenths);

    // What is written reads back the same, control characters in names made spaces.
    std::vector<EqualizerPreset> written = builtInEqualizerPresets();
    written.push_back(EqualizerPreset{"Two\nlines ", -5, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}});
    std::vector<EqualizerPreset> expected = written;
    expected.back().name = "Two lines";
    EXPECT_EQ(parseEqualizerPresets(formatEqualizerPresets(written)), expected);

    namespace fs = std::filesystem;
    const fs::path folder =
        fs::absolute(::testing::TempDir()) / ("tumbor_eq_" + std::to_string(std::random_device{}()));
    fs::create_directories(folder);
    const std::string path = (folder / kEqualizerPresetFileName).string();
    EXPECT_TRUE(readEqualizerPresetFile(path).empty());
    ASSERT_TRUE(writeEqualizerPresetFile(path, written));
    EXPECT_EQ(readEqualizerPresetFile(path), expected);
    EXPECT_FALSE(fs::exists(path + ".new"));
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tumbor
