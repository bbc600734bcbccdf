// Strm_TRK driven through its record, with MOD files built byte by byte lent
// through the player's own input services.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "libs/trk/host/trk_dialogs_script.h"
#include "platform/recorded_dialogs.h"
#include "player/engine/input_services.h"
#include "stream/stream_module.h"
#include "tests/unit/trk/strm_trk_rig.h"

namespace tumbor::trk::test {
namespace {

class StrmTrkTest : public ::testing::Test {
protected:
    void TearDown() override {
        trk().close();
        detachInput();
        trk().iniPath = nullptr;
        platform::clearRecordedMessageBoxes();
    }
};

TEST_F(StrmTrkTest, LibraryHandsOutOneRecord) {
    StreamLibraryHeader* header = tumborGetStreamHeader();
    EXPECT_EQ(header->version, 0x100u);
    EXPECT_STREQ(header->libraryName, "Mixing modules");
    EXPECT_EQ(header->getModule(1), nullptr);
    EXPECT_EQ(std::memcmp(trk().magic, "TBSM", 4), 0);
    EXPECT_EQ(trk().flags, static_cast<uint32_t>(pcmOutput));
    EXPECT_STREQ(trk().fileFilter,
                 "Module files (*.MOD;*.S3M;*.XM;*.IT;*.PTM;*.MTM;*.669;*.MDL;*.DSM;*.FAR;*.STM;*.DMF)|"
                 "*.MOD;*.S3M;*.XM;*.IT;*.PTM;*.MTM;*.669;*.MDL;*.DSM;*.FAR;*.STM;*.DMF|");
    EXPECT_STREQ(trk().description, "Module loader v1.10");
    EXPECT_EQ(trk().moduleVersion, 0x110u);
    EXPECT_EQ(trk().notify, nullptr);
    EXPECT_EQ(trk().reserved(), 0);
}

TEST_F(StrmTrkTest, PlaysASongToItsEnd) {
    ModFile file = fourRowSong();
    file.setName("Four rows");
    ASSERT_EQ(offer(file.bytes()), 1);
    ASSERT_EQ(trk().start(), 1);
    EXPECT_STREQ(trk().titleText, "Four rows");
    EXPECT_EQ(trk().sampleRate, 44100u);
    EXPECT_EQ(trk().channels, 2u);
    EXPECT_EQ(trk().bitsPerSample, 16u);
    EXPECT_EQ(trk().getBitrate(), 44100 * 32);
    EXPECT_EQ(trk().getLength(), 4);

    std::vector<uint8_t> buffer(40000);
    EXPECT_EQ(trk().decode(buffer.data(), 32772), 0) << "more than 32768 bytes at once";
    std::vector<uint8_t> sound = decodeAll(4096);
    // 7 silent ticks of 882 frames, then 4 rows of 5 ticks.
    size_t frames = sound.size() / 4;
    EXPECT_GE(frames, size_t(27 * 882));
    EXPECT_LT(frames, size_t(27 * 882 + 1024));
    auto sampleAt = [&](size_t frame) {
        int16_t left;
        std::memcpy(&left, &sound[frame * 4], 2);
        return left;
    };
    EXPECT_EQ(sampleAt(7 * 882 - 1), 0) << "silent start ticks";
    bool sounding = false;
    for (size_t frame = 7 * 882; frame < 8 * 882; ++frame) sounding |= sampleAt(frame) != 0;
    EXPECT_TRUE(sounding);
    EXPECT_EQ(trk().getPosition(), 4) << "the end of the song is its length";
    EXPECT_EQ(trk().decode(buffer.data(), 4096), 0);
}

TEST_F(StrmTrkTest, SeekContinuesFromTheRowNearestBelow) {
    ASSERT_EQ(offer(fourRowSong().bytes()), 1);
    ASSERT_EQ(trk().start(), 1);
    EXPECT_EQ(trk().seek(2, 1), 1);
    std::vector<uint8_t> buffer(4 * 882);
    ASSERT_EQ(trk().decode(buffer.data(), static_cast<int>(buffer.size())), 1);
    EXPECT_EQ(trk().getPosition(), 2);
    std::vector<uint8_t> rest = decodeAll(4 * 882);
    // The rest of rows 2 and 3, one tick a buffer, and the tick that finds the end.
    EXPECT_EQ(rest.size(), size_t(10 * 4 * 882));
}

// The player's window reads the position and length while its output thread
// decodes and seeks.
TEST_F(StrmTrkTest, PositionAndLengthReadWhileDecoding) {
    ASSERT_EQ(offer(fourRowSong().bytes()), 1);
    ASSERT_EQ(trk().start(), 1);
    std::atomic<bool> done{false};
    std::thread window([&] {
        while (!done) {
            int position = trk().getPosition();
            EXPECT_GE(position, 0);
            EXPECT_LE(position, trk().getLength());
        }
    });
    std::vector<uint8_t> buffer(4096);
    for (int round = 0; round < 3; ++round) {
        trk().seek(round, 1);
        while (trk().decode(buffer.data(), 4096)) {
        }
    }
    done = true;
    window.join();
}

TEST_F(StrmTrkTest, BrokenFilesGiveTheirMessages) {
    std::vector<uint8_t> bytes = fourRowSong().bytes();
    std::vector<uint8_t> header(bytes.begin(), bytes.begin() + 1084 + 100);
    ASSERT_EQ(offer(header), 1);
    EXPECT_EQ(trk().start(), 0);
    EXPECT_STREQ(trk().errorText, "Failed to load module (broken header)");
    EXPECT_EQ(trk().titleText, nullptr);
    EXPECT_EQ(trk().getLength(), 0);
    EXPECT_EQ(trk().decode(bytes.data(), 100), 0);
    trk().close();
    EXPECT_EQ(trk().errorText, nullptr);

    std::vector<uint8_t> other(2000, 0);
    EXPECT_EQ(offer(other), 0) << "no signature";
    std::memcpy(other.data() + 44, "PTMF", 4);
    ASSERT_EQ(offer(other), 1);
    EXPECT_EQ(trk().start(), 0) << "a format without its loader yet";
    EXPECT_STREQ(trk().errorText, "Failed to load module (broken header)");
}

TEST_F(StrmTrkTest, BlankNameGivesNoTitle) {
    ModFile file = fourRowSong();
    file.setName("                    ");
    ASSERT_EQ(offer(file.bytes()), 1);
    ASSERT_EQ(trk().start(), 1);
    EXPECT_EQ(trk().titleText, nullptr);
}

TEST_F(StrmTrkTest, SongInfoShowsTheSongAndCloseDismissesIt) {
    resetSongInfoRecord();
    ModFile file = fourRowSong();
    file.setName("Info");
    char name[] = "song.mod";
    trk().fileName = name;
    ASSERT_EQ(offer(file.bytes()), 1);
    ASSERT_EQ(trk().start(), 1);
    EXPECT_EQ(trk().songInfo("other.mod"), 0);
    int hostWindow = 0;
    trk().hostWindow = &hostWindow;
    scriptSongInfo([] {
        // The player closes the song while the window is open.
        trk().close();
    });
    EXPECT_EQ(trk().songInfo(nullptr), 1);
    EXPECT_EQ(songInfoRecord().shown, 1);
    EXPECT_EQ(songInfoRecord().owner, &hostWindow);
    EXPECT_EQ(songInfoRecord().info.name, "Info");
    EXPECT_EQ(songInfoRecord().closeRequests, 1) << "close dismissed the window first";
    scriptSongInfo(nullptr);
    EXPECT_EQ(trk().songInfo("song.mod"), 1) << "no song: nothing to show";
    EXPECT_EQ(songInfoRecord().shown, 1);
    trk().fileName = nullptr;
    trk().hostWindow = nullptr;
}

TEST_F(StrmTrkTest, AboutAndConfigure) {
    EXPECT_EQ(trk().about(), 1);
    ASSERT_EQ(platform::recordedMessageBoxes().size(), 1u);
    EXPECT_EQ(platform::recordedMessageBoxes()[0].text.rfind("This module support was taken from", 0), 0u);
    EXPECT_EQ(platform::recordedMessageBoxes()[0].caption, "");

    std::string path = settingsPath("configure");
    std::remove(path.c_str());
    trk().iniPath = path.data();
    scriptConfigDialog([](TrkSettings&) { return false; });
    EXPECT_EQ(trk().configure(), 1);
    EXPECT_FALSE(std::ifstream(path).good()) << "cancel writes nothing";
    scriptConfigDialog([](TrkSettings& settings) {
        settings.quality = 2;
        return true;
    });
    EXPECT_EQ(trk().configure(), 1);
    std::ifstream written(path);
    std::string text((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Quality=2"), std::string::npos);
    EXPECT_NE(text.find("Bits=16"), std::string::npos);
    scriptConfigDialog(nullptr);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace tumbor::trk::test
