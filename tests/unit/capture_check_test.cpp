// The soak test's capture check: buffer sizes, runs of one format, device
// silence where it may come, and lost, repeated, cut or extra sound found.
#include "tools/soak_check/capture_check.h"

#include <gtest/gtest.h>

#include "tools/soak_check/counting_sound.h"

namespace tumbor::soak {
namespace {

constexpr SoundFormat kMono8{8000, 1, 8};    // 4096-byte buffers, silence 0x80
constexpr SoundFormat kMono16{8000, 1, 16};  // 4096-byte buffers, silence 0
constexpr size_t kBuffer = 4096;

// Sound bytes that are never silence in either format.
Bytes noise(size_t size, uint32_t seed) {
    Bytes bytes(size);
    for (uint8_t& byte : bytes) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(1 + (seed >> 24) % 126);
    }
    return bytes;
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes slice(const Bytes& bytes, size_t from, size_t count) {
    return Bytes(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(from + count));
}

Bytes silence(size_t count, uint8_t value = 0x80) { return Bytes(count, value); }

class CaptureCheckTest : public ::testing::Test {
protected:
    // A song of whole buffers: sound, then the padding of its last buffer.
    const Bytes first = join({noise(3 * kBuffer - 700, 1), silence(700)});
    const Bytes second = join({noise(2 * kBuffer - 10, 2), silence(10)});

    std::vector<ExpectedEntry> songs(std::initializer_list<const Bytes*> sounds,
                                     SoundFormat format = kMono8) {
        std::vector<ExpectedEntry> entries;
        for (const Bytes* sound : sounds)
            entries.push_back({"entry " + std::to_string(entries.size() + 1), format, sound, false});
        return entries;
    }

    bool check(const std::vector<ExpectedEntry>& entries, const Bytes& capture) {
        results.assign(entries.size(), EntryResult());
        return checker.checkSegment(entries, 0, entries.size() - 1, capture, results);
    }

