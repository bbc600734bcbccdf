// The visualization frame: the tables, where the waveform is read, its
// conversions from every format, the spectrum, and silence when nothing plays.
#include "player/window/vis_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace tumbor {
namespace {

// A quarter wave of the sine table, as 16 x sin rounded: the rest follows by symmetry.
constexpr int kQuarterSine[65] = {0,  0,  1,  1,  2,  2,  2,  3,  3,  4,  4,  4,  5,  5,  5,  6,  6,
                                  6,  7,  7,  8,  8,  8,  9,  9,  9,  10, 10, 10, 10, 11, 11, 11, 12,
                                  12, 12, 12, 13, 13, 13, 13, 14, 14, 14, 14, 14, 14, 15, 15, 15, 15,
                                  15, 15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};

int expectedSine(int i) {
    if (i <= 64) return kQuarterSine[i];
    if (i <= 128) return kQuarterSine[128 - i];
    return -expectedSine(i - 128);
}

TEST(VisFrameTest, TablesAreTheRoundedSineAndCosine) {
    const VisTables tables = buildVisTables();
    for (int i = 0; i < kVisTableSize; ++i) {
        EXPECT_EQ(tables.sine[i], expectedSine(i)) << "sine " << i;
        EXPECT_EQ(tables.cosine[i], expectedSine((i + 64) % 256)) << "cosine " << i;
    }
}

TEST(VisFrameTest, WaveformPlaceFollowsPositionAndLatency) {
    // 16-bit stereo in 32768-byte buffers: latency 10 ms is 4 x 441 = 1764 bytes back.
    WaveformPlace place = locateWaveform(32768 * 3 + 10000, 32768, 8, 3, 4, 10);
    EXPECT_EQ(place.buffer, 3);
    EXPECT_EQ(place.offset, (10000 - 1764) & ~3);
    // Before the buffer's start the waveform begins at its start.
    place = locateWaveform(1000, 32768, 8, 5, 4, 10);
    EXPECT_EQ(place.buffer, 5);
    EXPECT_EQ(place.offset, 0);
    // Rounded down to a multiple of 4 even for one-byte frames.
    place = locateWaveform(103, 4096, 8, 0, 1, 0);
    EXPECT_EQ(place.offset, 100);
    // A negative latency moves the start forward.
    place = locateWaveform(0, 32768, 8, 0, 4, -10);
    EXPECT_EQ(place.offset, 1764);
}

TEST(VisFrameTest, FramesPastTheBufferEndComeFromTheNextBuffer) {
    // 577 frames of 4 bytes are 2308: they fit from 32768 - 2308 and not a byte later.
    WaveformPlace place = locateWaveform(32768 - 2308, 32768, 8, 7, 4, 0);
    EXPECT_EQ(place.buffer, 7);
    EXPECT_EQ(place.offset, 32768 - 2308);
    place = locateWaveform(32768 - 2304, 32768, 8, 7, 4, 0);
    EXPECT_EQ(place.buffer, 0) << "the buffer after the last is the first";
    EXPECT_EQ(place.offset, 0);
    // 8-bit mono: 577 bytes.
    place = locateWaveform(4096 - 576, 4096, 3, 1, 1, 0);
    EXPECT_EQ(place.buffer, 2);
    EXPECT_EQ(place.offset, 0);
    // A huge latency neither overflows nor reads before the buffer.
    place = locateWaveform(5000, 32768, 8, 2, 4, 2147483647);
    EXPECT_EQ(place.buffer, 2);
    EXPECT_EQ(place.offset, 0);
    place = locateWaveform(5000, 32768, 8, 2, 4, -2147483647 - 1);
    EXPECT_EQ(place.buffer, 3);
    EXPECT_EQ(place.offset, 0);
}

platform::WaveFormat formatOf(uint32_t channels, uint32_t bits) {
    platform::WaveFormat format;
    format.channels = channels;
    format.bitsPerSample = bits;
    return format;
}

TEST(VisFrameTest, ConversionsFromEveryFormat) {
    std::vector<uint8_t> data(576 * 4);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 3);
    VisChannels waveform;

