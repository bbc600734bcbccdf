// Block delivery, position and seeking around the frame-by-frame decoder.
#include "libs/mpa/mpa_stream.h"

#include <climits>
#include <cstring>
#include <new>
#include <utility>

namespace tumbor {
namespace {

constexpr int kBufferBytes = 2 * kBlockBytes;
// Headers match the first one in everything but the padding bit and the
// mode, mode extension, copyright, original and emphasis bits.
constexpr uint32_t kHeaderMatchMask = 0xFFFFFD00u;

// The sample rate a frame header declares; 0 when it is no valid header.
long headerSampleRate(uint32_t header) {
    static const long kMpeg1Rates[3] = {44100, 48000, 32000};
    uint32_t version = (header >> 19) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    uint32_t layer = (header >> 17) & 3;
    uint32_t rateIndex = (header >> 10) & 3;
    if ((header & 0xFFE00000u) != 0xFFE00000u || version == 1 || layer == 0 || rateIndex == 3) return 0;
    long rate = kMpeg1Rates[rateIndex];
    if (version == 2) rate /= 2;
    if (version == 0) rate /= 4;
    return rate;
}

// The stream's rate as its first frame declares it, or 0.
long peekSampleRate(const StreamInput& input, uint32_t at) {
    uint8_t bytes[4];
    if (!input.seek(at) || !input.readExact(bytes, 4)) return 0;
    return headerSampleRate(readU32be(bytes));
}

}  // namespace

bool MpaStream::start(int quality, int stereo) {
    if (quality < 0) quality = 0;
    if (quality > 2) quality = 2;
    stop();
    quality_ = quality;
    stereo_ = stereo;
    nativeRate_ = peekSampleRate(input_, dataStart_);
    decodeBuffer_.reset(new (std::nothrow) uint8_t[kBufferBytes]());
    blockBuffer_.reset(new (std::nothrow) uint8_t[kBufferBytes]());
    if (!decodeBuffer_ || !blockBuffer_ || !decoder_.reset(dataStart_, quality, stereo, nativeRate_, gapless_)) {
        stop();
        return false;
    }
    monoOutput_ = decoder_.monoOutput();
    learnFromFirstFrame();
    // Nothing decoded while learning may reach the first samples played.
    if (!restart()) {
        stop();
        return false;
    }
    long rate = streamRate_ > 0 ? streamRate_ : 44100;
    outputRate_ = static_cast<uint32_t>(rate >> quality);
    return true;
}

void MpaStream::stop() {
    decoder_.release();
    decodeBuffer_.reset();
    blockBuffer_.reset();
    decodeFill_ = 0;
    remaining_ = 0;
    blockSound_ = 0;
    lastSound_ = 0;
    ended_ = false;
    currentKbps_ = 0;
    currentFrameBytes_ = 0;
    firstHeaderKnown_ = false;
    firstHeader_ = 0;
    announcedFrames_ = 0;
    leadingFrames_ = 0;
    samplesPerFrame_ = 0;
    streamRate_ = 0;
    framesRead_ = 0;
}

// Reads the first frame: its header is the stream's first, and an info frame
// in front of it may count the frames. libmpg123 reads a Xing/Info frame by
// itself; a VBRI frame comes out as the first frame and is passed over from
// then on.
void MpaStream::learnFromFirstFrame() {
    if (!readFrame()) return;
    if (uint32_t vbri = decoder_.vbriFrames()) {
        announcedFrames_ = vbri;
        leadingFrames_ = 1;
        firstHeaderKnown_ = false;
        if (!readFrame()) return;
    } else {
        int64_t frames = decoder_.announcedFrames();
        announcedFrames_ = frames > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(frames);
    }
    streamRate_ = decoder_.lastFrame().sampleRate;
    samplesPerFrame_ = decoder_.lastFrame().samplesPerFrame;
    if (streamRate_ <= 0 || samplesPerFrame_ <= 0) announcedFrames_ = 0;
}

// A fresh decoder before the first frame, as at the start of a straight decode.
bool MpaStream::restart() {
    remaining_ = 0;
    decodeFill_ = 0;
    ended_ = false;
    framesRead_ = 0;
    return decoder_.reset(dataStart_, quality_, stereo_, nativeRate_, gapless_);
}

int MpaStream::tenthsOfFrames(uint32_t frames) const {
    int64_t tenths = static_cast<int64_t>(frames) * samplesPerFrame_ * 10 / streamRate_;
    return tenths > INT_MAX ? INT_MAX : static_cast<int>(tenths);
}

int MpaStream::position() const {
    if (framed()) return tenthsOfFrames(framesRead_.load());
    int64_t perTenth = bytesPerTenth();
    int64_t played = static_cast<int64_t>(input_.tell()) - dataStart_;
    if (perTenth == 0 || played <= 0) return 0;
    return static_cast<int>(played / perTenth);
}

int MpaStream::length() const {
    if (framed()) return tenthsOfFrames(announcedFrames_);
    int64_t perTenth = bytesPerTenth();
    int64_t total = static_cast<int64_t>(input_.size()) - dataStart_;
    if (perTenth == 0 || total <= 0) return 0;
    return static_cast<int>(total / perTenth);
}

bool MpaStream::readFrame() {
    do {
        if (!decoder_.readFrame()) return false;
    } while (decoder_.lastFrame().number < leadingFrames_);
    const FrameFacts& frame = decoder_.lastFrame();
    currentKbps_ = frame.kbps;
    currentFrameBytes_ = frame.frameBytes;
    if (!firstHeaderKnown_) {
        firstHeader_ = frame.header;
        firstHeaderKnown_ = true;
    }
    if (framed()) framesRead_ = static_cast<uint32_t>(frame.number - leadingFrames_ + 1);
    return true;
}

void MpaStream::decodeFrameIntoBlocks() {
    // The decode buffer always has room for a whole frame: it holds less
    // than a block before, and a frame yields at most 1152 stereo samples.
    uint8_t* out = decodeBuffer_.get() + decodeFill_;
    size_t room = static_cast<size_t>(kBufferBytes - decodeFill_);
    if (monoOutput_) {
        size_t bytes = decoder_.decodeFrameInto(out, room / 2);
        // One mono sample becomes the same sample in both channels; working
        // from the end lets the stereo samples overwrite only mono ones
        // already copied.
        for (size_t sample = bytes / 2; sample-- > 0;) {
            uint8_t low = out[2 * sample], high = out[2 * sample + 1];
            out[4 * sample] = out[4 * sample + 2] = low;
            out[4 * sample + 1] = out[4 * sample + 3] = high;
        }
        decodeFill_ += static_cast<int>(bytes / 2 * 4);
    } else {
        decodeFill_ += static_cast<int>(decoder_.decodeFrameInto(out, room));
    }
    if (decodeFill_ >= kBlockBytes) {
        // The block just completed becomes the block buffer; what the frame
        // decoded beyond it starts the next block.
        std::swap(decodeBuffer_, blockBuffer_);
        decodeFill_ -= kBlockBytes;
        std::memcpy(decodeBuffer_.get(), blockBuffer_.get() + kBlockBytes, static_cast<size_t>(decodeFill_));
        remaining_ = kBlockBytes;
        blockSound_ = kBlockBytes;
    }
}

// The sound decoded since the last whole block becomes a last block, padded
// with silence; once that is handed over, only silence follows.
void MpaStream::endOfStream() {
    std::memset(decodeBuffer_.get() + decodeFill_, 0, static_cast<size_t>(kBlockBytes - decodeFill_));
    blockSound_ = decodeFill_;
    std::swap(decodeBuffer_, blockBuffer_);
    decodeFill_ = 0;
    remaining_ = kBlockBytes;
    ended_ = true;
}

bool MpaStream::decode(uint8_t* destination, int count) {
    if (count <= 0) return true;
    if (!blockBuffer_) {
        if (destination) std::memset(destination, 0, static_cast<size_t>(count));
        return false;
    }
    lastSound_ = 0;
    bool sound = false;
    size_t written = 0;
    while (count > 0) {
        while (remaining_ == 0) {
            if (ended_ || input_.eof() || !readFrame())
                endOfStream();
            else
                decodeFrameIntoBlocks();
        }
        int take = count < remaining_ ? count : remaining_;
        int offset = kBlockBytes - remaining_;
        if (destination)
            std::memcpy(destination + written, blockBuffer_.get() + offset, static_cast<size_t>(take));
        // Sound only ever precedes silence, so what of it this call delivered is a prefix.
        if (offset < blockSound_) lastSound_ += (blockSound_ - offset < take ? blockSound_ - offset : take);
        sound = sound || blockSound_ > 0;
        written += static_cast<size_t>(take);
        count -= take;
        remaining_ -= take;
    }
    return sound;
}

int MpaStream::seek(int tenths, bool exact) {
    if (!blockBuffer_) return 0;
    if (tenths <= 0) return restart() ? 1 : 0;
    return framed() ? seekFrame(tenths) : seekByBytes(tenths, exact);
}

// libmpg123 finds the frame through its index of the frames read so far,
// reading on from the last one it knows, and decodes the frames before it.
// Both kinds of seek fill the decoder's history, so exact makes no
// difference here.
int MpaStream::seekFrame(int tenths) {
    int64_t frame =
        static_cast<int64_t>(tenths) * streamRate_ / (10 * static_cast<int64_t>(samplesPerFrame_));
    if (frame >= announcedFrames_) return 0;
    remaining_ = 0;
    decodeFill_ = 0;
    ended_ = false;
    bool moved = decoder_.seekFrame(frame + leadingFrames_, decodeBuffer_.get(), kBufferBytes);
    framesRead_ = static_cast<uint32_t>(frame);
    return moved ? 1 : 0;
}

int MpaStream::seekByBytes(int tenths, bool exact) {
    uint32_t before = input_.tell();
    int answer = input_.seek(static_cast<uint64_t>(dataStart_) +
                             static_cast<uint64_t>(tenths) * static_cast<uint64_t>(bytesPerTenth()))
                     ? 1
                     : 0;
    if (!resynchronise()) {
        input_.seek(before);
        return 0;
    }
    ended_ = false;
    if (!exact) return answer;
    // Decode one block's worth from here and throw it away, so that playing
    // resumes here with the bit reservoir and synthesis history filled.
    uint32_t resumeAt = input_.tell();
    while (remaining_ == 0 && readFrame()) decodeFrameIntoBlocks();
    remaining_ = 0;
    decodeFill_ = 0;
    input_.seek(resumeAt);
    return answer;
}

// Steps back three frames' worth, finds the next header shaped like the
// stream's first and reads two frames from it, so that layer III's bit
// reservoir holds the main data the following frame refers to.
bool MpaStream::resynchronise() {
    if (!firstHeaderKnown_) return true;
    uint64_t here = input_.tell();
    uint64_t back = (static_cast<uint64_t>(currentFrameBytes_) + 8) * 3;
    // Never into what lies before the first frame (tags, a RIFF header),
    // where bytes may look like a header.
    if (here < dataStart_ + back || !input_.seek(here - back)) input_.seek(dataStart_);
    return findFirstHeaderForward() && readFrame() && readFrame();
}

// Leaves the input on the first header matching the stream's first one.
bool MpaStream::findFirstHeaderForward() {
    uint8_t chunk[512];
    uint32_t window = 0;
    int seen = 0;
    for (;;) {
        uint32_t chunkStart = input_.tell();
        int got = input_.readSome(chunk, sizeof chunk);
        if (got <= 0) return false;
        for (int i = 0; i < got; ++i) {
            window = window << 8 | chunk[i];
            if (++seen >= 4 && (window & kHeaderMatchMask) == (firstHeader_ & kHeaderMatchMask))
                return input_.seek(static_cast<uint64_t>(chunkStart) + static_cast<uint64_t>(i) + 1 - 4);
        }
    }
}

}  // namespace tumbor
