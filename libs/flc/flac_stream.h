// One FLAC stream being played, native or in an Ogg container, decoded by
// libFLAC from the player's input services: its format, title, length and
// bit rate from the metadata, sample-exact seeking, and its sound as 8-bit
// unsigned or 16-bit signed PCM at the stream's own rate and channels.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "libs/common/decoded_sound.h"
#include "libs/common/loudness_tags.h"
#include "libs/common/stream_input.h"

namespace tumbor {

enum class FlacContainer { none, native, ogg };

// Which FLAC stream the first bytes announce: "fLaC" (behind any ID3v2 tags)
// or an Ogg page whose first packet is FLAC's mapping header.
FlacContainer findFlacContainer(const StreamInput& input);

// Output samples from a decoded sample of bits bits (1 to 32): 16-bit
// samples keep the top 16 bits (24-bit sound is truncated, not dithered),
// 8-bit ones are unsigned.
int16_t flacSampleTo16(int32_t sample, uint32_t bits);
uint8_t flacSampleTo8(int32_t sample, uint32_t bits);

class FlacStream {
public:
    explicit FlacStream(const StreamInput& input) : input_(input) {}
    ~FlacStream() { close(); }
    FlacStream(const FlacStream&) = delete;
    FlacStream& operator=(const FlacStream&) = delete;

    // Checks the signature and reads the metadata, leaving the decoder before
    // the first frame. False when the input is no FLAC stream or its stream
    // information cannot be read; errorText() says which.
    bool open();
    // Checks that the player can play the stream (one or two channels) and
    // allocates the output buffer. False with errorText() set.
    bool start();
    // Frees the decoder and the buffer.
    void close();

    const char* errorText() const { return errorText_.empty() ? nullptr : errorText_.c_str(); }
    // "artist - title" from the Vorbis comment, or the title; empty without one.
    const std::string& title() const { return title_; }
    // The loudness values among the comments (ReplayGain, R128 gains).
    const LoudnessTags& loudness() const { return loudness_; }
    // Bytes of sound the last decode delivered; the rest of its buffer was silence.
    int lastSoundBytes() const { return lastSound_; }
    uint32_t sampleRate() const { return sampleRate_; }
    uint32_t channels() const { return channels_; }
    uint32_t outputBits() const { return sourceBits_ <= 8 ? 8 : 16; }

    // Tenths of a second: of the sound handed over, and of the whole stream
    // (0 when the stream information does not give its sample count).
    int position() const;
    int length() const;
    // The average bit rate of the frames; 0 without a sample count.
    int bitrate() const { return bitrate_; }
    // Continues at the sample holding tenths (negative means 0). False, with
    // the position unchanged, past the end or when the decoder cannot get there.
    bool seek(int tenths);
    // Fills count bytes (destination may be null): the sound, then silence
    // after its end. False when none of them was sound.
    bool decode(uint8_t* destination, int count);

private:
    // libFLAC's decoder, and its callbacks, which fill in this stream.
    struct Decoder;
    struct DecoderDeleter {
        void operator()(Decoder* decoder) const;
    };
    friend struct FlacCallbacks;
    bool refill();
    uint32_t frameBytes() const { return channels_ * outputBits() / 8; }

    const StreamInput& input_;
    std::unique_ptr<Decoder, DecoderDeleter> decoder_;
    DecodedSound sound_;
    std::string errorText_;
    std::string title_;
    LoudnessTags loudness_;
    int lastSound_ = 0;
    bool streamInfoSeen_ = false;
    uint32_t sampleRate_ = 0;
    uint32_t channels_ = 0;
    uint32_t sourceBits_ = 0;
    uint64_t totalSamples_ = 0;
    int bitrate_ = 0;
    bool ended_ = false;
    // Read by the window thread's position queries while decode runs.
    std::atomic<int64_t> bytesPlayed_{0};
};

}  // namespace tumbor
