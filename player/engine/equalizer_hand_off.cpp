// The equalizer's settings handed to the output thread without a lock.
#include "player/engine/equalizer_hand_off.h"

namespace tumbor {

void EqualizerHandOff::set(const EqualizerSettings& settings) {
    enabled_.store(settings.enabled, std::memory_order_relaxed);
    preampTenths_.store(settings.preampTenths, std::memory_order_relaxed);
    for (size_t band = 0; band < kEqualizerBands; ++band)
        bandTenths_[band].store(settings.bandTenths[band], std::memory_order_relaxed);
    changes_.fetch_add(1, std::memory_order_release);
}

EqualizerSettings EqualizerHandOff::settings() const {
    EqualizerSettings settings;
    settings.enabled = enabled_.load(std::memory_order_relaxed);
    settings.preampTenths = preampTenths_.load(std::memory_order_relaxed);
    for (size_t band = 0; band < kEqualizerBands; ++band)
        settings.bandTenths[band] = bandTenths_[band].load(std::memory_order_relaxed);
    return settings;
}

void EqualizerHandOff::process(uint8_t* data, size_t bytes, uint32_t sampleRate, uint32_t channels,
                               uint32_t bitsPerSample) {
    // The count is read before the values: a change stored while they are
    // read leaves the count newer than seenChanges_, so the next buffer
    // picks up the whole of it.
    const uint32_t changes = changes_.load(std::memory_order_acquire);
    if (changes != seenChanges_ || sampleRate != sampleRate_ || channels != channels_) {
        seenChanges_ = changes;
        sampleRate_ = sampleRate;
        channels_ = channels;
        filter_.configure(settings(), sampleRate, channels);
    }
    filter_.process(data, bytes, bitsPerSample);
}

}  // namespace tumbor
