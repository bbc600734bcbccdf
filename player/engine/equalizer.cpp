// The equalizer's filters: peaking sections with the usual bilinear-transform
// coefficients, one octave wide, run in double precision.
#include "player/engine/equalizer.h"

#include <algorithm>
#include <cmath>

namespace tumbor {
namespace {

constexpr double kPi = 3.14159265358979323846;
// About one octave between the band edges, as the bands are spaced.
constexpr double kBandQ = 1.41;
// Filter history below this is flushed to zero after each buffer, so silence
// does not leave the filters working on denormal numbers.
constexpr double kTinyHistory = 1e-20;

// The two sample layouts: 8-bit unsigned and 16-bit signed little-endian.
struct Unsigned8 {
    static constexpr size_t kBytes = 1;
    static constexpr int kLow = -128, kHigh = 127;
    static int read(const uint8_t* p) { return int(p[0]) - 128; }
    static void write(uint8_t* p, int value) { p[0] = static_cast<uint8_t>(value + 128); }
};
struct Signed16 {
    static constexpr size_t kBytes = 2;
    static constexpr int kLow = -32768, kHigh = 32767;
    static int read(const uint8_t* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }
    static void write(uint8_t* p, int value) {
        p[0] = static_cast<uint8_t>(value & 0xFF);
        p[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
    }
};

double gainOf(int tenths) { return std::pow(10.0, clampEqualizerTenths(tenths) / 200.0); }

}  // namespace

int clampEqualizerTenths(int tenths) {
    return std::clamp(tenths, -kEqualizerLimitTenths, kEqualizerLimitTenths);
}

bool EqualizerSettings::changesSound() const {
    if (!enabled) return false;
    if (clampEqualizerTenths(preampTenths) != 0) return true;
    return std::any_of(bandTenths.begin(), bandTenths.end(),
                       [](int tenths) { return clampEqualizerTenths(tenths) != 0; });
}

bool EqualizerSettings::operator==(const EqualizerSettings& other) const {
    return enabled == other.enabled && preampTenths == other.preampTenths && bandTenths == other.bandTenths;
}

void EqualizerFilter::configure(const EqualizerSettings& settings, uint32_t sampleRate, uint32_t channels) {
    const bool wasActive = active_;
    const bool formatChanged = sampleRate != sampleRate_ || channels != channels_;
    sampleRate_ = sampleRate;
    channels_ = channels;
    active_ = settings.changesSound() && sampleRate > 0 && channels > 0 && channels <= kMaxChannels;
    if (!active_) return;
    if (formatChanged || !wasActive) clearHistory();

    preamp_ = gainOf(settings.preampTenths);
    sectionCount_ = 0;
    for (int band = 0; band < kEqualizerBands; ++band) {
        const int tenths = clampEqualizerTenths(settings.bandTenths[static_cast<size_t>(band)]);
        const double frequency = kEqualizerFrequencies[static_cast<size_t>(band)];
        // A flat band is no filter at all; one at or past the Nyquist frequency cannot be heard.
        if (tenths == 0 || 2 * frequency >= sampleRate) continue;
        const double a = std::pow(10.0, tenths / 400.0);  // square root of the band's gain
        const double w0 = 2 * kPi * frequency / sampleRate;
        const double alpha = std::sin(w0) / (2 * kBandQ);
        const double a0 = 1 + alpha / a;
        Section& section = sections_[static_cast<size_t>(sectionCount_++)];
        section.band = band;
        section.b0 = (1 + alpha * a) / a0;
        section.b1 = -2 * std::cos(w0) / a0;
        section.b2 = (1 - alpha * a) / a0;
        section.a1 = section.b1;
        section.a2 = (1 - alpha / a) / a0;
    }
}

void EqualizerFilter::process(uint8_t* data, size_t bytes, uint32_t bitsPerSample) {
    if (!active_ || !data) return;
    if (bitsPerSample == 8)
        run<Unsigned8>(data, bytes);
    else if (bitsPerSample == 16)
        run<Signed16>(data, bytes);
    flushTinyHistory();
}

template <typename Sample>
void EqualizerFilter::run(uint8_t* data, size_t bytes) {
    const size_t frameBytes = Sample::kBytes * channels_;
    for (size_t frame = 0; frame + frameBytes <= bytes; frame += frameBytes) {
        for (uint32_t channel = 0; channel < channels_; ++channel) {
            uint8_t* sample = data + frame + channel * Sample::kBytes;
            const double filtered = filterOne(Sample::read(sample) * preamp_, channel);
            const double held =
                std::clamp(std::nearbyint(filtered), double(Sample::kLow), double(Sample::kHigh));
            Sample::write(sample, static_cast<int>(held));
        }
    }
}

double EqualizerFilter::filterOne(double value, uint32_t channel) {
    std::array<History, kEqualizerBands>& histories = history_[channel];
    for (int i = 0; i < sectionCount_; ++i) {
        const Section& s = sections_[static_cast<size_t>(i)];
        History& h = histories[static_cast<size_t>(s.band)];
        const double out = s.b0 * value + h.z1;
        h.z1 = s.b1 * value - s.a1 * out + h.z2;
        h.z2 = s.b2 * value - s.a2 * out;
        value = out;
    }
    return value;
}

void EqualizerFilter::clearHistory() {
    for (auto& channel : history_) channel.fill(History{});
}

void EqualizerFilter::flushTinyHistory() {
    for (auto& channel : history_)
        for (History& h : channel) {
            if (std::fabs(h.z1) < kTinyHistory) h.z1 = 0;
            if (std::fabs(h.z2) < kTinyHistory) h.z2 = 0;
        }
}

}  // namespace tumbor
