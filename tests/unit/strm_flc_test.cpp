// The FLAC module driven through its record over files Debian's flac encoded
// from WAV files sox made: the sound must be the WAV's, sample for sample.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "libs/flc/flac_stream.h"
#include "platform/recorded_dialogs.h"
#include "tests/unit/codec_test_files.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);

namespace tumbor {
namespace {

using namespace testing;

StreamModule& flac() { return *tumborGetStreamHeader()->getModule(0); }

class StrmFlcTest : public ::testing::Test {
protected:
    void TearDown() override {
        flac().close();
        detachInput();
    }
    // Plays the whole file after checking the format the module announces.
    static Bytes play(const Bytes& file, uint32_t rate, uint32_t channels, uint32_t bits,
                      int buffer = 16384) {
        EXPECT_EQ(offer(flac(), file), 1);
        EXPECT_EQ(flac().start(), 1);
        EXPECT_EQ(flac().sampleRate, rate);
        EXPECT_EQ(flac().channels, channels);
        EXPECT_EQ(flac().bitsPerSample, bits);
        Bytes played = decodeAll(flac(), buffer);
        flac().close();
        return played;
    }
};

TEST_F(StrmFlcTest, LibraryHandsOutOneRecord) {
    StreamLibraryHeader* header = tumborGetStreamHeader();
    EXPECT_STREQ(header->libraryName, "FLAC streaming library (native FLAC, Ogg FLAC)");
    EXPECT_EQ(header->getModule(1), nullptr);
    StreamModule& module = flac();
    EXPECT_EQ(std::memcmp(module.magic, "TBSM", 4), 0);
    EXPECT_EQ(module.flags, static_cast<uint32_t>(pcmOutput | utf8Text));
    EXPECT_STREQ(module.fileFilter, "FLAC files (*.flac)|*.flac|");
    EXPECT_STREQ(module.description, "FLAC decoder (native and Ogg FLAC, mono/stereo) v1.10");
    EXPECT_EQ(module.notify, nullptr);
    EXPECT_EQ(module.songInfo("x.flac"), 0);

    platform::clearRecordedMessageBoxes();
    EXPECT_EQ(module.about(), 1);
    EXPECT_EQ(module.configure(), 1);
    ASSERT_EQ(platform::recordedMessageBoxes().size(), 2u);
    EXPECT_EQ(platform::recordedMessageBoxes()[0].text.rfind("FLAC Decoder (flac, oga)\n\n", 0), 0u);
    EXPECT_NE(platform::recordedMessageBoxes()[0].text.find("libFLAC 1."), std::string::npos);
    EXPECT_EQ(platform::recordedMessageBoxes()[1].text, "There is no configuration possible with FLAC files");
}

// 8-bit files play as 8-bit unsigned, 16-bit as 16-bit, 24-bit as the top 16
// bits of each sample; mono stays mono; the rest of the last buffer is silence.
TEST_F(StrmFlcTest, PlaysExactlyTheWavItWasEncodedFrom) {
    struct Case {
        const char* file;
        const char* wav;
        uint32_t rate, channels, bits;
    };
    for (Case test :
         {Case{"stereo16.flac", "stereo16.wav", 44100, 2, 16}, Case{"mono8.flac", "mono8.wav", 22050, 1, 8},
          Case{"stereo24.flac", "stereo24.wav", 48000, 2, 16}, Case{"mono16.flac", "mono16.wav", 8000, 1, 16},
          Case{"stereo16.oga", "stereo16.wav", 44100, 2, 16}}) {
        SCOPED_TRACE(test.file);
        Bytes expected = wavSound(codecFile(test.wav));
        if (std::strcmp(test.file, "stereo24.flac") == 0) expected = top16Of24(expected);
        Bytes played = play(codecFile(test.file), test.rate, test.channels, test.bits);
        ASSERT_EQ(played.size(), roundedUp(expected.size()));
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), played.begin()));
        EXPECT_TRUE(allBytesAre(played, expected.size(), test.bits == 8 ? 0x80 : 0));
    }
}

TEST_F(StrmFlcTest, TellsItsSoundAndLoudness) {
    StreamLoudness loudness = loudnessOf(0, flac(), codecFile("mono16.flac"));
    EXPECT_EQ(loudness.present, uint32_t(loudnessTrackGain | loudnessAlbumGain | loudnessTrackPeak));
    EXPECT_EQ(loudness.trackGain, -602);
    EXPECT_EQ(loudness.albumGain, 250);
    EXPECT_EQ(loudness.trackPeak, 16384u);
    EXPECT_EQ(loudnessOf(0, flac(), codecFile("stereo16.flac")).present, 0u);

    ASSERT_EQ(offer(flac(), codecFile("mono16.flac")), 1);
    ASSERT_EQ(flac().start(), 1);
    size_t sound = 0;
    Bytes buffer(16384);
    while (flac().decode(buffer.data(), 16384)) sound += size_t(tumborGetStreamExtension(0)->soundBytes());
    EXPECT_EQ(sound, wavSound(codecFile("mono16.wav")).size());
}

