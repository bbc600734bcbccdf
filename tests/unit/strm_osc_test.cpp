// The tone generator: its names and titles through the record, and the
// samples of the sine formula through the generator itself, whose phase the
// record's one generator keeps from test to test.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "libs/osc/tone_generator.h"
#include "player/engine/module_loader.h"
#include "tests/unit/about_boxes.h"
#include "tests/unit/offered_name.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);

namespace tumbor {
namespace {

using testing::offerName;

StreamModule& tone() { return *tumborGetStreamHeader()->getModule(0); }

struct Frame {
    int left;
    int right;
};

// The frames of the first bytes / 4 frames in buffer.
std::vector<Frame> framesOf(const std::vector<uint8_t>& buffer) {
    std::vector<Frame> frames;
    for (size_t at = 0; at + 4 <= buffer.size(); at += 4)
        frames.push_back({static_cast<int16_t>(buffer[at] | buffer[at + 1] << 8),
                          static_cast<int16_t>(buffer[at + 2] | buffer[at + 3] << 8)});
    return frames;
}

std::vector<Frame> render(ToneGenerator& generator, int frames) {
    std::vector<uint8_t> buffer(static_cast<size_t>(frames) * 4);
    generator.render(buffer.data(), static_cast<int>(buffer.size()));
    return framesOf(buffer);
}

class StrmOscTest : public ::testing::Test {
protected:
    void TearDown() override { unloadModule(tone()); }
};

TEST_F(StrmOscTest, LibraryHandsOutOneRecord) {
    StreamLibraryHeader* header = tumborGetStreamHeader();
    EXPECT_EQ(header->version, 0x110u);
    EXPECT_STREQ(header->libraryName, "Tone generator");
    EXPECT_EQ(header->getModule(1), nullptr);
    EXPECT_EQ(header->getModule(-1), nullptr);

    EXPECT_EQ(std::memcmp(tone().magic, "TBSM", 4), 0);
    EXPECT_EQ(tone().flags, static_cast<uint32_t>(pcmOutput | ownInput));
    EXPECT_EQ(tone().sampleRate, 44100u);
    EXPECT_EQ(tone().channels, 2u);
    EXPECT_EQ(tone().bitsPerSample, 16u);
    EXPECT_STREQ(tone().fileFilter, "");
    EXPECT_STREQ(tone().description, "TONE generator module v1.10");
    EXPECT_EQ(tone().moduleVersion, 0x110u);
    EXPECT_EQ(tone().getLength, nullptr);
    EXPECT_EQ(tone().seek, nullptr);
    EXPECT_EQ(tone().notify, nullptr);
    EXPECT_EQ(tone().getBitrate(), 1411200);
    EXPECT_EQ(tone().songInfo(nullptr), 0);
    EXPECT_EQ(tone().reserved(), 0);
}

TEST_F(StrmOscTest, NamesAndTitles) {
    ASSERT_EQ(offerName(tone(), "TONE://440"), 1);
    EXPECT_STREQ(tone().fileName, "tone://440");  // lower-cased in place
    EXPECT_STREQ(tone().titleText, "Frequency 440Hz");

    struct Case {
        const char* name;
        const char* title;  // null: refused
    } cases[] = {
        {"tone://63p", "Frequency 63Hz, phased"},
        {"tone://63P", "Frequency 63Hz, phased"},
        {"tone://440abc", "Frequency 440Hz"},
        {"tone://440xp", "Frequency 440Hz, phased"},
        {"tone://1", "Frequency 1Hz"},
        {"tone://22050", "Frequency 22050Hz"},
        {"tone://0022050", "Frequency 22050Hz"},
        {"tone://0", nullptr},
        {"tone://22051", nullptr},
        {"tone://", nullptr},
        {"tone://p", nullptr},
        {"tone://-440", nullptr},
        {"tone://99999999999999999999440", nullptr},
        {"tone:/440", nullptr},
        {"x:\\tone://440", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unloadModule(tone());
        ASSERT_EQ(offerName(tone(), c.name), c.title ? 1 : 0);
        if (c.title) {
            EXPECT_STREQ(tone().titleText, c.title);
        }
    }
    unloadModule(tone());
    EXPECT_EQ(tone().titleText, nullptr);
    EXPECT_EQ(tone().errorText, nullptr);
}

TEST_F(StrmOscTest, DecodeWritesWholeFramesAndCountsEveryByte) {
    ASSERT_EQ(offerName(tone(), "tone://440"), 1);
    ASSERT_EQ(tone().start(), 1);
    std::vector<uint8_t> buffer(10, 0xAB);
    EXPECT_EQ(tone().decode(buffer.data(), 10), 1);
    EXPECT_EQ(buffer[8], 0xAB);  // two frames written, two bytes left alone
    EXPECT_EQ(buffer[9], 0xAB);

    // One second of sound in all is ten tenths, whatever the buffer sizes.
    std::vector<uint8_t> big(32768);
    int remaining = 176400 - 10;
    while (remaining > 0) {
        int bytes = std::min<int>(remaining, 32768);
        EXPECT_EQ(tone().decode(big.data(), bytes), 1);
        remaining -= bytes;
    }
    EXPECT_EQ(tone().getPosition(), 10);
    EXPECT_EQ(tone().decode(big.data(), 17639), 1);
    EXPECT_EQ(tone().getPosition(), 10);  // rounded toward zero
    EXPECT_EQ(tone().decode(big.data(), 1), 1);
    EXPECT_EQ(tone().getPosition(), 11);

    // A new stream counts from zero again.
    ASSERT_EQ(tone().start(), 1);
    EXPECT_EQ(tone().getPosition(), 0);
}

TEST_F(StrmOscTest, AboutAndConfigureShowTheUsage) {
    testing::expectAboutAndConfigureShow(
        tone(),
        "Tone generator.\n\nSpecify \"tone://<f>[p]\" to get a tone with the frequency f\n"
        "Using an appended \"p\" will reverse phase\n\nExamples:\n  tone://440\n  tone://63p");
}

TEST(ToneGeneratorTest, SineSamplesAreTruncated) {
    // At 441 Hz a cycle is exactly 100 samples.
    ToneGenerator generator;
    generator.setTone(441, false);
    std::vector<Frame> frames = render(generator, 101);
    EXPECT_EQ(frames[0].left, 0);
    EXPECT_EQ(frames[1].left, 2057);    // 2057.46
    EXPECT_EQ(frames[2].left, 4106);    // 4106.79: not rounded
    EXPECT_EQ(frames[25].left, 32767);  // the peak
    EXPECT_EQ(frames[50].left, 0);      // just below zero, since 6.283185314 is a little over 2 pi
    EXPECT_EQ(frames[52].left, -4106);  // -4106.79: toward zero, not down
    EXPECT_EQ(frames[75].left, -32767);
    for (const Frame& frame : frames) EXPECT_EQ(frame.right, frame.left);
}

TEST(ToneGeneratorTest, PhasedRightChannelIsTheComplement) {
    ToneGenerator generator;
    generator.setTone(441, true);
    std::vector<Frame> frames = render(generator, 76);
    EXPECT_EQ(frames[0].right, -1);
    EXPECT_EQ(frames[25].right, -32768);
    EXPECT_EQ(frames[75].right, 32766);
    for (const Frame& frame : frames) EXPECT_EQ(frame.right, -frame.left - 1);
}

TEST(ToneGeneratorTest, PhaseRunsOnAcrossStreams) {
    ToneGenerator continuous;
    continuous.setTone(440, false);
    std::vector<Frame> expected = render(continuous, 30);

    ToneGenerator split;
    split.setTone(440, false);
    std::vector<Frame> first = render(split, 12);
    split.restart();
    split.setTone(440, false);  // the next stream
    std::vector<Frame> second = render(split, 18);
    EXPECT_EQ(first.back().left, expected[11].left);
    EXPECT_EQ(second.front().left, expected[12].left);
    EXPECT_EQ(second.back().left, expected[29].left);
    EXPECT_EQ(split.positionTenths(), 0);

    // A different tone starts at the sample index, not at zero.
    split.setTone(441, false);
    EXPECT_EQ(render(split, 1).front().left, 31163);  // index 30 of 441 Hz; index 0 would give 0
}

}  // namespace
}  // namespace tumbor
