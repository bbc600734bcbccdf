// One Ogg Vorbis stream being played, decoded by libvorbisfile from the
// player's input services as 16-bit PCM at the rate and channel count of its
// first chain link. The links that follow play on as long as they have the
// same rate: mono ones doubled to stereo, stereo ones mixed to mono where
// the first link is mono. The first link of another rate, or of more than
// two channels, ends the sound.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "libs/common/decoded_sound.h"
#include "libs/common/loudness_tags.h"
#include "libs/common/stream_input.h"

struct OggVorbis_File;

namespace tumbor {

class VorbisStream {
public:
    explicit VorbisStream(const StreamInput& input);
    ~VorbisStream();
    VorbisStream(const VorbisStream&) = delete;
    VorbisStream& operator=(const VorbisStream&) = delete;

    // Reads the headers of every link. False, with errorText() set, when the
    // input is no Ogg Vorbis stream.
    bool open();
    // Checks that the first link has one or two channels and allocates the
    // output buffer. False with errorText() set.
    bool start();
    void close();

    const char* errorText() const { return errorText_.empty() ? nullptr : errorText_.c_str(); }
    // "artist - title" from the first link's comments, or the title.
    const std::string& title() const { return title_; }
    // The loudness values among the comments (ReplayGain, R128 gains).
    const LoudnessTags& loudness() const { return loudness_; }
    // Bytes of sound the last decode delivered; the rest of its buffer was silence.
    int lastSoundBytes() const { return lastSound_; }
    uint32_t sampleRate() const { return sampleRate_; }
    uint32_t channels() const { return channels_; }
    uint32_t outputBits() const { return 16; }

    // Tenths of a second: of the sound handed over, and of the links played.
    int position() const;
    int length() const;
    // The average bit rate of the whole stream.
    int bitrate() const { return bitrate_; }
    // Continues at the sample holding tenths (negative means 0); false, with
    // the position unchanged, past the links played.
    bool seek(int tenths);
    // Fills count bytes (destination may be null): the sound, then silence.
    // False when none of them was sound.
    bool decode(uint8_t* destination, int count);

private:
    bool refill();
    void findPlayedLinks();
    uint32_t frameBytes() const { return channels_ * 2; }

    const StreamInput& input_;
    std::unique_ptr<OggVorbis_File> file_;
    bool fileOpen_ = false;
    DecodedSound sound_;
    std::string errorText_;
    std::string title_;
    LoudnessTags loudness_;
    int lastSound_ = 0;
    uint32_t sampleRate_ = 0;
    uint32_t channels_ = 0;
    int playedLinks_ = 0;        // the links from the first on that play
    int64_t playedSamples_ = 0;  // their samples
    int bitrate_ = 0;
    bool ended_ = false;
    // Read by the window thread's position queries while decode runs.
    std::atomic<int64_t> bytesPlayed_{0};
};

}  // namespace tumbor
