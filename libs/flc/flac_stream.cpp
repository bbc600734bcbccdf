// libFLAC's stream decoder over the player's input services.
#include "libs/flc/flac_stream.h"

#include <FLAC/stream_decoder.h>

#include <climits>
#include <cstring>

#include "libs/common/comment_title.h"

namespace tumbor {
namespace {

constexpr size_t kMaxBlockSamples = 65535;  // the largest block a FLAC frame can hold
constexpr size_t kOggPageHeaderBytes = 27;  // before the segment table

// The size of the ID3v2 tag whose 10-byte header this is, or 0.
uint64_t id3v2TagBytes(const uint8_t (&header)[10]) {
    if (std::memcmp(header, "ID3", 3) != 0) return 0;
    uint64_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (header[i] & 0x80) return 0;  // sizes are synchsafe: seven bits a byte
        size = size << 7 | header[i];
    }
    return 10 + size + ((header[5] & 0x10) ? 10 : 0);  // a footer doubles the header
}

// An Ogg page at the start whose first packet begins with FLAC's mapping header.
bool oggFlacAtStart(const StreamInput& input) {
    uint8_t header[kOggPageHeaderBytes];
    if (!input.seek(0) || !input.readExact(header, sizeof header) || std::memcmp(header, "OggS", 4) != 0)
        return false;
    uint8_t segments[255];
    uint8_t packet[5];
    static const uint8_t kMappingHeader[5] = {0x7F, 'F', 'L', 'A', 'C'};
    return header[26] > 0 && input.readExact(segments, header[26]) && input.readExact(packet, 5) &&
           std::memcmp(packet, kMappingHeader, 5) == 0;
}

int64_t clampToBits(int32_t sample, uint32_t bits) {
    int64_t highest = (int64_t{1} << (bits - 1)) - 1;
    int64_t value = sample;
    return value > highest ? highest : value < -highest - 1 ? -highest - 1 : value;
}

}  // namespace

FlacContainer findFlacContainer(const StreamInput& input) {
    if (oggFlacAtStart(input)) return FlacContainer::ogg;
    uint64_t at = 0;
    uint8_t header[10];
    while (input.seek(at) && input.readExact(header, sizeof header)) {
        if (std::memcmp(header, "fLaC", 4) == 0) return FlacContainer::native;
        uint64_t tag = id3v2TagBytes(header);
        if (tag == 0) break;
        at += tag;
    }
    return FlacContainer::none;
}

int16_t flacSampleTo16(int32_t sample, uint32_t bits) {
    int64_t value = clampToBits(sample, bits);
    return static_cast<int16_t>(bits <= 16 ? value * (int64_t{1} << (16 - bits)) : value >> (bits - 16));
}

uint8_t flacSampleTo8(int32_t sample, uint32_t bits) {
    int64_t value = clampToBits(sample, bits);
    value = bits <= 8 ? value * (int64_t{1} << (8 - bits)) : value >> (bits - 8);
    return static_cast<uint8_t>(value + 128);
}

struct FlacStream::Decoder {
    FLAC__StreamDecoder* handle;
};

void FlacStream::DecoderDeleter::operator()(Decoder* decoder) const {
    FLAC__stream_decoder_delete(decoder->handle);
    delete decoder;
}

// libFLAC's callbacks, each handed the stream as its client data.
struct FlacCallbacks {
    static FlacStream& stream(void* client) { return *static_cast<FlacStream*>(client); }

    static FLAC__StreamDecoderReadStatus read(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes,
                                              void* client) {
        int wanted = *bytes > INT_MAX ? INT_MAX : static_cast<int>(*bytes);
        int got = stream(client).input_.readSome(buffer, wanted);
        *bytes = got > 0 ? static_cast<size_t>(got) : 0;
        return got > 0 ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE
                       : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
    }
    static FLAC__StreamDecoderSeekStatus seek(const FLAC__StreamDecoder*, FLAC__uint64 offset, void* client) {
        return stream(client).input_.seek(offset) ? FLAC__STREAM_DECODER_SEEK_STATUS_OK
                                                  : FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
    }
    static FLAC__StreamDecoderTellStatus tell(const FLAC__StreamDecoder*, FLAC__uint64* offset,
                                              void* client) {
        *offset = stream(client).input_.tell();
        return FLAC__STREAM_DECODER_TELL_STATUS_OK;
    }
    static FLAC__StreamDecoderLengthStatus length(const FLAC__StreamDecoder*, FLAC__uint64* length,
                                                  void* client) {
        *length = stream(client).input_.size();
        return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
    }
    static FLAC__bool eof(const FLAC__StreamDecoder*, void* client) { return stream(client).input_.eof(); }
    static FLAC__StreamDecoderWriteStatus write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                const FLAC__int32* const buffer[], void* client) {
        takeFrame(stream(client), *frame, buffer);
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }
    static void metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* client) {
        takeMetadata(stream(client), *metadata);
    }
    static void takeMetadata(FlacStream& stream, const FLAC__StreamMetadata& metadata);
    static void takeFrame(FlacStream& stream, const FLAC__Frame& frame, const FLAC__int32* const buffer[]);
    // Damaged frames are passed over; libFLAC finds the next one by itself.
    static void error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {}
};

