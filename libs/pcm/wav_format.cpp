// Finding the sound bytes of a RIFF WAVE file. The "RIFF"/"WAVE" ids and the
// format tag are not examined: the fmt chunk is taken to start at byte 12, and
// chunks are walked from its end until the "data" chunk.
#include <cstring>

#include "libs/pcm/pcm_stream.h"

namespace tumbor {
namespace {

// The first 36 bytes of a canonical WAV file: RIFF header and fmt chunk.
struct WavHeader {
    uint32_t fmtSize;        // size of the fmt chunk body, at byte 16
    uint16_t channels;       // at byte 22
    uint32_t sampleRate;     // at byte 24
    uint16_t bitsPerSample;  // at byte 34
};
constexpr int kWavHeaderSize = 36;
constexpr int kChunkHeaderSize = 8;

WavHeader parseHeader(const uint8_t (&bytes)[kWavHeaderSize]) {
    WavHeader header;
    header.fmtSize = readU32le(bytes + 16);
    header.channels = readU16le(bytes + 22);
    header.sampleRate = readU32le(bytes + 24);
    header.bitsPerSample = readU16le(bytes + 34);
    return header;
}

}  // namespace

PcmOpenResult openWav(const StreamInput& input, PcmStream& stream) {
    PcmOpenResult result;
    uint8_t headerBytes[kWavHeaderSize];
    if (!input.seek(0) || !input.readExact(headerBytes, kWavHeaderSize)) return result;
    WavHeader header = parseHeader(headerBytes);

    uint8_t chunk[kChunkHeaderSize];
    if (!input.seek(20ull + header.fmtSize) || !input.readExact(chunk, kChunkHeaderSize)) return result;
    while (std::memcmp(chunk, "data", 4) != 0) {
        // No pad byte is skipped after odd-sized chunks.
        uint64_t next = static_cast<uint64_t>(input.tell()) + readU32le(chunk + 4);
        if (!input.seek(next) || !input.readExact(chunk, kChunkHeaderSize)) return result;
    }
    uint32_t dataSize = readU32le(chunk + 4);
    if (dataSize < 4) {
        result.errorText = "Empty WAV file.";
        return result;
    }
    stream.dataStart = input.tell();
    stream.dataEnd = stream.dataStart + dataSize;
    if (stream.dataEnd > input.size()) stream.dataEnd = input.size();  // truncated: play to the end

    if (header.bitsPerSample != 8 && header.bitsPerSample != 16) return result;
    if (header.channels != 1 && header.channels != 2) return result;
    uint64_t bytesPerSecond =
        static_cast<uint64_t>(header.sampleRate) * header.bitsPerSample * header.channels / 8;
    // The bit rate (bytes × 8) must fit the contract's 32-bit int.
    if (bytesPerSecond == 0 || bytesPerSecond * 8 > 0x7FFFFFFF) return result;

    stream.bytesPerSecond = static_cast<uint32_t>(bytesPerSecond);
    stream.seekStep = stream.bytesPerSecond / 10 / 4 * 4;  // whole stereo 16-bit frames
    stream.silence = header.bitsPerSample == 8 ? 0x80 : 0x00;
    result.accepted = true;
    result.sampleRate = header.sampleRate;
    result.channels = header.channels;
    result.bitsPerSample = header.bitsPerSample;
    return result;
}

}  // namespace tumbor
