// The two sides of the line between the sequencer and the mixer: the voice
// commands the sequencer sends, and the tick the mixer asks it for. The
// sequencer knows notes and periods, never PCM; the mixer knows voices and
// samples, never rows.
#pragma once

#include <cstdint>

namespace tumbor::trk {

// A voice's resonant low-pass (IT): cutoff and resonance 0 .. 127, and the
// filter envelope's scaling of the cutoff, -256 .. 256 (256 keeps it whole).
struct VoiceFilter {
    bool on = false;
    int cutoff = 127;
    int resonance = 0;
    int envelope = 256;

    bool operator==(const VoiceFilter& other) const {
        return on == other.on && cutoff == other.cutoff && resonance == other.resonance &&
               envelope == other.envelope;
    }
    bool operator!=(const VoiceFilter& other) const { return !(*this == other); }
};

// Voice commands. They only store values; the mixer applies them when the
// tick that sent them has finished.
class VoiceControl {
public:
    virtual ~VoiceControl() = default;
    // Plays data[start .. end) (bytes), looping over [loopStart, loopEnd) when
    // flags say so (SampleFlag bits). Ignored when start >= end.
    virtual void startVoice(int voice, const uint8_t* data, int32_t start, int32_t end, int32_t loopStart,
                            int32_t loopEnd, uint32_t flags) = 0;
    virtual void stopVoice(int voice) = 0;
    // Where the voice's loop next ends, it goes on with this sample's loop
    // instead (ProTracker's sample number without a note); a sample without
    // a loop falls silent there. A voice that does not loop keeps its sample.
    virtual void queueSample(int voice, const uint8_t* data, int32_t end, int32_t loopStart, int32_t loopEnd,
                             uint32_t flags) = 0;
    // value 0 .. 511; the voice keeps value >> 3.
    virtual void setVolume(int voice, int value) = 0;
    virtual void setFrequency(int voice, int hz) = 0;
    // 0 left .. 255 right.
    virtual void setPanning(int voice, int panning) = 0;
    // The voice's filter from now on; clearHistory starts it from silence.
    virtual void setFilter(int voice, const VoiceFilter& filter, bool clearHistory) = 0;
    // Voice to goes on from where voice from stands in its sample, with its
    // settings; from falls silent.
    virtual void moveVoice(int from, int to) = 0;
    // Whether the voice still plays: started and not stopped or run out.
    virtual bool voicePlaying(int voice) const = 0;
};

// The sequencer as the mixer sees it.
class TickSource {
public:
    virtual ~TickSource() = default;
    // Runs one tick and answers how many output frames it lasts at this rate
    // (at least 1).
    virtual uint32_t runTick(uint32_t outputRate) = 0;
};

// How the mixer reads between a sample's points.
enum Interpolation : int {
    kInterpolationNone = 0,    // the point at or before the position
    kInterpolationLinear = 1,  // a straight line between two neighbours
    kInterpolationCubic = 2,   // a cubic through four neighbours
    kInterpolationSinc = 3,    // a windowed sinc over eight neighbours
};

// The mixer's output format and sound.
struct OutputMode {
    uint32_t rate = 44100;
    bool stereo = true;
    bool sixteenBit = true;
    int interpolation = kInterpolationNone;  // an Interpolation
    bool ramping = false;                   // volume changes, starts and cuts glide
    int stereoSeparation = 100;             // percent, 0 (mono) .. 200

    uint32_t bytesPerFrame() const { return (sixteenBit ? 2u : 1u) * (stereo ? 2u : 1u); }
};

}  // namespace tumbor::trk
