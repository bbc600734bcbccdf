// The equalizer's filters on generated tones.
#include "player/engine/equalizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tumbor {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Interleaved 16-bit little-endian PCM of a sine in every channel.
std::vector<uint8_t> tone16(double frequency, uint32_t rate, uint32_t channels, double amplitude,
                            size_t frames) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < frames; ++i) {
        const auto value =
            static_cast<int16_t>(std::lround(amplitude * std::sin(2 * kPi * frequency * i / rate)));
        for (uint32_t c = 0; c < channels; ++c)
            bytes.insert(bytes.end(), {uint8_t(value & 0xFF), uint8_t((value >> 8) & 0xFF)});
    }
    return bytes;
}

// The level of the first channel over the second half (past the filters' settling), in dB.
double levelDb(const std::vector<uint8_t>& bytes, uint32_t bits, uint32_t channels) {
    const size_t step = bits / 8 * channels;
    double sum = 0;
    size_t count = 0;
    for (size_t i = bytes.size() / 2 / step * step; i + step <= bytes.size(); i += step, ++count) {
        const double v = bits == 8 ? bytes[i] - 128.0 : double(int16_t(bytes[i] | bytes[i + 1] << 8));
        sum += v * v;
    }
    return 10 * std::log10(sum / count);
}

EqualizerSettings withBand(int band, int tenths, int preamp = 0) {
    EqualizerSettings settings;
    settings.enabled = true;
    settings.preampTenths = preamp;
    if (band >= 0) settings.bandTenths[static_cast<size_t>(band)] = tenths;
    return settings;
}

TEST(EqualizerTest, BandsChangeTheirOwnFrequencies) {
    struct Case {
        double frequency;
        uint32_t rate, channels, bits;
        EqualizerSettings settings;
        double changeDb, toleranceDb;
    };
    for (Case c :
         {Case{1000, 44100, 2, 16, withBand(4, -120), -12, 1},
          Case{60, 44100, 2, 16, withBand(4, -120), 0, 0.5},
          Case{1000, 22050, 1, 16, withBand(4, 120), 12, 1}, Case{60, 8000, 1, 8, withBand(0, -60), -6, 1},
          Case{1000, 48000, 2, 16, withBand(-1, 0, -60), -6, 0.1},
          // Bands at or past the Nyquist frequency are left out.
          Case{3000, 22050, 2, 16, withBand(7, 120), 0, 0.5}}) {
        SCOPED_TRACE(testing::Message()
                     << c.frequency << " Hz at " << c.rate << " Hz, " << c.bits << " bits");
        std::vector<uint8_t> bytes = tone16(c.frequency, c.rate, c.channels, 8000, c.rate);
        if (c.bits == 8) {  // the same tone, 8-bit
            for (size_t i = 0; i < bytes.size() / 2; ++i)
                bytes[i] = uint8_t(128 + (int16_t(bytes[2 * i] | bytes[2 * i + 1] << 8) >> 8));
            bytes.resize(bytes.size() / 2);
        }
        const double before = levelDb(bytes, c.bits, c.channels);
        EqualizerFilter filter;
        filter.configure(c.settings, c.rate, c.channels);
        // In small buffers, as the output thread hands them over.
        for (size_t at = 0; at < bytes.size(); at += 4096)
            filter.process(bytes.data() + at, std::min<size_t>(4096, bytes.size() - at), c.bits);
        EXPECT_NEAR(levelDb(bytes, c.bits, c.channels) - before, c.changeDb, c.toleranceDb);
    }
}

TEST(EqualizerTest, FlatOrOffLeavesTheBytesAndFullScaleClips) {
    const std::vector<uint8_t> loud = tone16(1000, 44100, 2, 32767, 4410);
    for (EqualizerSettings settings : {withBand(-1, 0), withBand(4, 120), withBand(-1, 0, 120)}) {
        settings.enabled = false;
        std::vector<uint8_t> bytes = loud;
        EqualizerFilter filter;
        filter.configure(settings, 44100, 2);
        filter.process(bytes.data(), bytes.size(), 16);
        EXPECT_EQ(bytes, loud);
        settings.enabled = true;
        filter.configure(settings, 44100, 2);
        filter.process(bytes.data(), bytes.size(), 16);
        // Flat: identical. Boosted 12 dB at full scale: held at the limits, never wrapped.
        for (size_t i = 0; i < bytes.size(); i += 2) {
            const int in = int16_t(loud[i] | loud[i + 1] << 8), out = int16_t(bytes[i] | bytes[i + 1] << 8);
            if (!settings.changesSound()) ASSERT_EQ(out, in);
            if (settings.preampTenths)
                ASSERT_EQ(out, std::clamp(int(std::lround(in * std::pow(10.0, 0.6))), -32768, 32767));
            if (std::abs(in) > 8192) ASSERT_GT(in * out, 0) << "sample " << i / 2;
        }
    }
    std::vector<uint8_t> eight = {0xFF, 0x00, 0xC0, 0x80};
    EqualizerFilter filter;
    filter.configure(withBand(-1, 0, 120), 11025, 1);
    filter.process(eight.data(), eight.size(), 8);
    EXPECT_EQ(eight, (std::vector<uint8_t>{0xFF, 0x00, 0xFF, 0x80}));
}

}  // namespace
}  // namespace tumbor