TEST_F(StrmFlcTest, AnyByteCountDeliversTheSameBytes) {
    Bytes expected = wavSound(codecFile("mono8.wav"));
    ASSERT_EQ(offer(flac(), codecFile("mono8.flac")), 1);
    ASSERT_EQ(flac().start(), 1);
    Bytes pieces(5000), buffer(3001);
    EXPECT_EQ(flac().decode(nullptr, 5000), 1);
    EXPECT_EQ(flac().decode(buffer.data(), 0), 1);
    while (flac().decode(buffer.data(), 3001)) pieces.insert(pieces.end(), buffer.begin(), buffer.end());
    ASSERT_EQ(pieces.size(), 5000 + roundedUp(expected.size() - 5000, 3001));
    EXPECT_TRUE(std::equal(expected.begin() + 5000, expected.end(), pieces.begin() + 5000));
    EXPECT_TRUE(allBytesAre(pieces, expected.size(), 0x80));
    // After the end only silence follows, and the end again.
    EXPECT_EQ(flac().decode(buffer.data(), 3001), 0);
    EXPECT_EQ(buffer, Bytes(3001, 0x80));
}

TEST_F(StrmFlcTest, SeeksToTheSample) {
    struct Case {
        const char* file;
        const char* wav;
        uint32_t rate, frameBytes;
    };
    // With a seek table, without one (24 bits), and in Ogg.
    for (Case test :
         {Case{"stereo16.flac", "stereo16.wav", 44100, 4}, Case{"stereo24.flac", "stereo24.wav", 48000, 4},
          Case{"stereo16.oga", "stereo16.wav", 44100, 4}}) {
        SCOPED_TRACE(test.file);
        Bytes expected = wavSound(codecFile(test.wav));
        if (std::strcmp(test.file, "stereo24.flac") == 0) expected = top16Of24(expected);
        ASSERT_EQ(offer(flac(), codecFile(test.file)), 1);
        ASSERT_EQ(flac().start(), 1);
        Bytes buffer(8192);
        ASSERT_EQ(flac().decode(buffer.data(), 8192), 1);
        EXPECT_EQ(flac().seek(15, 1), 1);
        EXPECT_EQ(flac().getPosition(), 15);
        ASSERT_EQ(flac().decode(buffer.data(), 8192), 1);
        size_t at = size_t{15} * test.rate / 10 * test.frameBytes;
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), expected.begin() + static_cast<long>(at)));

        // Past the end: refused, and playing goes on where it was.
        EXPECT_EQ(flac().seek(flac().getLength(), 1), 0);
        ASSERT_EQ(flac().decode(buffer.data(), 8192), 1);
        EXPECT_TRUE(
            std::equal(buffer.begin(), buffer.end(), expected.begin() + static_cast<long>(at + 8192)));
        // Negative means the start.
        EXPECT_EQ(flac().seek(-3, 0), 1);
        EXPECT_EQ(flac().getPosition(), 0);
        ASSERT_EQ(flac().decode(buffer.data(), 8192), 1);
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), expected.begin()));
        flac().close();
    }
}

TEST_F(StrmFlcTest, LengthPositionAndBitRate) {
    Bytes file = codecFile("stereo16.flac");
    ASSERT_EQ(offer(flac(), file), 1);
    EXPECT_EQ(flac().getLength(), 30);
    ASSERT_EQ(flac().start(), 1);
    EXPECT_EQ(flac().getPosition(), 0);
    // The frames' bits over three seconds; the metadata blocks in front
    // (stream information, seek table, comments, padding) do not count.
    size_t framesStart = 4;
    for (bool last = false; !last && framesStart + 4 <= file.size();) {
        last = file[framesStart] & 0x80;
        framesStart += 4 + (file[framesStart + 1] << 16 | file[framesStart + 2] << 8 | file[framesStart + 3]);
    }
    EXPECT_EQ(flac().getBitrate(), static_cast<int>((file.size() - framesStart) * 8 / 3));
    ASSERT_EQ(flac().decode(nullptr, 44100 * 4 * 12 / 10), 1);
    EXPECT_EQ(flac().getPosition(), 12);
    flac().close();
    EXPECT_EQ(flac().getPosition(), 0);
    EXPECT_EQ(flac().getLength(), 0);
}

