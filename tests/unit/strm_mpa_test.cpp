// The MPEG module driven through its record over files encoded by lame,
// twolame and make-layer1, compared with what Debian's mpg123 decodes from
// the same files.
#include <gtest/gtest.h>

#include <algorithm>
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

// A count of samples rounded up to whole blocks of them.
size_t roundedUpToBlocks(size_t samples) { return (samples * 2 + kBlock - 1) / kBlock * kBlock / 2; }

// The reference decode of an encoded file.
Samples reference(const std::string& file) {
    return toSamples(mpegFile(file.substr(0, file.find('.')) + ".raw"));
}

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
    EXPECT_EQ(module.flags, static_cast<uint32_t>(pcmOutput | utf8Text));
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

// Every file as mpg123 --no-gapless decodes it, from the first sample to the
// last; the last block is padded with silence.
TEST_F(StrmMpaTest, DecodesLikeMpg123) {
    struct Case {
        const char* file;
        int channels;  // of the reference
    };
    for (Case test :
         {Case{"cbr128.mp3", 2}, Case{"cbrplain.mp3", 2}, Case{"vbr.mp3", 2}, Case{"mono22.mp3", 1},
          Case{"mono8.mp3", 1}, Case{"layer2.mp2", 2}, Case{"layer2lsf.mp2", 2}, Case{"layer1.mp1", 2},
          Case{"vbrlong.mp3", 2}, Case{"bothtags.mp3", 2}, Case{"vbr22.mp3", 2}, Case{"vbr11.mp3", 2},
          Case{"twotags.mp2", 2}}) {
        SCOPED_TRACE(test.file);
        Samples played = playFile(mpegFile(test.file));
        Samples expected = inModuleLayout(reference(test.file), test.channels);
        mpa().close();
        ASSERT_EQ(played.size(), roundedUpToBlocks(expected.size()));
        EXPECT_EQ(countDifferences(played, expected, 0, kDecoderTolerance), 0u);
        EXPECT_TRUE(std::all_of(played.begin() + static_cast<long>(expected.size()), played.end(),
                                [](int16_t sample) { return sample == 0; }));
    }
}

// With gapless asked for, the LAME/Info frame's delay and padding are cut as
// mpg123 cuts them by default, and each decode tells how much of it is sound;
// a stream without such a frame plays as before.
TEST_F(StrmMpaTest, GaplessCutsDelayAndPaddingLikeMpg123AndTellsTheSound) {
    StreamModuleExtension* extension = tumborGetStreamExtension(0);
    ASSERT_NE(extension, nullptr);
    ASSERT_GE(extension->size, sizeof(StreamModuleExtension));
    EXPECT_EQ(tumborGetStreamExtension(1), nullptr);
    struct Case { const char* file; int channels; };
    for (Case test : {Case{"cbr128.mp3", 2}, Case{"cbrplain.mp3", 2}, Case{"vbr.mp3", 2},
                      Case{"mono22.mp3", 1}, Case{"mono8.mp3", 1}}) {
        SCOPED_TRACE(test.file);
        extension->setGapless(1);
        ASSERT_EQ(offerMpeg(mpegFile(test.file)), 1);
        ASSERT_EQ(mpa().start(), 1);
        Bytes sound, block(kBlock);
        while (mpa().decode(block.data(), static_cast<int>(kBlock)))
            sound.insert(sound.end(), block.begin(), block.begin() + extension->soundBytes());
        EXPECT_EQ(extension->soundBytes(), 0);
        mpa().close();
        extension->setGapless(0);
        Samples expected = inModuleLayout(toSamples(mpegFile(std::string(test.file).substr(0, std::strlen(test.file) - 4) + ".gapless.raw")), test.channels);
        ASSERT_EQ(toSamples(sound).size(), expected.size());
        EXPECT_EQ(countDifferences(toSamples(sound), expected, 0, kDecoderTolerance), 0u);
    }

    StreamLoudness loudness{};
    ASSERT_EQ(offerMpeg(mpegFile("gain.mp3")), 1);
    ASSERT_EQ(extension->getLoudness(&loudness), 1);
    EXPECT_EQ(loudness.present, uint32_t(loudnessTrackGain | loudnessTrackPeak | loudnessAlbumGain));
    EXPECT_EQ(loudness.trackGain, -602);
    EXPECT_EQ(loudness.albumGain, 150);
    EXPECT_EQ(loudness.trackPeak, 32768u);
    mpa().close();
    ASSERT_EQ(offerMpeg(mpegFile("cbr128.mp3")), 1);
    EXPECT_EQ(extension->getLoudness(&loudness), 0);
}

