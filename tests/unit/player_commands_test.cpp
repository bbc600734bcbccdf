// The player's commands against the real engine with a fake module and the
// simulated wave device, a recording shell, and files in a temporary folder.
#include "player/window/player_commands.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <fstream>
#include <random>

#include "platform/profile.h"
#include "player/engine/tray_icons.h"
#include "player/window/window_snap.h"
#include "tests/unit/command_rig.h"
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
    }
    void TearDown() override {
        rig_.release();
        fs::current_path(previous_);
        fs::remove_all(folder_);
    }
    void write(const std::string& name, const std::string& bytes = "x") {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
    }
    void fill(std::initializer_list<const char*> entries) {
        for (const char* entry : entries) rig_.playlist.append(entry);
    }
    void deliver() {
        rig_.shell.deliver([this](PlaylistMessage message) { rig_.playlistCommands.handleMessage(message); });
    }
    int state() const { return rig_.engine.getState(); }

    fs::path previous_, folder_;
    testing::CommandRig<RecordingShell> rig_;
    PlayerCommands commands_{rig_.parts, rig_.playlistCommands};
};

TEST_F(PlayerCommandsTest, PlaylistMessagesLoadPlayAndSelect) {
    fill({"fake a", "fake b", "fake c"});
    rig_.settings.repeatX = 0;
    rig_.playlistCommands.handleMessage(PlaylistMessage::playCurrent);
    EXPECT_EQ(rig_.engine.currentFile(), "fake a");
    EXPECT_EQ(state(), PlaybackEngine::kPlaying);
    EXPECT_TRUE(rig_.playlist.isSelected(0));
    EXPECT_EQ(rig_.shell.pluginStarts, 1) << "AutoExecute starts the plug-in with Playcurr";

    // Stepping while playing plays; while stopped it only loads.
    rig_.playlistCommands.handleMessage(PlaylistMessage::goToNext);
    EXPECT_EQ(rig_.engine.currentFile(), "fake b");
    EXPECT_EQ(state(), PlaybackEngine::kPlaying);
    EXPECT_TRUE(rig_.playlist.isSelected(1) && !rig_.playlist.isSelected(0));
    commands_.keyDown('V', {});
    EXPECT_FALSE(rig_.engine.deviceOpen()) << "stop closes the device";
    rig_.playlistCommands.handleMessage(PlaylistMessage::goToPrevious);
    EXPECT_EQ(rig_.engine.currentFile(), "fake a");
    EXPECT_EQ(state(), PlaybackEngine::kStopped);
    rig_.playlistCommands.handleMessage(PlaylistMessage::goToPrevious);
    EXPECT_EQ(rig_.playlist.currentIndex(), 2) << "back from the first entry goes to the last";

    // At the end of the list without repeat, the first entry is loaded but stays stopped.
    rig_.playlistCommands.handleMessage(PlaylistMessage::playCurrent);
    rig_.playlistCommands.handleMessage(PlaylistMessage::playNext);
    EXPECT_EQ(rig_.engine.currentFile(), "fake a");
    EXPECT_EQ(state(), PlaybackEngine::kStopped);
    rig_.settings.repeatX = 1;
    rig_.playlist.setCurrentIndex(2);
    rig_.playlistCommands.handleMessage(PlaylistMessage::playNext);
    EXPECT_EQ(state(), PlaybackEngine::kPlaying);
    EXPECT_TRUE(rig_.shell.errors.empty());
}

