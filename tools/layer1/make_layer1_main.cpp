// make-layer1: writes a valid MPEG-1 layer I stream (44.1 kHz stereo,
// 384 kbit/s) for the tests, since Debian has no layer I encoder. The frames
// carry slowly changing tones in the four lowest subbands of each channel;
// the sound is of no interest, only that every decoder reads the same frames.
//   usage: make-layer1 OUTPUT SECONDS
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr int kBitrate = 384000;
constexpr int kBitrateIndex = 12;                             // 384 kbit/s in the layer I table
constexpr int kFrameBytes = 12 * kBitrate / kSampleRate * 4;  // no padding: 416
constexpr int kSubbands = 32, kChannels = 2, kUsedSubbands = 4;
constexpr int kAllocation = 5;  // 6 bits per sample
constexpr int kSampleBits = kAllocation + 1;
constexpr double kPi = 3.14159265358979323846;

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void put(uint32_t value, int bits) {
        for (int bit = bits - 1; bit >= 0; --bit) {
            if (used_ % 8 == 0) out_.push_back(0);
            if ((value >> bit) & 1) out_.back() |= static_cast<uint8_t>(0x80 >> (used_ % 8));
            ++used_;
        }
    }

private:
    std::vector<uint8_t>& out_;
    size_t used_ = 0;
};

void writeFrame(std::vector<uint8_t>& frame, long frameNumber) {
    frame.clear();
    BitWriter bits(frame);
    // Sync, MPEG-1, layer I, no CRC.
    bits.put(0xFFF, 12);
    bits.put(1, 1);
    bits.put(3, 2);
    bits.put(1, 1);
    bits.put(kBitrateIndex, 4);
    bits.put(0, 2);  // 44.1 kHz
    bits.put(0, 2);  // no padding, no private bit
    bits.put(0, 2);  // stereo
    bits.put(0, 6);  // mode extension, copyright, original, emphasis
    for (int subband = 0; subband < kSubbands; ++subband)
        for (int channel = 0; channel < kChannels; ++channel)
            bits.put(subband < kUsedSubbands ? kAllocation : 0, 4);
    for (int subband = 0; subband < kUsedSubbands; ++subband)
        for (int channel = 0; channel < kChannels; ++channel) bits.put(16 + subband + channel, 6);
    const int top = (1 << kSampleBits) - 2;  // the all-ones code is not used
    for (int sample = 0; sample < 12; ++sample)
        for (int subband = 0; subband < kUsedSubbands; ++subband)
            for (int channel = 0; channel < kChannels; ++channel) {
                double time = static_cast<double>(frameNumber * 12 + sample);
                double wave = std::sin(2 * kPi * time * (0.01 + 0.013 * subband + 0.004 * channel));
                bits.put(static_cast<uint32_t>(std::lround((wave + 1) / 2 * top)), kSampleBits);
            }
    frame.resize(kFrameBytes, 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: make-layer1 OUTPUT SECONDS\n", stderr);
        return 2;
    }
    long frames = std::lround(std::atof(argv[2]) * kSampleRate / 384);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) return 1;
    std::vector<uint8_t> frame;
    for (long number = 0; number < frames; ++number) {
        writeFrame(frame, number);
        std::fwrite(frame.data(), 1, frame.size(), out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
