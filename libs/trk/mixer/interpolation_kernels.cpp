// Building the interpolation tables.
#include "libs/trk/mixer/interpolation_kernels.h"

#include <cmath>
#include <cstdlib>

namespace tumbor::trk {
namespace {

using Kernels = InterpolationKernels;

constexpr double kPi = 3.14159265358979323846;
// The top step (in points a frame) of each sinc band but the last; the band's
// cutoff is the sample's Nyquist frequency divided by it.
constexpr double kBandTops[Kernels::kSincBands] = {1.0, 1.25, 1.5, 2.0, 3.0, 4.0};

// Rounds weights to the table's scale and gives the rounding's remainder to
// the largest, so that every row sums to exactly 1.
template <int kTaps>
void storeRow(const double (&weights)[kTaps], int16_t (&row)[kTaps]) {
    double sum = 0;
    for (double w : weights) sum += w;
    const double scale = (1 << Kernels::kShift) / sum;
    int total = 0;
    int largest = 0;
    for (int i = 0; i < kTaps; ++i) {
        row[i] = static_cast<int16_t>(std::lround(weights[i] * scale));
        total += row[i];
        if (std::abs(weights[i]) > std::abs(weights[largest])) largest = i;
    }
    row[largest] = static_cast<int16_t>(row[largest] + (1 << Kernels::kShift) - total);
}

// Catmull-Rom through points -1, 0, 1, 2 at fraction t.
void cubicRow(double t, int16_t (&row)[Kernels::kCubicTaps]) {
    const double t2 = t * t, t3 = t2 * t;
    const double weights[Kernels::kCubicTaps] = {
        (-t3 + 2 * t2 - t) / 2,
        (3 * t3 - 5 * t2 + 2) / 2,
        (-3 * t3 + 4 * t2 + t) / 2,
        (t3 - t2) / 2,
    };
    storeRow(weights, row);
}

// A four-term Blackman-Harris window over -1 .. 1.
double window(double u) {
    if (u <= -1 || u >= 1) return 0;
    const double x = kPi * (u + 1);  // 0 .. 2 pi
    return 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
}

// Points -3 .. 4 at fraction t, low-passed at cutoff (1 = the sample's Nyquist).
void sincRow(double t, double cutoff, int16_t (&row)[Kernels::kSincTaps]) {
    constexpr double kHalfWidth = Kernels::kSincTaps / 2;
    double weights[Kernels::kSincTaps];
    for (int i = 0; i < Kernels::kSincTaps; ++i) {
        const double x = (i - 3) - t;  // distance of the point from the position
        const double arg = kPi * cutoff * x;
        const double sinc = x == 0 ? 1.0 : std::sin(arg) / arg;
        weights[i] = sinc * window(x / kHalfWidth);
    }
    storeRow(weights, row);
}

void build(Kernels& k) {
    for (int phase = 0; phase < Kernels::kPhases; ++phase) {
        const double t = static_cast<double>(phase) / Kernels::kPhases;
        cubicRow(t, k.cubic[phase]);
        for (int band = 0; band < Kernels::kSincBands; ++band)
            sincRow(t, 1.0 / kBandTops[band], k.sinc[band][phase]);
    }
}

}  // namespace

const InterpolationKernels& interpolationKernels() {
    // Static storage: the tables are too large for a thread's stack.
    static Kernels kernels;
    static const bool built = (build(kernels), true);
    (void)built;
    return kernels;
}

int sincBandFor(uint64_t stepSize, uint64_t pointUnits) {
    for (int band = 0; band + 1 < Kernels::kSincBands; ++band)
        if (stepSize <= kBandTops[band] * pointUnits) return band;
    return Kernels::kSincBands - 1;
}

}  // namespace tumbor::trk
