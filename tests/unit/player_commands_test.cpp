// The player's commands against the real engine with a fake module and the
// simulated wave device, a recording shell, and files in a temporary folder.
#include "player/window/player_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/profile.h"
#include "platform/simulated_wave_device.h"
#include "player/window/window_snap.h"
#include "tests/unit/fake_stream_module.h"
#include "tests/unit/recording_shell.h"

namespace tumbor {
namespace {

namespace fs = std::filesystem;
using testing::RecordingShell;
using window::PlayerCommands;

class PlayerCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        folder_ = fs::absolute(::testing::TempDir()) /
                  ("tumbor_commands_" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_);
        fs::current_path(folder_);  // the fake module takes names beginning with "fake"
        registry_.registerModule(&testing::FakeStreamModule::configure(testing::FakeModuleConfig()), "fake",
                                 0, nullptr, nullptr);
    }
    void TearDown() override {
        PlayerCommands::shutDown(engine_, registry_);
        fs::current_path(previous_);
        fs::remove_all(folder_);
    }
    void write(const std::string& name, const std::string& bytes = "x") {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
    }
    void fill(std::initializer_list<const char*> entries) {
        for (const char* entry : entries) playlist_.append(entry);
    }
    void deliver() {
        shell_.deliver([this](PlaylistMessage message) { playlistCommands_.handleMessage(message); });
    }
    int state() const { return engine_.getState(); }

    fs::path previous_, folder_;
    ModuleRegistry registry_;
    PlaybackEngine engine_{registry_, std::make_unique<platform::SimulatedWaveDevice>(
                                          platform::SimulatedWaveDevice::Pacing::manual)};
    Playlist playlist_;
    Settings settings_;
    RecordingShell shell_;
    PlayerParts parts_{engine_, playlist_, settings_, registry_, shell_};
    PlaylistCommands playlistCommands_{parts_};
    PlayerCommands commands_{parts_, playlistCommands_};
};

TEST_F(PlayerCommandsTest, PlaylistMessagesLoadPlayAndSelect) {
    fill({"fake a", "fake b", "fake c"});
    settings_.repeatX = 0;
    playlistCommands_.handleMessage(PlaylistMessage::playCurrent);
    EXPECT_EQ(engine_.currentFile(), "fake a");
    EXPECT_EQ(state(), PlaybackEngine::kPlaying);
    EXPECT_TRUE(playlist_.isSelected(0));
    EXPECT_EQ(shell_.pluginStarts, 1) << "AutoExecute starts the plug-in with Playcurr";

    // Stepping while playing plays; while stopped it only loads.
    playlistCommands_.handleMessage(PlaylistMessage::goToNext);
    EXPECT_EQ(engine_.currentFile(), "fake b");
    EXPECT_EQ(state(), PlaybackEngine::kPlaying);
    EXPECT_TRUE(playlist_.isSelected(1) && !playlist_.isSelected(0));
    commands_.keyDown('V', {});
    EXPECT_FALSE(engine_.deviceOpen()) << "stop closes the device";
    playlistCommands_.handleMessage(PlaylistMessage::goToPrevious);
    EXPECT_EQ(engine_.currentFile(), "fake a");
    EXPECT_EQ(state(), PlaybackEngine::kStopped);
    playlistCommands_.handleMessage(PlaylistMessage::goToPrevious);
    EXPECT_EQ(playlist_.currentIndex(), 2) << "back from the first entry goes to the last";

    // At the end of the list without repeat, the first entry is loaded but stays stopped.
    playlistCommands_.handleMessage(PlaylistMessage::playCurrent);
    playlistCommands_.handleMessage(PlaylistMessage::playNext);
    EXPECT_EQ(engine_.currentFile(), "fake a");
    EXPECT_EQ(state(), PlaybackEngine::kStopped);
    settings_.repeatX = 1;
    playlist_.setCurrentIndex(2);
    playlistCommands_.handleMessage(PlaylistMessage::playNext);
    EXPECT_EQ(state(), PlaybackEngine::kPlaying);
    EXPECT_TRUE(shell_.errors.empty());
}

