// The mixer's inner loops, generated from one template per mode number, the
// stereo separation and the conversion of the accumulator to PCM.
#include "libs/trk/mixer/mix_routines.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <utility>

#include "libs/trk/mixer/interpolation_kernels.h"
#include "libs/trk/mixer/sound_driver.h"

namespace tumbor::trk {
namespace {

// Signed 16-bit little-endian point; compilers fold this into one load.
inline int32_t point16(const uint8_t* at) {
    return static_cast<int16_t>(static_cast<uint16_t>(at[0] | (at[1] << 8)));
}

// The byte at position p (22.10), as the unsigned index of a volume table.
template <bool kInterpolate>
inline uint8_t byteAt(const uint8_t* base, uint32_t p) {
    const uint8_t* at = base + (p >> 10);
    if constexpr (!kInterpolate) {
        return at[0];
    } else {
        const int32_t a = static_cast<int8_t>(at[0]);
        const int32_t b = static_cast<int8_t>(at[1]);
        return static_cast<uint8_t>(a + (((b - a) * static_cast<int32_t>(p & 1023)) >> 10));
    }
}

// The point at position p: positions count bytes, so point p >> 11.
template <bool kInterpolate>
inline int32_t pointAt(const uint8_t* base, uint32_t p) {
    const uint8_t* at = base + (p >> 11) * 2;
    const int32_t a = point16(at);
    if constexpr (!kInterpolate) {
        return a;
    } else {
        const int32_t b = point16(at + 2);
        return a + (((b - a) * static_cast<int32_t>(p & 2047)) >> 11);
    }
}

// The point number k of the data on the 16-bit scale, whatever its width.
template <bool kSixteenBit>
inline int32_t scaledPoint(const uint8_t* base, int32_t k) {
    if constexpr (kSixteenBit) {
        return point16(base + k * 2);
    } else {
        return static_cast<int8_t>(base[k]) * 256;
    }
}

// The weighted sum of kTaps points around the one at position p, the first
// kTaps / 2 - 1 of them before it, with the weights for p's fraction.
template <bool kSixteenBit, int kTaps>
inline int32_t weightedPointAt(const uint8_t* base, uint32_t p, const int16_t* kernel) {
    constexpr int kPointShift = kSixteenBit ? 11 : 10;
    constexpr int kFractionShift = InterpolationKernels::kPhaseBits - kPointShift;  // 0 or 1
    const auto point = static_cast<int32_t>(p >> kPointShift);
    const uint32_t fraction = (p & ((1u << kPointShift) - 1)) << kFractionShift;
    const int16_t* weights = kernel + fraction * kTaps;
    int32_t sum = 1 << (InterpolationKernels::kShift - 1);
    for (int i = 0; i < kTaps; ++i) sum += weights[i] * scaledPoint<kSixteenBit>(base, point + i - (kTaps / 2 - 1));
    const int32_t x = sum >> InterpolationKernels::kShift;
    // Overshoot is clipped so a voice adds no more than a plain one can.
    return x < -32768 ? -32768 : x > 32767 ? 32767 : x;
}

// The point at position p on the 16-bit scale, whatever the data's width.
template <bool kSixteenBit, int kInterpolation>
inline int32_t scaledPointAt(const uint8_t* base, uint32_t p, const int16_t* kernel) {
    if constexpr (kInterpolation == kInterpolationCubic) {
        return weightedPointAt<kSixteenBit, InterpolationKernels::kCubicTaps>(base, p, kernel);
    } else if constexpr (kInterpolation == kInterpolationSinc) {
        return weightedPointAt<kSixteenBit, InterpolationKernels::kSincTaps>(base, p, kernel);
    } else if constexpr (kSixteenBit) {
        return pointAt<kInterpolation == kInterpolationLinear>(base, p);
    } else {
        const uint8_t* at = base + (p >> 10);
        const int32_t a = static_cast<int8_t>(at[0]) * 256;
        if constexpr (kInterpolation == kInterpolationNone) {
            return a;
        } else {
            const int32_t b = static_cast<int8_t>(at[1]) * 256;
            return a + (((b - a) * static_cast<int32_t>(p & 1023)) >> 10);
        }
    }
}

// One step of the low-pass, rounded. Its history is held to twice the
// 16-bit range, what it hands on to the mix to that range, so that a voice
// adds no more than an unfiltered one can.
inline int32_t filterStep(FilterState& f, int32_t x) {
    const int64_t sum = int64_t{f.a} * x + int64_t{f.b} * f.y1 + int64_t{f.c} * f.y2 +
                        (int64_t{1} << (FilterState::kShift - 1));
    const int64_t y = sum >> FilterState::kShift;
    f.y2 = f.y1;
    f.y1 = static_cast<int32_t>(y < -65536 ? -65536 : y > 65534 ? 65534 : y);
    return y < -32768 ? -32768 : y > 32767 ? 32767 : static_cast<int32_t>(y);
}

// The one shape of every inner loop. The caller guarantees that no point
// read lies outside the sample (or its stitched copy) and that the sums fit:
// each of at most C voices adds at most 2^31 / C in magnitude.
template <int kMode>
void mixSpan(const MixSpan& span) {
    constexpr bool kSixteenBit = (kMode & kMix16BitData) != 0;
    constexpr bool kStereo = (kMode & kMixStereo) != 0;
    constexpr int kInterpolation = (kMode / kMixInterpolate) & 3;
    constexpr bool kFilter = (kMode & kMixFilter) != 0;
    constexpr bool kRamp = (kMode & kMixRamp) != 0;
    constexpr bool kWeighted = kInterpolation == kInterpolationCubic || kInterpolation == kInterpolationSinc;
    constexpr bool kInterpolate = kInterpolation == kInterpolationLinear;
    constexpr uint32_t kValuesPerFrame = kStereo ? 2 : 1;

    int32_t* out = span.out;
    int32_t* const end = out + span.frames * kValuesPerFrame;
    const uint8_t* const base = span.base;
    const uint64_t step = span.step;
    uint64_t p = span.position;
    // The position as the readers take it: bytes in 22.10 fixed point.
    auto at = [&p] { return static_cast<uint32_t>(p >> kExtraPositionBits); };
    if constexpr (kFilter || kRamp || kWeighted) {
        [[maybe_unused]] FilterState f{};
        if constexpr (kFilter) f = *span.filter;  // in registers for the loop
        const int16_t* const kernel = span.kernel;
        int32_t left = span.leftGain;
        int32_t right = span.rightGain;
        for (; out != end; out += kValuesPerFrame, p += step) {
            int32_t y = scaledPointAt<kSixteenBit, kInterpolation>(base, at(), kernel);
            if constexpr (kFilter) y = filterStep(f, y);
            if constexpr (kRamp) {
                out[0] += y * (left >> 8);
                left += span.leftRampStep;
                if constexpr (kStereo) {
                    out[1] += y * (right >> 8);
                    right += span.rightRampStep;
                }
            } else {
                out[0] += y * left;
                if constexpr (kStereo) out[1] += y * right;
            }
        }
        if constexpr (kFilter) *span.filter = f;
    } else if constexpr (!kSixteenBit) {
        const int32_t* const left = span.leftTable;
        const int32_t* const right = span.rightTable;
        for (; out != end; out += kValuesPerFrame, p += step) {
            const uint8_t x = byteAt<kInterpolate>(base, at());
            out[0] += left[x];
            if constexpr (kStereo) out[1] += right[x];
        }
    } else {
        const int32_t left = span.leftGain;
        const int32_t right = span.rightGain;
        for (; out != end; out += kValuesPerFrame, p += step) {
            const int32_t x = pointAt<kInterpolate>(base, at());
            out[0] += x * left;
            if constexpr (kStereo) out[1] += x * right;
        }
    }
}

template <size_t... kModes>
constexpr std::array<SpanMixer, sizeof...(kModes)> spanMixerTable(std::index_sequence<kModes...>) {
    return {mixSpan<static_cast<int>(kModes)>...};
}

constexpr std::array<SpanMixer, kMixModeCount> kSpanMixers =
    spanMixerTable(std::make_index_sequence<kMixModeCount>{});

}  // namespace

SpanMixer spanMixer(int mode) { return kSpanMixers[static_cast<size_t>(mode & (kMixModeCount - 1))]; }
void convertToPcm16(const int32_t* accumulator, uint32_t count, int outputShift, uint8_t* out) {
    const int shift = 16 - outputShift;
    for (uint32_t i = 0; i < count; ++i) {
        int32_t v = accumulator[i] >> shift;
        if (v > 32767) v = 32767;
        if (v < -32768) v = -32768;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        const auto point = static_cast<int16_t>(v);
        std::memcpy(out + 2 * i, &point, 2);  // one store; the compilers do not merge the two below
#else
        const auto u = static_cast<uint16_t>(v);
        out[2 * i] = static_cast<uint8_t>(u);
        out[2 * i + 1] = static_cast<uint8_t>(u >> 8);
#endif
    }
}

void convertToPcm8(const int32_t* accumulator, uint32_t count, int outputShift, uint8_t* out) {
    const int shift = 24 - outputShift;
    for (uint32_t i = 0; i < count; ++i) {
        int32_t v = accumulator[i] >> shift;
        if (v > 127) v = 127;
        if (v < -128) v = -128;
        out[i] = static_cast<uint8_t>(v + 128);
    }
}

}  // namespace tumbor::trk

namespace tumbor::trk {

void applySeparation(int32_t* accumulator, uint32_t frames, int separation) {
    // The side's share in 16.16 fixed point.
    const int64_t share = int64_t{separation} * 65536 / 100;
    for (uint32_t i = 0; i < frames; ++i) {
        const int64_t left = accumulator[2 * i];
        const int64_t right = accumulator[2 * i + 1];
        const int64_t middle = (left + right) >> 1;
        const int64_t side = ((left - right) * share) >> 17;  // half the difference, scaled
        const int64_t newLeft = std::clamp<int64_t>(middle + side, INT32_MIN, INT32_MAX);
        const int64_t newRight = std::clamp<int64_t>(middle - side, INT32_MIN, INT32_MAX);
        accumulator[2 * i] = static_cast<int32_t>(newLeft);
        accumulator[2 * i + 1] = static_cast<int32_t>(newRight);
    }
}

}  // namespace tumbor::trk
