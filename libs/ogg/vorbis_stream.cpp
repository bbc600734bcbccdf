// libvorbisfile over the player's input services.
#include "libs/ogg/vorbis_stream.h"

#include <vorbis/vorbisfile.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "libs/common/comment_title.h"
#include "libs/ogg/ogg_input.h"

namespace tumbor {
namespace {

constexpr size_t kSoundBytes = 16384;  // room for what one ov_read delivers, doubled to stereo

const StreamInput& inputOf(void* source) { return *static_cast<const StreamInput*>(source); }

// libvorbisfile takes a short read with errno set for a read error; the
// player's services only know the end of the data.
size_t readCallback(void* buffer, size_t size, size_t count, void* source) {
    if (size == 0) return 0;
    size_t items = static_cast<size_t>(readOgg(inputOf(source), buffer, size * count)) / size;
    errno = 0;
    return items;
}
int seekCallback(void* source, ogg_int64_t offset, int whence) {
    return seekOgg(inputOf(source), offset, whence);
}
long tellCallback(void* source) { return static_cast<long>(inputOf(source).tell()); }

const ov_callbacks kCallbacks = {readCallback, seekCallback, nullptr, tellCallback};

// Interleaved 16-bit samples of one channel count made into another, in
// place: mono doubled to stereo (from the end, so that nothing is overwritten
// before it is read), stereo averaged to mono. Answers the bytes.
size_t convertChannels(uint8_t* sound, size_t bytes, int from, uint32_t to) {
    size_t frames = bytes / (2 * static_cast<size_t>(from));
    if (from == 1 && to == 2) {
        for (size_t frame = frames; frame-- > 0;) {
            uint8_t low = sound[2 * frame], high = sound[2 * frame + 1];
            sound[4 * frame] = sound[4 * frame + 2] = low;
            sound[4 * frame + 1] = sound[4 * frame + 3] = high;
        }
        return frames * 4;
    }
    if (from == 2 && to == 1) {
        for (size_t frame = 0; frame < frames; ++frame) {
            int left = static_cast<int16_t>(sound[4 * frame] | sound[4 * frame + 1] << 8);
            int right = static_cast<int16_t>(sound[4 * frame + 2] | sound[4 * frame + 3] << 8);
            uint16_t mixed = static_cast<uint16_t>((left + right) / 2);
            sound[2 * frame] = static_cast<uint8_t>(mixed & 0xFF);
            sound[2 * frame + 1] = static_cast<uint8_t>(mixed >> 8);
        }
        return frames * 2;
    }
    return bytes;
}

}  // namespace

VorbisStream::VorbisStream(const StreamInput& input) : input_(input), file_(new OggVorbis_File()) {}

VorbisStream::~VorbisStream() { close(); }

bool VorbisStream::open() {
    close();
    // libvorbisfile keeps the input's address; the stream outlives the file.
    void* source = const_cast<StreamInput*>(&input_);
    if (!startsWithOggPage(input_) || !input_.seek(0) ||
        ov_test_callbacks(source, file_.get(), nullptr, 0, kCallbacks) != 0) {
        errorText_ = "Unable to find an Ogg Vorbis stream";
        return false;
    }
    // A failing ov_test_open clears the file itself.
    fileOpen_ = ov_test_open(file_.get()) == 0;
    vorbis_info* info = fileOpen_ ? ov_info(file_.get(), 0) : nullptr;
    if (!info || info->rate <= 0 || info->channels <= 0) {
        close();
        errorText_ = "The Ogg Vorbis stream is damaged";
        return false;
    }
    sampleRate_ = static_cast<uint32_t>(info->rate);
    channels_ = static_cast<uint32_t>(info->channels);
    if (vorbis_comment* comments = ov_comment(file_.get(), 0)) {
        CommentTitle title;
        for (int i = 0; i < comments->comments; ++i)
            if (comments->comment_lengths[i] > 0) {
                title.add(comments->user_comments[i], static_cast<size_t>(comments->comment_lengths[i]));
                loudness_.addComment(comments->user_comments[i], static_cast<size_t>(comments->comment_lengths[i]));
            }
        title_ = title.text();
    }
    long bitrate = ov_bitrate(file_.get(), -1);
    bitrate_ = bitrate > 0 && bitrate <= INT_MAX ? static_cast<int>(bitrate) : 0;
    findPlayedLinks();
    return true;
}

// The links from the first on that have its rate and one or two channels.
void VorbisStream::findPlayedLinks() {
    playedLinks_ = 0;
    playedSamples_ = 0;
    long links = ov_streams(file_.get());
    for (int link = 0; link < links; ++link) {
        vorbis_info* info = ov_info(file_.get(), link);
        if (!info || info->rate != static_cast<long>(sampleRate_) || info->channels < 1 || info->channels > 2)
            break;
        ogg_int64_t samples = ov_pcm_total(file_.get(), link);
        if (samples < 0) break;
        playedSamples_ += samples;
        ++playedLinks_;
    }
}

bool VorbisStream::start() {
    if (!fileOpen_) return false;
    if (channels_ > 2) {
        errorText_ = "This Ogg Vorbis file has " + std::to_string(channels_) +
                     " channels; only mono and stereo Ogg Vorbis files can be played";
        return false;
    }
    if (!sound_.allocate(kSoundBytes)) {
        errorText_ = "Error creating buffer.";
        return false;
    }
    ended_ = false;
    bytesPlayed_ = 0;
    return true;
}

void VorbisStream::close() {
    if (fileOpen_) ov_clear(file_.get());
    fileOpen_ = false;
    sound_.release();
    errorText_.clear();
    title_.clear();
    loudness_ = LoudnessTags();
    lastSound_ = 0;
    sampleRate_ = channels_ = 0;
    playedLinks_ = 0;
    playedSamples_ = 0;
    bitrate_ = 0;
    ended_ = false;
    bytesPlayed_ = 0;
}

int VorbisStream::position() const {
    if (sampleRate_ == 0) return 0;
    int64_t tenths = bytesPlayed_.load() / frameBytes() * 10 / sampleRate_;
    return tenths > INT_MAX ? INT_MAX : static_cast<int>(tenths);
}

int VorbisStream::length() const {
    if (sampleRate_ == 0) return 0;
    int64_t tenths = playedSamples_ * 10 / sampleRate_;
    return tenths > INT_MAX ? INT_MAX : static_cast<int>(tenths);
}

// Decodes the next packet's sound into the sound buffer; false at the end of
// the stream or of the links played, or when the decoder cannot go on. A
// hole in the data (lost pages) answers true with nothing decoded.
bool VorbisStream::refill() {
    if (ended_) return false;
    int link = 0;
    // Half the room, so that mono sound doubled to stereo still fits.
    long bytes = ov_read(file_.get(), reinterpret_cast<char*>(sound_.room()),
                         static_cast<int>(kSoundBytes / 2), 0, 2, 1, &link);
    if (bytes == OV_HOLE) return true;
    vorbis_info* info = bytes > 0 ? ov_info(file_.get(), link) : nullptr;
    if (!info || link >= playedLinks_) {
        ended_ = true;
        return false;
    }
    sound_.filled(convertChannels(sound_.room(), static_cast<size_t>(bytes), info->channels, channels_));
    return true;
}

bool VorbisStream::decode(uint8_t* destination, int count) {
    if (count <= 0) return true;
    size_t copied =
        sound_.takePadded(destination, static_cast<size_t>(count), 0, [this] { return refill(); });
    bytesPlayed_ += static_cast<int64_t>(copied);
    lastSound_ = static_cast<int>(copied);
    return copied > 0;
}

bool VorbisStream::seek(int tenths) {
    if (!sound_.allocated()) return false;
    int64_t target = tenths > 0 ? static_cast<int64_t>(tenths) * sampleRate_ / 10 : 0;
    if (target >= playedSamples_ && target > 0) return false;
    int64_t before = bytesPlayed_.load() / frameBytes();
    sound_.clear();
    ended_ = false;
    if (ov_pcm_seek(file_.get(), target) == 0) {
        bytesPlayed_ = target * frameBytes();
        return true;
    }
    // A failed seek leaves the decoder lost; it goes back to where it was,
    // or the sound ends there.
    if (ov_pcm_seek(file_.get(), before) == 0)
        bytesPlayed_ = before * frameBytes();
    else
        ended_ = true;
    return false;
}

}  // namespace tumbor
