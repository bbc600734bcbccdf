// The ten-band graphic equalizer: a pre-amp and ten peaking filters applied
// to interleaved PCM on its way to the device. Coefficients are worked out
// by configure, when a setting or the format changes; process only runs the
// filters, allocating nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tumbor {

constexpr int kEqualizerBands = 10;
// Centre frequencies of the bands, in Hz.
constexpr std::array<int, kEqualizerBands> kEqualizerFrequencies = {60,   170,  310,   600,   1000,
                                                                    3000, 6000, 12000, 14000, 16000};
// The pre-amp and each band reach this many tenths of a dB either way.
constexpr int kEqualizerLimitTenths = 120;

struct EqualizerSettings {
    bool enabled = false;
    int preampTenths = 0;
    std::array<int, kEqualizerBands> bandTenths{};

    // False when the equalizer would leave the sound exactly as it is.
    bool changesSound() const;
    bool operator==(const EqualizerSettings& other) const;
};

// A setting held to -kEqualizerLimitTenths .. kEqualizerLimitTenths.
int clampEqualizerTenths(int tenths);

class EqualizerFilter {
public:
    static constexpr uint32_t kMaxChannels = 8;

    // Works out the filters for settings at this rate and channel count. The
    // filters' history is cleared when the format changes or the filter
    // comes back into use, so no sound of an earlier song leaks in.
    void configure(const EqualizerSettings& settings, uint32_t sampleRate, uint32_t channels);

    // Filters bytes of interleaved PCM (8-bit unsigned or 16-bit signed
    // little-endian) in place, rounding and clipping to the sample range.
    // Untouched while the settings change nothing.
    void process(uint8_t* data, size_t bytes, uint32_t bitsPerSample);

    bool active() const { return active_; }

private:
    // One peaking section in transposed direct form II, normalised to a0 = 1.
    struct Section {
        double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
        int band = 0;  // the history kept for it is the band's
    };
    struct History {
        double z1 = 0, z2 = 0;
    };

    template <typename Sample>
    void run(uint8_t* data, size_t bytes);
    double filterOne(double value, uint32_t channel);
    void clearHistory();
    void flushTinyHistory();

    bool active_ = false;
    uint32_t sampleRate_ = 0;
    uint32_t channels_ = 0;
    double preamp_ = 1.0;
    int sectionCount_ = 0;
    std::array<Section, kEqualizerBands> sections_{};
    std::array<std::array<History, kEqualizerBands>, kMaxChannels> history_{};
};

}  // namespace tumbor
