// The CD audio module driven through its record against the simulated drive,
// whose clock the tests move on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "libs/dsc/cd_time.h"
#include "platform/simulated_cd_drive.h"
#include "player/engine/module_loader.h"
#include "tests/unit/about_boxes.h"
#include "tests/unit/offered_name.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);

namespace tumbor {
namespace {

using platform::CdCommand;
using platform::CdMode;
using platform::CdTime;
using platform::packTmsf;
using testing::offerName;

StreamModule& cd() { return *tumborGetStreamHeader()->getModule(0); }
platform::SimulatedCdDrive& drive() { return platform::simulatedCdDrive(); }

// Track 7 lasts 3:20 and 30 frames: 2004 tenths.
constexpr uint32_t kTrack7Frames = (3 * 60 + 20) * 75 + 30;
const CdTime kTrack7Length{3, 20, 30};

size_t countOf(CdCommand command) {
    std::vector<CdCommand> log = drive().log();
    return static_cast<size_t>(std::count(log.begin(), log.end(), command));
}

class StrmDscTest : public ::testing::Test {
protected:
    void SetUp() override {
        drive().reset();
        drive().insertDisc({4500, 9000, 300, 7500, 6000, 1200, kTrack7Frames, 4000});
    }
    void TearDown() override { unloadModule(cd()); }

