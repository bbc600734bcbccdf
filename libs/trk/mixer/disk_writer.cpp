// The software mixer "Disk writer": voice commands, the voice update after
// each tick, each voice's loop and end rules, and the render loop.
#include "libs/trk/mixer/disk_writer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "libs/trk/mixer/interpolation_kernels.h"
#include "libs/trk/mixer/mix_routines.h"
#include "libs/trk/model/song.h"

namespace tumbor::trk {
namespace {

using Voice = DiskWriter::Voice;

constexpr int kTableCount = 65;  // one per volume 0 .. 64
constexpr uint32_t kAccumulatorValues = 3600;
constexpr int kMaxVolume = 64;
constexpr int kMaxPanning = 255;
// Voice positions count bytes with this many fraction bits: the mix
// routines' 22.10 and the extra bits that keep the pitch exact.
constexpr int kPositionFractionBits = 10 + kExtraPositionBits;
constexpr int64_t kPositionUnit = int64_t{1} << kPositionFractionBits;
// A span moves at most this far, so its relative position read as 22.10
// stays within 32 bits. Steps are kept below it; only an output rate under
// about 4 kHz could ask for more.
constexpr uint64_t kMaxSpanDistance = uint64_t{1} << (30 + kExtraPositionBits);
constexpr uint64_t kMaxStep = kMaxSpanDistance;

// A voice's boundaries in its fixed point: the last position of a
// non-looping sample, and the first and last positions of the loop. The last
// positions lie within the last byte, so it plays, and a loop's length in
// bytes is its period exactly.
struct Bounds {
    int64_t end;
    int64_t loopStart;
    int64_t loopEnd;

