// The libmpg123 calls behind MpegDecoder.
#include "libs/mpa/mpeg_decoder.h"

#include <mpg123.h>

#include <cstdio>
#include <cstring>

namespace tumbor {
namespace {

// Frames decoded and thrown away before the frame a seek lands on. Layer
// III's bit reservoir reaches 511 bytes back (255 in MPEG-2 and 2.5): as
// many as 24 of the smallest frames, whose main data may be 11 bytes; the
// synthesis history needs one frame more.
constexpr long kFramesBeforeSeek = 32;

// Rates libmpg123 produces without help: the MPEG sample rates.
bool isStandardRate(long rate) {
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        if (rates[i] == rate) return true;
    return false;
}

long monoFlags(int stereo) {
    switch (stereo) {
        case 0:
            return MPG123_MONO_LEFT;
        case 1:
            return MPG123_MONO_RIGHT;
        case 3:
            return MPG123_MONO_MIX;
        default:
            return 0;
    }
}

}  // namespace

MpegDecoder::~MpegDecoder() { release(); }

void MpegDecoder::release() {
    if (!handle_) return;
    mpg123_close(handle_);
    mpg123_delete(handle_);
    handle_ = nullptr;
}

bool MpegDecoder::reset(uint32_t dataStart, int quality, int stereo, long nativeRate, bool gapless) {
    if (!handle_) {
        handle_ = mpg123_new(nullptr, nullptr);
        if (!handle_) return false;
    }
    mpg123_close(handle_);
    lastFrame_ = FrameFacts();
    long mono = monoFlags(stereo);
    mono_ = mono != 0;
    // The module decides what is sound: no peeking at the end of the stream,
    // and gapless trimming only when asked for; a leading Xing/Info frame is
    // read for its frame count and not played, as mpg123 --no-gapless does. Tags met inside the
    // stream are passed over unparsed. The input can seek, though libmpg123
    // does not learn its size. Each MPG123_MONO_* bit alone selects its kind
    // of mono.
    long flags = MPG123_QUIET | MPG123_NO_PEEK_END | MPG123_SKIP_ID3V2 | MPG123_FORCE_SEEKABLE |
                 (mono_ ? mono : static_cast<long>(MPG123_FORCE_STEREO)) | (gapless ? MPG123_GAPLESS : 0);
    long outputRate = nativeRate >> quality;
    bool forceRate = nativeRate > 0 && !isStandardRate(outputRate);
    if (mpg123_param(handle_, MPG123_FLAGS, flags, 0) != MPG123_OK ||
        mpg123_param(handle_, MPG123_PREFRAMES, kFramesBeforeSeek, 0) != MPG123_OK ||
        mpg123_param(handle_, MPG123_DOWN_SAMPLE, quality, 0) != MPG123_OK ||
        mpg123_param(handle_, MPG123_FORCE_RATE, forceRate ? outputRate : 0, 0) != MPG123_OK ||
        mpg123_format_none(handle_) != MPG123_OK)
        return false;
    int channels = mono_ ? MPG123_MONO : MPG123_STEREO;
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i) mpg123_format(handle_, rates[i], channels, MPG123_ENC_SIGNED_16);
    if (forceRate) mpg123_format(handle_, outputRate, channels, MPG123_ENC_SIGNED_16);
    window_ = ReaderWindow();
    window_.source = &source_;
    window_.base = dataStart;
    return openOnWindow(handle_, window_);
}

bool MpegDecoder::readFrame() {
    if (!handle_) return false;
    int result = mpg123_framebyframe_next(handle_);
    if (result != MPG123_OK && result != MPG123_NEW_FORMAT) return false;
    mpg123_frameinfo2 info;
    if (mpg123_info2(handle_, &info) != MPG123_OK) return false;
    unsigned long header = 0;
    mpg123_framedata(handle_, &header, nullptr, nullptr);
    lastFrame_.kbps = info.bitrate;
    lastFrame_.frameBytes = info.framesize;
    lastFrame_.sampleRate = info.rate;
    lastFrame_.samplesPerFrame = mpg123_spf(handle_);
    lastFrame_.header = static_cast<uint32_t>(header);
    lastFrame_.number = mpg123_tellframe(handle_);
    return true;
}

// libmpg123 is lent the caller's memory as its output buffer for this one
// frame, which saves copying every sample once more.
size_t MpegDecoder::decodeFrameInto(uint8_t* out, size_t room) {
    unsigned char* audio = nullptr;
    size_t bytes = 0;
    if (!handle_ || mpg123_replace_buffer(handle_, out, room) != MPG123_OK ||
        mpg123_framebyframe_decode(handle_, nullptr, &audio, &bytes) != MPG123_OK || audio != out ||
        bytes > room)
        return 0;
    return bytes;
}

int64_t MpegDecoder::announcedFrames() {
    if (!handle_) return 0;
    // Without an info frame libmpg123 can only count the frames read so far:
    // it is not let look for the end of the stream.
    off_t frames = mpg123_framelength(handle_);
    return frames > lastFrame_.number + 1 ? static_cast<int64_t>(frames) : 0;
}

uint32_t MpegDecoder::vbriFrames() {
    constexpr size_t kVbriAt = 32;     // behind the header, whatever the channel mode
    constexpr size_t kVbriBytes = 18;  // up to and including the frame count
    unsigned long header = 0;
    unsigned char* body = nullptr;
    size_t bytes = 0;
    if (!handle_ || mpg123_framedata(handle_, &header, &body, &bytes) != MPG123_OK || !body) return 0;
    bool layer3 = ((header >> 17) & 3) == 1;
    if (!layer3 || bytes < kVbriAt + kVbriBytes || std::memcmp(body + kVbriAt, "VBRI", 4) != 0) return 0;
    return readU32be(body + kVbriAt + 14);
}

bool MpegDecoder::seekFrame(int64_t frame, uint8_t* scratch, size_t room) {
    return handle_ && mpg123_replace_buffer(handle_, scratch, room) == MPG123_OK &&
           mpg123_seek_frame(handle_, static_cast<off_t>(frame), SEEK_SET) >= 0;
}

}  // namespace tumbor