TEST_F(PlayerCommandsTest, UnknownEntryShowsTheMessageAndIsStepped) {
    fill({"fake a", "song.xyz", "fake c"});
    playlist_.setCurrentIndex(1);
    playlistCommands_.handleMessage(PlaylistMessage::playCurrent);
    ASSERT_EQ(shell_.errors, std::vector<std::string>{"Unknown file format : song.xyz"});
    EXPECT_EQ(playlist_.size(), 3u);
    EXPECT_EQ(playlist_.currentIndex(), 1);
    EXPECT_TRUE(playlist_.isSelected(1));
    playlistCommands_.handleMessage(PlaylistMessage::goToNext);
    EXPECT_EQ(engine_.currentFile(), "fake c");
}

TEST_F(PlayerCommandsTest, ManyAndLongEntries) {
    for (int i = 0; i < 10000; ++i) playlist_.append("fake " + std::to_string(i) + std::string(300, 'x'));
    settings_.shuffle = 1;
    for (int i = 0; i < 20; ++i) playlistCommands_.handleMessage(PlaylistMessage::goToNext);
    EXPECT_LT(playlist_.currentIndex(), 10000);
    EXPECT_EQ(engine_.currentFile().size(), Playlist::kMaxEntryLength);
    playlist_.selectAll();
    playlistCommands_.removeSelected();
    EXPECT_TRUE(playlist_.empty());
    playlistCommands_.handleMessage(PlaylistMessage::goToNext);  // ignored on an empty list
}

TEST_F(PlayerCommandsTest, OpenFilesFollowsTheClearSetting) {
    write("fake one.wav");
    write("fake two.wav");
    OpenFilesResult chosen;
    chosen.files = {"fake one.wav", "fake two.wav", "missing.wav"};
    chosen.filterIndex = 3;
    chosen.folder = "C:\\music\\";
    shell_.filesAnswer = &chosen;
    settings_.openFilter = 2;

    // Replacing (bit 1 of "Clear", the default): the list is replaced and plays.
    fill({"fake old"});
    commands_.keyDown('L', {});
    EXPECT_EQ(playlist_.entries(), (std::vector<std::string>{"fake one.wav", "fake two.wav"}));
    ASSERT_EQ(shell_.openRequests.size(), 1u);
    EXPECT_EQ(shell_.openRequests[0].filterIndex, 2);
    EXPECT_EQ(settings_.openFilter, 3);
    EXPECT_EQ(settings_.filepath, "C:\\music\\");
    deliver();
    EXPECT_EQ(engine_.currentFile(), "fake one.wav");
    EXPECT_EQ(state(), PlaybackEngine::kPlaying);

    // Appending to a list that was not empty starts nothing.
    settings_.clear = 0;
    commands_.control(window::kDiskOperations, {});
    EXPECT_EQ(playlist_.size(), 4u);
    EXPECT_TRUE(shell_.posted.empty());

    // Ctrl+O in the playlist window starts on the first filter and keeps the remembered one.
    playlistCommands_.keyDown('O', keys::Modifiers{true, false, false});
    EXPECT_EQ(shell_.openRequests.back().filterIndex, 1);
    EXPECT_EQ(settings_.openFilter, 3);

    // Insert always appends and never plays, whatever "Clear" says.
    settings_.clear = 2;
    playlistCommands_.keyDown(keys::kInsert, {});
    EXPECT_EQ(playlist_.size(), 8u);
    EXPECT_TRUE(shell_.posted.empty());

    // A cancelled dialog changes nothing.
    shell_.filesAnswer = nullptr;
    commands_.keyDown('L', {});
    EXPECT_EQ(playlist_.size(), 8u);
    EXPECT_TRUE(shell_.posted.empty());
}

