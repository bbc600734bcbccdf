// Where the MPEG frames of a stream begin: at offset 0, after a 4-byte
// big-endian length prefix, or in the "data" chunk of a RIFF/WAVE file whose
// format chunk declares 0 bits per sample. Only the first 4096 bytes behind
// any ID3v2 tags in front count.
#pragma once

#include <cstdint>

#include "libs/common/stream_input.h"

namespace tumbor {

constexpr int kDataStartProbeSize = 4096;

struct DataStartResult {
    bool found = false;
    uint32_t offset = 0;              // of the first frame, when found
    uint32_t tagsEnd = 0;             // the end of the ID3v2 tags in front, 0 for none
    const char* errorText = nullptr;  // the message to leave for the player otherwise
};

// Looks for the data start in the first kDataStartProbeSize bytes of a stream.
bool locateDataStart(const uint8_t (&probe)[kDataStartProbeSize], uint32_t& offset);

// Reads the probe from the start of the input, or from behind the ID3v2 tags
// in front, and locates the data start.
DataStartResult findDataStart(const StreamInput& input);

}  // namespace tumbor
