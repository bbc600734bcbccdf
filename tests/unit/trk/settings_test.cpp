// The tracker library's settings in the "STRM_TRK" section, the output format
// they choose, and the configuration dialog's radio buttons for them.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "libs/trk/settings/trk_settings.h"
#include "libs/trk/trk_control_ids.h"
#include "platform/profile.h"

namespace tumbor::trk {
namespace {

class TrkSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (std::filesystem::absolute(::testing::TempDir()) /
                 ("tumbor_trk_" + std::to_string(std::random_device{}()) + ".ini"))
                    .string();
    }
    void TearDown() override { std::remove(path_.c_str()); }
    void writeIni(const std::string& text) { std::ofstream(path_) << text; }

    std::string path_;
};

void expectSettings(const TrkSettings& got, int quality, int stereo, int interpolation, int bits) {
    EXPECT_EQ(got.quality, quality);
    EXPECT_EQ(got.stereo, stereo);
    EXPECT_EQ(got.interpolation, interpolation);
    EXPECT_EQ(got.bits, bits);
}

TEST_F(TrkSettingsTest, DefaultsWithoutTheSection) {
    expectSettings(readTrkSettings(path_), 0, 0, 0, 16);
    writeIni("[STRM_MPA]\nQuality=2\nStereo=1\n");
    TrkSettings settings = readTrkSettings(path_);
    expectSettings(settings, 0, 0, 0, 16);

    OutputMode mode = outputModeFor(settings);
    EXPECT_EQ(mode.rate, 44100u);
    EXPECT_TRUE(mode.stereo);
    EXPECT_TRUE(mode.sixteenBit);
    EXPECT_EQ(mode.interpolation, kInterpolationNone);
    EXPECT_FALSE(mode.ramping);
    EXPECT_EQ(mode.stereoSeparation, 100);
}

TEST_F(TrkSettingsTest, ReadsWhatTheFileSays) {
    writeIni("[STRM_TRK]\nQuality=2\nStereo=1\nInterpolation=2\nBits=8\n");
    expectSettings(readTrkSettings(path_), 2, 1, 2, 8);

    // Values the dialog never writes are kept as read.
    writeIni("[strm_trk]\nquality=7\nSTEREO=-1\nInterpolation=255\nBits=12\n");
    expectSettings(readTrkSettings(path_), 7, -1, 255, 12);

    // Entries that are not numbers, or empty, give the defaults; the rest stand.
    writeIni("[STRM_TRK]\nQuality=abc\nStereo=\nInterpolation=1x\nBits=-\n");
    expectSettings(readTrkSettings(path_), 0, 0, 1, 16);
}

TEST_F(TrkSettingsTest, WritesDecimalTextThatReadsBack) {
    writeIni("[Sound]\nBuffer=20\n[STRM_TRK]\nBits=abc\n");
    writeTrkSettings(TrkSettings{1, 1, 1, 8}, path_);
    EXPECT_EQ(platform::getProfileString("STRM_TRK", "Quality", "", path_), "1");
    EXPECT_EQ(platform::getProfileString("STRM_TRK", "Stereo", "", path_), "1");
    EXPECT_EQ(platform::getProfileString("STRM_TRK", "Interpolation", "", path_), "1");
    EXPECT_EQ(platform::getProfileString("STRM_TRK", "Bits", "", path_), "8");
    EXPECT_EQ(platform::getProfileString("Sound", "Buffer", "", path_), "20");
    expectSettings(readTrkSettings(path_), 1, 1, 1, 8);

    writeTrkSettings(TrkSettings{2, -3, 0, 16}, path_);
    expectSettings(readTrkSettings(path_), 2, -3, 0, 16);

    // The sound settings go with them; without entries they are off and 100 %.
    EXPECT_EQ(readTrkSettings(path_).ramping, 0);
    EXPECT_EQ(readTrkSettings(path_).stereoSeparation, 100);
    writeTrkSettings(TrkSettings{0, 0, 3, 16, 1, 150}, path_);
    EXPECT_EQ(platform::getProfileString("STRM_TRK", "Ramping", "", path_), "1");
    EXPECT_EQ(platform::getProfileString("STRM_TRK", "StereoSeparation", "", path_), "150");
    const TrkSettings back = readTrkSettings(path_);
    EXPECT_EQ(back.interpolation, 3);
    EXPECT_EQ(back.ramping, 1);
    EXPECT_EQ(back.stereoSeparation, 150);
}

