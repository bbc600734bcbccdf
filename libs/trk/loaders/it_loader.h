// The IT loader's parts that its two files share and its tests reach: the
// command translation, envelope expansion and the instrument reader.
#pragma once

#include <cstdint>
#include <vector>

#include "libs/trk/loaders/module_reader.h"
#include "libs/trk/model/song.h"

namespace tumbor::trk {

// An internal effect code and its parameter.
struct ItCommand {
    uint8_t code = 0;
    uint8_t parameter = 0;
};

// IT's command (1 = A .. 26 = Z, 0 none) with parameter, as the sequencer
// plays it; linear is the song's linear-slides flag.
ItCommand translateItCommand(int command, int parameter, bool linear);

enum class ItEnvelope : uint8_t { volume, panning, pitch };

// IT's 82-byte envelope block as a table of one value a tick; null when it
// has too few or too many nodes. An envelope that is off is kept, not
// enabled. Panning and pitch values are signed; pitch ones in eighths.
EnvelopeRef expandItEnvelope(const uint8_t* block, ItEnvelope kind);

// The instruments at the given file offsets (IT 2.00 and later unless
// oldFormat); false when one cannot be read.
bool readItInstruments(ModuleReader& reader, Song& song, const std::vector<uint32_t>& offsets,
                       bool oldFormat);

}  // namespace tumbor::trk