TEST_F(StrmMpaTest, QualityDownSamplesAndMonoModesFillBothChannels) {
    Bytes file = mpegFile("cbr128.mp3");
    const size_t stereoSamples = reference("cbr128.mp3").size();
    useSettings(-1, 2);
    ASSERT_EQ(offerMpeg(file), 1);
    ASSERT_EQ(mpa().start(), 1);
    EXPECT_EQ(mpa().sampleRate, 11025u);
    EXPECT_EQ(mpa().channels, 2u);
    // A quarter of the samples of the full-rate decode.
    EXPECT_EQ(decodeAll(kBlock).size(), 2 * roundedUpToBlocks(stereoSamples / 4));
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
    EXPECT_EQ(decodeAll(kBlock).size(), 2 * roundedUpToBlocks(2 * reference("mono8.mp3").size() / 2));
    mpa().close();

    for (int stereo : {0, 1, 3}) {
        SCOPED_TRACE(stereo);
        useSettings(stereo, 0);
        ASSERT_EQ(offerMpeg(file), 1);
        ASSERT_EQ(mpa().start(), 1);
        EXPECT_EQ(mpa().sampleRate, 44100u);
        EXPECT_EQ(mpa().channels, 2u);
        Samples played = toSamples(decodeAll(kBlock));
        ASSERT_EQ(played.size(), roundedUpToBlocks(stereoSamples));
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
    EXPECT_EQ(whole.size(), 2 * roundedUpToBlocks(2 * reference("mono22.mp3").size()));

    // Odd counts, and a stretch skipped with a null destination.
    ASSERT_EQ(offerMpeg(file), 1);
    ASSERT_EQ(mpa().start(), 1);
    Bytes pieces, buffer(3001);
    EXPECT_EQ(mpa().decode(nullptr, 5000), 1);
    pieces.resize(5000);
    EXPECT_EQ(mpa().decode(buffer.data(), 0), 1);
    while (mpa().decode(buffer.data(), 3001)) pieces.insert(pieces.end(), buffer.begin(), buffer.end());
    // The last buffer that held sound runs on into the silence after the end;
    // the call after it found nothing but silence.
    ASSERT_GE(pieces.size(), whole.size());
    ASSERT_LT(pieces.size(), whole.size() + 3001);
    EXPECT_TRUE(std::equal(whole.begin() + 5000, whole.end(), pieces.begin() + 5000));
    EXPECT_TRUE(std::all_of(pieces.begin() + static_cast<long>(whole.size()), pieces.end(),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(buffer, Bytes(3001, 0));

    // After the end only silence follows, and the end again.
    Bytes after(kBlock, 0x55);
    EXPECT_EQ(mpa().decode(after.data(), static_cast<int>(kBlock)), 0);
    EXPECT_EQ(after, Bytes(kBlock, 0));
}

// Without an info frame: the bytes and the current frame's bitrate.
TEST_F(StrmMpaTest, PositionAndLengthOfAPlainStreamFollowTheCurrentFrame) {
    Bytes file = mpegFile("cbrplain.mp3");
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

    // A layer II stream after ID3v2 tags counts from its first frame.
    Bytes tagged = mpegFile("twotags.mp2");
    ASSERT_EQ(offerMpeg(tagged), 1);
    ASSERT_EQ(mpa().start(), 1);
    uint32_t tags = static_cast<uint32_t>(tagged.size() - mpegFile("layer2.mp2").size());
    EXPECT_EQ(mpa().getLength(), static_cast<int>((tagged.size() - tags) / (192 * 25 / 2)));
}

// With an info frame: its frame count gives the true length, and the frames
// read the position, whatever the bitrates.
TEST_F(StrmMpaTest, AnInfoFrameGivesTheTrueLength) {
    struct Case {
        const char* file;
        int samplesPerFrame;
        int rate;
    };
    for (Case test :
         {Case{"cbr128.mp3", 1152, 44100}, Case{"vbr.mp3", 1152, 44100}, Case{"vbrlong.mp3", 1152, 44100},
          Case{"vbr22.mp3", 576, 22050}, Case{"vbr11.mp3", 576, 11025}, Case{"mono8.mp3", 576, 8000}}) {
        SCOPED_TRACE(test.file);
        Bytes file = mpegFile(test.file);
        size_t frames = reference(test.file).size() / (test.file[0] == 'm' ? 1 : 2) / test.samplesPerFrame;
        int tenths = static_cast<int>(frames * test.samplesPerFrame * 10 / test.rate);
        ASSERT_EQ(offerMpeg(file), 1);
        ASSERT_EQ(mpa().start(), 1);
        EXPECT_EQ(mpa().getLength(), tenths);
        EXPECT_EQ(mpa().getPosition(), 0);
        std::vector<int> bitrates;
        Bytes buffer(kBlock);
        while (mpa().decode(buffer.data(), static_cast<int>(kBlock))) bitrates.push_back(mpa().getBitrate());
        EXPECT_EQ(mpa().getPosition(), tenths);
        EXPECT_EQ(mpa().getLength(), tenths);
        if (std::string(test.file) == "vbrlong.mp3") {
            EXPECT_NE(*std::min_element(bitrates.begin(), bitrates.end()),
                      *std::max_element(bitrates.begin(), bitrates.end()));
        }
        mpa().close();
    }
}

TEST_F(StrmMpaTest, SeekingByBytesLandsOnTheSameAudioEveryTime) {
    Bytes file = mpegFile("cbrplain.mp3");
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

// After a seek the synthesis filter's ring buffer may stand at another place
// than in a straight decode, where its sums round one step apart.
constexpr int kSeekTolerance = kDecoderTolerance + 1;

// Where the played samples lie in the reference, searched frame by frame:
// the sample frame they start at, or -1.
long foundAt(const Samples& played, const Samples& reference, size_t samplesPerFrame) {
    for (size_t start = 0; start + played.size() <= reference.size(); start += 2 * samplesPerFrame) {
        Samples there(reference.begin() + static_cast<long>(start),
                      reference.begin() + static_cast<long>(start + played.size()));
        if (countDifferences(played, there, 0, kSeekTolerance) == 0) return static_cast<long>(start / 2);
    }
    return -1;
}

TEST_F(StrmMpaTest, SeekingAVbrFileLandsWithinOneFrame) {
    Samples expected = reference("vbrlong.mp3");
    ASSERT_EQ(offerMpeg(mpegFile("vbrlong.mp3")), 1);
    ASSERT_EQ(mpa().start(), 1);
    Bytes buffer(2 * kBlock);
    for (int exact : {1, 0}) {
        SCOPED_TRACE(exact);
        // The sound goes on as a straight decode has it, from the frame that
        // holds 5.0 s.
        ASSERT_EQ(mpa().seek(50, exact), 1);
        EXPECT_GE(mpa().getPosition(), 49);
        EXPECT_LE(mpa().getPosition(), 50);
        ASSERT_EQ(mpa().decode(buffer.data(), 2 * kBlock), 1);
        long at = foundAt(toSamples(buffer), expected, 1152);
        ASSERT_GE(at, 0) << "the seek did not land on the straight decode's audio";
        EXPECT_LE(std::abs(at - 5 * 44100), 1152);
        EXPECT_LE(at, 5 * 44100);
    }

    // Back to the start after the end: the very first samples again.
    decodeAll(kBlock);
    ASSERT_EQ(mpa().seek(0, 1), 1);
    EXPECT_EQ(mpa().getPosition(), 0);
    ASSERT_EQ(mpa().decode(buffer.data(), 2 * kBlock), 1);
    EXPECT_EQ(countDifferences(toSamples(buffer), expected, 0, kDecoderTolerance), 0u);

    // Past the announced length the seek fails and playing goes on.
    ASSERT_EQ(mpa().seek(20, 1), 1);
    int before = mpa().getPosition();
    EXPECT_EQ(mpa().seek(mpa().getLength() + 2, 1), 0);
    EXPECT_EQ(mpa().getPosition(), before);
    EXPECT_EQ(mpa().decode(buffer.data(), 2 * kBlock), 1);
    mpa().close();

    // The small frames of MPEG-2 and 2.5 keep more frames in the bit
    // reservoir; the seek decodes enough of them first.
    for (const char* file : {"vbr22.mp3", "vbr11.mp3"}) {
        SCOPED_TRACE(file);
        Samples samples = reference(file);
        ASSERT_EQ(offerMpeg(mpegFile(file)), 1);
        ASSERT_EQ(mpa().start(), 1);
        long rate = static_cast<long>(mpa().sampleRate);
        ASSERT_EQ(mpa().seek(12, 1), 1);
        ASSERT_EQ(mpa().decode(buffer.data(), static_cast<int>(kBlock)), 1);
        buffer.resize(kBlock);
        long at = foundAt(toSamples(buffer), samples, 576);
        ASSERT_GE(at, 0) << "the seek did not land on the straight decode's audio";
        EXPECT_LE(std::abs(at - 12 * rate / 10), 576);
        buffer.resize(2 * kBlock);
        mpa().close();
    }
}

// A VBRI frame, as other encoders write it, in place of lame's Xing frame.
TEST_F(StrmMpaTest, AVbriFrameCountsTheFramesAndIsNotPlayed) {
    Bytes file = mpegFile("vbr.mp3");
    Samples expected = reference("vbr.mp3");
    const size_t frames = expected.size() / 2 / 1152;
    // The Xing frame is the first; its body becomes a VBRI header.
    size_t frameBytes = 0;
    for (size_t i = 4; i + 1 < file.size() && !frameBytes; ++i)
        if (file[i] == 0xFF && (file[i + 1] & 0xE0) == 0xE0 && file[i + 1] == file[1]) frameBytes = i;
    ASSERT_GT(frameBytes, 64u);
    std::fill(file.begin() + 4, file.begin() + static_cast<long>(frameBytes), 0);
    Bytes vbri =
        joined({bytesOf("VBRI"), Bytes{0, 1, 0, 0, 0, 75},
                Bytes{static_cast<uint8_t>(file.size() >> 24), static_cast<uint8_t>(file.size() >> 16),
                      static_cast<uint8_t>(file.size() >> 8), static_cast<uint8_t>(file.size())},
                Bytes{0, 0, static_cast<uint8_t>(frames >> 8), static_cast<uint8_t>(frames)},
                Bytes{0, 0, 0, 1, 0, 2, 0, 0}});
    std::copy(vbri.begin(), vbri.end(), file.begin() + 36);

    Samples played = playFile(file);
    EXPECT_EQ(mpa().getLength(), static_cast<int>(frames * 1152 * 10 / 44100));
    ASSERT_EQ(played.size(), roundedUpToBlocks(expected.size()));
    EXPECT_EQ(countDifferences(played, expected, 0, kDecoderTolerance), 0u);

    Bytes buffer(kBlock);
    ASSERT_EQ(mpa().seek(15, 1), 1);
    ASSERT_EQ(mpa().decode(buffer.data(), static_cast<int>(kBlock)), 1);
    long at = foundAt(toSamples(buffer), expected, 1152);
    EXPECT_LE(std::abs(at - 15 * 4410), 1152);
    ASSERT_EQ(mpa().seek(0, 1), 1);
    ASSERT_EQ(mpa().decode(buffer.data(), static_cast<int>(kBlock)), 1);
    EXPECT_EQ(countDifferences(toSamples(buffer), expected, 0, kDecoderTolerance), 0u);
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
