// libmpg123 bound to the player's input services: it reads the stream through
// them with a replaceable reader, offsets counted from the first frame's, so
// the input position is always just past the last frame it read, and decodes
// one frame at a time to signed 16-bit PCM in one of the module's quality and
// channel modes. A leading Xing/Info frame is libmpg123's to read and skip.
#pragma once

#include <cstddef>
#include <cstdint>

#include "libs/common/stream_input.h"
#include "libs/mpa/mpg123_reader.h"

struct mpg123_handle_struct;

namespace tumbor {

// What the last frame read says about the stream.
struct FrameFacts {
    int kbps = 0;        // 0 for free-format streams
    int frameBytes = 0;  // header included
    long sampleRate = 0;
    int samplesPerFrame = 0;  // at the stream's own rate
    uint32_t header = 0;
    int64_t number = 0;  // libmpg123's count, 0 for the first frame after an info frame
};

class MpegDecoder {
public:
    explicit MpegDecoder(const StreamInput& input) : source_(input) {}
    ~MpegDecoder();
    MpegDecoder(const MpegDecoder&) = delete;
    MpegDecoder& operator=(const MpegDecoder&) = delete;

    // Forgets every frame, the bit reservoir and the synthesis history, and
    // reopens the stream at its first frame, at dataStart in the input. The
    // output: quality 0, 1 or 2 down-samples 1:1, 2:1 or 4:1; stereo -1 keeps
    // both channels, 0 the left, 1 the right, 3 their mix (any other value
    // means stereo). nativeRate, when known (else 0), is the stream's sample
    // rate, needed for rates below the usual ones. gapless cuts the encoder
    // delay and padding a LAME/Info frame declares. False when the decoder
    // cannot be made.
    bool reset(uint32_t dataStart, int quality, int stereo, long nativeRate, bool gapless = false);

    // Reads (without decoding) the next frame from the input position,
    // skipping what is not a frame as libmpg123 does. False when none is left.
    bool readFrame();
    // Decodes the frame last read straight into out (room bytes, at least
    // 16384) and answers the bytes written; 0 when it cannot be decoded.
    // Mono output holds one 16-bit value per sample, stereo two.
    size_t decodeFrameInto(uint8_t* out, size_t room);

    // After the first frame: the number of frames a leading Xing/Info frame
    // announced, else 0.
    int64_t announcedFrames();
    // The frame count of a VBRI info frame when the frame last read is one,
    // else 0.
    uint32_t vbriFrames();
    // Makes frame (libmpg123's count) the next one read, with the frames
    // before it decoded into scratch (room bytes, at least 16384) and thrown
    // away, so that its sound comes out as in a straight decode.
    bool seekFrame(int64_t frame, uint8_t* scratch, size_t room);

    // Frees libmpg123's handle and everything it holds.
    void release();

    bool monoOutput() const { return mono_; }
    const FrameFacts& lastFrame() const { return lastFrame_; }

private:
    InputMpegSource source_;
    ReaderWindow window_;
    mpg123_handle_struct* handle_ = nullptr;
    bool mono_ = false;
    FrameFacts lastFrame_;
};

}  // namespace tumbor
