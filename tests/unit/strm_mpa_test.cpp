// The MPEG module driven through its record over files encoded by lame,
// twolame and make-layer1, compared with what Debian's mpg123 decodes from
// the same files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "libs/mpa/host/mpa_dialogs_script.h"
#include "platform/profile.h"
#include "platform/recorded_dialogs.h"
#include "tests/unit/mpeg_test_files.h"

namespace tumbor {
namespace {

using namespace testing;

constexpr size_t kBlock = 16384;

class StrmMpaTest : public ::testing::Test {
protected:
    void SetUp() override { useSettings(-1, 0); }
    void TearDown() override {
        mpa().close();
        detachInput();
        scriptConfigDialog(nullptr);
    }
    // Sets the module's settings the way a user does: through its dialog.
    static void useSettings(int stereo, int quality) {
        scriptConfigDialog([=](MpaSettings& settings) {
            settings.stereo = stereo;
            settings.quality = quality;
            return true;
        });
        mpa().configure();
        scriptConfigDialog(nullptr);
    }
};

TEST_F(StrmMpaTest, LibraryHandsOutOneRecord) {
    StreamLibraryHeader* header = tumborGetStreamHeader();
    EXPECT_EQ(header->version, 0x100u);
    EXPECT_STREQ(header->libraryName, "MPEG streaming library (MPEG 1,2,2.5 - layer 1,2,3)");
    EXPECT_EQ(header->getModule(1), nullptr);
    EXPECT_EQ(header->getModule(-1), nullptr);

    StreamModule& module = mpa();
    EXPECT_EQ(std::memcmp(module.magic, "TBSM", 4), 0);
    EXPECT_EQ(module.flags, static_cast<uint32_t>(pcmOutput));
    EXPECT_EQ(module.channels, 2u);
    EXPECT_EQ(module.bitsPerSample, 16u);
    EXPECT_STREQ(module.fileFilter,
                 "MPEG I, II, II.5 layer 1,2,3 (*.mp1;*.mp2;*.mp3;*.mpa)|*.mp1;*.mp2;*.mp3;*.mpa|");
    EXPECT_STREQ(module.description, "MPEG I, II, II.5 layer 1,2,3 decoder v1.10");
    EXPECT_EQ(module.moduleVersion, 0x110u);
    EXPECT_EQ(module.notify, nullptr);
    EXPECT_EQ(module.reserved(), 0);

    platform::clearRecordedMessageBoxes();
    EXPECT_EQ(module.about(), 1);
    ASSERT_EQ(platform::recordedMessageBoxes().size(), 1u);
    const platform::MessageBoxRequest& box = platform::recordedMessageBoxes()[0];
    EXPECT_EQ(box.text,
              "Audio MPEG Decoder (mp1,mp2,mp3,mpa)\n\nSupports MPEG1, MPEG2, MPEG2.5 with layer 1,2,3\n");
    EXPECT_EQ(box.caption, "");
    EXPECT_EQ(box.owner, nullptr);
}

TEST_F(StrmMpaTest, ConfigureWritesBothKeysOnOk) {
    std::string ini = ::testing::TempDir() + "tumbor_strm_mpa_test.ini";
    std::vector<char> path(ini.begin(), ini.end());
    path.push_back(0);
    mpa().iniPath = path.data();
    useSettings(3, 1);
    EXPECT_EQ(platform::getProfileString("STRM_MPA", "Quality", "", ini), "1");
    EXPECT_EQ(platform::getProfileString("STRM_MPA", "Stereo", "", ini), "3");
    scriptConfigDialog([](MpaSettings& settings) {
        settings.quality = 2;
        return false;
    });
    mpa().configure();
    EXPECT_EQ(platform::getProfileString("STRM_MPA", "Quality", "", ini), "1");
    mpa().iniPath = nullptr;
    std::remove(ini.c_str());
}

// Every sample equals mpg123's except where priming left the decoder's
// history of later frames in the first frame, and the final partial block
// is not delivered.
TEST_F(StrmMpaTest, DecodesLikeMpg123) {
    struct Case {
        const char* name;
        const char* extension;
        int channels;  // of the reference
    };
    for (Case file : {Case{"cbr128", ".mp3", 2}, Case{"vbr", ".mp3", 2}, Case{"mono22", ".mp3", 1},
                      Case{"mono8", ".mp3", 1}, Case{"layer2", ".mp2", 2}, Case{"layer1", ".mp1", 2}}) {
        SCOPED_TRACE(file.name);
        Samples played = playFile(mpegFile(std::string(file.name) + file.extension));
        Samples reference = toSamples(mpegFile(std::string(file.name) + ".raw"));
        mpa().close();

        // The reference in the module's layout: stereo, mono samples doubled.
        Samples expected;
        for (size_t i = 0; i < reference.size(); ++i)
            for (int copies = 3 - file.channels; copies > 0; --copies) expected.push_back(reference[i]);
        size_t wholeBlocks = expected.size() * 2 / kBlock * kBlock;
        EXPECT_EQ(played.size() * 2, wholeBlocks);
        // Priming touches at most the first 1152 sample frames.
        EXPECT_EQ(countDifferences(played, expected, 2 * 1152, kDecoderTolerance), 0u);
        EXPECT_GT(countDifferences(played, expected, 0, kDecoderTolerance), 0u);
    }
}

TEST_F(StrmMpaTest, QualityDownSamplesAndMonoModesFillBothChannels) {
    Bytes file = mpegFile("cbr128.mp3");
    useSettings(-1, 2);
    ASSERT_EQ(offerMpeg(file), 1);
    ASSERT_EQ(mpa().start(), 1);
    EXPECT_EQ(mpa().sampleRate, 11025u);
    EXPECT_EQ(mpa().channels, 2u);
    // A quarter of the samples of the full-rate decode (in whole blocks).
    EXPECT_EQ(decodeAll(kBlock).size(), 539136u / 4 / kBlock * kBlock);
    mpa().close();

    useSettings(-1, 7);  // clamped to 2
    ASSERT_EQ(offerMpeg(file), 1);
    ASSERT_EQ(mpa().start(), 1);
    EXPECT_EQ(mpa().sampleRate, 11025u);
    mpa().close();

    useSettings(-1, 1);
    ASSERT_EQ(offerMpeg(mpegFile("mono8.mp3")), 1);
    ASSERT_EQ(mpa().start(), 1);
    EXPECT_EQ(mpa().sampleRate, 4000u);  // below the MPEG rates, still half rate
    EXPECT_GT(decodeAll(kBlock).size(), 0u);
    mpa().close();

    for (int stereo : {0, 1, 3}) {
        SCOPED_TRACE(stereo);
        useSettings(stereo, 0);
        ASSERT_EQ(offerMpeg(file), 1);
        ASSERT_EQ(mpa().start(), 1);
        EXPECT_EQ(mpa().sampleRate, 44100u);
        EXPECT_EQ(mpa().channels, 2u);
        Samples played = toSamples(decodeAll(kBlock));
        ASSERT_EQ(played.size() * 2, 539136u / kBlock * kBlock);
        bool identical = true;
        for (size_t i = 0; i + 1 < played.size(); i += 2) identical = identical && played[i] == played[i + 1];
        EXPECT_TRUE(identical);
        mpa().close();
    }
}

TEST_F(StrmMpaTest, AnyByteCountDeliversTheSameBytes) {
    Bytes file = mpegFile("mono22.mp3");
    ASSERT_EQ(offerMpeg(file), 1);
    ASSERT_EQ(mpa().start(), 1);
    Bytes whole = decodeAll(4096);
    mpa().close();

    // Odd counts, and a stretch skipped with a null destination.
    ASSERT_EQ(offerMpeg(file), 1);
    ASSERT_EQ(mpa().start(), 1);
    Bytes pieces, buffer(3001);
    EXPECT_EQ(mpa().decode(nullptr, 5000), 1);
    pieces.resize(5000);
    EXPECT_EQ(mpa().decode(buffer.data(), 0), 1);
    while (mpa().decode(buffer.data(), 3001)) pieces.insert(pieces.end(), buffer.begin(), buffer.end());
    // The last call ended the stream: its buffer holds the tail, then silence.
    size_t tail = whole.size() - pieces.size();
    ASSERT_LT(tail, 3001u);
    pieces.insert(pieces.end(), buffer.begin(), buffer.begin() + static_cast<long>(tail));
    EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<long>(tail), buffer.end(),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(whole.begin() + 5000, whole.end(), pieces.begin() + 5000));

