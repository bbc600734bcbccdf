// Position, length, seek and decode shared by the WAV and VOC modules.
#include "libs/pcm/pcm_stream.h"

#include <cstring>

namespace tumbor {
namespace {

// Bytes per tenth of a second; 0 for rates too low to measure in tenths.
int64_t bytesPerTenth(const PcmStream& stream) { return stream.bytesPerSecond / 10; }

}  // namespace

int pcmPosition(const PcmStream& stream, const StreamInput& input) {
    int64_t perTenth = bytesPerTenth(stream);
    int64_t played = static_cast<int64_t>(input.tell()) - stream.dataStart;
    if (perTenth == 0 || played <= 0) return 0;
    return static_cast<int>(played / perTenth);
}

int pcmLength(const PcmStream& stream) {
    int64_t perTenth = bytesPerTenth(stream);
    if (perTenth == 0) return 0;
    return static_cast<int>((stream.dataEnd - stream.dataStart) / perTenth);
}

bool pcmSeek(const PcmStream& stream, const StreamInput& input, int tenths) {
    if (tenths < 0) tenths = 0;
    return input.seek(static_cast<uint64_t>(stream.dataStart) +
                      static_cast<uint64_t>(tenths) * stream.seekStep);
}

bool pcmDecode(const PcmStream& stream, const StreamInput& input, uint8_t* buffer, int count, int& sound) {
    sound = 0;
    if (!buffer || count <= 0) return false;
    int64_t remaining = stream.dataEnd - static_cast<int64_t>(input.tell());
    if (remaining <= 0) {
        std::memset(buffer, stream.silence, static_cast<size_t>(count));
        return false;
    }
    int wanted = remaining < count ? static_cast<int>(remaining) : count;
    int got = input.readSome(buffer, wanted);
    if (got < 0) got = 0;
    sound = got;
    // Whatever the file did not deliver (the last, partial buffer, or a file
    // that shrank under us) plays as silence rather than stale bytes.
    std::memset(buffer + got, stream.silence, static_cast<size_t>(count - got));
    return true;
}

}  // namespace tumbor
