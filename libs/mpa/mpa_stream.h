// One MPEG stream being played: where its frames start, the decoder, and the
// decoded sound cut into blocks of exactly kBlockBytes for the player, with
// position, length, bitrate and seeking measured in the stream's bytes.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "libs/common/stream_input.h"
#include "libs/mpa/mpeg_decoder.h"

namespace tumbor {

constexpr int kBlockBytes = 16384;  // 16-bit stereo PCM handed over per block

class MpaStream {
public:
    explicit MpaStream(const StreamInput& input) : input_(input) {}

    // Where open found the first frame.
    void setDataStart(uint32_t offset) { dataStart_ = offset; }

    // Resets the decoder, allocates the buffers and primes the decoder on the
    // first block. False when memory or the decoder cannot be had.
    bool start(int quality, int stereo);
    // The output rate found while priming (the stream's rate >> quality).
    uint32_t outputRate() const { return outputRate_; }
    // Frees the buffers and the decoder.
    void stop();

    // Tenths of a second, from the input position and the current frame's
    // bitrate; 0 for free-format streams.
    int position() const;
    int length() const;
    int bitrate() const { return currentKbps_.load() * 1000; }

    // Moves to tenths (negative means 0) by the current bitrate and lines the
    // decoder up on a frame shaped like the stream's first one; with exact,
    // also refills the decoder's history. The input seek's answer, or 0.
    int seek(int tenths, bool exact);
    // Fills count bytes (destination may be null); false when the stream ended
    // during this call, the rest of the request then being silence.
    bool decode(uint8_t* destination, int count);

private:
    int64_t bytesPerTenth() const { return (static_cast<int64_t>(currentKbps_.load()) * 25) / 2; }
    bool readFrame();
    void decodeFrameIntoBlocks();
    void noteFirstHeader();
    bool resynchronise();
    bool findFirstHeaderForward();
    void endOfStream();

    const StreamInput& input_;
    MpegDecoder decoder_;
    uint32_t dataStart_ = 0;
    uint32_t outputRate_ = 0;
    bool monoOutput_ = false;
    std::unique_ptr<uint8_t[]> decodeBuffer_;  // PCM of the block being filled
    std::unique_ptr<uint8_t[]> blockBuffer_;   // the last complete block
    int decodeFill_ = 0;                       // bytes in decodeBuffer_
    int remaining_ = 0;                        // bytes of blockBuffer_ not yet handed over
    // Read by the window thread's position queries while the output thread decodes.
    std::atomic<int> currentKbps_{0};
    int currentFrameBytes_ = 0;
    bool firstHeaderKnown_ = false;
    uint32_t firstHeader_ = 0;
};

}  // namespace tumbor
