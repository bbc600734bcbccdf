// libopusfile over the player's input services.
#include "libs/ogg/opus_stream.h"

#include <opusfile.h>

#include <climits>
#include <cstring>
#include <new>

#include "libs/common/comment_title.h"
#include "libs/ogg/ogg_input.h"

namespace tumbor {
namespace {

constexpr int kFrameBytes = 4;               // 16-bit stereo
constexpr int kSoundSamples = 120 * 48 * 2;  // the longest Opus packet, 120 ms, in stereo samples
// libopusfile decodes 80 ms before a seek's target, after which the sound
// still differs audibly from a straight decode's; half a second more makes
// it the same within a step.
constexpr int64_t kSeekPreroll = 24000;

const StreamInput& inputOf(void* source) { return *static_cast<const StreamInput*>(source); }

int readCallback(void* source, unsigned char* buffer, int count) {
    return readOgg(inputOf(source), buffer, count > 0 ? static_cast<size_t>(count) : 0);
}
int seekCallback(void* source, opus_int64 offset, int whence) {
    return seekOgg(inputOf(source), offset, whence);
}
opus_int64 tellCallback(void* source) { return inputOf(source).tell(); }

const OpusFileCallbacks kCallbacks = {readCallback, seekCallback, tellCallback, nullptr};

}  // namespace

void OpusStream::FileDeleter::operator()(OggOpusFile* file) const { op_free(file); }

bool OpusStream::open() {
    close();
    // libopusfile keeps the input's address; the stream outlives the file.
    void* source = const_cast<StreamInput*>(&input_);
    if (startsWithOggPage(input_) && input_.seek(0))
        file_.reset(op_test_callbacks(source, &kCallbacks, nullptr, 0, nullptr));
    if (!file_) {
        errorText_ = "Unable to find an Ogg Opus stream";
        return false;
    }
    if (op_test_open(file_.get()) != 0) {
        close();
        errorText_ = "The Ogg Opus stream is damaged";
        return false;
    }
    // Plain rounding: the same sound from the same file on every machine.
    op_set_dither_enabled(file_.get(), 0);
    if (const OpusTags* tags = op_tags(file_.get(), 0)) {
        CommentTitle title;
        for (int i = 0; i < tags->comments; ++i)
            if (tags->comment_lengths[i] > 0) {
                title.add(tags->user_comments[i], static_cast<size_t>(tags->comment_lengths[i]));
                loudness_.addComment(tags->user_comments[i], static_cast<size_t>(tags->comment_lengths[i]));
            }
        title_ = title.text();
    }
    ogg_int64_t total = op_pcm_total(file_.get(), -1);
    totalSamples_ = total > 0 ? total : 0;
    opus_int32 bitrate = op_bitrate(file_.get(), -1);
    bitrate_ = bitrate > 0 ? bitrate : 0;
    return true;
}

bool OpusStream::start() {
    if (!file_) return false;
    samples_.reset(new (std::nothrow) int16_t[kSoundSamples]);
    if (!samples_ || !sound_.allocate(kSoundSamples * 2)) {
        errorText_ = "Error creating buffer.";
        return false;
    }
    ended_ = false;
    bytesPlayed_ = 0;
    return true;
}

void OpusStream::close() {
    file_.reset();
    samples_.reset();
    sound_.release();
    errorText_.clear();
    title_.clear();
    loudness_ = LoudnessTags();
    lastSound_ = 0;
    totalSamples_ = 0;
    bitrate_ = 0;
    ended_ = false;
    bytesPlayed_ = 0;
}

int OpusStream::position() const {
    int64_t tenths = bytesPlayed_.load() / kFrameBytes * 10 / kOpusRate;
    return tenths > INT_MAX ? INT_MAX : static_cast<int>(tenths);
}

int OpusStream::length() const {
    int64_t tenths = totalSamples_ * 10 / kOpusRate;
    return tenths > INT_MAX ? INT_MAX : static_cast<int>(tenths);
}

// Decodes the next packet into the sound buffer; false at the end or when
// the decoder cannot go on. A hole in the data (lost pages) answers true
// with nothing decoded.
bool OpusStream::refill() {
    if (ended_) return false;
    int frames = op_read_stereo(file_.get(), samples_.get(), kSoundSamples);
    if (frames == OP_HOLE) return true;
    if (frames <= 0) {
        ended_ = true;
        return false;
    }
    uint8_t* out = sound_.room();
    for (int i = 0; i < frames * 2; ++i) {
        uint16_t value = static_cast<uint16_t>(samples_[i]);
        *out++ = static_cast<uint8_t>(value & 0xFF);
        *out++ = static_cast<uint8_t>(value >> 8);
    }
    sound_.filled(static_cast<size_t>(frames) * kFrameBytes);
    return true;
}

bool OpusStream::decode(uint8_t* destination, int count) {
    if (count <= 0) return true;
    size_t copied =
        sound_.takePadded(destination, static_cast<size_t>(count), 0, [this] { return refill(); });
    bytesPlayed_ += static_cast<int64_t>(copied);
    lastSound_ = static_cast<int>(copied);
    return copied > 0;
}

bool OpusStream::seek(int tenths) {
    if (!sound_.allocated()) return false;
    int64_t target = tenths > 0 ? static_cast<int64_t>(tenths) * kOpusRate / 10 : 0;
    if (target >= totalSamples_ && target > 0) return false;
    int64_t before = bytesPlayed_.load() / kFrameBytes;
    if (seekWithPreroll(target)) {
        bytesPlayed_ = target * kFrameBytes;
        return true;
    }
    // A failed seek leaves the decoder lost; it goes back to where it was,
    // or the sound ends there.
    if (seekWithPreroll(before))
        bytesPlayed_ = before * kFrameBytes;
    else
        ended_ = true;
    return false;
}

// Seeks kSeekPreroll samples before target and passes over the sound up to it.
bool OpusStream::seekWithPreroll(int64_t target) {
    sound_.clear();
    ended_ = false;
    int64_t from = target > kSeekPreroll ? target - kSeekPreroll : 0;
    if (op_pcm_seek(file_.get(), from) != 0) return false;
    size_t skip = static_cast<size_t>(target - from) * kFrameBytes;
    return sound_.take(nullptr, skip, [this] { return refill(); }) == skip;
}

}  // namespace tumbor
