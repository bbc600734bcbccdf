#include "libs/osc/tone_generator.h"

#include <cmath>

namespace tumbor {
namespace {

constexpr double kTwoPi = 6.283185314;  // the generator's own value, kept so that tones stay sample-exact
constexpr double kAmplitude = 32767;
constexpr int kBytesPerTenth = ToneGenerator::kSampleRate * 4 / 10;

void writeSample(uint8_t* out, int16_t sample) {
    out[0] = static_cast<uint8_t>(sample & 0xFF);
    out[1] = static_cast<uint8_t>((sample >> 8) & 0xFF);
}

}  // namespace

void ToneGenerator::setTone(int frequency, bool phased) {
    period_ = static_cast<double>(kSampleRate) / frequency;
    phased_ = phased;
}

void ToneGenerator::render(uint8_t* buffer, int bytes) {
    if (!buffer || bytes <= 0) return;
    for (int frame = 0; frame < bytes / 4; ++frame) {
        // Each step is rounded to a double (on x87 too: the win32 build stores
        // every step, see CMakeLists.txt), then truncated toward zero.
        double angle = phase_ * kTwoPi;
        angle /= period_;
        double level = std::sin(angle);
        level *= kAmplitude;
        auto sample = static_cast<int16_t>(level);
        writeSample(buffer + frame * 4, sample);
        writeSample(buffer + frame * 4 + 2, phased_ ? static_cast<int16_t>(~sample) : sample);
        phase_ += 1.0;
    }
    delivered_ += bytes;
}

int ToneGenerator::positionTenths() const { return static_cast<int>(delivered_ / kBytesPerTenth); }

}  // namespace tumbor