TEST_F(StrmFlcTest, TitleComesFromTheCommentsAsUtf8Text) {
    struct Case {
        const char* file;
        const char* title;  // null: none
    };
    for (Case test :
         {Case{"stereo16.flac", "Flac Artist - Flac Title"}, Case{"mono8.flac", "Caf\xC3\xA9 No\xC3\xABl"},
          Case{"stereo16.oga", "Ogg Flac"}, Case{"stereo24.flac", nullptr}}) {
        SCOPED_TRACE(test.file);
        ASSERT_EQ(offer(flac(), codecFile(test.file)), 1);
        if (test.title)
            EXPECT_STREQ(flac().titleText, test.title);
        else
            EXPECT_EQ(flac().titleText, nullptr);
        flac().close();
        EXPECT_EQ(flac().titleText, nullptr);
    }
}

TEST_F(StrmFlcTest, PassesId3v2TagsInFront) {
    Bytes tag = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 20};
    tag.resize(30, 0);
    Bytes expected = wavSound(codecFile("mono16.wav"));
    Bytes played = play(joined(tag, codecFile("mono16.flac")), 8000, 1, 16);
    ASSERT_EQ(played.size(), roundedUp(expected.size()));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), played.begin()));
}

TEST_F(StrmFlcTest, RefusesOtherFilesAndDamagedStreamInformation) {
    for (const char* other : {"stereo16.wav", "vorbis44.ogg", "opus48.opus"}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(offer(flac(), codecFile(other)), 0);
        EXPECT_STREQ(flac().errorText, "Unable to find a FLAC stream");
        EXPECT_EQ(flac().close(), 1);
        EXPECT_EQ(flac().errorText, nullptr);
    }
    EXPECT_EQ(offer(flac(), Bytes()), 0);
    flac().close();

    // The signature with the stream information cut short, or overwritten.
    Bytes file = codecFile("stereo16.flac");
    EXPECT_EQ(offer(flac(), Bytes(file.begin(), file.begin() + 20)), 0);
    EXPECT_STREQ(flac().errorText, "The FLAC stream information is damaged");
    flac().close();
    Bytes scribbled = file;
    std::fill(scribbled.begin() + 4, scribbled.begin() + 42, 0xFF);
    EXPECT_EQ(offer(flac(), scribbled), 0);
    flac().close();
}

// Samples of any size FLAC allows, scaled to the output; values a damaged
// frame holds beyond its size are clamped to it.
TEST(FlacSampleTest, EverySampleSizeScalesToTheOutput) {
    EXPECT_EQ(flacSampleTo16(-8, 4), -32768);
    EXPECT_EQ(flacSampleTo16(7, 4), 7 << 12);
    EXPECT_EQ(flacSampleTo16(-2048, 12), -32768);
    EXPECT_EQ(flacSampleTo16(32767, 16), 32767);
    EXPECT_EQ(flacSampleTo16(-524288, 20), -32768);
    EXPECT_EQ(flacSampleTo16(0x7FFFFF, 24), 32767);
    EXPECT_EQ(flacSampleTo16(-1, 24), -1);  // truncated towards minus infinity, not rounded
    EXPECT_EQ(flacSampleTo16(INT32_MIN, 32), -32768);
    EXPECT_EQ(flacSampleTo16(INT32_MAX, 32), 32767);
    EXPECT_EQ(flacSampleTo16(1 << 20, 12), 2047 << 4);
    EXPECT_EQ(flacSampleTo16(-(1 << 20), 12), -32768);

    EXPECT_EQ(flacSampleTo8(-128, 8), 0);
    EXPECT_EQ(flacSampleTo8(127, 8), 255);
    EXPECT_EQ(flacSampleTo8(0, 8), 128);
    EXPECT_EQ(flacSampleTo8(-8, 4), 0);
    EXPECT_EQ(flacSampleTo8(3, 4), 128 + 48);
    EXPECT_EQ(flacSampleTo8(1000, 8), 255);
}

// More than two channels: the file is a FLAC file, but start says why it
// cannot be played.
TEST_F(StrmFlcTest, RefusesToStartMoreThanTwoChannels) {
    ASSERT_EQ(offer(flac(), codecFile("six.flac")), 1);
    EXPECT_EQ(flac().start(), 0);
    EXPECT_STREQ(flac().errorText,
                 "This FLAC file has 6 channels; only mono and stereo FLAC files can be played");
    EXPECT_EQ(flac().decode(nullptr, 4096), 0);
    EXPECT_EQ(flac().seek(5, 1), 0);
}

// Damaged frames are passed over; the rest of the sound still plays.
TEST_F(StrmFlcTest, PlaysOnPastDamagedFrames) {
    Bytes file = codecFile("stereo16.flac");
    for (size_t at = file.size() / 2; at < file.size() / 2 + 3000; ++at)
        file[at] = static_cast<uint8_t>(at * 7);
    Bytes expected = wavSound(codecFile("stereo16.wav"));
    Bytes played = play(file, 44100, 2, 16);
    EXPECT_GT(played.size(), expected.size() / 2);
    EXPECT_LE(played.size(), roundedUp(expected.size()));
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 100000, played.begin()));
}

}  // namespace
}  // namespace tumbor
