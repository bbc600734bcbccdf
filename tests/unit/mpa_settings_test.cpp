// The MPEG module's settings in the "STRM_MPA" section. (The configuration
// dialog's radio buttons are checked on the real dialog, under Wine.)
#include "libs/mpa/mpa_settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/profile.h"

namespace tumbor {
namespace {

class MpaSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (std::filesystem::absolute(::testing::TempDir()) /
                 ("tumbor_mpa_" + std::to_string(std::random_device{}()) + ".ini"))
                    .string();
    }
    void TearDown() override { std::remove(path_.c_str()); }
    void writeIni(const std::string& text) { std::ofstream(path_) << text; }

    std::string path_;
};

TEST_F(MpaSettingsTest, ReadsNumbersAndDefaultsTheRest) {
    MpaSettings missing = readSettings(path_);
    EXPECT_EQ(missing.quality, 0);
    EXPECT_EQ(missing.stereo, -1);

    writeIni("[STRM_MPA]\nQuality=2\nStereo=3\n");
    EXPECT_EQ(readSettings(path_).quality, 2);
    EXPECT_EQ(readSettings(path_).stereo, 3);

    writeIni("[strm_mpa]\nquality=abc\nStereo= -1x\n");
    EXPECT_EQ(readSettings(path_).quality, 0);
    EXPECT_EQ(readSettings(path_).stereo, -1);

    writeIni("[STRM_MPA]\nQuality=\nStereo=1\n");
    EXPECT_EQ(readSettings(path_).quality, 0);
    EXPECT_EQ(readSettings(path_).stereo, 1);
}

TEST_F(MpaSettingsTest, WritesDecimalText) {
    writeIni("[Sound]\nBuffer=20\n");
    writeSettings(MpaSettings{1, -1}, path_);
    EXPECT_EQ(platform::getProfileString("STRM_MPA", "Quality", "", path_), "1");
    EXPECT_EQ(platform::getProfileString("STRM_MPA", "Stereo", "", path_), "-1");
    EXPECT_EQ(platform::getProfileString("Sound", "Buffer", "", path_), "20");
}

}  // namespace
}  // namespace tumbor
