// Finding the sound bytes of a Creative Voice file: the first sound-data block
// (type 1) after the 26-byte file header, 8-bit unsigned mono.
#include <cstring>

#include "libs/pcm/pcm_stream.h"

namespace tumbor {
namespace {

constexpr int kVocHeaderSize = 26;
constexpr char kVocSignature[] = "Creative Voice File";
constexpr int kMaxBytesToBlock = 1000;  // how far past the header the block type is looked for
constexpr uint8_t kSoundDataBlock = 1;

}  // namespace

PcmOpenResult openVoc(const StreamInput& input, PcmStream& stream) {
    PcmOpenResult result;
    uint8_t header[kVocHeaderSize];
    if (!input.seek(0) || !input.readExact(header, kVocHeaderSize)) return result;
    if (std::memcmp(header, kVocSignature, sizeof kVocSignature - 1) != 0) return result;

    // The header's data offset is not trusted: look for the block type byte.
    if (!input.eof()) {
        for (int scanned = 0; scanned < kMaxBytesToBlock; ++scanned) {
            uint8_t type;
            if (!input.readExact(&type, 1)) return result;
            if (type == kSoundDataBlock || input.eof()) break;
        }
    }
    // Block length (24-bit, counting the two parameter bytes), time constant, pack method.
    uint8_t block[5];
    if (!input.readExact(block, sizeof block)) return result;
    uint32_t blockLength = readU24le(block);
    uint8_t timeConstant = block[3];
    if (block[4] != 0) {
        result.errorText = "Packed VOC files are not yet supported.";
        return result;
    }
    stream.dataStart = input.tell();
    stream.dataEnd = stream.dataStart + (blockLength >= 2 ? blockLength - 2 : 0);
    if (stream.dataEnd > input.size()) stream.dataEnd = input.size();  // truncated: play to the end

    result.sampleRate = 1000000 / (256 - timeConstant);
    result.channels = 1;
    result.bitsPerSample = 8;
    stream.bytesPerSecond = result.sampleRate;
    stream.seekStep = stream.bytesPerSecond / 10;
    stream.silence = 0x80;
    result.accepted = true;
    return result;
}

}  // namespace tumbor
