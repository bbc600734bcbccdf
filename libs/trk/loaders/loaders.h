// The format loaders. Each reads its format's header, orders, patterns and
// instrument and sample headers into the song, translating its commands into
// the internal effect codes, and leaves every sample describing where its
// data lie; the sample stage reads them afterwards. A loader answers false
// for a broken file.
#pragma once

#include "libs/trk/loaders/module_reader.h"
#include "libs/trk/model/song.h"

namespace tumbor::trk {

using Loader = bool (*)(ModuleReader& reader, Song& song);

// The loader of a detected format; null for formats without one.
Loader loaderFor(SongFormat format);

bool loadMod(ModuleReader& reader, Song& song);
bool loadS3m(ModuleReader& reader, Song& song);
bool loadXm(ModuleReader& reader, Song& song);
// The 15-sample form without a signature, which detection never picks.
bool loadModFifteenSamples(ModuleReader& reader, Song& song);
bool loadIt(ModuleReader& reader, Song& song);
bool loadMtm(ModuleReader& reader, Song& song);
bool loadPtm(ModuleReader& reader, Song& song);
bool loadStm(ModuleReader& reader, Song& song);
bool load669(ModuleReader& reader, Song& song);
bool loadFar(ModuleReader& reader, Song& song);
bool loadDsm(ModuleReader& reader, Song& song);
bool loadMdl(ModuleReader& reader, Song& song);
bool loadDmf(ModuleReader& reader, Song& song);

// Holds a loaded song to the limits the sequencer and the mixer rely on:
// channel count, speed, tempo, order list, loop points. Run after every loader.
void checkLoadedSong(Song& song);

}  // namespace tumbor::trk