TEST_F(PlayerCommandsTest, GaplessNextEntryIsHandedOverAndBecomesCurrentWhenHeard) {
    testing::FakeModuleConfig shortSongs;
    shortSongs.totalBytes = 5000;
    testing::FakeStreamModule::configure(shortSongs);
    std::atomic<int> decoded{0};
    rig_.engine.setGapless(true);
    rig_.engine.setSongDecodedHandler([&] { ++decoded; });
    auto playFirstToItsEnd = [&] {
        decoded = 0;
        rig_.playlistCommands.handleMessage(PlaylistMessage::playCurrent);
        for (int wait = 0; wait < 500 && decoded == 0; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(decoded, 1);
    };

    // A single entry repeating plays again as without gapless: nothing is handed over.
    fill({"fake a"});
    playFirstToItsEnd();
    rig_.playlistCommands.playNext(kSongDecoded);
    EXPECT_EQ(rig_.engine.handOver("fake a"), PlaybackEngine::HandOver::handedOver)
        << "the song was still playing out, untouched";

    // A next entry known to play in another format waits for this song's end, as without gapless.
    rig_.playlist.append("fake b", EntryDetails{"b", 1, platform::WaveFormat{22050, 1, 8}});
    playFirstToItsEnd();
    rig_.playlistCommands.playNext(kSongDecoded);
    EXPECT_EQ(rig_.engine.currentFile(), "fake a");
    EXPECT_EQ(rig_.engine.handOver("fake b"), PlaybackEngine::HandOver::handedOver)
        << "the song was still playing out, untouched";
    rig_.playlist.clear();

    fill({"fake a", "fake b"});
    playFirstToItsEnd();
    rig_.playlistCommands.playNext(kSongDecoded);
    EXPECT_EQ(rig_.playlist.currentIndex(), 0) << "the list follows the sound";
    EXPECT_EQ(rig_.engine.currentFile(), "fake a");
    rig_.playlistCommands.playNext(kNextSongStarted);
    EXPECT_EQ(rig_.playlist.currentIndex(), 1);
    EXPECT_TRUE(rig_.playlist.isSelected(1) && !rig_.playlist.isSelected(0));
    EXPECT_EQ(state(), PlaybackEngine::kPlaying);
}

TEST_F(PlayerCommandsTest, UnknownEntryShowsTheMessageAndIsStepped) {
    fill({"fake a", "song.xyz", "fake c"});
    rig_.playlist.setCurrentIndex(1);
    rig_.playlistCommands.handleMessage(PlaylistMessage::playCurrent);
    ASSERT_EQ(rig_.shell.errors, std::vector<std::string>{"Unknown file format : song.xyz"});
    EXPECT_EQ(rig_.playlist.size(), 3u);
    EXPECT_EQ(rig_.playlist.currentIndex(), 1);
    EXPECT_TRUE(rig_.playlist.isSelected(1));
    rig_.playlistCommands.handleMessage(PlaylistMessage::goToNext);
    EXPECT_EQ(rig_.engine.currentFile(), "fake c");
}

TEST_F(PlayerCommandsTest, ManyAndLongEntries) {
    for (int i = 0; i < 10000; ++i) rig_.playlist.append("fake " + std::to_string(i) + std::string(300, 'x'));
    rig_.settings.shuffle = 1;
    for (int i = 0; i < 20; ++i) rig_.playlistCommands.handleMessage(PlaylistMessage::goToNext);
    EXPECT_LT(rig_.playlist.currentIndex(), 10000);
    EXPECT_EQ(rig_.engine.currentFile().size(), Playlist::kMaxEntryLength);
    rig_.playlist.selectAll();
    rig_.playlistCommands.removeSelected();
    EXPECT_TRUE(rig_.playlist.empty());
    rig_.playlistCommands.handleMessage(PlaylistMessage::goToNext);  // ignored on an empty list
}

TEST_F(PlayerCommandsTest, OpenFilesFollowsTheClearSetting) {
    write("fake one.wav");
    write("fake two.wav");
    OpenFilesResult chosen;
    chosen.files = {"fake one.wav", "fake two.wav", "missing.wav"};
    chosen.filterIndex = 3;
    chosen.folder = "C:\\music\\";
    rig_.shell.filesAnswer = &chosen;
    rig_.settings.openFilter = 2;

    // Replacing (bit 1 of "Clear", the default): the list is replaced and plays.
    fill({"fake old"});
    commands_.keyDown('L', {});
    EXPECT_EQ(rig_.playlist.entries(), (std::vector<std::string>{"fake one.wav", "fake two.wav"}));
    ASSERT_EQ(rig_.shell.openRequests.size(), 1u);
    EXPECT_EQ(rig_.shell.openRequests[0].filterIndex, 2);
    EXPECT_EQ(rig_.settings.openFilter, 3);
    EXPECT_EQ(rig_.settings.filepath, "C:\\music\\");
    deliver();
    EXPECT_EQ(rig_.engine.currentFile(), "fake one.wav");
    EXPECT_EQ(state(), PlaybackEngine::kPlaying);

    // Appending to a list that was not empty starts nothing.
    rig_.settings.clear = 0;
    commands_.control(window::kDiskOperations, {});
    EXPECT_EQ(rig_.playlist.size(), 4u);
    EXPECT_TRUE(rig_.shell.posted.empty());

    // Ctrl+O in the playlist window starts on the first filter and keeps the remembered one.
    rig_.playlistCommands.keyDown('O', keys::Modifiers{true, false, false});
    EXPECT_EQ(rig_.shell.openRequests.back().filterIndex, 1);
    EXPECT_EQ(rig_.settings.openFilter, 3);

    // Insert always appends and never plays, whatever "Clear" says.
    rig_.settings.clear = 2;
    rig_.playlistCommands.keyDown(keys::kInsert, {});
    EXPECT_EQ(rig_.playlist.size(), 8u);
    EXPECT_TRUE(rig_.shell.posted.empty());

    // A cancelled dialog changes nothing.
    rig_.shell.filesAnswer = nullptr;
    commands_.keyDown('L', {});
    EXPECT_EQ(rig_.playlist.size(), 8u);
    EXPECT_TRUE(rig_.shell.posted.empty());
}

TEST_F(PlayerCommandsTest, LocationsFoldersAndDrops) {
    rig_.settings.lastLocation = "tone://440";
    rig_.shell.locationAnswer = "tone://1000";
    commands_.keyDown('L', keys::Modifiers{true, false, false});
    EXPECT_EQ(rig_.shell.locationShown, "tone://440");
    EXPECT_EQ(rig_.settings.lastLocation, "tone://1000");
    EXPECT_EQ(rig_.playlist.entries(), std::vector<std::string>{"tone://1000"});
    ASSERT_EQ(rig_.shell.posted.size(), 1u);
    rig_.shell.posted.clear();

    fs::create_directories(folder_ / "album");
    write("album/fake 1.wav");
    write("album/list.pls", "fake 2.wav\r\n");
    write("album/fake 2.wav");
    rig_.shell.folderAnswer = (folder_ / "album").string();
    commands_.control(window::kDiskOperations, keys::Modifiers{false, true, false});
    EXPECT_EQ(rig_.playlist.size(), 3u) << "the folder replaced the list, its playlist expanded in place";
    EXPECT_EQ(rig_.playlist.entries()[2], (folder_ / "album" / "fake 2.wav").string());

    // Dropping: bit 0 of "Clear" clears first; nothing starts playing.
    rig_.shell.posted.clear();
    rig_.settings.clear = 1;
    rig_.playlistCommands.dropFiles({(folder_ / "album" / "fake 1.wav").string()});
    EXPECT_EQ(rig_.playlist.size(), 1u);
    rig_.settings.clear = 0;
    rig_.playlistCommands.dropFiles({(folder_ / "album").string()});
    EXPECT_EQ(rig_.playlist.size(), 4u);
    EXPECT_TRUE(rig_.shell.posted.empty());
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
    EXPECT_EQ(rig_.shell.posted.size(), 1u);
    rig_.shell.posted.clear();
    rig_.shell.hasPauseButton = false;
    commands_.control(window::kPlay, {});
    EXPECT_EQ(state(), PlaybackEngine::kPaused);
    EXPECT_TRUE(rig_.shell.posted.empty());

    commands_.keyDown('B', {});
    commands_.keyDown('Z', {});
    commands_.keyDown(keys::kRight, keys::Modifiers{true, false, false});
    EXPECT_EQ(rig_.shell.posted,
              (std::deque<PlaylistMessage>{PlaylistMessage::goToNext, PlaylistMessage::goToPrevious,
                                           PlaylistMessage::goToNext}));

    commands_.keyDown('R', {});
    commands_.keyDown('S', {});
    EXPECT_EQ(rig_.settings.repeatX, 0);
    EXPECT_EQ(rig_.settings.shuffle, 1);
    EXPECT_FALSE(rig_.shell.buttons[window::kRepeat]);
    EXPECT_TRUE(rig_.shell.buttons[window::kShuffle]);
    EXPECT_TRUE(commands_.isChecked(MenuCommand::shuffle));
    EXPECT_FALSE(commands_.isChecked(MenuCommand::repeat));

    commands_.keyDown('R', keys::Modifiers{true, false, false});
    EXPECT_EQ(rig_.settings.timemode, 1);
    EXPECT_TRUE(rig_.shell.remainingTime);
    commands_.control(window::kTimeDisplay, {});
    EXPECT_EQ(rig_.settings.timemode, 0);
    EXPECT_TRUE(commands_.isChecked(MenuCommand::timeElapsed));

    commands_.keyDown('E', keys::Modifiers{false, false, true});
    EXPECT_TRUE(rig_.shell.playlistVisible);
    EXPECT_EQ(rig_.settings.active, 1);
    EXPECT_TRUE(commands_.isChecked(MenuCommand::playlistEditor));
    // The "eq" button and Alt+G show and hide the equalizer window; "Visible" and the button follow.
    commands_.control(window::kEq, {});
    EXPECT_TRUE(rig_.shell.equalizerVisible && rig_.shell.buttons[window::kEq]);
    EXPECT_EQ(rig_.settings.equalizerVisible, 1);
    commands_.keyDown('G', keys::Modifiers{false, false, true});
    EXPECT_FALSE(rig_.shell.equalizerVisible || rig_.shell.buttons[window::kEq]);
    EXPECT_EQ(rig_.settings.equalizerVisible, 0);
    commands_.keyDown('P', keys::Modifiers{true, false, false});
    commands_.keyDown('K', keys::Modifiers{true, false, false});
    commands_.keyDown('D', keys::Modifiers{false, false, true});
    commands_.keyDown('S', keys::Modifiers{false, false, true});
    commands_.menuCommand(MenuCommand::preferences);
    commands_.menuCommand(MenuCommand::pluginSetup);
    EXPECT_EQ(rig_.shell.optionPages, (std::vector<int>{kLastOptionsPage, 2, 3, 4, kLastOptionsPage, 2}));
    EXPECT_FALSE(commands_.keyDown('Q', {}));
    commands_.keyDown(keys::kF4, keys::Modifiers{false, false, true});
    EXPECT_EQ(rig_.shell.closeRequests, 1);
}

TEST_F(PlayerCommandsTest, MenuEntries) {
    commands_.menuCommand(MenuCommand::noAdvance);
    EXPECT_EQ(rig_.settings.advance, 0);
    EXPECT_TRUE(commands_.isChecked(MenuCommand::noAdvance));
    commands_.menuCommand(MenuCommand::alwaysOnTop);
    EXPECT_TRUE(rig_.shell.topmost);
    commands_.menuCommand(MenuCommand::timeRemaining);
    EXPECT_TRUE(commands_.isChecked(MenuCommand::timeRemaining));

    // Play with an empty list opens the dialog; cancelled, nothing more happens.
    commands_.menuCommand(MenuCommand::play);
    EXPECT_EQ(rig_.shell.openRequests.size(), 1u);
    EXPECT_TRUE(rig_.shell.posted.empty());

    // Every entry of the main and load menus does something.
    for (const auto* menu : {&mainMenu(), &loadMenu()})
        for (const MenuEntry& entry : *menu)
            EXPECT_TRUE(entry.command != MenuCommand::none || !entry.submenu.empty()) << entry.text;
}

TEST_F(PlayerCommandsTest, PluginKeysMenuEntriesAndRightClicks) {
    commands_.keyDown('K', keys::Modifiers{true, true, false});
    EXPECT_EQ(rig_.shell.pluginToggles, 1) << "Ctrl+Shift+K";
    EXPECT_TRUE(rig_.shell.optionPages.empty()) << "not the options sheet of Ctrl+K";
    commands_.menuCommand(MenuCommand::pluginStartStop);
    EXPECT_EQ(rig_.shell.pluginToggles, 2);
    for (int control : {int(window::kSongInformation), int(window::kAbout), window::kSongNameLabel})
        commands_.perform(window::WindowAction{window::WindowAction::togglePlugin, control}, {});
    EXPECT_EQ(rig_.shell.pluginToggles, 5) << "right clicks";

    commands_.keyDown('K', keys::Modifiers{false, false, true});
    EXPECT_EQ(rig_.shell.pluginConfigs, 1) << "Alt+K";
    commands_.menuCommand(MenuCommand::pluginConfig);
    EXPECT_EQ(rig_.shell.pluginConfigs, 2);
    commands_.menuCommand(MenuCommand::pluginSetup);
    EXPECT_EQ(rig_.shell.optionPages, std::vector<int>{2});

    // AutoExecute: only when no plug-in runs, and not when minimised or switched off.
    fill({"fake a"});
    rig_.shell.pluginOn = true;
    rig_.playlistCommands.handleMessage(PlaylistMessage::playCurrent);
    rig_.shell.pluginOn = false;
    rig_.shell.minimised = true;
    rig_.playlistCommands.handleMessage(PlaylistMessage::playCurrent);
    rig_.shell.minimised = false;
    rig_.settings.autoExecute = 0;
    rig_.playlistCommands.handleMessage(PlaylistMessage::playCurrent);
    rig_.playlistCommands.handleMessage(PlaylistMessage::goToNext);
    EXPECT_EQ(rig_.shell.pluginStarts, 0);
    rig_.settings.autoExecute = 1;
    rig_.playlistCommands.handleMessage(PlaylistMessage::goToNext);
    EXPECT_EQ(rig_.shell.pluginStarts, 0) << "only Playcurr starts it";
    rig_.playlistCommands.handleMessage(PlaylistMessage::playCurrent);
    EXPECT_EQ(rig_.shell.pluginStarts, 1);
}

TEST_F(PlayerCommandsTest, TrayIconButtons) {
    // Play with an empty list opens the files dialog; cancelled, nothing plays.
    EXPECT_TRUE(commands_.trayIconPressed(kTrayPlay));
    EXPECT_EQ(rig_.shell.openRequests.size(), 1u);
    EXPECT_TRUE(rig_.shell.posted.empty());

    fill({"fake a", "fake b"});
    commands_.trayIconPressed(kTrayPlay);
    deliver();
    EXPECT_EQ(state(), PlaybackEngine::kPlaying);
    commands_.trayIconPressed(kTrayPause);
    EXPECT_EQ(state(), PlaybackEngine::kPaused);
    commands_.trayIconPressed(kTrayPause);
    EXPECT_EQ(state(), PlaybackEngine::kPlaying);
    commands_.trayIconPressed(kTrayNext);
    deliver();
    EXPECT_EQ(rig_.engine.currentFile(), "fake b");
    commands_.trayIconPressed(kTrayPrevious);
    deliver();
    EXPECT_EQ(rig_.engine.currentFile(), "fake a");
    commands_.trayIconPressed(kTrayStop);
    EXPECT_FALSE(rig_.engine.deviceOpen()) << "stop closes the device";
    EXPECT_FALSE(commands_.trayIconPressed(kTrayMain)) << "the main icon is the shell's";
}

TEST_F(PlayerCommandsTest, HandOverAndStartUp) {
    write("other file.wav");
    fill({"fake old"});
    rig_.playlistCommands.receiveHandOver("\"" + (folder_ / "other file.wav").string() + "\"");
    EXPECT_EQ(rig_.playlist.entries(), std::vector<std::string>{(folder_ / "other file.wav").string()});
    EXPECT_EQ(rig_.shell.posted, std::deque<PlaylistMessage>{PlaylistMessage::playCurrent});

    rig_.shell.posted.clear();
    write("fake a");
    write("default.pls", "fake a\r\n\r\nfake missing\r\ntone://440\r\n");
    rig_.playlistCommands.startUp("", (folder_ / "default.pls").string());
    EXPECT_EQ(rig_.playlist.size(), 2u);
    EXPECT_TRUE(rig_.shell.posted.empty()) << "the default playlist does not start playing";
}

TEST_F(PlayerCommandsTest, ExitSavesThePlaylistAndEverySetting) {
    fill({"fake a", "tone://440"});
    rig_.playlistCommands.handleMessage(PlaylistMessage::playCurrent);
    rig_.settings.device = -1;
    rig_.settings.lastLocation = "tone://63p";
    rig_.shell.pluginOn = true;
    const std::string pls = (folder_ / "Tumbor.pls").string(), ini = (folder_ / "Tumbor.ini").string();
    commands_.saveState(pls, ini);
    EXPECT_FALSE(rig_.shell.pluginOn) << "the plug-in stops first";
    std::ifstream saved(pls, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}),
              "[playlist]\r\nFile1=fake a\r\nFile2=tone://440\r\nNumberOfEntries=2\r\nVersion=2\r\n");
    EXPECT_EQ(platform::getProfileString("Sound", "Device", "", ini), "4294967295");
    EXPECT_EQ(platform::getProfileString("General", "LastLocation", "", ini), "tone://63p");
    EXPECT_EQ(platform::getProfileString("Playlist", "Advance", "", ini), "1");

    PlayerCommands::shutDown(rig_.engine, rig_.registry);
    EXPECT_EQ(rig_.engine.currentModule(), nullptr);
    EXPECT_FALSE(rig_.engine.deviceOpen());
    EXPECT_TRUE(rig_.registry.entries().empty());
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