    ASSERT_TRUE(convertWaveform(data.data(), formatOf(1, 8), waveform));
    for (int i = 0; i < 576; ++i) {
        EXPECT_EQ(waveform[0][i], uint8_t(data[i] - 128)) << "8-bit mono " << i;
        EXPECT_EQ(waveform[1][i], waveform[0][i]) << "8-bit mono " << i;
    }
    ASSERT_TRUE(convertWaveform(data.data(), formatOf(2, 8), waveform));
    for (int i = 0; i < 576; ++i) {
        EXPECT_EQ(waveform[0][i], uint8_t(data[2 * i] - 128)) << "8-bit stereo " << i;
        EXPECT_EQ(waveform[1][i], uint8_t(data[2 * i + 1] - 128)) << "8-bit stereo " << i;
    }
    ASSERT_TRUE(convertWaveform(data.data(), formatOf(1, 16), waveform));
    for (int i = 0; i < 576; ++i) {
        EXPECT_EQ(waveform[0][i], data[2 * i + 1]) << "16-bit mono " << i;
        EXPECT_EQ(waveform[1][i], data[2 * i + 1]) << "16-bit mono gives both channels the same " << i;
    }
    ASSERT_TRUE(convertWaveform(data.data(), formatOf(2, 16), waveform));
    for (int i = 0; i < 576; ++i) {
        EXPECT_EQ(waveform[0][i], data[4 * i + 1]) << "16-bit stereo " << i;
        EXPECT_EQ(waveform[1][i], data[4 * i + 3]) << "16-bit stereo " << i;
    }
    EXPECT_FALSE(convertWaveform(data.data(), formatOf(2, 24), waveform));
    EXPECT_FALSE(convertWaveform(data.data(), formatOf(6, 16), waveform));
}

constexpr double kPi = 3.14159265358979323846;

// A sine of amplitude (in signed bytes) with cycles whole periods in 256 frames.
void fillSine(VisChannels& waveform, double cycles, double amplitude) {
    for (int i = 0; i < 576; ++i) {
        const int value = static_cast<int>(std::lround(amplitude * std::sin(2 * kPi * cycles * i / 256)));
        waveform[0][i] = waveform[1][i] = static_cast<uint8_t>(value);
    }
}

// The bin entry (4k) holding the largest value.
int peakEntry(const VisChannels& spectrum) {
    int peak = 0;
    for (int i = 0; i < 512; i += 4)
        if (spectrum[0][i] > spectrum[0][peak]) peak = i;
    return peak;
}

TEST(VisFrameTest, SpectrumPeaksInTheBinOfTheSine) {
    const VisTables tables = buildVisTables();
    for (int f : {3, 6, 20, 64, 100}) {
        VisChannels waveform, spectrum;
        std::memset(spectrum, 0xEE, sizeof spectrum);
        fillSine(waveform, f, 40);
        computeSpectrum(tables, waveform, spectrum);
        EXPECT_EQ(peakEntry(spectrum), 4 * (f - 1)) << f << " cycles";
        // 40 x 16 x 128 in each part, shifted by 9: about 160, in 8 bits.
        EXPECT_GT(spectrum[0][4 * (f - 1)], 120) << f << " cycles";
        EXPECT_EQ(0, std::memcmp(spectrum[0], spectrum[1], 576)) << "both channels alike";
        for (int i = 0; i < 8; ++i) EXPECT_EQ(spectrum[0][i], 0) << "entries 0 to 7 are cleared";
        EXPECT_EQ(spectrum[0][9], 0xEE) << "entries between the bins are left alone";
        EXPECT_EQ(spectrum[0][575], 0xEE) << "entries past bin 127 are left alone";
    }
}

TEST(VisFrameTest, FullScaleSpectrumHoldsAtTheTopOfTheByte) {
    const VisTables tables = buildVisTables();
    VisChannels waveform, spectrum;
    fillSine(waveform, 20, 127);
    computeSpectrum(tables, waveform, spectrum);
    EXPECT_EQ(peakEntry(spectrum), 4 * 19);
    EXPECT_EQ(spectrum[0][4 * 19], 255);
}

