// Reading and writing the player's settings file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/profile.h"
#include "player/engine/settings.h"

namespace tumbor {
namespace {

namespace fs = std::filesystem;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::absolute(::testing::TempDir()) /
                  ("tumbor_settings_" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_);
        path_ = (folder_ / "Tumbor.ini").string();
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string contents() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    Settings defaults() const { return Settings::defaults("C:\\Tumbor\\", 100, 80); }

    fs::path folder_;
    std::string path_;
};

TEST_F(SettingsTest, MissingFileGivesDefaults) {
    Settings settings = readSettings(path_, defaults());
    EXPECT_EQ(settings.device, -1);
    EXPECT_EQ(settings.buffer, 20);
    EXPECT_EQ(settings.volume, 65536);
    EXPECT_EQ(settings.filepath, "C:\\Tumbor\\");
    EXPECT_EQ(settings.pluginPath, "C:\\Tumbor\\Plugins\\");
    EXPECT_EQ(settings.skinPath, "C:\\Tumbor\\Skins\\");
    EXPECT_EQ(settings.designCurrent, "TumborR.design");
    EXPECT_EQ(settings.skinCurrent, "Base");
    EXPECT_EQ(settings.pluginPriority, -15);
    EXPECT_EQ(settings.systray, 31);
    EXPECT_EQ(settings.x, 100);
    EXPECT_EQ(settings.y, 80);
    EXPECT_EQ(settings.playlistWidth, 300);
    EXPECT_EQ(settings.advance, 1);
    EXPECT_FALSE(fs::exists(path_));  // reading creates nothing
}

TEST_F(SettingsTest, WritingStoresEveryKeyAndReadsBack) {
    Settings settings = defaults();
    settings.pluginPriority = -3;
    settings.lastLocation = "tone://440";
    settings.shuffle = 1;
    settings.replayGainPreamp = -35;
    EqualizerSettings equalizer;
    equalizer.enabled = true;
    equalizer.preampTenths = -45;
    equalizer.bandTenths[9] = 500;  // beyond the limit: kept at 12 dB
    storeEqualizerSettings(settings, equalizer);
    ASSERT_TRUE(writeSettings(path_, settings));

    const char* keys[][2] = {
        {"Playlist", "X"}, {"Playlist", "Y"}, {"Playlist", "XS"}, {"Playlist", "YS"}, {"Playlist", "Clear"},
        {"Playlist", "Repeat"}, {"Playlist", "RepeatX"}, {"Playlist", "Shuffle"}, {"Playlist", "Active"},
        {"Playlist", "Advance"}, {"General", "Filepath"}, {"General", "LastLocation"},
        {"General", "PageOptions"}, {"General", "X"}, {"General", "Y"}, {"General", "Topmost"},
        {"General", "Snap"}, {"General", "GUI"}, {"General", "Timemode"}, {"General", "Systray"},
        {"General", "MinimizeState"}, {"General", "Minimized"}, {"General", "OpenFilter"},
        {"Design", "Current"}, {"Design", "Path"}, {"Skin", "Current"}, {"Skin", "Path"},
        {"Plugins", "Library"}, {"Plugins", "Module"}, {"Plugins", "AutoExecute"}, {"Plugins", "Priority"},
        {"Plugins", "Path"}, {"Sound", "Device"}, {"Sound", "Buffer"}, {"Sound", "Volume"},
        {"Sound", "Gapless"}, {"Sound", "ReplayGain"}, {"Sound", "ReplayGainPreamp"},
        {"Sound", "ReplayGainNoClip"}, {"Sound", "ReplayGainDefault"}, {"Equalizer", "Enabled"},
        {"Equalizer", "Visible"}, {"Equalizer", "Preamp"}, {"Equalizer", "Band1"}, {"Equalizer", "Band10"}};
    for (const auto& key : keys)
        EXPECT_NE(platform::getProfileString(key[0], key[1], "<missing>", path_), "<missing>")
            << key[0] << "/" << key[1];

    // Unsigned keys hold -1 as 4294967295; signed ones keep their sign.
    EXPECT_EQ(platform::getProfileString("Sound", "Device", "", path_), "4294967295");
    EXPECT_EQ(platform::getProfileString("Plugins", "Priority", "", path_), "-3");
    // Sections appear in the order of writing.
    std::string text = contents();
    EXPECT_LT(text.find("[Playlist]"), text.find("[General]"));
    EXPECT_LT(text.find("[Plugins]"), text.find("[Sound]"));

    Settings back = readSettings(path_, Settings());
    EXPECT_EQ(back.device, -1);
    EXPECT_EQ(back.pluginPriority, -3);
    EXPECT_EQ(back.lastLocation, "tone://440");
    EXPECT_EQ(back.shuffle, 1);
    EXPECT_EQ(back.replayGainPreamp, -35);
    EXPECT_EQ(back.gapless, 1);
    EXPECT_EQ(back.replayGainNoClip, 1);
    EXPECT_EQ(back.filepath, "C:\\Tumbor\\");
    EXPECT_EQ(back.x, 100);
    EXPECT_EQ(back.equalizerVisible, 0);
    equalizer.bandTenths[9] = kEqualizerLimitTenths;
    EXPECT_TRUE(equalizerSettingsOf(back) == equalizer);
    EXPECT_FALSE(equalizerSettingsOf(Settings()).changesSound());
}

TEST_F(SettingsTest, WritingKeepsLibrarySectionsAndLimitsTexts) {
    std::ofstream(path_, std::ios::binary) << "[STRM_MPA]\r\nQuality=1\r\n[Sound]\r\nVolume=5\r\n";
    Settings settings = readSettings(path_, defaults());
    EXPECT_EQ(settings.volume, 5);
    settings.lastLocation = std::string(300, 'x');
    ASSERT_TRUE(writeSettings(path_, settings));
    EXPECT_EQ(platform::getProfileInt("STRM_MPA", "Quality", 0, path_), 1u);
    EXPECT_EQ(readSettings(path_, defaults()).lastLocation, std::string(259, 'x'));
    EXPECT_FALSE(fs::exists(path_ + ".new"));
}

TEST_F(SettingsTest, FailedWriteLeavesFileWhole) {
    std::ofstream(path_, std::ios::binary) << "[Sound]\r\nVolume=5\r\n";
    std::string before = contents();
    // Something in the way of the draft file: the save fails, the file stays.
    fs::create_directories(path_ + ".new/blocker");
    Settings settings = defaults();
    settings.volume = 7;
    EXPECT_FALSE(writeSettings(path_, settings));
    EXPECT_EQ(contents(), before);
}

}  // namespace
}  // namespace tumbor