TEST_F(PlayerCommandsTest, LocationsFoldersAndDrops) {
    settings_.lastLocation = "tone://440";
    shell_.locationAnswer = "tone://1000";
    commands_.keyDown('L', keys::Modifiers{true, false, false});
    EXPECT_EQ(shell_.locationShown, "tone://440");
    EXPECT_EQ(settings_.lastLocation, "tone://1000");
    EXPECT_EQ(playlist_.entries(), std::vector<std::string>{"tone://1000"});
    ASSERT_EQ(shell_.posted.size(), 1u);
    shell_.posted.clear();

    fs::create_directories(folder_ / "album");
    write("album/fake 1.wav");
    write("album/list.pls", "fake 2.wav\r\n");
    write("album/fake 2.wav");
    shell_.folderAnswer = (folder_ / "album").string();
    commands_.control(window::kDiskOperations, keys::Modifiers{false, true, false});
    EXPECT_EQ(playlist_.size(), 3u) << "the folder replaced the list, its playlist expanded in place";
    EXPECT_EQ(playlist_.entries()[2], "fake 2.wav");

    // Dropping: bit 0 of "Clear" clears first; nothing starts playing.
    shell_.posted.clear();
    settings_.clear = 1;
    playlistCommands_.dropFiles({(folder_ / "album" / "fake 1.wav").string()});
    EXPECT_EQ(playlist_.size(), 1u);
    settings_.clear = 0;
    playlistCommands_.dropFiles({(folder_ / "album").string()});
    EXPECT_EQ(playlist_.size(), 4u);
    EXPECT_TRUE(shell_.posted.empty());
}

TEST_F(PlayerCommandsTest, ControlsAndKeys) {
    fill({"fake a", "fake b"});
    commands_.keyDown('X', {});
    deliver();
    EXPECT_EQ(state(), PlaybackEngine::kPlaying);
    commands_.keyDown('C', {});
    EXPECT_EQ(state(), PlaybackEngine::kPaused);
    commands_.control(window::kPause, {});
    EXPECT_EQ(state(), PlaybackEngine::kPlaying);

    // Play restarts the entry with a pause button in the design, pauses without one.
    commands_.control(window::kPlay, {});
    EXPECT_EQ(shell_.posted.size(), 1u);
    shell_.posted.clear();
    shell_.hasPauseButton = false;
    commands_.control(window::kPlay, {});
    EXPECT_EQ(state(), PlaybackEngine::kPaused);
    EXPECT_TRUE(shell_.posted.empty());

    commands_.keyDown('B', {});
    commands_.keyDown('Z', {});
    commands_.keyDown(keys::kRight, keys::Modifiers{true, false, false});
    EXPECT_EQ(shell_.posted,
              (std::deque<PlaylistMessage>{PlaylistMessage::goToNext, PlaylistMessage::goToPrevious,
                                           PlaylistMessage::goToNext}));

    commands_.keyDown('R', {});
    commands_.keyDown('S', {});
    EXPECT_EQ(settings_.repeatX, 0);
    EXPECT_EQ(settings_.shuffle, 1);
    EXPECT_FALSE(shell_.buttons[window::kRepeat]);
    EXPECT_TRUE(shell_.buttons[window::kShuffle]);
    EXPECT_TRUE(commands_.isChecked(MenuCommand::shuffle));
    EXPECT_FALSE(commands_.isChecked(MenuCommand::repeat));

    commands_.keyDown('R', keys::Modifiers{true, false, false});
    EXPECT_EQ(settings_.timemode, 1);
    EXPECT_TRUE(shell_.remainingTime);
    commands_.control(window::kTimeDisplay, {});
    EXPECT_EQ(settings_.timemode, 0);
    EXPECT_TRUE(commands_.isChecked(MenuCommand::timeElapsed));

    commands_.keyDown('E', keys::Modifiers{false, false, true});
    EXPECT_TRUE(shell_.playlistVisible);
    EXPECT_EQ(settings_.active, 1);
    EXPECT_TRUE(commands_.isChecked(MenuCommand::playlistEditor));
    commands_.keyDown('K', keys::Modifiers{true, false, false});
    commands_.keyDown('S', keys::Modifiers{false, false, true});
    EXPECT_EQ(shell_.optionPages, (std::vector<int>{2, 4}));
    EXPECT_FALSE(commands_.keyDown('Q', {}));
    commands_.keyDown(keys::kF4, keys::Modifiers{false, false, true});
    EXPECT_EQ(shell_.closeRequests, 1);
}

