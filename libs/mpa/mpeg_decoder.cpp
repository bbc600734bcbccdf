// The libmpg123 calls behind MpegDecoder.
#include "libs/mpa/mpeg_decoder.h"

#include <mpg123.h>
#include <sys/types.h>

#include <cstdio>

namespace tumbor {
namespace {

ssize_t readInput(void* handle, void* buffer, size_t count) {
    const StreamInput& input = *static_cast<const StreamInput*>(handle);
    int wanted = count > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(count);
    int got = input.readSome(buffer, wanted);
    return got < 0 ? 0 : got;
}

off_t seekInput(void* handle, off_t offset, int whence) {
    const StreamInput& input = *static_cast<const StreamInput*>(handle);
    int64_t base = 0;
    if (whence == SEEK_CUR) base = input.tell();
    if (whence == SEEK_END) base = input.size();
    int64_t target = base + static_cast<int64_t>(offset);
    if (target < 0 || !input.seek(static_cast<uint64_t>(target))) return -1;
    return static_cast<off_t>(target);
}

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

bool MpegDecoder::reset(const StreamInput& input, int quality, int stereo, long nativeRate) {
    if (!handle_) {
        handle_ = mpg123_new(nullptr, nullptr);
        if (!handle_) return false;
    }
    mpg123_close(handle_);
    lastFrame_ = FrameFacts();
    long mono = monoFlags(stereo);
    mono_ = mono != 0;
    // The module decides what is sound: no gapless trimming, no peeking at the
    // end of the stream, and a leading Xing/LAME frame decodes like any other.
    // Each MPG123_MONO_* bit alone selects its kind of mono.
    long flags = MPG123_QUIET | MPG123_NO_PEEK_END | MPG123_IGNORE_INFOFRAME |
                 (mono_ ? mono : static_cast<long>(MPG123_FORCE_STEREO));
    long outputRate = nativeRate >> quality;
    bool forceRate = nativeRate > 0 && !isStandardRate(outputRate);
    if (mpg123_param(handle_, MPG123_FLAGS, flags, 0) != MPG123_OK ||
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
    return mpg123_replace_reader_handle(handle_, readInput, seekInput, nullptr) == MPG123_OK &&
           mpg123_open_handle(handle_, const_cast<StreamInput*>(&input)) == MPG123_OK;
}

bool MpegDecoder::readFrame() {
    if (!handle_) return false;
    int result = mpg123_framebyframe_next(handle_);
    if (result != MPG123_OK && result != MPG123_NEW_FORMAT) return false;
    mpg123_frameinfo2 info;
    if (mpg123_info2(handle_, &info) != MPG123_OK) return false;
    lastFrame_.kbps = info.bitrate;
    lastFrame_.frameBytes = info.framesize;
    lastFrame_.sampleRate = info.rate;
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

}  // namespace tumbor
