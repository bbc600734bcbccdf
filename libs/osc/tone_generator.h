// The endless sine tone: 16-bit stereo at 44100 Hz. The phase counter belongs
// to the generator, not to a stream, so a new tone starts at the sample index
// where the previous one stopped.
#pragma once

#include <atomic>
#include <cstdint>

namespace tumbor {

class ToneGenerator {
public:
    static constexpr int kSampleRate = 44100;

    // Chooses the tone of the next stream.
    void setTone(int frequency, bool phased);
    // Counts the position from zero again; the phase runs on.
    void restart() { delivered_ = 0; }
    // Writes bytes / 4 frames; the last bytes % 4 bytes are left untouched.
    void render(uint8_t* buffer, int bytes);
    // Tenths of a second delivered since the last restart.
    int positionTenths() const;

private:
    // period_ and phased_ are set by open while no output thread runs; only
    // the output thread renders, so phase_ is never touched by two at once.
    double period_ = 100.0;  // samples per cycle
    double phase_ = 0.0;     // samples generated since the library was loaded
    bool phased_ = false;
    // Written by the output thread, read by the window thread. 64 bits, so the
    // count neither overflows nor turns the position negative on long runs.
    std::atomic<int64_t> delivered_{0};
};

}  // namespace tumbor
