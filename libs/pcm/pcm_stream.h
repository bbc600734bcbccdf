// Uncompressed sound copied straight from a WAV or VOC file to the player:
// the state both formats share, how each finds its sound bytes, and the
// position, seek and decode operations they have in common.
#pragma once

#include <cstdint>

#include "libs/common/stream_input.h"

namespace tumbor {

struct PcmStream {
    int64_t dataStart = 0;        // offset of the first sound byte
    int64_t dataEnd = 0;          // offset just past the last sound byte
    uint32_t bytesPerSecond = 0;  // of the sound bytes
    uint32_t seekStep = 0;        // bytes per tenth of a second that a seek moves
    uint8_t silence = 0x80;       // a silent sample byte: 0x80 for 8-bit, 0 for 16-bit
};

struct PcmOpenResult {
    bool accepted = false;
    const char* errorText = nullptr;  // message to leave for the player, if any
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    uint32_t bitsPerSample = 0;
};

// Parses the headers and fills stream; input positioned anywhere.
PcmOpenResult openWav(const StreamInput& input, PcmStream& stream);
PcmOpenResult openVoc(const StreamInput& input, PcmStream& stream);

// Tenths of a second from the start of the sound to the input position.
int pcmPosition(const PcmStream& stream, const StreamInput& input);
// Tenths of a second of sound in all.
int pcmLength(const PcmStream& stream);
// Moves the input to tenths (negative means 0) in steps of seekStep bytes.
bool pcmSeek(const PcmStream& stream, const StreamInput& input, int tenths);
// Fills count bytes with sound, padding with silence past the end of the
// sound; false once no sound was left for this buffer. sound is set to the
// bytes of sound in the buffer.
bool pcmDecode(const PcmStream& stream, const StreamInput& input, uint8_t* buffer, int count, int& sound);

}  // namespace tumbor
