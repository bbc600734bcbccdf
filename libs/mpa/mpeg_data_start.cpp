// The three layouts an MPEG stream may arrive in, tested in a fixed order.
#include "libs/mpa/mpeg_data_start.h"

#include <cstring>

#include "libs/mpa/id3v2_tag.h"

namespace tumbor {
namespace {

constexpr uint32_t kLengthPrefixLimit = 4092;  // S + 1 must stay inside the probe
constexpr uint32_t kChunkWalkLimit = 4088;     // a chunk header must fit in the probe

// A frame sync: eleven set bits.
bool syncAt(const uint8_t (&probe)[kDataStartProbeSize], uint32_t offset) {
    return probe[offset] == 0xFF && (probe[offset + 1] & 0xE0) == 0xE0;
}

bool isMpegRiffWave(const uint8_t (&probe)[kDataStartProbeSize]) {
    // Bytes 34 and 35 are the bits-per-sample field of a canonical format chunk;
    // compressed payloads leave it at 0.
    return std::memcmp(probe, "RIFF", 4) == 0 && std::memcmp(probe + 8, "WAVE", 4) == 0 && probe[34] == 0 &&
           probe[35] == 0;
}

bool findDataChunk(const uint8_t (&probe)[kDataStartProbeSize], uint32_t& offset) {
    uint64_t position = 12;
    while (position < kChunkWalkLimit) {
        const uint8_t* chunk = probe + position;
        if (std::memcmp(chunk, "data", 4) == 0) {
            offset = static_cast<uint32_t>(position + 8);
            return true;
        }
        uint64_t length = readU32le(chunk + 4) & 0x7FFFFFFFu;
        position += length + 8;
    }
    return false;
}

}  // namespace

bool locateDataStart(const uint8_t (&probe)[kDataStartProbeSize], uint32_t& offset) {
    if (syncAt(probe, 0)) {
        offset = 0;
        return true;
    }
    uint64_t afterPrefix = static_cast<uint64_t>(readU32be(probe)) + 4;
    if (afterPrefix < kLengthPrefixLimit && syncAt(probe, static_cast<uint32_t>(afterPrefix))) {
        offset = static_cast<uint32_t>(afterPrefix);
        return true;
    }
    return isMpegRiffWave(probe) && findDataChunk(probe, offset);
}

DataStartResult findDataStart(const StreamInput& input) {
    DataStartResult result;
    if (!input.seek(0)) {
        result.errorText = "Failed to seek in stream";
        return result;
    }
    uint8_t probe[kDataStartProbeSize];
    if (!input.readExact(probe, kDataStartProbeSize)) {
        result.errorText = "Stream to small to be an MPEG stream";
        return result;
    }
    // The stream behind the tags must be as long as a probe too.
    InputMpegSource source(input);
    result.tagsEnd = static_cast<uint32_t>(skipFrontTags(source));
    if (result.tagsEnd > 0 && (!input.seek(result.tagsEnd) || !input.readExact(probe, kDataStartProbeSize))) {
        result.errorText = "Stream to small to be an MPEG stream";
        return result;
    }
    result.found = locateDataStart(probe, result.offset);
    result.offset += result.tagsEnd;
    if (!result.found) result.errorText = "Unable to find start of MPEG stream";
    return result;
}

}  // namespace tumbor
