// The software mixer "Disk writer": voice commands, the voice update after
// each tick, each voice's loop and end rules, and the render loop.
#include "libs/trk/mixer/disk_writer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "libs/trk/mixer/mix_routines.h"
#include "libs/trk/model/song.h"

namespace tumbor::trk {
namespace {

using Voice = DiskWriter::Voice;

constexpr int kTableCount = 65;  // one per volume 0 .. 64
constexpr uint32_t kAccumulatorValues = 3600;
constexpr int kMaxVolume = 64;
constexpr int kMaxPanning = 255;
// A span moves at most this far (22.10 bytes), so its relative position
// stays within 32 bits. Steps are kept below it; only an output rate under
// about 4 kHz could ask for more.
constexpr uint32_t kMaxSpanDistance = 1u << 30;
constexpr uint64_t kMaxStep = kMaxSpanDistance;

// A voice's boundaries in 22.10 fixed point: the last position of a
// non-looping sample, and the first and last positions of the loop. The last
// positions lie within the last byte, so it plays, and a loop's length in
// bytes is its period exactly.
struct Bounds {
    int64_t end;
    int64_t loopStart;
    int64_t loopEnd;

    int64_t loopLength() const { return loopEnd - loopStart + 1; }
};

// How one voice is mixed during a piece.
struct VoiceGains {
    SpanMixer mixer;
    const int32_t* leftTable;
    const int32_t* rightTable;
    int32_t leftGain;
    int32_t rightGain;
    FilterState* filter;
};

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

// Frames until the position passes the boundary ahead, at most limit.
uint32_t framesBeforeBoundary(const Voice& v, const Bounds& b, uint32_t limit) {
    if (v.step == 0) return limit;  // a frequency under rate / 1024 holds its point
    const bool backwards = v.step < 0;
    int64_t boundary;
    if (backwards) {
        boundary = isLooped(v) ? b.loopStart : 0;
    } else {
        boundary = isLooped(v) ? b.loopEnd : b.end;
    }
    const int64_t distance = backwards ? v.position - boundary : boundary - v.position;
    if (distance < 0) return 0;
    const uint32_t stepSize = backwards ? 0u - static_cast<uint32_t>(v.step) : static_cast<uint32_t>(v.step);
    // 32-bit division whenever it suffices: 64-bit division is a library call on x86.
    const uint64_t fit = distance <= UINT32_MAX ? static_cast<uint32_t>(distance) / stepSize + 1ull
                                                : static_cast<uint64_t>(distance) / stepSize + 1;
    const uint32_t spanLimit = kMaxSpanDistance / stepSize;
    return static_cast<uint32_t>(std::min<uint64_t>({fit, limit, spanLimit}));
}

// Mixes frames of v into out, following loops, reversals and the end.
void renderVoice(Voice& v, int32_t* out, uint32_t frames, uint32_t valuesPerFrame, const VoiceGains& gains) {
    const bool sixteenBit = (v.flags & kSample16Bit) != 0;
    const Bounds b{int64_t{v.lastByte} * 1024 + 1023, int64_t{v.loopStart} * 1024,
                   int64_t{v.loopLastByte} * 1024 + 1023};
    // Direction follows the flag; a start between ticks replaces the flags
    // before the next tick has set the step's sign.
    if ((v.step < 0) != isBackwards(v)) v.step = -v.step;
    while (frames > 0) {
        if (!applyBoundaries(v, b)) return;
        if (!v.data) {
            stopAtZero(v);
            return;
        }
        const uint32_t n = framesBeforeBoundary(v, b, frames);
        if (n == 0) {
            v.active = false;
            return;
        }
        if (v.volume != 0) {
            const int64_t last = v.position + int64_t{n - 1} * v.step;
            const int64_t lowest = std::min(v.position, last);  // >= 0: no boundary lies below 0
            const int pointShift = sixteenBit ? 11 : 10;
            const int64_t point = lowest >> pointShift;
            MixSpan span;
            span.out = out;
            span.frames = n;
            span.base = v.data + point * (sixteenBit ? 2 : 1);
            span.position = static_cast<uint32_t>(v.position - point * (int64_t{1} << pointShift));
            span.step = static_cast<uint32_t>(v.step);
            span.leftTable = gains.leftTable;
            span.rightTable = gains.rightTable;
            span.leftGain = gains.leftGain;
            span.rightGain = gains.rightGain;
            span.filter = gains.filter;
            gains.mixer(span);
        }
        v.position += int64_t{n} * v.step;
        out += n * valuesPerFrame;
        frames -= n;
    }
}

// Position increment per output frame for a frequency, in 22.10 fixed point.
int32_t stepFor(const Voice& v, uint32_t rate) {
    const auto hz = static_cast<uint32_t>(v.frequency);
    uint64_t step = (uint64_t{hz / rate} << 10) | (uint64_t{hz % rate} * 1024 / rate);
    if (v.flags & kSample16Bit) step *= 2;
    step = std::min(step, kMaxStep);
    const auto signedStep = static_cast<int32_t>(step);
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

void resetVoice(Voice& v, int index) {
    v = Voice{};
    v.panning = index % 2 == 0 ? kMaxPanning : 0;
}

}  // namespace

struct DiskWriter::Tables {
    int32_t amplitudeScale = 0;  // A = 16777216 / channel count
    int outputShift = 0;         // S
    uint32_t chunkFrames = kAccumulatorValues;
    SpanMixer mix8 = nullptr;
    SpanMixer mix16 = nullptr;
    SpanMixer mixFiltered8 = nullptr;
    SpanMixer mixFiltered16 = nullptr;
    int32_t volume[kTableCount][256];
    // Last, so that the sanitizers see any write past it.
    alignas(16) int32_t accumulator[kAccumulatorValues];
};

DiskWriter::DiskWriter() : tables_(std::make_unique<Tables>()) { open(OutputMode{}); }

DiskWriter::~DiskWriter() = default;

void DiskWriter::open(const OutputMode& mode) {
    mode_ = mode;
    for (int i = 0; i < kVoiceCount; ++i) resetVoice(voices_[static_cast<size_t>(i)], i);
    // The routines, shift and chunk depend on the format: keep them matching.
    prepare(channelCount_);
}

void DiskWriter::close() {
    // Sample memory goes with the song: drop every voice's pointer into it.
    for (int i = 0; i < kVoiceCount; ++i) resetVoice(voices_[static_cast<size_t>(i)], i);
}

std::string DiskWriter::description() const {
    std::string text = std::to_string(mode_.rate) + "Hz, ";
    text += mode_.sixteenBit ? "16bits, " : "8bits, ";
    text += mode_.stereo ? "stereo, " : "mono, ";
    if (!mode_.interpolation) text += "no ";
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
    const int mode = (mode_.stereo ? kMixStereo : 0) | (mode_.interpolation ? kMixInterpolate : 0);
    t.mix8 = spanMixer(mode);
    t.mix16 = spanMixer(mode | kMix16BitData);
    t.mixFiltered8 = spanMixer(mode | kMixFilter);
    t.mixFiltered16 = spanMixer(mode | kMixFilter | kMix16BitData);
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
            updateVoicesAfterTick();
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

void DiskWriter::updateVoicesAfterTick() {
    const uint32_t rate = mode_.rate != 0 ? mode_.rate : 1;
    const int32_t scale = tables_->amplitudeScale;
    for (Voice& v : voices_) {
        if (v.trigger) {
            v.position = int64_t{v.start} * 1024;
            v.active = true;
            v.trigger = false;
        }
        if (v.frequency == 0) v.active = false;
        if (v.active) v.step = stepFor(v, rate);
        if (v.filterChanged) {
            // The pow calls run only when a filtered voice's settings move.
            const FilterState coefficients = filterCoefficients(v.filter, rate);
            v.filterState.a = coefficients.a;
            v.filterState.b = coefficients.b;
            v.filterState.c = coefficients.c;
            v.filterChanged = false;
        }
        if (mode_.stereo) {
            v.leftAmplitude = (kMaxPanning - v.panning) * v.volume / 255 * scale / 64;
            v.rightAmplitude = v.volume * v.panning / 255 * scale / 64;
        } else {
            v.leftAmplitude = scale * v.volume / 64;
        }
    }
}

void DiskWriter::mixPiece(uint8_t* out, uint32_t frames) {
    Tables& t = *tables_;
    const uint32_t valuesPerFrame = mode_.stereo ? 2 : 1;
    const uint32_t values = frames * valuesPerFrame;
    std::memset(t.accumulator, 0, values * sizeof(int32_t));
    for (Voice& v : voices_) {
        if (!v.active) continue;
        VoiceGains gains{};
        if (v.filter.on) {
            gains.mixer = (v.flags & kSample16Bit) ? t.mixFiltered16 : t.mixFiltered8;
            gains.leftGain = v.leftAmplitude >> 8;
            gains.rightGain = v.rightAmplitude >> 8;
            gains.filter = &v.filterState;
        } else if (v.flags & kSample16Bit) {
            gains.mixer = t.mix16;
            gains.leftGain = v.leftAmplitude >> 8;
            gains.rightGain = v.rightAmplitude >> 8;
        } else if (mode_.stereo) {
            gains.mixer = t.mix8;
            gains.leftTable = t.volume[v.volume * (kMaxPanning - v.panning) / 255];
            gains.rightTable = t.volume[v.volume * v.panning / 255];
        } else {
            gains.mixer = t.mix8;
            gains.leftTable = t.volume[v.volume];
        }
        renderVoice(v, t.accumulator, frames, valuesPerFrame, gains);
    }
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
    if (kept & kSampleLooped) {
        loopEnd = std::min(loopEnd, end);
        // An empty loop has nothing to repeat: play once.
        if (loopStart < 0 || loopEnd <= loopStart) kept &= ~(kSampleLooped | kSamplePingPong);
    }
    Voice& v = voices_[static_cast<size_t>(voice)];
    v.data = data;
    v.start = start;
    v.lastByte = end - 1;
    v.loopStart = loopStart;
    v.loopLastByte = loopEnd > INT32_MIN ? loopEnd - 1 : loopEnd;
    v.flags = kept;
    v.trigger = true;
}

void DiskWriter::stopVoice(int voice) {
    if (voice >= 0 && voice < kVoiceCount) voices_[static_cast<size_t>(voice)].active = false;
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
    voices_[static_cast<size_t>(to)] = source;
    source.active = false;
    source.trigger = false;
}

bool DiskWriter::voicePlaying(int voice) const {
    if (voice < 0 || voice >= kVoiceCount) return false;
    const Voice& v = voices_[static_cast<size_t>(voice)];
    return v.active || v.trigger;
}

}  // namespace tumbor::trk
