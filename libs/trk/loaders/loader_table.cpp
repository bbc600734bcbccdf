// The loader of each format, and the checks every loaded song passes.
#include <algorithm>

#include "libs/trk/loaders/loaders.h"

namespace tumbor::trk {

Loader loaderFor(SongFormat format) {
    switch (format) {
        case SongFormat::mod:
            return loadMod;
        case SongFormat::s3m:
            return loadS3m;
        case SongFormat::xm:
            return loadXm;
        case SongFormat::it:
            return loadIt;
        case SongFormat::mtm:
            return loadMtm;
        case SongFormat::ptm:
            return loadPtm;
        case SongFormat::stm:
            return loadStm;
        case SongFormat::s669:
            return load669;
        case SongFormat::far:
            return loadFar;
        case SongFormat::dsm:
            return loadDsm;
        case SongFormat::mdl:
            return loadMdl;
        case SongFormat::dmf:
            return loadDmf;
        default:
            return nullptr;
    }
}

void checkLoadedSong(Song& song) {
    song.channelCount = std::clamp(song.channelCount, 1, kMaxChannels);
    if (song.orders.size() > static_cast<size_t>(kMaxOrders)) song.orders.resize(kMaxOrders);
    song.length = std::clamp(song.length, 0, static_cast<int>(song.orders.size()));
    song.instrumentCount = std::clamp(song.instrumentCount, 0, kMaxInstruments);
    // Speed and tempo 0 would make rows or ticks endless.
    if (song.initialSpeed <= 0 || song.initialSpeed > 255) song.initialSpeed = 6;
    if (song.initialTempo <= 0 || song.initialTempo > 255) song.initialTempo = 125;
    song.initialGlobalVolume = std::clamp(song.initialGlobalVolume, 0, 255);
    for (int& panning : song.channelPanning) panning = std::clamp(panning, 0, 255);
    for (int& volume : song.channelVolume) volume = std::clamp(volume, 0, 64);
    for (std::unique_ptr<Sample>& sample : song.samples) {
        if (!sample) continue;
        if (sample->is16Bit()) {
            // Whole points only.
            sample->length &= ~1u;
            sample->loopStart &= ~1u;
            sample->loopEnd &= ~1u;
        }
        sample->loopEnd = std::min(sample->loopEnd, sample->length);
        // A loop without room to loop in plays the sample once.
        if (sample->loopStart >= sample->loopEnd) sample->flags &= ~(kSampleLooped | kSamplePingPong);
        sample->volume = std::clamp(sample->volume, 0, song.maxChannelVolume);
    }
}

}  // namespace tumbor::trk