    CaptureChecker checker;
    std::vector<EntryResult> results;
};

TEST(PlayerBufferSize, FollowsTheDataRate) {
    EXPECT_EQ(playerBufferSize({8000, 1, 8}), 4096);
    EXPECT_EQ(playerBufferSize({33080, 1, 8}), 4096);  // rate * 8192 / 44100 truncated to 6144
    EXPECT_EQ(playerBufferSize({33081, 1, 8}), 8192);
    EXPECT_EQ(playerBufferSize({32000, 1, 16}), 8192);
    EXPECT_EQ(playerBufferSize({22050, 2, 16}), 16384);
    EXPECT_EQ(playerBufferSize({44100, 1, 16}), 16384);
    EXPECT_EQ(playerBufferSize({44100, 2, 16}), 32768);
    EXPECT_EQ(playerBufferSize({48000, 2, 16}), 32768);
    EXPECT_EQ(silenceByte({44100, 2, 8}), 0x80);
    EXPECT_EQ(silenceByte({44100, 2, 16}), 0);
}

TEST(FormatRuns, GroupOnlyNeighboursOfOneFormat) {
    Bytes sound(4096);
    std::vector<ExpectedEntry> entries = {
        {"a", kMono8, &sound}, {"b", kMono8, &sound}, {"c", kMono16, &sound}, {"d", kMono8, &sound}};
    std::vector<std::pair<size_t, size_t>> expected = {{0, 1}, {2, 2}, {3, 3}};
    EXPECT_EQ(formatRuns(entries), expected);
}

TEST_F(CaptureCheckTest, ConcatenatedSongsMatch) {
    EXPECT_TRUE(check(songs({&first, &second}), join({first, second})));
    EXPECT_TRUE(results[0].matched && results[1].matched);
    EXPECT_EQ(results[0].captureEnd, first.size());
    EXPECT_EQ(results[1].captureEnd, first.size() + second.size());
    EXPECT_EQ(results[1].silenceBefore, 0u);
}

TEST_F(CaptureCheckTest, DeviceSilenceMayComeBetweenBuffersAndAfterTheEnd) {
    Bytes capture = join({silence(441), slice(first, 0, kBuffer), silence(882),
                          slice(first, kBuffer, 2 * kBuffer), silence(1764), second, silence(5000)});
    ASSERT_TRUE(check(songs({&first, &second}), capture)) << results[0].problem << results[1].problem;
    EXPECT_EQ(results[0].gapsInside, 1);
    EXPECT_EQ(results[0].silenceBefore, 441u);
    // The first song's padding and the device's silence run together.
    EXPECT_EQ(results[1].silenceBefore, 1764u);
    EXPECT_EQ(results[1].gapsInside, 0);
}

// Gapless: a song's last buffer holds only its sound, so the next song's
// first buffer starts inside the device's block, maybe after its silence.
TEST_F(CaptureCheckTest, SongsHandedOverWithoutPaddingMatch) {
    const Bytes one = noise(2 * kBuffer + 333, 10), two = noise(kBuffer + 1, 11), three = noise(777, 12);
    const auto entries = songs({&one, &two, &three});
    ASSERT_TRUE(check(entries, join({one, two, silence(500), three})))
        << results[0].problem << results[1].problem << results[2].problem;
    EXPECT_EQ(results[2].silenceBefore, 500u);
    // Silence inside the short last buffer, or the next song's start lost, is found.
    EXPECT_FALSE(check(entries, join({slice(one, 0, 2 * kBuffer + 100), silence(50),
                                      slice(one, 2 * kBuffer + 100, 233), two, three})));
    EXPECT_FALSE(check(entries, join({one, slice(two, 1, kBuffer), three})));
}

TEST_F(CaptureCheckTest, SilenceWithinABufferIsADifference) {
    Bytes capture =
        join({slice(first, 0, 1000), silence(441), slice(first, 1000, first.size() - 1000), second});
    EXPECT_FALSE(check(songs({&first, &second}), capture));
    EXPECT_EQ(results[0].problem, "differs from byte 1000 (buffer 1 of 3)");
    EXPECT_FALSE(results[1].checked);
}

TEST_F(CaptureCheckTest, ALostBufferIsNamed) {
    Bytes capture = join({slice(first, 0, kBuffer), slice(first, 2 * kBuffer, kBuffer), second});
    EXPECT_FALSE(check(songs({&first, &second}), capture));
    EXPECT_EQ(results[0].problem,
              "differs from byte 4096 (buffer 2 of 3): the capture goes on with buffer 3, 1 lost");
}

TEST_F(CaptureCheckTest, ARepeatedBufferIsNamed) {
    Bytes capture = join({slice(first, 0, 2 * kBuffer), slice(first, kBuffer, 2 * kBuffer), second});
    EXPECT_FALSE(check(songs({&first, &second}), capture));
    EXPECT_EQ(results[0].problem, "differs from byte 8192 (buffer 3 of 3): the capture repeats buffer 2");
}

TEST_F(CaptureCheckTest, ASongsOwnSilenceMustBeHeardInFull) {
    const Bytes quiet = join({silence(kBuffer + 100), noise(kBuffer - 100, 3)});
    EXPECT_TRUE(check(songs({&quiet}), join({silence(300), quiet})));
    EXPECT_EQ(results[0].silenceBefore, 300u);
    // Its first buffer, all silence, lost.
    EXPECT_FALSE(check(songs({&quiet}), slice(quiet, kBuffer, kBuffer)));
    EXPECT_FALSE(results[0].matched);
}

TEST_F(CaptureCheckTest, ACaptureCutShortIsReported) {
    EXPECT_FALSE(check(songs({&first, &second}), join({first, slice(second, 0, 5000)})));
    EXPECT_TRUE(results[0].matched);
    EXPECT_EQ(results[1].problem, "the capture ends at byte 5000");
}

TEST_F(CaptureCheckTest, SoundAfterTheLastEntryIsReported) {
    EXPECT_FALSE(check(songs({&first}), join({first, silence(100), noise(10, 4)})));
    EXPECT_TRUE(results[0].matched);
    EXPECT_EQ(checker.segmentProblem(), "110 bytes follow the last entry, not all silence");
}

TEST_F(CaptureCheckTest, SilenceIsTheFormatsOwn) {
    const Bytes loud = noise(2 * kBuffer, 5);
    EXPECT_FALSE(check(songs({&loud}), join({silence(100, 0x00), loud})));
    EXPECT_TRUE(check(songs({&loud}), join({silence(100, 0x80), loud})));
    EXPECT_TRUE(check(songs({&loud}, kMono16), join({silence(100, 0x00), loud})));
}

// A generator that never ends: each entry starts at a whole buffer of its
// sound, after where the one before stopped, and a key cuts it anywhere.
TEST_F(CaptureCheckTest, EndlessEntriesGoOnInTheGeneratorsSound) {
    const Bytes tone = noise(20 * kBuffer, 6);
    std::vector<ExpectedEntry> entries = {{"tone", kMono16, &tone, true},
                                          {"song", kMono16, &first, false},
                                          {"tone again", kMono16, &tone, true}};
    // The first entry's generator rendered buffers 1 .. 3 and was cut in
    // the third; the second starts with buffer 6 (4 and 5 were thrown away).
    Bytes capture =
        join({slice(tone, 0, 2 * kBuffer + 1234), silence(300, 0), first, slice(tone, 5 * kBuffer, kBuffer),
              silence(100, 0), slice(tone, 6 * kBuffer, 2000)});
    ASSERT_TRUE(check(entries, capture)) << results[0].problem << results[1].problem << results[2].problem;
    EXPECT_EQ(results[0].captureEnd, 2 * kBuffer + 1234);
    EXPECT_EQ(results[2].gapsInside, 1);
}

TEST_F(CaptureCheckTest, EndlessEntriesNeitherStartMidBufferNorGoBack) {
    const Bytes tone = noise(20 * kBuffer, 7);
    std::vector<ExpectedEntry> entries = {{"tone", kMono16, &tone, true}};
    EXPECT_FALSE(check(entries, slice(tone, kBuffer + 200, 5000)));
    EXPECT_EQ(results[0].problem, "its sound is not the generator's from any whole buffer in the render");

    std::vector<ExpectedEntry> twice = {{"tone", kMono16, &tone, true},
                                        {"song", kMono16, &second, false},
                                        {"tone again", kMono16, &tone, true}};
    EXPECT_FALSE(check(twice, join({slice(tone, 0, 3 * kBuffer), second, slice(tone, kBuffer, 5000)})));
    EXPECT_TRUE(results[0].matched && results[1].matched);
    EXPECT_FALSE(results[2].matched);
}

TEST_F(CaptureCheckTest, AnEndlessEntryBeyondItsRenderIsReported) {
    const Bytes tone = noise(3 * kBuffer, 8);
    std::vector<ExpectedEntry> entries = {{"tone", kMono16, &tone, true}};
    EXPECT_FALSE(check(entries, join({tone, noise(100, 9)})));
    EXPECT_EQ(results[0].problem, "the generator's render is too short to hold all of it");
}

// Counting sound read back: each piece is frames [from, from + count) of a
// file, or silence where file is -1. Files of 100, 70000 and 50 frames.
TEST(CountingCapture, JumpsAreCountedAndStrangeFramesFound) {
    struct Piece {
        int file;
        uint32_t from, count;
    };
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        int cuts, cutsInside, handOvers, silentHandOvers;
        bool problem;
    };
    const std::vector<uint32_t> files = {100, 70000, 50};
    const std::vector<Case> cases = {
        {"all round", {{0, 0, 100}, {1, 0, 70000}, {-1, 0, 9}, {2, 0, 50}, {0, 0, 2}}, 1, 0, 3, 1, false},
        {"silence inside a file", {{0, 0, 40}, {-1, 0, 5}, {0, 40, 60}, {1, 0, 10}}, 1, 0, 1, 0, false},
        {"frames lost", {{0, 0, 40}, {0, 50, 50}, {1, 0, 10}}, 2, 1, 1, 0, false},
        {"frames repeated", {{1, 0, 66000}, {1, 65000, 5000}, {2, 0, 50}}, 2, 1, 1, 0, false},
        {"a file's end lost", {{0, 0, 99}, {1, 0, 10}}, 2, 0, 0, 0, false},
        {"the wrong file next", {{0, 0, 100}, {2, 0, 50}}, 2, 0, 0, 0, false},
        {"a frame past its file's end", {{2, 0, 51}}, 1, 0, 0, 0, true},
        {"a file that is not in the list", {{3, 0, 1}}, 0, 0, 0, 0, true},
    };
    for (const Case& test : cases) {
        std::vector<int16_t> samples;
        for (const Piece& piece : test.pieces)
            for (uint32_t frame = piece.from; frame < piece.from + piece.count; ++frame) {
                int16_t pair[2] = {0, 0};
                if (piece.file >= 0) countingFrame(piece.file, frame, pair);
                samples.insert(samples.end(), pair, pair + 2);
            }
        const CountingReport report = readCountingCapture(files, samples);
        EXPECT_EQ(report.cuts, test.cuts) << test.name;
        EXPECT_EQ(report.cutsInside, test.cutsInside) << test.name;
        EXPECT_EQ(report.handOvers, test.handOvers) << test.name;
        EXPECT_EQ(report.silentHandOvers, test.silentHandOvers) << test.name;
        EXPECT_EQ(!report.problem.empty(), test.problem) << test.name;
    }
}

}  // namespace
}  // namespace tumbor::soak