bool FlacStream::open() {
    close();
    FlacContainer container = findFlacContainer(input_);
    if (container == FlacContainer::none || !input_.seek(0)) {
        errorText_ = "Unable to find a FLAC stream";
        return false;
    }
    FLAC__StreamDecoder* handle = FLAC__stream_decoder_new();
    if (handle) decoder_.reset(new Decoder{handle});
    if (!decoder_) {
        if (handle) FLAC__stream_decoder_delete(handle);
        errorText_ = "Error creating buffer.";
        return false;
    }
    FLAC__stream_decoder_set_md5_checking(decoder_->handle, false);
    FLAC__stream_decoder_set_metadata_respond(decoder_->handle, FLAC__METADATA_TYPE_VORBIS_COMMENT);
    auto init = container == FlacContainer::ogg ? FLAC__stream_decoder_init_ogg_stream
                                                : FLAC__stream_decoder_init_stream;
    if (init(decoder_->handle, FlacCallbacks::read, FlacCallbacks::seek, FlacCallbacks::tell,
             FlacCallbacks::length, FlacCallbacks::eof, FlacCallbacks::write, FlacCallbacks::metadata,
             FlacCallbacks::error, this) != FLAC__STREAM_DECODER_INIT_STATUS_OK ||
        !FLAC__stream_decoder_process_until_end_of_metadata(decoder_->handle) || !streamInfoSeen_ ||
        FLAC__stream_decoder_get_state(decoder_->handle) != FLAC__STREAM_DECODER_SEARCH_FOR_FRAME_SYNC) {
        close();
        errorText_ = "The FLAC stream information is damaged";
        return false;
    }
    // The frames' average rate; in an Ogg container the pages count too.
    uint64_t framesStart = 0;
    if (container == FlacContainer::native)
        FLAC__stream_decoder_get_decode_position(decoder_->handle, &framesStart);
    uint64_t size = input_.size();
    if (totalSamples_ > 0 && size > framesStart) {
        uint64_t bits = (size - framesStart) * 8 * sampleRate_ / totalSamples_;
        bitrate_ = bits > INT_MAX ? INT_MAX : static_cast<int>(bits);
    }
    return true;
}

void FlacCallbacks::takeMetadata(FlacStream& stream, const FLAC__StreamMetadata& metadata) {
    if (metadata.type == FLAC__METADATA_TYPE_STREAMINFO && !stream.streamInfoSeen_) {
        const auto& info = metadata.data.stream_info;
        if (info.sample_rate == 0 || info.channels == 0 || info.bits_per_sample == 0 ||
            info.bits_per_sample > 32)
            return;
        stream.streamInfoSeen_ = true;
        stream.sampleRate_ = info.sample_rate;
        stream.channels_ = info.channels;
        stream.sourceBits_ = info.bits_per_sample;
        stream.totalSamples_ = info.total_samples;
    } else if (metadata.type == FLAC__METADATA_TYPE_VORBIS_COMMENT && stream.title_.empty()) {
        const auto& comments = metadata.data.vorbis_comment;
        CommentTitle title;
        for (uint32_t i = 0; i < comments.num_comments; ++i) {
            const char* comment = reinterpret_cast<const char*>(comments.comments[i].entry);
            title.add(comment, comments.comments[i].length);
            stream.loudness_.addComment(comment, comments.comments[i].length);
        }
        stream.title_ = title.text();
    }
}

bool FlacStream::start() {
    if (!decoder_) return false;
    if (channels_ > 2) {
        errorText_ = "This FLAC file has " + std::to_string(channels_) +
                     " channels; only mono and stereo FLAC files can be played";
        return false;
    }
    if (!sound_.allocate(kMaxBlockSamples * frameBytes())) {
        errorText_ = "Error creating buffer.";
        return false;
    }
    ended_ = false;
    bytesPlayed_ = 0;
    return true;
}

