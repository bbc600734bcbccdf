// The equalizer's settings on their way from the thread that changes them to
// the output thread, which never waits for them: the writer stores the
// values and then counts the change; before each buffer the output thread
// compares the count and the format with those its filters were worked out
// for, and works them out again only when either differs.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "player/engine/equalizer.h"

namespace tumbor {

class EqualizerHandOff {
public:
    // From one thread at a time; takes effect from the next buffer.
    void set(const EqualizerSettings& settings);
    EqualizerSettings settings() const;

    // Output thread only: filters a buffer of PCM in the given format.
    void process(uint8_t* data, size_t bytes, uint32_t sampleRate, uint32_t channels, uint32_t bitsPerSample);

private:
    std::atomic<bool> enabled_{false};
    std::atomic<int> preampTenths_{0};
    std::array<std::atomic<int>, kEqualizerBands> bandTenths_{};
    std::atomic<uint32_t> changes_{0};

    // The output thread's own: what its filter was last worked out for.
    uint32_t seenChanges_ = 0;
    uint32_t sampleRate_ = 0;
    uint32_t channels_ = 0;
    EqualizerFilter filter_;
};

}  // namespace tumbor
