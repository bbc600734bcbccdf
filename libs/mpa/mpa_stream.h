// One MPEG stream being played: where its frames start, the decoder, and the
// decoded sound cut into blocks of exactly kBlockBytes for the player, with
// position, length, bitrate and seeking measured in the stream's frames when
// a leading info frame counts them, else in the stream's bytes.
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
    explicit MpaStream(const StreamInput& input) : input_(input), decoder_(input) {}

    // Where open found the first frame.
    void setDataStart(uint32_t offset) { dataStart_ = offset; }
    // From the next start on: cut the encoder delay and padding a LAME/Info
    // frame declares, as libmpg123 does in its gapless mode.
    void setGapless(bool on) { gapless_ = on; }

    // Allocates the buffers, learns the stream's shape from its first frame
    // and leaves a fresh decoder before it. False when memory or the decoder
    // cannot be had.
    bool start(int quality, int stereo);
    // The output rate found in the first frame (the stream's rate >> quality).
    uint32_t outputRate() const { return outputRate_; }
    // Frees the buffers and the decoder.
    void stop();

    // Tenths of a second: from the frames read and the frame count of the
    // info frame, or else from the input position and the current frame's
    // bitrate (0 for free-format streams).
    int position() const;
    int length() const;
    int bitrate() const { return currentKbps_.load() * 1000; }

    // Moves to tenths (negative means 0). With a frame count, to the frame
    // holding that time, with the decoder's history as a straight decode has
    // it; else by the current bitrate, lining the decoder up on a frame shaped
    // like the stream's first one and, with exact, refilling its history. The
    // start is always a fresh decoder's. 1 on success (the input seek's answer
    // without a frame count), 0 on failure.
    int seek(int tenths, bool exact);
    // Fills count bytes (destination may be null); false when all it delivered
    // lies after the end of the sound, which ends in a last block padded with
    // silence.
    bool decode(uint8_t* destination, int count);
    // Bytes of sound the last decode delivered; the silence after the end follows them.
    int lastSoundBytes() const { return lastSound_; }

private:
    bool framed() const { return announcedFrames_ > 0; }
    int tenthsOfFrames(uint32_t frames) const;
    int64_t bytesPerTenth() const { return (static_cast<int64_t>(currentKbps_.load()) * 25) / 2; }
    void learnFromFirstFrame();
    bool restart();
    bool readFrame();
    void decodeFrameIntoBlocks();
    void endOfStream();
    int seekFrame(int tenths);
    int seekByBytes(int tenths, bool exact);
    bool resynchronise();
    bool findFirstHeaderForward();

    const StreamInput& input_;
    MpegDecoder decoder_;
    uint32_t dataStart_ = 0;
    uint32_t outputRate_ = 0;
    int quality_ = 0;
    int stereo_ = -1;
    long nativeRate_ = 0;  // as the first header declares it, for reopening
    bool monoOutput_ = false;
    std::unique_ptr<uint8_t[]> decodeBuffer_;  // PCM of the block being filled
    std::unique_ptr<uint8_t[]> blockBuffer_;   // the last complete block
    int decodeFill_ = 0;                       // bytes in decodeBuffer_
    int remaining_ = 0;                        // bytes of blockBuffer_ not yet handed over
    int blockSound_ = 0;                       // bytes of blockBuffer_ that are sound, from its start
    int lastSound_ = 0;
    bool gapless_ = false;
    bool ended_ = false;                       // no frame is read until a seek
    // Read by the window thread's position queries while the output thread decodes.
    std::atomic<int> currentKbps_{0};
    int currentFrameBytes_ = 0;
    bool firstHeaderKnown_ = false;
    uint32_t firstHeader_ = 0;
    // The frame timeline, set by start when an info frame counts the frames.
    uint32_t announcedFrames_ = 0;
    int64_t leadingFrames_ = 0;  // 1 when a VBRI frame leads: libmpg123 counts it as a frame
    int samplesPerFrame_ = 0;
    long streamRate_ = 0;
    std::atomic<uint32_t> framesRead_{0};  // read by the position queries too
};

}  // namespace tumbor