    // After the end the rest of the silent block follows, then the end again.
    Bytes after(kBlock, 0x55);
    EXPECT_EQ(mpa().decode(after.data(), static_cast<int>(kBlock)), 0);
    EXPECT_EQ(after, Bytes(kBlock, 0));
}

TEST_F(StrmMpaTest, PositionLengthAndBitrateFollowTheCurrentFrame) {
    Bytes file = mpegFile("cbr128.mp3");
    ASSERT_EQ(offerMpeg(file), 1);
    EXPECT_EQ(mpa().getBitrate(), 0);  // nothing read yet
    ASSERT_EQ(mpa().start(), 1);
    const int perTenth = 128 * 25 / 2;
    EXPECT_EQ(mpa().getBitrate(), 128000);
    EXPECT_EQ(mpa().getLength(), static_cast<int>(file.size() / perTenth));
    EXPECT_EQ(mpa().getPosition(), 0);
    decodeAll(kBlock);
    EXPECT_EQ(mpa().getPosition(), static_cast<int>(file.size() / perTenth));
    mpa().close();

    // A VBR stream's length follows the bitrate of the latest frame.
    ASSERT_EQ(offerMpeg(mpegFile("vbr.mp3")), 1);
    ASSERT_EQ(mpa().start(), 1);
    Bytes buffer(kBlock);
    int bitrate = mpa().getBitrate();
    EXPECT_GT(bitrate, 0);
    EXPECT_EQ(mpa().getLength(), static_cast<int>(mpegFile("vbr.mp3").size() / (bitrate / 1000 * 25 / 2)));
}

TEST_F(StrmMpaTest, SeekingLandsOnTheSameAudioEveryTime) {
    Bytes file = mpegFile("cbr128.mp3");
    ASSERT_EQ(offerMpeg(file), 1);
    ASSERT_EQ(mpa().start(), 1);
    Samples straight = toSamples(decodeAll(kBlock));

    // To the middle, back to the start, and to the middle again. The first
    // frames after a seek carry the history of the frames the priming decoded
    // (how many depends on what the decode buffer held), so the audio is
    // compared from the third frame on.
    const size_t frame = 2 * 1152, settled = 3 * frame;
    Bytes buffer(2 * kBlock);
    EXPECT_EQ(mpa().seek(15, 1), 1);
    int landed = mpa().getPosition();
    EXPECT_GE(landed, 13);
    EXPECT_LE(landed, 15);
    uint32_t landedAt = mpa().ioTell();
    ASSERT_EQ(mpa().decode(buffer.data(), 2 * kBlock), 1);
    Samples middle = toSamples(buffer);
    EXPECT_EQ(mpa().seek(0, 1), 1);
    ASSERT_EQ(mpa().decode(buffer.data(), 3000), 1);
    EXPECT_EQ(mpa().seek(15, 1), 1);
    EXPECT_EQ(mpa().ioTell(), landedAt);
    ASSERT_EQ(mpa().decode(buffer.data(), 2 * kBlock), 1);
    Samples again = toSamples(buffer);
    EXPECT_EQ(countDifferences(middle, again, settled, kDecoderTolerance), 0u);

    // That is the straight decode's audio from some frame on.
    size_t match = 0;
    for (size_t start = frame; start + middle.size() <= straight.size() && !match; start += frame) {
        Samples there(straight.begin() + static_cast<long>(start),
                      straight.begin() + static_cast<long>(start + middle.size()));
        if (countDifferences(middle, there, settled, kDecoderTolerance) == 0) match = start;
    }
    EXPECT_GT(match, 0u) << "the seek did not land on the straight decode's audio";

    // Negative times mean the start; a time past the end fails the input seek.
    EXPECT_EQ(mpa().seek(-5, 0), 1);
    EXPECT_EQ(mpa().getPosition(), 0);
    EXPECT_EQ(mpa().seek(100000, 1), 0);
}

TEST_F(StrmMpaTest, DamagedStreamsEndWithSilence) {
    Bytes file = mpegFile("cbr128.mp3");
    // Cut in the middle of a frame.
    Bytes truncated(file.begin(), file.begin() + 20000);
    Samples played = playFile(truncated);
    EXPECT_GT(played.size(), 0u);
    EXPECT_LT(played.size(), 20000u / 417 * 2304);
    mpa().close();

    // A little garbage in the middle: the decoder resynchronises and goes on;
    // more than libmpg123 searches through ends the stream there.
    for (size_t garbage : {600, 4000}) {
        Bytes damaged = file;
        for (size_t i = 20000; i < 20000 + garbage; ++i) damaged[i] = static_cast<uint8_t>(i * 7);
        size_t length = playFile(damaged).size();
        if (garbage < 1024)
            EXPECT_GT(length, 2 * played.size());
        else
            EXPECT_LE(length, played.size() + kBlock / 2);
        mpa().close();
    }

    // A sync at the start and nothing but noise after it.
    Bytes noise(8192);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 131 + (i >> 5));
    noise[0] = 0xFF;
    noise[1] = 0xFB;
    ASSERT_EQ(offerMpeg(noise), 1);
    ASSERT_EQ(mpa().start(), 1);
    Bytes buffer(4096);
    int calls = 0;
    while (mpa().decode(buffer.data(), 4096) && calls < 1000) ++calls;
    EXPECT_LT(calls, 1000);
}

}  // namespace
}  // namespace tumbor
