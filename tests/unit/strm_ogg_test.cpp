// The Ogg Vorbis and Opus modules driven through their records over files
// oggenc and opusenc encoded, compared with what oggdec and opusdec decode
// from the same files: within 2 steps a sample.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/recorded_dialogs.h"
#include "tests/unit/codec_test_files.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);

namespace tumbor {
namespace {

using namespace testing;

constexpr int kTolerance = 2;

StreamModule& vorbis() { return *tumborGetStreamHeader()->getModule(0); }
StreamModule& opus() { return *tumborGetStreamHeader()->getModule(1); }

class StrmOggTest : public ::testing::Test {
protected:
    void TearDown() override {
        vorbis().close();
        opus().close();
        detachInput();
    }
    // Plays the whole file and checks it against the reference: the same
    // length up to the last buffer, within kTolerance, then silence.
    static void expectPlays(StreamModule& module, const std::string& file, const Bytes& reference,
                            uint32_t rate, uint32_t channels) {
        SCOPED_TRACE(file);
        ASSERT_EQ(offer(module, codecFile(file)), 1);
        ASSERT_EQ(module.start(), 1);
        EXPECT_EQ(module.sampleRate, rate);
        EXPECT_EQ(module.channels, channels);
        EXPECT_EQ(module.bitsPerSample, 16u);
        EXPECT_EQ(module.getLength(), static_cast<int>(reference.size() / (2 * channels) * 10 / rate));
        Bytes played = decodeAll(module);
        module.close();
        ASSERT_EQ(played.size(), roundedUp(reference.size()));
        EXPECT_LE(largestDifference(played, reference), kTolerance);
        EXPECT_TRUE(allBytesAre(played, reference.size(), 0));
    }
};

TEST_F(StrmOggTest, LibraryHandsOutTwoRecords) {
    StreamLibraryHeader* header = tumborGetStreamHeader();
    EXPECT_STREQ(header->libraryName, "Ogg streaming library (Vorbis, Opus)");
    EXPECT_EQ(header->getModule(2), nullptr);
    EXPECT_STREQ(vorbis().fileFilter, "Ogg Vorbis files (*.ogg;*.oga)|*.ogg;*.oga|");
    EXPECT_STREQ(vorbis().description, "Ogg Vorbis decoder (mono/stereo, chained streams) v1.10");
    EXPECT_STREQ(opus().fileFilter, "Opus files (*.opus)|*.opus|");
    EXPECT_STREQ(opus().description, "Opus decoder (48000 Hz stereo, chained streams) v1.10");
    for (StreamModule* module : {&vorbis(), &opus()}) {
        EXPECT_EQ(std::memcmp(module->magic, "TBSM", 4), 0);
        EXPECT_EQ(module->flags, static_cast<uint32_t>(pcmOutput | utf8Text));
        EXPECT_EQ(module->notify, nullptr);
    }
    platform::clearRecordedMessageBoxes();
    EXPECT_EQ(vorbis().about(), 1);
    EXPECT_EQ(opus().about(), 1);
    EXPECT_EQ(vorbis().configure(), 1);
    EXPECT_EQ(opus().configure(), 1);
    const auto& boxes = platform::recordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_NE(boxes[0].text.find("Xiph.Org libVorbis"), std::string::npos);
    EXPECT_NE(boxes[1].text.find("libopus 1."), std::string::npos);
    EXPECT_EQ(boxes[2].text, "There is no configuration possible with Ogg Vorbis files");
    EXPECT_EQ(boxes[3].text, "There is no configuration possible with Opus files");
}

TEST_F(StrmOggTest, VorbisPlaysAsOggdecDecodes) {
    expectPlays(vorbis(), "vorbis44.ogg", codecFile("vorbis44.raw"), 44100, 2);
    expectPlays(vorbis(), "vorbis22.ogg", codecFile("vorbis22.raw"), 22050, 1);
}

// Links of the first link's rate play on, a mono one doubled to stereo; a
// link of another rate ends the sound.
TEST_F(StrmOggTest, VorbisChainsPlayOnWhileTheRateStaysTheSame) {
    Bytes stereo = codecFile("vorbis44.raw");
    expectPlays(vorbis(), "chain_same.ogg", joined(stereo, stereo), 44100, 2);
    expectPlays(vorbis(), "chain_mono.ogg", joined(stereo, doubledToStereo(codecFile("vorbis44mono.raw"))),
                44100, 2);
    expectPlays(vorbis(), "chain_rate.ogg", stereo, 44100, 2);
}

TEST_F(StrmOggTest, OpusPlaysAsOpusdecDecodesAt48000Hz) {
    expectPlays(opus(), "opus48.opus", codecFile("opus48.raw"), 48000, 2);
    expectPlays(opus(), "opus44mono.opus", codecFile("opus44mono.raw"), 48000, 2);
    expectPlays(opus(), "chain.opus", codecFile("chain.raw"), 48000, 2);
}

// Opus's R128 gain is towards -23 LUFS, 5 dB below ReplayGain's reference.
TEST_F(StrmOggTest, LoudnessFromTheComments) {
    StreamLoudness vorbisLoudness = loudnessOf(0, vorbis(), codecFile("vorbis22.ogg"));
    EXPECT_EQ(vorbisLoudness.present, uint32_t(loudnessAlbumGain | loudnessAlbumPeak));
    EXPECT_EQ(vorbisLoudness.albumGain, -125);
    EXPECT_EQ(vorbisLoudness.albumPeak, 98304u);
    StreamLoudness opusLoudness = loudnessOf(1, opus(), codecFile("opus44mono.opus"));
    EXPECT_EQ(opusLoudness.present, uint32_t(loudnessTrackGain));
    EXPECT_EQ(opusLoudness.trackGain, -500);
    EXPECT_EQ(loudnessOf(1, opus(), codecFile("opus48.opus")).present, 0u);
}

TEST_F(StrmOggTest, SeeksToTheSample) {
    struct Case {
        StreamModule* module;
        const char* file;
        Bytes reference;
        uint32_t rate;
        int tenths;
    };
    Bytes stereo = codecFile("vorbis44.raw");
    for (const Case& test : {Case{&vorbis(), "vorbis44.ogg", stereo, 44100, 15},
                             Case{&vorbis(), "chain_same.ogg", joined(stereo, stereo), 44100, 45},
                             Case{&opus(), "opus48.opus", codecFile("opus48.raw"), 48000, 15},
                             Case{&opus(), "chain.opus", codecFile("chain.raw"), 48000, 35}}) {
        SCOPED_TRACE(test.file);
        StreamModule& module = *test.module;
        ASSERT_EQ(offer(module, codecFile(test.file)), 1);
        ASSERT_EQ(module.start(), 1);
        Bytes buffer(8192);
        ASSERT_EQ(module.decode(buffer.data(), 8192), 1);
        EXPECT_EQ(module.seek(test.tenths, 1), 1);
        EXPECT_EQ(module.getPosition(), test.tenths);
        ASSERT_EQ(module.decode(buffer.data(), 8192), 1);
        size_t sample = size_t{2} * test.rate * static_cast<size_t>(test.tenths) / 10;
        Bytes from(test.reference.begin() + static_cast<long>(sample * 2), test.reference.end());
        EXPECT_LE(largestDifference(buffer, from), kTolerance);

        // Past the end: refused, and playing goes on where it was.
        EXPECT_EQ(module.seek(module.getLength() + 1, 1), 0);
        ASSERT_EQ(module.decode(buffer.data(), 8192), 1);
        Bytes next(from.begin() + 8192, from.end());
        EXPECT_LE(largestDifference(buffer, next), kTolerance);
        EXPECT_EQ(module.seek(-1, 1), 1);
        EXPECT_EQ(module.getPosition(), 0);
        module.close();
    }
}

TEST_F(StrmOggTest, LengthPositionBitRateAndTitle) {
    Bytes file = codecFile("vorbis44.ogg");
    ASSERT_EQ(offer(vorbis(), file), 1);
    EXPECT_STREQ(vorbis().titleText, "Vorbis Artist - Vorbis Title");
    EXPECT_EQ(vorbis().getLength(), 30);
    ASSERT_EQ(vorbis().start(), 1);
    // The audio pages' bits over three seconds; the headers (with the
    // codebooks, a few kilobytes) do not count.
    EXPECT_LT(vorbis().getBitrate(), static_cast<int>(file.size() * 8 / 3));
    EXPECT_GT(vorbis().getBitrate(), static_cast<int>((file.size() - 8000) * 8 / 3));
    ASSERT_EQ(vorbis().decode(nullptr, 44100 * 4 * 12 / 10), 1);
    EXPECT_EQ(vorbis().getPosition(), 12);
    vorbis().close();
    EXPECT_EQ(vorbis().titleText, nullptr);

    ASSERT_EQ(offer(vorbis(), codecFile("vorbis22.ogg")), 1);
    EXPECT_STREQ(vorbis().titleText, "Mono \xE2\x82\xAC Title");  // the euro sign, in UTF-8
    vorbis().close();

    file = codecFile("opus48.opus");
    ASSERT_EQ(offer(opus(), file), 1);
    EXPECT_STREQ(opus().titleText, "Opus Artist - Opus Title");
    EXPECT_EQ(opus().getLength(), 30);
    ASSERT_EQ(opus().start(), 1);
    EXPECT_NEAR(opus().getBitrate(), static_cast<int>(file.size() * 8 / 3), 4000);
    ASSERT_EQ(opus().decode(nullptr, 48000 * 4 * 7 / 10), 1);
    EXPECT_EQ(opus().getPosition(), 7);
    opus().close();

    ASSERT_EQ(offer(opus(), codecFile("opus44mono.opus")), 1);
    EXPECT_STREQ(opus().titleText, "Only Title");
}

TEST_F(StrmOggTest, EachModuleRefusesTheOthersFilesAndDamagedOnes) {
    for (const char* other : {"stereo16.wav", "stereo16.flac", "stereo16.oga", "opus48.opus"}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(offer(vorbis(), codecFile(other)), 0);
        EXPECT_STREQ(vorbis().errorText, "Unable to find an Ogg Vorbis stream");
        EXPECT_EQ(vorbis().close(), 1);
        EXPECT_EQ(vorbis().errorText, nullptr);
    }
    for (const char* other : {"stereo16.wav", "stereo16.flac", "stereo16.oga", "vorbis44.ogg"}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(offer(opus(), codecFile(other)), 0);
        EXPECT_STREQ(opus().errorText, "Unable to find an Ogg Opus stream");
        EXPECT_EQ(opus().close(), 1);
    }
    // The first page alone, and the first page followed by rubbish.
    for (StreamModule* module : {&vorbis(), &opus()}) {
        Bytes file = codecFile(module == &vorbis() ? "vorbis44.ogg" : "opus48.opus");
        size_t firstPage = 27 + file[26];
        for (size_t i = 27; i < 27u + file[26]; ++i) firstPage += file[i];
        EXPECT_EQ(offer(*module, Bytes(file.begin(), file.begin() + static_cast<long>(firstPage))), 0);
        module->close();
        Bytes rubbish(file.begin(), file.begin() + static_cast<long>(firstPage));
        rubbish.resize(20000, 0x5A);
        EXPECT_EQ(offer(*module, rubbish), 0);
        module->close();
        EXPECT_EQ(offer(*module, Bytes()), 0);
        module->close();
    }
}

// More than two channels: the file is an Ogg Vorbis file, but start says why
// it cannot be played.
TEST_F(StrmOggTest, VorbisRefusesToStartMoreThanTwoChannels) {
    ASSERT_EQ(offer(vorbis(), codecFile("six.ogg")), 1);
    EXPECT_EQ(vorbis().start(), 0);
    EXPECT_STREQ(vorbis().errorText,
                 "This Ogg Vorbis file has 6 channels; only mono and stereo Ogg Vorbis files can be played");
    EXPECT_EQ(vorbis().decode(nullptr, 4096), 0);
}

// Pages lost in the middle: the sound before them is the same, and the
// module plays on to the end.
TEST_F(StrmOggTest, PlaysOnPastDamagedPages) {
    for (StreamModule* module : {&vorbis(), &opus()}) {
        Bytes file = codecFile(module == &vorbis() ? "vorbis44.ogg" : "opus48.opus");
        Bytes reference = codecFile(module == &vorbis() ? "vorbis44.raw" : "opus48.raw");
        for (size_t at = file.size() / 2; at < file.size() / 2 + 2000; ++at)
            file[at] = static_cast<uint8_t>(at * 13);
        ASSERT_EQ(offer(*module, file), 1);
        ASSERT_EQ(module->start(), 1);
        Bytes played = decodeAll(*module);
        module->close();
        EXPECT_GT(played.size(), reference.size() / 2);
        EXPECT_LE(played.size(), roundedUp(reference.size()));
        EXPECT_LE(largestDifference(Bytes(played.begin(), played.begin() + 100000), reference), kTolerance);
    }
}

}  // namespace
}  // namespace tumbor