TEST_F(PlayerCommandsTest, MenuEntries) {
    commands_.menuCommand(MenuCommand::noAdvance);
    EXPECT_EQ(settings_.advance, 0);
    EXPECT_TRUE(commands_.isChecked(MenuCommand::noAdvance));
    commands_.menuCommand(MenuCommand::alwaysOnTop);
    EXPECT_TRUE(shell_.topmost);
    commands_.menuCommand(MenuCommand::timeRemaining);
    EXPECT_TRUE(commands_.isChecked(MenuCommand::timeRemaining));

    // Play with an empty list opens the dialog; cancelled, nothing more happens.
    commands_.menuCommand(MenuCommand::play);
    EXPECT_EQ(shell_.openRequests.size(), 1u);
    EXPECT_TRUE(shell_.posted.empty());

    // Every entry of the main and load menus does something.
    for (const auto* menu : {&mainMenu(), &loadMenu()})
        for (const MenuEntry& entry : *menu)
            EXPECT_TRUE(entry.command != MenuCommand::none || !entry.submenu.empty()) << entry.text;
}

TEST_F(PlayerCommandsTest, HandOverAndStartUp) {
    write("other file.wav");
    fill({"fake old"});
    playlistCommands_.receiveHandOver("\"" + (folder_ / "other file.wav").string() + "\"");
    EXPECT_EQ(playlist_.entries(), std::vector<std::string>{(folder_ / "other file.wav").string()});
    EXPECT_EQ(shell_.posted, std::deque<PlaylistMessage>{PlaylistMessage::playCurrent});

    shell_.posted.clear();
    write("fake a");
    write("default.pls", "fake a\r\n\r\nfake missing\r\ntone://440\r\n");
    playlistCommands_.startUp("", (folder_ / "default.pls").string());
    EXPECT_EQ(playlist_.size(), 2u);
    EXPECT_TRUE(shell_.posted.empty()) << "the default playlist does not start playing";
}

TEST_F(PlayerCommandsTest, ExitSavesThePlaylistAndEverySetting) {
    fill({"fake a", "tone://440"});
    playlistCommands_.handleMessage(PlaylistMessage::playCurrent);
    settings_.device = -1;
    settings_.lastLocation = "tone://63p";
    shell_.pluginOn = true;
    const std::string pls = (folder_ / "Tumbor.pls").string(), ini = (folder_ / "Tumbor.ini").string();
    commands_.saveState(pls, ini);
    EXPECT_FALSE(shell_.pluginOn) << "the plug-in stops first";
    std::ifstream saved(pls, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), "fake a\r\ntone://440\r\n");
    EXPECT_EQ(platform::getProfileString("Sound", "Device", "", ini), "4294967295");
    EXPECT_EQ(platform::getProfileString("General", "LastLocation", "", ini), "tone://63p");
    EXPECT_EQ(platform::getProfileString("Playlist", "Advance", "", ini), "1");

    PlayerCommands::shutDown(engine_, registry_);
    EXPECT_EQ(engine_.currentModule(), nullptr);
    EXPECT_FALSE(engine_.deviceOpen());
    EXPECT_TRUE(registry_.entries().empty());
}

TEST(WindowSnapTest, EdgesWithin24PixelsSnap) {
    const window::Rect work{0, 0, 1024, 740};
    auto at = [&](int x, int y) {
        return window::snapToWorkArea(window::Rect{x, y, x + 320, y + 112}, work);
    };
    EXPECT_EQ(at(10, 100).x, 0);
    EXPECT_EQ(at(30, 100).x, 30);
    EXPECT_EQ(at(1024 - 320 - 5, 740 - 112 - 23).x, 1024 - 320);
    EXPECT_EQ(at(1024 - 320 - 5, 740 - 112 - 23).y, 740 - 112);
    EXPECT_EQ(at(1100, 800).x, 0);
    EXPECT_EQ(at(1100, 800).y, 0);
}

}  // namespace
}  // namespace tumbor
