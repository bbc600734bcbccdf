// The MPEG module's settings in the "STRM_MPA" section and the configuration
// dialog's radio buttons.
#include "libs/mpa/mpa_settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "libs/mpa/mpa_control_ids.h"
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

TEST_F(MpaSettingsTest, RadioButtons) {
    EXPECT_EQ(qualityRadioFor(0), IDC_QUALITY_BEST);
    EXPECT_EQ(qualityRadioFor(2), IDC_QUALITY_WORST);
    EXPECT_EQ(qualityRadioFor(3), 0);
    EXPECT_EQ(channelRadioFor(-1), IDC_CHANNELS_STEREO);
    EXPECT_EQ(channelRadioFor(0), IDC_CHANNELS_LEFT);
    EXPECT_EQ(channelRadioFor(1), IDC_CHANNELS_RIGHT);
    EXPECT_EQ(channelRadioFor(3), IDC_CHANNELS_MONO_MIX);
    EXPECT_EQ(channelRadioFor(2), 0);

    std::map<int, bool> checked;
    auto isChecked = [&](int control) { return checked[control]; };
    // Nothing checked keeps both values, Stereo 2 included.
    MpaSettings kept = settingsFromRadios(MpaSettings{1, 2}, isChecked);
    EXPECT_EQ(kept.quality, 1);
    EXPECT_EQ(kept.stereo, 2);
    checked[IDC_QUALITY_WORST] = true;
    checked[IDC_CHANNELS_MONO_MIX] = true;
    MpaSettings chosen = settingsFromRadios(MpaSettings{}, isChecked);
    EXPECT_EQ(chosen.quality, 2);
    EXPECT_EQ(chosen.stereo, 3);
    // The first checked button of a group wins, in the dialog's order.
    checked[IDC_CHANNELS_RIGHT] = true;
    EXPECT_EQ(settingsFromRadios(MpaSettings{}, isChecked).stereo, 1);
}

}  // namespace
}  // namespace tumbor
