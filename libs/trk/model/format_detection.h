// Which of the twelve formats a file is, decided by signatures alone (never
// by the file name), in a fixed order: the first match wins.
#pragma once

#include "libs/trk/loaders/module_reader.h"
#include "libs/trk/model/song.h"

namespace tumbor::trk {

// SongFormat::none when no signature matches.
SongFormat detectFormat(ModuleReader& reader);

}  // namespace tumbor::trk