TEST(VisFrameTest, SpectrumOfSilenceAndOfTheRightChannel) {
    const VisTables tables = buildVisTables();
    VisChannels waveform, spectrum;
    std::memset(waveform, 0, sizeof waveform);
    fillSine(waveform, 10, 60);
    std::memset(waveform[0], 0, 576);  // only the right channel sounds
    computeSpectrum(tables, waveform, spectrum);
    for (int k = 0; k < 128; ++k)
        EXPECT_EQ(spectrum[0][4 * k], 0) << "the spectrum is the left channel's " << k;
}

// A device playing 16-bit stereo from buffers of a known pattern.
struct FakeSound {
    FakeSound(int count, int size) : buffers(static_cast<size_t>(count), std::vector<uint8_t>(size_t(size))) {
        for (int b = 0; b < count; ++b)
            for (int i = 0; i < size; ++i)
                buffers[size_t(b)][size_t(i)] = static_cast<uint8_t>(b * 16 + i % 13);
        sound.state = PlaybackEngine::kPlaying;
        sound.bufferSize = size;
        sound.bufferCount = count;
        sound.buffers = &buffers;
    }
    std::vector<std::vector<uint8_t>> buffers;
    PlayingSound sound;
};

TEST(VisFrameTest, FrameReadsThePlacedBytes) {
    const VisTables tables = buildVisTables();
    FakeSound fake(4, 4096);
    fake.sound.ringHead = 3;
    fake.sound.positionBytes = 4096 * 11 + 4096 - 2304;  // 576 frames left: the next buffer's turn
    VisChannels waveform, spectrum;
    fillVisFrame(tables, &fake.sound, 0, true, waveform, spectrum);
    for (int i = 0; i < 576; ++i) {
        EXPECT_EQ(waveform[0][i], fake.buffers[0][size_t(4 * i + 1)]) << i;
        EXPECT_EQ(waveform[1][i], fake.buffers[0][size_t(4 * i + 3)]) << i;
    }
    fake.sound.positionBytes = 400;
    fillVisFrame(tables, &fake.sound, 0, true, waveform, spectrum);
    EXPECT_EQ(waveform[0][0], fake.buffers[3][401]);
}

TEST(VisFrameTest, ZerosWhilePausedStoppedOrWithoutDevice) {
    const VisTables tables = buildVisTables();
    FakeSound fake(4, 4096);
    VisChannels waveform, spectrum;
    for (int state : {int(PlaybackEngine::kPaused), int(PlaybackEngine::kStopped), -1}) {
        fake.sound.state = state;
        std::memset(waveform, 0x33, sizeof waveform);
        std::memset(spectrum, 0x44, sizeof spectrum);
        fillVisFrame(tables, state < 0 ? nullptr : &fake.sound, 0, false, waveform, spectrum);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 576; ++i) {
                ASSERT_EQ(waveform[c][i], 0) << "state " << state;
                ASSERT_EQ(spectrum[c][i], 0) << "state " << state << ": even a spectrum not asked for";
            }
    }
}

TEST(VisFrameTest, WithoutSpectrumChannelsTheSpectrumKeepsItsBytes) {
    const VisTables tables = buildVisTables();
    FakeSound fake(4, 4096);
    VisChannels waveform, spectrum;
    std::memset(spectrum, 0x5A, sizeof spectrum);
    fillVisFrame(tables, &fake.sound, 0, false, waveform, spectrum);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 576; ++i) ASSERT_EQ(spectrum[c][i], 0x5A) << c << " " << i;
    EXPECT_EQ(waveform[0][0], fake.buffers[0][1]);
}

TEST(VisFrameTest, FormatsTooWideForTheBufferGiveSilence) {
    const VisTables tables = buildVisTables();
    FakeSound fake(2, 2000);  // smaller than 576 frames of 16-bit stereo
    VisChannels waveform, spectrum;
    std::memset(waveform, 0x33, sizeof waveform);
    fillVisFrame(tables, &fake.sound, 0, true, waveform, spectrum);
    EXPECT_EQ(waveform[0][0], 0);
    fake.sound.format.bitsPerSample = 24;
    fake.sound.bufferSize = 2000;
    std::memset(waveform, 0x33, sizeof waveform);
    fillVisFrame(tables, &fake.sound, 0, true, waveform, spectrum);
    EXPECT_EQ(waveform[1][575], 0);
}

}  // namespace
}  // namespace tumbor
