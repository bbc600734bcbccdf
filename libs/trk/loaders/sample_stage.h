// The sample stage every loader ends with: sample memory for the whole
// song, then each sample's data read (or decoded), delta-summed, made
// signed, reduced, and given guard bytes for interpolation.
#pragma once

#include "libs/trk/loaders/module_reader.h"
#include "libs/trk/model/song.h"

namespace tumbor::trk {

enum SampleStageResult : int {
    kSamplesLoaded = 0,
    kOutOfSampleMemory = 1,
    kSampleSeekError = 8,
    kOutOfMainMemory = 10,
};

// Most sample memory one song may take; a song that asks for more is refused
// as out of sample memory.
constexpr uint64_t kSampleMemoryLimit = 512ull << 20;

int loadSampleData(ModuleReader& reader, Song& song);

// The message for a load that failed with result; null for success.
const char* sampleStageMessage(int result);

}  // namespace tumbor::trk
