// The software mixer "Disk writer": 64 voices resampled into an accumulator
// and written as 8- or 16-bit, mono or stereo PCM. It produces sound only
// when asked to render, running the sequencer's ticks as they fall due.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "libs/trk/mixer/mix_routines.h"
#include "libs/trk/mixer/sound_driver.h"

namespace tumbor::trk {

class DiskWriter final : public VoiceControl {
public:
    // A voice for each of the song's channels (up to 32), and as many for
    // the notes channels leave sounding as they start new ones.
    static constexpr int kVoiceCount = 64;
    // With ramping, notes that are cut or restarted fade out in voices of
    // their own, beside the sequencer's.
    static constexpr int kFadingVoiceCount = 32;

    struct Voice {
        bool trigger = false;  // started; applied at the next tick
        bool active = false;
        uint32_t flags = 0;  // SampleFlag bits, plus kBackwards while a ping-pong runs back
        const uint8_t* data = nullptr;
        int32_t start = 0;         // bytes
        int32_t lastByte = 0;      // end - 1
        int32_t loopStart = 0;     // bytes
        int32_t loopLastByte = 0;  // loop end - 1
        int32_t frequency = 10000;
        int32_t volume = 0;    // 0 .. 64
        int32_t panning = 0;   // 0 .. 255
        int64_t position = 0;  // bytes with kPositionFractionBits fraction bits
        int64_t step = 0;      // per output frame, same format; negative backwards
        int32_t leftAmplitude = 0;
        int32_t rightAmplitude = 0;
        VoiceFilter filter;          // as the sequencer set it
        bool filterChanged = false;  // coefficients due at the next tick
        FilterState filterState;
        // Has turned at its loop: the points before the loop start are then
        // the loop's own, for the interpolators.
        bool wrapped = false;
        // Points after a forward loop's end that memory already holds as the
        // loop's first ones (the sample stage copies them there).
        int32_t loopEchoPoints = 0;
        int sincBand = 0;  // the sinc cutoff for the step
        // Ramping: the amplitudes in force, moving by the steps each frame
        // for rampFrames frames, then standing at left and right amplitude.
        int32_t currentLeft = 0;
        int32_t currentRight = 0;
        int32_t leftRampStep = 0;
        int32_t rightRampStep = 0;
        uint32_t rampFrames = 0;
        // A sample queued for the loop's end; null for none.
        const uint8_t* queuedData = nullptr;
        int32_t queuedLastByte = 0;
        int32_t queuedLoopStart = 0;
        int32_t queuedLoopLastByte = 0;
        uint32_t queuedFlags = 0;
    };
    static constexpr uint32_t kBackwards = 1u << 15;

    DiskWriter();
    ~DiskWriter() override;

    // Resets every voice and takes the output format.
    void open(const OutputMode& mode);
    void close();
    const OutputMode& mode() const { return mode_; }
    // "44100Hz, 16bits, stereo, no interpolation"; "cubic interpolation" or
    // "sinc interpolation" for those kinds.
    std::string description() const;

    // Builds the volume tables and chooses the mixing routines for a song of
    // channelCount channels (1 .. 32), which sets the loudness of each voice;
    // the next render starts with a tick.
    void prepare(int channelCount);

    // Renders frames output frames into out, running source's ticks as they
    // fall due; answers the number of bytes written.
    uint32_t render(uint8_t* out, uint32_t frames, TickSource& source);

    void startVoice(int voice, const uint8_t* data, int32_t start, int32_t end, int32_t loopStart,
                    int32_t loopEnd, uint32_t flags) override;
    void stopVoice(int voice) override;
    void queueSample(int voice, const uint8_t* data, int32_t end, int32_t loopStart, int32_t loopEnd,
                     uint32_t flags) override;
    void setVolume(int voice, int value) override;
    void setFrequency(int voice, int hz) override;
    void setPanning(int voice, int panning) override;
    void setFilter(int voice, const VoiceFilter& filter, bool clearHistory) override;
    void moveVoice(int from, int to) override;
    bool voicePlaying(int voice) const override;

    const Voice& voice(int index) const { return voices_[static_cast<size_t>(index)]; }
    // Frames a ramp lasts: on the way up (note starts, rising volumes) and
    // on the way down (cuts, falling volumes).
    uint32_t rampUpFrames() const { return rampUpFrames_; }
    uint32_t rampDownFrames() const { return rampDownFrames_; }

private:
    struct Tables;

    void updateVoiceAfterTick(Voice& v, uint32_t rate);
    void startRamp(Voice& v, bool changed);
    void fadeOut(const Voice& v);
    void mixPiece(uint8_t* out, uint32_t frames);
    void mixVoice(Voice& v, uint32_t frames);

    OutputMode mode_;
    std::array<Voice, kVoiceCount> voices_;
    std::array<Voice, kFadingVoiceCount> fading_;
    uint32_t rampUpFrames_ = 1;
    uint32_t rampDownFrames_ = 1;
    int channelCount_ = 1;
    uint32_t framesUntilTick_ = 0;
    std::unique_ptr<Tables> tables_;  // the volume tables, the accumulator and the chosen routines
};

}  // namespace tumbor::trk