    int64_t loopLength() const { return loopEnd - loopStart + 1; }
};

// How many points before and after the one at the position an
// interpolator reads.
struct Reach {
    int before;
    int after;
};

Reach reachOf(int interpolation) {
    switch (interpolation) {
        case kInterpolationLinear:
            return {0, 1};
        case kInterpolationCubic:
            return {1, 2};
        case kInterpolationSinc:
            return {3, 4};
        default:
            return {0, 0};
    }
}

// How one voice is mixed during a piece.
struct VoiceMix {
    SpanMixer steady;
    SpanMixer ramping;
    const int32_t* leftTable;
    const int32_t* rightTable;
    int32_t leftGain;
    int32_t rightGain;
    FilterState* filter;
    const int16_t* kernel;
    Reach reach;
};

// Points a stitched span covers at most; its copy holds the interpolators'
// neighbours as well.
constexpr int64_t kStitchPoints = 24;
constexpr int kStitchBytes = (kStitchPoints + 1 + 8) * 2;

bool isLooped(const Voice& v) { return (v.flags & kSampleLooped) != 0; }
bool isBackwards(const Voice& v) { return (v.flags & DiskWriter::kBackwards) != 0; }

void stopAtZero(Voice& v) {
    v.position = 0;
    v.active = false;
}

void reverse(Voice& v) {
    v.flags ^= DiskWriter::kBackwards;
    v.step = -v.step;
}

// A step longer than the loop can leave the position outside it after the
// single wrap or reflection of the rules: apply as many as it takes.
void foldIntoLoop(Voice& v, const Bounds& b) {
    const bool backwards = isBackwards(v);
    if (backwards ? v.position >= b.loopStart : v.position <= b.loopEnd) return;
    v.wrapped = true;
    if (!(v.flags & kSamplePingPong)) {
        const int64_t period = b.loopLength();
        if (backwards) {
            v.position += (b.loopStart - v.position + period - 1) / period * period;
        } else {
            v.position -= (v.position - b.loopEnd + period - 1) / period * period;
        }
        return;
    }
    // Ping-pong: the phase along one forward-and-back cycle between the two
    // mirrors (> 0: the voice keeps only loops of a byte or more).
    const int64_t period = b.loopEnd - b.loopStart;
    const int64_t cycle = 2 * period;
    int64_t phase = backwards ? cycle - (v.position - b.loopStart) : v.position - b.loopStart;
    phase %= cycle;
    if (phase < 0) phase += cycle;
    const bool nowBackwards = phase > period;
    v.position = b.loopStart + (nowBackwards ? cycle - phase : phase);
    if (nowBackwards != backwards) reverse(v);
}

// The loop and end rules before a voice renders; false once it has stopped.
bool applyBoundaries(Voice& v, const Bounds& b) {
    const bool pingPong = (v.flags & kSamplePingPong) != 0;
    if (!isBackwards(v)) {
        if (isLooped(v)) {
            if (v.position > b.loopEnd) {
                v.wrapped = true;
                if (pingPong) {
                    reverse(v);
                    v.position = 2 * b.loopEnd - v.position;
                } else {
                    v.position -= b.loopLength();
                }
            }
        } else if (v.position > b.end) {
            stopAtZero(v);
            return false;
        }
    }
    if (isBackwards(v)) {
        if (isLooped(v)) {
            if (v.position < b.loopStart) {
                v.wrapped = true;
                if (pingPong) {
                    reverse(v);
                    v.position = 2 * b.loopStart - v.position;
                } else {
                    v.position += b.loopLength();
                }
            }
        } else if (v.position < 0) {
            stopAtZero(v);
            return false;
        }
    }
    if (isLooped(v)) foldIntoLoop(v, b);
    return true;
}

uint64_t stepSizeOf(const Voice& v) {
    return v.step < 0 ? 0u - static_cast<uint64_t>(v.step) : static_cast<uint64_t>(v.step);
}

// Frames whose positions lie within distance (>= 0) of the first.
uint64_t framesWithin(int64_t distance, uint64_t stepSize) {
    // 32-bit division whenever it suffices: 64-bit division is a library call on x86.
    if (distance <= UINT32_MAX && stepSize <= UINT32_MAX)
        return static_cast<uint32_t>(distance) / static_cast<uint32_t>(stepSize) + 1ull;
    return static_cast<uint64_t>(distance) / stepSize + 1;
}

// Frames until the position passes the boundary ahead, at most limit.
uint32_t framesBeforeBoundary(const Voice& v, const Bounds& b, uint32_t limit) {
    if (v.step == 0) return limit;  // a frequency of 0 holds its point
    const bool backwards = v.step < 0;
    int64_t boundary;
    if (backwards) {
        boundary = isLooped(v) ? b.loopStart : 0;
    } else {
        boundary = isLooped(v) ? b.loopEnd : b.end;
    }
    const int64_t distance = backwards ? v.position - boundary : boundary - v.position;
    if (distance < 0) return 0;
    const uint64_t stepSize = stepSizeOf(v);
    const uint64_t fit = framesWithin(distance, stepSize);
    const uint64_t spanLimit = kMaxSpanDistance / stepSize;
    return static_cast<uint32_t>(std::min<uint64_t>({fit, limit, spanLimit}));
}

int pointShiftOf(const Voice& v) { return kPositionFractionBits + ((v.flags & kSample16Bit) ? 1 : 0); }
int pointSizeOf(const Voice& v) { return (v.flags & kSample16Bit) ? 2 : 1; }

// The points the voice hears as they lie in memory: the whole sample, or,
// once it loops, up to the loop's end and, once it has turned, from the
// loop's start.
struct PointRange {
    int64_t first;
    int64_t last;
};

PointRange heardAsStored(const Voice& v) {
    const int unit = pointSizeOf(v) - 1;
    if (!isLooped(v)) return {0, v.lastByte >> unit};
    return {v.wrapped ? v.loopStart >> unit : 0, (v.loopLastByte >> unit) + v.loopEchoPoints};
}

// Where in memory the voice's point k lies as the voice hears it; -1 for
// silence. Past the loop's end, and before its start once it has turned,
// the loop repeats, mirrored for ping-pong (each end point heard twice).
int64_t heardPoint(const Voice& v, int64_t k) {
    const int unit = pointSizeOf(v) - 1;
    if (isLooped(v)) {
        const int64_t first = v.loopStart >> unit;
        const int64_t length = (v.loopLastByte >> unit) + 1 - first;
        if (length > 0 && (k >= first + length || (k < first && v.wrapped))) {
            const int64_t period = (v.flags & kSamplePingPong) ? 2 * length : length;
            int64_t m = (k - first) % period;
            if (m < 0) m += period;
            return first + (m < length ? m : period - 1 - m);
        }
    }
    return k < 0 || k > (v.lastByte >> unit) ? -1 : k;
}

// Frames from the voice's position, at most limit, whose neighbours all lie
// as the voice hears them in memory; 0 when the first frame's do not.
uint32_t framesReadInPlace(const Voice& v, const Reach& reach, uint32_t limit) {
    const int shift = pointShiftOf(v);
    const PointRange range = heardAsStored(v);
    const int64_t point = v.position >> shift;
    if (point - reach.before < range.first || point + reach.after > range.last) return 0;
    if (v.step == 0) return limit;
    const int64_t distance = v.step > 0 ? ((range.last - reach.after + 1) << shift) - 1 - v.position
                                        : v.position - ((range.first + reach.before) << shift);
    return static_cast<uint32_t>(std::min<uint64_t>(framesWithin(distance, stepSizeOf(v)), limit));
}

// Copies points from .. from + count - 1 as the voice hears them.
void stitchPoints(const Voice& v, int64_t from, int64_t count, uint8_t* to) {
    const int size = pointSizeOf(v);
    for (int64_t k = 0; k < count; ++k, to += size) {
        const int64_t at = heardPoint(v, from + k);
        if (at < 0) {
            std::memset(to, 0, static_cast<size_t>(size));
        } else {
            std::memcpy(to, v.data + at * size, static_cast<size_t>(size));
        }
    }
}

// Mixes n frames of v from its position, which cross no boundary; near the
// loop points and the ends through a copy holding the right neighbours.
void mixFrames(Voice& v, int32_t* out, uint32_t n, const VoiceMix& mix, bool inPlace) {
    const int shift = pointShiftOf(v);
    const int size = pointSizeOf(v);
    const int64_t last = v.position + int64_t{n - 1} * v.step;
    const int64_t lowest = std::min(v.position, last) >> shift;  // >= 0: no boundary lies below 0
    uint8_t stitched[kStitchBytes];
    MixSpan span;
    span.out = out;
    span.frames = n;
    if (inPlace) {
        span.base = v.data + lowest * size;
    } else {
        const int64_t highest = std::max(v.position, last) >> shift;
        stitchPoints(v, lowest - mix.reach.before, highest - lowest + 1 + mix.reach.before + mix.reach.after,
                     stitched);
        span.base = stitched + mix.reach.before * size;
    }
    span.position = static_cast<uint64_t>(v.position - (lowest << shift));
    span.step = static_cast<uint64_t>(v.step);
    span.leftTable = mix.leftTable;
    span.rightTable = mix.rightTable;
    span.filter = mix.filter;
    span.kernel = mix.kernel;
    if (v.rampFrames == 0) {
        span.leftGain = mix.leftGain;
        span.rightGain = mix.rightGain;
        mix.steady(span);
        return;
    }
    span.leftGain = v.currentLeft;
    span.rightGain = v.currentRight;
    span.leftRampStep = v.leftRampStep;
    span.rightRampStep = v.rightRampStep;
    mix.ramping(span);
    v.rampFrames -= n;
    if (v.rampFrames == 0) {
        // The steps fall short of the target by less than one each; land on it.
        v.currentLeft = v.leftAmplitude;
        v.currentRight = v.rightAmplitude;
    } else {
        v.currentLeft += v.leftRampStep * static_cast<int32_t>(n);
        v.currentRight += v.rightRampStep * static_cast<int32_t>(n);
    }
}

// Frames a stitched span may cover from the voice's position.
uint32_t stitchFrames(const Voice& v, uint32_t limit) {
    if (v.step == 0) return limit;
    const uint64_t fit = framesWithin((kStitchPoints - 1) << pointShiftOf(v), stepSizeOf(v));
    return static_cast<uint32_t>(std::min<uint64_t>(fit, limit));
}

Bounds boundsOf(const Voice& v) {
    return Bounds{(int64_t{v.lastByte} + 1) * kPositionUnit - 1, int64_t{v.loopStart} * kPositionUnit,
                  (int64_t{v.loopLastByte} + 1) * kPositionUnit - 1};
}

// A forward loop run past its end hands over to the queued sample: on into
// its loop by as far as it ran past, or silence when it has none.
bool takeQueuedSample(Voice& v, Bounds& b) {
    if (!v.queuedData || isBackwards(v) || !isLooped(v) || v.position <= b.loopEnd) return true;
    const int64_t past = v.position - b.loopEnd - 1;
    v.data = v.queuedData;
    v.queuedData = nullptr;
    v.lastByte = v.queuedLastByte;
    v.loopStart = v.queuedLoopStart;
    v.loopLastByte = v.queuedLoopLastByte;
    v.flags = v.queuedFlags;
    v.loopEchoPoints = 0;
    v.wrapped = true;
    b = boundsOf(v);
    if (!isLooped(v)) {
        stopAtZero(v);
        return false;
    }
    v.position = b.loopStart + past;
    return true;
}

// Mixes frames of v into out, following loops, reversals and the end.
void renderVoice(Voice& v, int32_t* out, uint32_t frames, uint32_t valuesPerFrame, const VoiceMix& mix) {
    Bounds b = boundsOf(v);
    // Direction follows the flag; a start between ticks replaces the flags
    // before the next tick has set the step's sign.
    if ((v.step < 0) != isBackwards(v)) v.step = -v.step;
    while (frames > 0) {
        if (!takeQueuedSample(v, b) || !applyBoundaries(v, b)) return;
        if (!v.data) {
            stopAtZero(v);
            return;
        }
        uint32_t n = framesBeforeBoundary(v, b, frames);
        if (n == 0) {
            v.active = false;
            return;
        }
        if (v.rampFrames != 0) n = std::min(n, v.rampFrames);
        const uint32_t inPlace = framesReadInPlace(v, mix.reach, n);
        n = inPlace != 0 ? inPlace : stitchFrames(v, n);
        if (v.volume != 0 || v.rampFrames != 0) mixFrames(v, out, n, mix, inPlace != 0);
        v.position += int64_t{n} * v.step;
        out += n * valuesPerFrame;
        frames -= n;
    }
}

// Position increment per output frame for a frequency, in the voice's fixed point.
int64_t stepFor(const Voice& v, uint32_t rate) {
    const auto hz = static_cast<uint32_t>(v.frequency);
    uint64_t step = (uint64_t{hz / rate} << kPositionFractionBits) |
                    ((uint64_t{hz % rate} << kPositionFractionBits) / rate);
    if (v.flags & kSample16Bit) step *= 2;
    step = std::min(step, kMaxStep);
    const auto signedStep = static_cast<int64_t>(step);
    return isBackwards(v) ? -signedStep : signedStep;
}

// IT's resonant low-pass at the output rate. The cutoff, scaled by the
// envelope, rises 24 steps an octave from 110 * 2^(1/4) Hz (whole Hz, at
// least 120, at most 20000 and half the rate); each step of resonance
// lowers the damping by 24/128 dB.
FilterState filterCoefficients(const VoiceFilter& filter, uint32_t rate) {
    constexpr double kPi = 3.14159265358979323846;
    const double steps = filter.cutoff * (filter.envelope + 256) / 512.0;
    double hz = std::floor(110.0 * std::pow(2.0, 0.25 + steps / 24.0));
    hz = std::clamp(hz, 120.0, 20000.0);
    hz = std::min(hz, static_cast<double>(rate / 2));
    const double damping = std::pow(10.0, -filter.resonance * (24.0 / 128.0) / 20.0);
    const double r = rate / (2.0 * kPi * hz);
    const double d = damping * r + damping - 1.0;
    const double e = r * r;
    const double scale = static_cast<double>(1 << FilterState::kShift);
    FilterState state;
    state.a = static_cast<int32_t>(std::lround(scale / (1.0 + d + e)));
    state.b = static_cast<int32_t>(std::lround(scale * (d + e + e) / (1.0 + d + e)));
    state.c = static_cast<int32_t>(std::lround(scale * -e / (1.0 + d + e)));
    return state;
}

// How many points after a forward loop's end repeat its first ones in
// memory, up to the bytes the sample stage copies there.
int32_t loopEchoPoints(const uint8_t* data, int32_t loopStart, int32_t loopEnd, uint32_t flags) {
    constexpr int32_t kCopiedBytes = 8;
    if (!data || !(flags & kSampleLooped) || (flags & kSamplePingPong)) return 0;
    const int32_t size = (flags & kSample16Bit) ? 2 : 1;
    int32_t points = 0;
    while ((points + 1) * size <= kCopiedBytes && loopStart + (points + 1) * size <= loopEnd &&
           std::memcmp(data + loopEnd + points * size, data + loopStart + points * size, static_cast<size_t>(size)) == 0)
        ++points;
    return points;
}

void resetVoice(Voice& v, int index) {
    v = Voice{};
    v.panning = index % 2 == 0 ? kMaxPanning : 0;
}

}  // namespace

struct DiskWriter::Tables {
    int32_t amplitudeScale = 0;  // A = 16777216 / channel count
    int outputShift = 0;         // S
    uint32_t chunkFrames = kAccumulatorValues;
    // The routines by voice kind: kind 16-bit data | kFiltered | kRamping.
    static constexpr int kFiltered = 2;
    static constexpr int kRamping = 4;
    SpanMixer mixers[8] = {};
    const int16_t* cubicKernel = nullptr;
    const int16_t* sincKernels[InterpolationKernels::kSincBands] = {};
    int32_t volume[kTableCount][256];
    // Last, so that the sanitizers see any write past it.
    alignas(16) int32_t accumulator[kAccumulatorValues];
};

DiskWriter::DiskWriter() : tables_(std::make_unique<Tables>()) { open(OutputMode{}); }

DiskWriter::~DiskWriter() = default;

void DiskWriter::open(const OutputMode& mode) {
    mode_ = mode;
    close();
    // About 1.5 ms up and 5 ms down, at least a frame.
    rampUpFrames_ = std::max<uint32_t>(1, mode_.rate * 3 / 2000);
    rampDownFrames_ = std::max<uint32_t>(1, mode_.rate / 200);
    // The routines, shift and chunk depend on the format: keep them matching.
    prepare(channelCount_);
}

void DiskWriter::close() {
    // Sample memory goes with the song: drop every voice's pointer into it.
    for (int i = 0; i < kVoiceCount; ++i) resetVoice(voices_[static_cast<size_t>(i)], i);
    for (Voice& v : fading_) v = Voice{};
}

std::string DiskWriter::description() const {
    std::string text = std::to_string(mode_.rate) + "Hz, ";
    text += mode_.sixteenBit ? "16bits, " : "8bits, ";
    text += mode_.stereo ? "stereo, " : "mono, ";
    if (mode_.interpolation == kInterpolationNone) text += "no ";
    if (mode_.interpolation == kInterpolationCubic) text += "cubic ";
    if (mode_.interpolation == kInterpolationSinc) text += "sinc ";
    text += "interpolation";
    return text;
}

void DiskWriter::prepare(int channelCount) {
    channelCount_ = std::clamp(channelCount, 1, kVoiceCount / 2);
    Tables& t = *tables_;
    t.amplitudeScale = 16777216 / channelCount_;
    for (int v = 0; v < kTableCount; ++v) {
        const int32_t unit = v * t.amplitudeScale / 64;
        for (int i = 0; i < 256; ++i) t.volume[v][i] = static_cast<int8_t>(i) * unit;
    }
    t.outputShift = channelCount_ / 8 + (mode_.stereo ? 1 : 0);
    const int interpolation = std::clamp(mode_.interpolation, 0, 3);
    const int mode = (mode_.stereo ? kMixStereo : 0) | interpolation * kMixInterpolate;
    for (int kind = 0; kind < 8; ++kind) {
        t.mixers[kind] = spanMixer(mode | ((kind & 1) ? kMix16BitData : 0) |
                                   ((kind & Tables::kFiltered) ? kMixFilter : 0) |
                                   ((kind & Tables::kRamping) ? kMixRamp : 0));
    }
    if (interpolation == kInterpolationCubic || interpolation == kInterpolationSinc) {
        const InterpolationKernels& kernels = interpolationKernels();
        t.cubicKernel = &kernels.cubic[0][0];
        for (int band = 0; band < InterpolationKernels::kSincBands; ++band)
            t.sincKernels[band] = &kernels.sinc[band][0][0];
    }
    t.chunkFrames = mode_.stereo ? kAccumulatorValues / 2 : kAccumulatorValues;
    framesUntilTick_ = 0;
}

uint32_t DiskWriter::render(uint8_t* out, uint32_t frames, TickSource& source) {
    const uint32_t bytesPerFrame = mode_.bytesPerFrame();
    const uint32_t chunk = tables_->chunkFrames;
    uint32_t written = 0;
    while (frames > 0) {
        if (framesUntilTick_ == 0) {
            const uint32_t tickFrames = source.runTick(mode_.rate);
            framesUntilTick_ = tickFrames != 0 ? tickFrames : 1;
            const uint32_t rate = mode_.rate != 0 ? mode_.rate : 1;
            for (Voice& v : voices_) updateVoiceAfterTick(v, rate);
            if (mode_.ramping)
                for (Voice& v : fading_) updateVoiceAfterTick(v, rate);
        }
        const uint32_t m = std::min(frames, framesUntilTick_);
        for (uint32_t done = 0; done < m;) {
            const uint32_t piece = std::min(m - done, chunk);
            mixPiece(out + written, piece);
            written += piece * bytesPerFrame;
            done += piece;
        }
        frames -= m;
        framesUntilTick_ -= m;
    }
    return written;
}

void DiskWriter::updateVoiceAfterTick(Voice& v, uint32_t rate) {
    const int32_t scale = tables_->amplitudeScale;
    const bool started = v.trigger;
    if (v.trigger) {
        v.position = int64_t{v.start} * kPositionUnit;
        v.active = true;
        v.trigger = false;
        v.wrapped = false;
        v.currentLeft = v.currentRight = 0;  // a new note rises from silence when ramping
    }
    if (v.frequency == 0) v.active = false;
    if (v.active) {
        v.step = stepFor(v, rate);
        if (mode_.interpolation == kInterpolationSinc) {
            v.sincBand = sincBandFor(stepSizeOf(v), uint64_t{1} << pointShiftOf(v));
        }
    }
    if (v.filterChanged) {
        // The pow calls run only when a filtered voice's settings move.
        const FilterState coefficients = filterCoefficients(v.filter, rate);
        v.filterState.a = coefficients.a;
        v.filterState.b = coefficients.b;
        v.filterState.c = coefficients.c;
        v.filterChanged = false;
    }
    const int32_t oldLeft = v.leftAmplitude;
    const int32_t oldRight = v.rightAmplitude;
    if (mode_.stereo) {
        v.leftAmplitude = (kMaxPanning - v.panning) * v.volume / 255 * scale / 64;
        v.rightAmplitude = v.volume * v.panning / 255 * scale / 64;
    } else {
        v.leftAmplitude = scale * v.volume / 64;
    }
    if (mode_.ramping) startRamp(v, started || v.leftAmplitude != oldLeft || v.rightAmplitude != oldRight);
}

// A new target glides from the amplitudes in force: up over the shorter
// time, down over the longer. Each step is the distance divided by the
// frames, rounded toward zero, so the ramp never passes its target.
void DiskWriter::startRamp(Voice& v, bool changed) {
    if (!changed) return;
    const int64_t from = std::abs(int64_t{v.currentLeft}) + std::abs(int64_t{v.currentRight});
    const int64_t to = std::abs(int64_t{v.leftAmplitude}) + std::abs(int64_t{v.rightAmplitude});
    if (v.currentLeft == v.leftAmplitude && v.currentRight == v.rightAmplitude) {
        v.rampFrames = 0;
        return;
    }
    v.rampFrames = to > from ? rampUpFrames_ : rampDownFrames_;
    const auto frames = static_cast<int32_t>(v.rampFrames);
    v.leftRampStep = (v.leftAmplitude - v.currentLeft) / frames;
    v.rightRampStep = (v.rightAmplitude - v.currentRight) / frames;
}

// A note that is cut goes on in a fading voice for its ramp down; the
// quietest fading voice makes room when all are in use.
void DiskWriter::fadeOut(const Voice& v) {
    if (v.currentLeft == 0 && v.currentRight == 0 && v.rampFrames == 0) return;
    Voice* slot = &fading_[0];
    for (Voice& candidate : fading_) {
        if (!candidate.active) {
            slot = &candidate;
            break;
        }
        if (candidate.rampFrames < slot->rampFrames) slot = &candidate;
    }
    *slot = v;
    slot->trigger = false;
    slot->active = true;
    slot->volume = 0;
    slot->leftAmplitude = slot->rightAmplitude = 0;
    startRamp(*slot, true);
}

void DiskWriter::mixVoice(Voice& v, uint32_t frames) {
    Tables& t = *tables_;
    const bool sixteenBit = (v.flags & kSample16Bit) != 0;
    VoiceMix mix{};
    const int kind = (sixteenBit ? 1 : 0) | (v.filter.on ? Tables::kFiltered : 0);
    mix.steady = t.mixers[kind];
    mix.ramping = t.mixers[kind | Tables::kRamping];
    mix.leftGain = v.leftAmplitude >> 8;
    mix.rightGain = v.rightAmplitude >> 8;
    if (v.filter.on) mix.filter = &v.filterState;
    if (mode_.stereo) {
        mix.leftTable = t.volume[v.volume * (kMaxPanning - v.panning) / 255];
        mix.rightTable = t.volume[v.volume * v.panning / 255];
    } else {
        mix.leftTable = t.volume[v.volume];
    }
    mix.kernel = mode_.interpolation == kInterpolationSinc ? t.sincKernels[v.sincBand] : t.cubicKernel;
    mix.reach = reachOf(mode_.interpolation);
    renderVoice(v, t.accumulator, frames, mode_.stereo ? 2 : 1, mix);
}

void DiskWriter::mixPiece(uint8_t* out, uint32_t frames) {
    Tables& t = *tables_;
    const uint32_t values = frames * (mode_.stereo ? 2 : 1);
    std::memset(t.accumulator, 0, values * sizeof(int32_t));
    for (Voice& v : voices_)
        if (v.active) mixVoice(v, frames);
    if (mode_.ramping) {
        for (Voice& v : fading_) {
            if (v.active) mixVoice(v, frames);
            if (v.rampFrames == 0) v.active = false;  // faded out
        }
    }
    if (mode_.stereo && mode_.stereoSeparation != 100) applySeparation(t.accumulator, frames, mode_.stereoSeparation);
    if (mode_.sixteenBit) {
        convertToPcm16(t.accumulator, values, t.outputShift, out);
    } else {
        convertToPcm8(t.accumulator, values, t.outputShift, out);
    }
}

void DiskWriter::startVoice(int voice, const uint8_t* data, int32_t start, int32_t end, int32_t loopStart,
                            int32_t loopEnd, uint32_t flags) {
    if (voice < 0 || voice >= kVoiceCount) return;
    // A negative start would read before the sample.
    if (start < 0 || start >= end) return;
    uint32_t kept = flags & ~kBackwards;  // a start always plays forwards
    Voice& v = voices_[static_cast<size_t>(voice)];
    if (mode_.ramping && v.active && !v.trigger) fadeOut(v);
    if (kept & kSampleLooped) {
        loopEnd = std::min(loopEnd, end);
        // An empty loop has nothing to repeat: play once.
        if (loopStart < 0 || loopEnd <= loopStart) kept &= ~(kSampleLooped | kSamplePingPong);
    }
    v.data = data;
    v.start = start;
    v.lastByte = end - 1;
    v.loopStart = loopStart;
    v.loopLastByte = loopEnd > INT32_MIN ? loopEnd - 1 : loopEnd;
    v.flags = kept;
    v.loopEchoPoints = loopEchoPoints(data, loopStart, loopEnd, kept);
    v.queuedData = nullptr;
    v.trigger = true;
}

void DiskWriter::queueSample(int voice, const uint8_t* data, int32_t end, int32_t loopStart, int32_t loopEnd,
                             uint32_t flags) {
    if (voice < 0 || voice >= kVoiceCount) return;
    Voice& v = voices_[static_cast<size_t>(voice)];
    const bool looped = (flags & kSampleLooped) && loopStart >= 0 && loopStart < std::min(loopEnd, end);
    v.queuedData = data;
    v.queuedLastByte = end - 1;
    v.queuedLoopStart = loopStart;
    v.queuedLoopLastByte = std::min(loopEnd, end) - 1;
    v.queuedFlags = looped ? flags : flags & ~kSampleLooped;
}

void DiskWriter::stopVoice(int voice) {
    if (voice < 0 || voice >= kVoiceCount) return;
    Voice& v = voices_[static_cast<size_t>(voice)];
    if (mode_.ramping && v.active) fadeOut(v);
    v.active = false;
}

void DiskWriter::setVolume(int voice, int value) {
    if (voice < 0 || voice >= kVoiceCount) return;
    // More than 64 would index past the volume tables.
    voices_[static_cast<size_t>(voice)].volume = std::clamp(value >> 3, 0, kMaxVolume);
}

void DiskWriter::setFrequency(int voice, int hz) {
    if (voice >= 0 && voice < kVoiceCount) voices_[static_cast<size_t>(voice)].frequency = hz;
}

void DiskWriter::setPanning(int voice, int panning) {
    if (voice >= 0 && voice < kVoiceCount) {
        voices_[static_cast<size_t>(voice)].panning = std::clamp(panning, 0, kMaxPanning);
    }
}

void DiskWriter::setFilter(int voice, const VoiceFilter& filter, bool clearHistory) {
    if (voice < 0 || voice >= kVoiceCount) return;
    Voice& v = voices_[static_cast<size_t>(voice)];
    if (filter.on && filter != v.filter) v.filterChanged = true;
    v.filter = filter;
    if (clearHistory) v.filterState.y1 = v.filterState.y2 = 0;
}

void DiskWriter::moveVoice(int from, int to) {
    if (from < 0 || from >= kVoiceCount || to < 0 || to >= kVoiceCount || from == to) return;
    Voice& source = voices_[static_cast<size_t>(from)];
    Voice& target = voices_[static_cast<size_t>(to)];
    if (mode_.ramping && target.active && !target.trigger) fadeOut(target);
    target = source;
    source.active = false;
    source.trigger = false;
}

bool DiskWriter::voicePlaying(int voice) const {
    if (voice < 0 || voice >= kVoiceCount) return false;
    const Voice& v = voices_[static_cast<size_t>(voice)];
    return v.active || v.trigger;
}

}  // namespace tumbor::trk
