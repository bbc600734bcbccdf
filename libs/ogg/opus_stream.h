// One Ogg Opus stream being played, decoded by libopusfile from the player's
// input services as 16-bit stereo PCM at 48000 Hz, Opus's own rate: mono
// links doubled, links of more channels mixed down by libopusfile, chained
// links played one after the other.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "libs/common/decoded_sound.h"
#include "libs/common/loudness_tags.h"
#include "libs/common/stream_input.h"

struct OggOpusFile;

namespace tumbor {

constexpr uint32_t kOpusRate = 48000;

class OpusStream {
public:
    explicit OpusStream(const StreamInput& input) : input_(input) {}
    ~OpusStream() { close(); }
    OpusStream(const OpusStream&) = delete;
    OpusStream& operator=(const OpusStream&) = delete;

    // Reads the headers of every link. False, with errorText() set, when the
    // input is no Ogg Opus stream.
    bool open();
    // Allocates the buffers; false with errorText() set.
    bool start();
    void close();

    const char* errorText() const { return errorText_.empty() ? nullptr : errorText_.c_str(); }
    // "artist - title" from the first link's comments, or the title.
    const std::string& title() const { return title_; }
    // The loudness values among the comments (ReplayGain, R128 gains).
    const LoudnessTags& loudness() const { return loudness_; }
    // Bytes of sound the last decode delivered; the rest of its buffer was silence.
    int lastSoundBytes() const { return lastSound_; }
    // Always 16-bit stereo at Opus's own rate.
    uint32_t sampleRate() const { return kOpusRate; }
    uint32_t channels() const { return 2; }
    uint32_t outputBits() const { return 16; }

    // Tenths of a second: of the sound handed over, and of all links.
    int position() const;
    int length() const;
    // The average bit rate of the whole stream.
    int bitrate() const { return bitrate_; }
    // Continues at the sample holding tenths (negative means 0); false, with
    // the position unchanged, past the end.
    bool seek(int tenths);
    // Fills count bytes (destination may be null): the sound, then silence.
    // False when none of them was sound.
    bool decode(uint8_t* destination, int count);

private:
    struct FileDeleter {
        void operator()(OggOpusFile* file) const;
    };
    bool refill();
    bool seekWithPreroll(int64_t target);

    const StreamInput& input_;
    std::unique_ptr<OggOpusFile, FileDeleter> file_;
    std::unique_ptr<int16_t[]> samples_;  // what libopusfile decodes, before it is made bytes
    DecodedSound sound_;
    std::string errorText_;
    std::string title_;
    LoudnessTags loudness_;
    int lastSound_ = 0;
    int64_t totalSamples_ = 0;
    int bitrate_ = 0;
    bool ended_ = false;
    // Read by the window thread's position queries while decode runs.
    std::atomic<int64_t> bytesPlayed_{0};
};

}  // namespace tumbor