    // Opens and starts track 7 as the player does.
    void playTrack7() {
        ASSERT_EQ(offerName(cd(), "X:\\TRACK07.CDA"), 1);
        ASSERT_EQ(cd().start(), 1);
    }
};

TEST_F(StrmDscTest, LibraryHandsOutOneRecord) {
    StreamLibraryHeader* header = tumborGetStreamHeader();
    EXPECT_EQ(header->version, 0x110u);
    EXPECT_STREQ(header->libraryName, "Line in module (with CD-Player support)");
    EXPECT_EQ(header->getModule(1), nullptr);

    EXPECT_EQ(std::memcmp(cd().magic, "TBSM", 4), 0);
    EXPECT_EQ(cd().flags, static_cast<uint32_t>(ownInput));
    EXPECT_EQ(cd().sampleRate, 44100u);
    EXPECT_EQ(cd().channels, 2u);
    EXPECT_EQ(cd().bitsPerSample, 16u);
    EXPECT_STREQ(cd().fileFilter, "Audio tracks (*.CDA)|*.CDA|");
    EXPECT_STREQ(cd().description, "CD player module v1.10");
    EXPECT_EQ(cd().moduleVersion, 0x110u);
    EXPECT_EQ(cd().getBitrate(), 1411200);
    EXPECT_EQ(cd().songInfo("d:\\track01.cda"), 0);
    EXPECT_EQ(cd().reserved(), 0);

    testing::expectAboutAndConfigureShow(
        cd(),
        "CD player plugin. Simply open the .cda file on the CD-ROM drive.\n\n"
        "Sorry, but for the moment only the standard CD-ROM is supported.");
}

TEST_F(StrmDscTest, TrackNames) {
    ASSERT_EQ(offerName(cd(), "X:\\TRACK07.CDA"), 1);
    EXPECT_STREQ(cd().fileName, "x:\\track07.cda");  // lower-cased in place

    struct Case {
        const char* name;
        int accepted;
    } cases[] = {
        {"d:\\track01.cda", 1},
        {"d:\\track99.cda", 1},
        {"d:\\track07.cda.lnk", 1},
        {"d:\\track00.cda", 0},
        {"d:\\track1a.cda", 0},
        {"d:\\tracka1.cda", 0},
        {"d:\\track7.cda", 0},
        {"d:\\track07.wav", 0},
        {"d:\\track07", 0},
        {"", 0},
        {"c:\\music\\track07.cda", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unloadModule(cd());
        EXPECT_EQ(offerName(cd(), c.name), c.accepted);
    }
    EXPECT_TRUE(drive().log().empty());  // open never touches the device
}

TEST_F(StrmDscTest, StartPlaysTheWholeTrackOnTheDefaultDevice) {
    // The drive letter plays no part.
    ASSERT_EQ(offerName(cd(), "Q:\\Track07.cda"), 1);
    ASSERT_EQ(cd().start(), 1);
    EXPECT_STREQ(cd().titleText, "Audio track 07");
    EXPECT_EQ(drive().log(), (std::vector<CdCommand>{CdCommand::open, CdCommand::trackLength,
                                                     CdCommand::useTrackTimes, CdCommand::play}));
    EXPECT_EQ(drive().playedFrom(), packTmsf(7, CdTime{}));
    EXPECT_EQ(drive().playedTo(), packTmsf(7, kTrack7Length));
    EXPECT_EQ(drive().mode(), CdMode::playing);
    EXPECT_EQ(cd().getLength(), 2004);

    EXPECT_EQ(cd().notify(NOTIFY_PLAY), 0);  // already playing since start
    drive().advance(12000);
    EXPECT_EQ(cd().getPosition(), 120);
    EXPECT_EQ(cd().decode(nullptr, 0), 1);
}

TEST_F(StrmDscTest, SeekPlaysFromTheTargetToTheEndOfTheTrack) {
    playTrack7();
    EXPECT_EQ(cd().seek(125, 1), 1);
    EXPECT_EQ(drive().playedFrom(), packTmsf(7, CdTime{0, 12, 37}));
    EXPECT_EQ(drive().playedTo(), packTmsf(7, kTrack7Length));
    EXPECT_EQ(cd().getPosition(), 124);  // frame 37 is 4.93 tenths into the second

    EXPECT_EQ(cd().seek(-30, 0), 1);
    EXPECT_EQ(drive().playedFrom(), packTmsf(7, CdTime{}));
    EXPECT_EQ(cd().seek(601, 0), 1);
    EXPECT_EQ(drive().playedFrom(), packTmsf(7, CdTime{1, 0, 7}));
}

TEST_F(StrmDscTest, RefusedSeekIsRetriedByTheNextPositionQuery) {
    playTrack7();
    drive().failNext(CdCommand::play, platform::kCdNotReady, 2);
    EXPECT_EQ(cd().seek(300, 1), 0);
    EXPECT_EQ(cd().seek(400, 1), 0);  // the first target stays pending
    EXPECT_EQ(drive().playedFrom(), packTmsf(7, CdTime{}));

    size_t plays = countOf(CdCommand::play);
    cd().getPosition();
    EXPECT_EQ(countOf(CdCommand::play), plays + 1);
    EXPECT_EQ(drive().playedFrom(), packTmsf(7, CdTime{0, 30, 0}));
    cd().getPosition();
    EXPECT_EQ(countOf(CdCommand::play), plays + 1);  // nothing pending any more

    // A retry that is refused again stays pending for the next query.
    drive().failNext(CdCommand::play, platform::kCdNotReady, 2);
    EXPECT_EQ(cd().seek(50, 1), 0);
    cd().getPosition();
    cd().getPosition();
    EXPECT_EQ(drive().playedFrom(), packTmsf(7, CdTime{0, 5, 0}));
}

TEST_F(StrmDscTest, TrackEndSetsTheStoppedFlag) {
    playTrack7();
    drive().failNext(CdCommand::mode, platform::kCdNotReady);
    EXPECT_EQ(cd().decode(nullptr, 0), 1);  // a failed query counts as playing

    drive().advance(kTrack7Frames * 1000 / 75 + 1000);
    EXPECT_EQ(cd().getPosition(), 2004);
    EXPECT_EQ(cd().decode(nullptr, 0), 0);
    size_t commands = drive().log().size();
    EXPECT_EQ(cd().decode(nullptr, 0), 0);
    EXPECT_EQ(cd().seek(100, 1), 0);
    EXPECT_EQ(cd().notify(NOTIFY_STOP), 1);
    EXPECT_EQ(drive().log().size(), commands);  // the stopped flag answers without the device
}

TEST_F(StrmDscTest, PauseAndResumeContinueFromThePausedPosition) {
    playTrack7();
    drive().advance(5000);
    EXPECT_EQ(cd().notify(NOTIFY_PAUSE), 1);
    EXPECT_EQ(drive().mode(), CdMode::paused);
    drive().advance(10000);
    EXPECT_EQ(cd().getPosition(), 50);
    EXPECT_EQ(cd().decode(nullptr, 0), 1);

    EXPECT_EQ(cd().notify(NOTIFY_RESUME), 1);
    EXPECT_EQ(drive().playedFrom(), packTmsf(7, CdTime{0, 5, 0}));
    EXPECT_EQ(drive().playedTo(), packTmsf(7, kTrack7Length));
    drive().advance(1000);
    EXPECT_EQ(cd().getPosition(), 60);
    EXPECT_EQ(cd().notify(99), 0);
}

TEST_F(StrmDscTest, FailedResumeEndsTheTrack) {
    playTrack7();
    cd().notify(NOTIFY_PAUSE);
    drive().failNext(CdCommand::play, platform::kCdNotReady);
    cd().notify(NOTIFY_RESUME);
    EXPECT_FALSE(drive().deviceOpen());
    EXPECT_EQ(cd().decode(nullptr, 0), 0);  // so the player moves on
}

TEST_F(StrmDscTest, StopAndClose) {
    playTrack7();
    drive().advance(3000);
    EXPECT_EQ(cd().notify(NOTIFY_STOP), 1);
    EXPECT_EQ(drive().mode(), CdMode::stopped);
    EXPECT_EQ(cd().decode(nullptr, 0), 0);
    EXPECT_EQ(cd().seek(0, 1), 0);  // the player's rewind at stop does nothing

    unloadModule(cd());
    EXPECT_FALSE(drive().deviceOpen());
    EXPECT_EQ(cd().titleText, nullptr);
    EXPECT_EQ(countOf(CdCommand::stop), 1u);  // close stops only what is not stopped yet
}

TEST_F(StrmDscTest, PositionQueryFailureAnswersTheLastKnownPosition) {
    playTrack7();
    drive().advance(2000);
    EXPECT_EQ(cd().getPosition(), 20);
    drive().advance(1000);
    drive().failNext(CdCommand::position, platform::kCdNotReady);
    EXPECT_EQ(cd().getPosition(), 20);
    EXPECT_EQ(cd().getPosition(), 30);
}

TEST_F(StrmDscTest, StartFailures) {
    // No drive at all: the system's message for the failed open.
    drive().reset();
    ASSERT_EQ(offerName(cd(), "d:\\track01.cda"), 1);
    EXPECT_EQ(cd().start(), 0);
    EXPECT_STREQ(cd().errorText, "There is an undetectable problem in loading the specified device driver.");
    unloadModule(cd());
    EXPECT_EQ(cd().errorText, nullptr);
    EXPECT_EQ(drive().log(), (std::vector<CdCommand>{CdCommand::open}));

    // An error without a message leaves the player's own text to show.
    SetUp();
    drive().failNext(CdCommand::open, 9999);
    ASSERT_EQ(offerName(cd(), "d:\\track01.cda"), 1);
    EXPECT_EQ(cd().start(), 0);
    EXPECT_EQ(cd().errorText, nullptr);
    unloadModule(cd());

    // Later failures close the device and leave no message; track 9 is not on the disc.
    for (CdCommand failing : {CdCommand::trackLength, CdCommand::useTrackTimes, CdCommand::play}) {
        SetUp();
        drive().failNext(failing, platform::kCdNotReady);
        ASSERT_EQ(offerName(cd(), "d:\\track01.cda"), 1);
        EXPECT_EQ(cd().start(), 0);
        EXPECT_FALSE(drive().deviceOpen());
        EXPECT_EQ(cd().errorText, nullptr);
        unloadModule(cd());
    }
    SetUp();
    ASSERT_EQ(offerName(cd(), "d:\\track09.cda"), 1);
    EXPECT_EQ(cd().start(), 0);
    EXPECT_FALSE(drive().deviceOpen());
}

TEST_F(StrmDscTest, StartClosesTheDeviceHeldBefore) {
    playTrack7();
    ASSERT_EQ(cd().start(), 1);
    std::vector<CdCommand> log = drive().log();
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ(log[4], CdCommand::close);
    EXPECT_EQ(log[5], CdCommand::open);
    EXPECT_TRUE(drive().deviceOpen());
    EXPECT_EQ(cd().getPosition(), 0);
}

TEST(CdTimeTest, ConversionsRoundDownAndPackingKeepsFieldsApart) {
    // The module tests cover the common cases; these are the edges.
    EXPECT_EQ(tenthsFromCdTime(CdTime{0, 0, 74}), 9);
    CdTime time = cdTimeFromTenths(7199);
    EXPECT_EQ(time.minutes, 11);
    EXPECT_EQ(time.seconds, 59);
    EXPECT_EQ(time.frames, 67);

    uint32_t tmsf = packTmsf(7, CdTime{300, 1, 2});  // minutes beyond a byte do not spill
    EXPECT_EQ(tmsf, 0x0201'2C07u);
    EXPECT_EQ(platform::tmsfTrack(tmsf), 7);
    EXPECT_EQ(platform::packMsf(CdTime{3, 20, 30}), 0x1E1403u);
}

}  // namespace
}  // namespace tumbor