void FlacStream::close() {
    decoder_.reset();
    sound_.release();
    errorText_.clear();
    title_.clear();
    loudness_ = LoudnessTags();
    lastSound_ = 0;
    streamInfoSeen_ = false;
    sampleRate_ = channels_ = sourceBits_ = 0;
    totalSamples_ = 0;
    bitrate_ = 0;
    ended_ = false;
    bytesPlayed_ = 0;
}

int FlacStream::position() const {
    if (sampleRate_ == 0) return 0;
    int64_t tenths = bytesPlayed_.load() / frameBytes() * 10 / sampleRate_;
    return tenths > INT_MAX ? INT_MAX : static_cast<int>(tenths);
}

int FlacStream::length() const {
    if (sampleRate_ == 0) return 0;
    uint64_t tenths = totalSamples_ * 10 / sampleRate_;
    return tenths > INT_MAX ? INT_MAX : static_cast<int>(tenths);
}

// A frame of another channel count than the stream's (a damaged one) is
// passed over; one of another sample size is scaled by its own.
void FlacCallbacks::takeFrame(FlacStream& stream, const FLAC__Frame& frame,
                              const FLAC__int32* const buffer[]) {
    uint32_t bits = frame.header.bits_per_sample;
    if (!stream.sound_.allocated() || frame.header.channels != stream.channels_ || bits == 0 || bits > 32)
        return;
    size_t samples = frame.header.blocksize;
    if (samples > kMaxBlockSamples) samples = kMaxBlockSamples;
    uint8_t* out = stream.sound_.room();
    if (stream.outputBits() == 8) {
        for (size_t i = 0; i < samples; ++i)
            for (uint32_t channel = 0; channel < stream.channels_; ++channel)
                *out++ = flacSampleTo8(buffer[channel][i], bits);
    } else {
        for (size_t i = 0; i < samples; ++i)
            for (uint32_t channel = 0; channel < stream.channels_; ++channel) {
                uint16_t value = static_cast<uint16_t>(flacSampleTo16(buffer[channel][i], bits));
                *out++ = static_cast<uint8_t>(value & 0xFF);
                *out++ = static_cast<uint8_t>(value >> 8);
            }
    }
    stream.sound_.filled(static_cast<size_t>(out - stream.sound_.room()));
}

// Decodes the next frame into the sound buffer; false at the end of the
// stream or when the decoder cannot go on.
bool FlacStream::refill() {
    if (ended_) return false;
    if (FLAC__stream_decoder_get_state(decoder_->handle) == FLAC__STREAM_DECODER_END_OF_STREAM ||
        !FLAC__stream_decoder_process_single(decoder_->handle)) {
        ended_ = true;
        return false;
    }
    return true;
}

bool FlacStream::decode(uint8_t* destination, int count) {
    if (count <= 0) return true;
    size_t copied = sound_.takePadded(destination, static_cast<size_t>(count), outputBits() == 8 ? 0x80 : 0,
                                      [this] { return refill(); });
    bytesPlayed_ += static_cast<int64_t>(copied);
    lastSound_ = static_cast<int>(copied);
    return copied > 0;
}

bool FlacStream::seek(int tenths) {
    if (!decoder_ || !sound_.allocated()) return false;
    uint64_t target = tenths > 0 ? static_cast<uint64_t>(tenths) * sampleRate_ / 10 : 0;
    if (totalSamples_ > 0 && target >= totalSamples_) return false;
    uint64_t before = static_cast<uint64_t>(bytesPlayed_.load()) / frameBytes();
    sound_.clear();
    ended_ = false;
    if (FLAC__stream_decoder_seek_absolute(decoder_->handle, target)) {
        bytesPlayed_ = static_cast<int64_t>(target * frameBytes());
        return true;
    }
    // A failed seek leaves the decoder lost; it goes back to where it was,
    // or the song ends there.
    FLAC__stream_decoder_flush(decoder_->handle);
    sound_.clear();
    if (FLAC__stream_decoder_seek_absolute(decoder_->handle, before)) {
        bytesPlayed_ = static_cast<int64_t>(before * frameBytes());
    } else {
        FLAC__stream_decoder_flush(decoder_->handle);
        sound_.clear();
        ended_ = true;
    }
    return false;
}

}  // namespace tumbor