TEST(TrkOutputModeTest, FollowsEachSetting) {
    const uint32_t rates[] = {44100, 22050, 11025};
    for (int quality = 0; quality <= 2; ++quality)
        EXPECT_EQ(outputModeFor(TrkSettings{quality, 0, 0, 16}).rate, rates[quality]);

    EXPECT_TRUE(outputModeFor(TrkSettings{0, 0, 0, 16}).stereo);
    EXPECT_FALSE(outputModeFor(TrkSettings{0, 1, 0, 16}).stereo);
    EXPECT_TRUE(outputModeFor(TrkSettings{0, 2, 0, 16}).stereo);
    EXPECT_TRUE(outputModeFor(TrkSettings{0, -1, 0, 16}).stereo);

    // 0 .. 3 choose their kind; values no button writes play linear.
    const int kinds[][2] = {{0, kInterpolationNone},   {1, kInterpolationLinear}, {2, kInterpolationCubic},
                            {3, kInterpolationSinc},   {4, kInterpolationLinear}, {-1, kInterpolationLinear},
                            {255, kInterpolationLinear}};
    for (const auto& kind : kinds)
        EXPECT_EQ(outputModeFor(TrkSettings{0, 0, kind[0], 16}).interpolation, kind[1]) << kind[0];
    const int separations[][2] = {{100, 100}, {0, 0}, {200, 200}, {201, 200}, {-5, 0}, {INT_MIN, 0}};
    for (const auto& separation : separations)
        EXPECT_EQ(outputModeFor(TrkSettings{0, 0, 0, 16, 0, separation[0]}).stereoSeparation, separation[1]);
    EXPECT_TRUE(outputModeFor(TrkSettings{0, 0, 0, 16, 1}).ramping);
    EXPECT_FALSE(outputModeFor(TrkSettings{0, 0, 0, 16, 0}).ramping);

    OutputMode smallest = outputModeFor(TrkSettings{2, 1, 0, 8});
    EXPECT_FALSE(smallest.sixteenBit);
    EXPECT_EQ(smallest.bytesPerFrame(), 1u);
    EXPECT_EQ(outputModeFor(TrkSettings{}).bytesPerFrame(), 4u);
}

TEST(TrkOutputModeTest, ClampsQualityAndMakesOtherBitsEight) {
    // A shift by 32 or more, or a negative one, would be undefined.
    for (int quality : {3, 31, 32, 1000, INT_MAX})
        EXPECT_EQ(outputModeFor(TrkSettings{quality, 0, 0, 16}).rate, 11025u) << quality;
    for (int quality : {-1, INT_MIN}) EXPECT_EQ(outputModeFor(TrkSettings{quality, 0, 0, 16}).rate, 44100u);

    for (int bits : {12, 0, 32, -16, 24})
        EXPECT_FALSE(outputModeFor(TrkSettings{0, 0, 0, bits}).sixteenBit) << bits;
}

std::set<int> radioSet(const TrkSettings& settings) {
    std::vector<int> radios = radiosFor(settings);
    return {radios.begin(), radios.end()};
}

TEST(TrkSettingsRadiosTest, ChecksOneRadioPerGroup) {
    EXPECT_EQ(radioSet(TrkSettings{}), (std::set<int>{IDC_TRK_QUALITY_BEST, IDC_TRK_CHANNELS_STEREO,
                                                      IDC_TRK_INTERPOLATION_OFF, IDC_TRK_BITS_16}));
    EXPECT_EQ(radioSet(TrkSettings{1, 1, 1, 8}), (std::set<int>{IDC_TRK_QUALITY_MEDIUM, IDC_TRK_CHANNELS_MONO,
                                                                IDC_TRK_INTERPOLATION_ON, IDC_TRK_BITS_8}));
    EXPECT_EQ(radiosFor(TrkSettings{2, 0, 0, 16}).size(), 4u);
    EXPECT_EQ(radioSet(TrkSettings{2, 0, 0, 16}).count(IDC_TRK_QUALITY_WORST), 1u);

    // Strays show the first button of their group (interpolation 9 plays
    // linear, yet shows "off"); ramping adds its box.
    EXPECT_EQ(radioSet(TrkSettings{5, 2, 9, 12, 1}),
              (std::set<int>{IDC_TRK_QUALITY_BEST, IDC_TRK_CHANNELS_STEREO, IDC_TRK_INTERPOLATION_OFF,
                             IDC_TRK_BITS_16, IDC_TRK_RAMPING}));
    EXPECT_EQ(radioSet(TrkSettings{0, 0, 2, 16}).count(IDC_TRK_INTERPOLATION_CUBIC), 1u);
    EXPECT_EQ(radioSet(TrkSettings{0, 0, 3, 16}).count(IDC_TRK_INTERPOLATION_SINC), 1u);
    EXPECT_EQ(radioSet(TrkSettings{-1, -1, -1, 0}).count(IDC_TRK_QUALITY_BEST), 1u);
}

TEST(TrkSettingsRadiosTest, TakesTheCheckedRadios) {
    TrkSettings old{7, 5, 9, 12};
    for (int quality = 0; quality <= 2; ++quality)
        for (int stereo = 0; stereo <= 1; ++stereo)
            for (int interpolation = 0; interpolation <= 3; ++interpolation)
                for (int bits : {8, 16}) {
                    TrkSettings shown{quality, stereo, interpolation, bits, quality % 2};
                    std::set<int> checked = radioSet(shown);
                    TrkSettings taken =
                        settingsFromRadios(old, [&](int control) { return checked.count(control) > 0; }, 50);
                    expectSettings(taken, quality, stereo, interpolation, bits);
                    EXPECT_EQ(taken.ramping, quality % 2);
                    EXPECT_EQ(taken.stereoSeparation, 50);
                }

    // With none checked, a group keeps its value; the separation comes within range.
    expectSettings(settingsFromRadios(old, [](int) { return false; }, 500), 7, 5, 9, 12);
    EXPECT_EQ(settingsFromRadios(old, [](int) { return false; }, 500).stereoSeparation, 200);

    // With more than one checked, the order OK tests them in decides.
    expectSettings(settingsFromRadios(old, [](int) { return true; }, 100), 0, 0, 0, 8);
    std::set<int> lowerButtons{IDC_TRK_QUALITY_MEDIUM, IDC_TRK_QUALITY_WORST};
    EXPECT_EQ(
        settingsFromRadios(old, [&](int control) { return lowerButtons.count(control) > 0; }, 100).quality, 1);
}

}  // namespace
}  // namespace tumbor::trk
