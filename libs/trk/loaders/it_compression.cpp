// IT's compressed samples (encodings 5 and 6): blocks of variable-width
// deltas, decoded whole into memory and then handed out in order.
#include <algorithm>
#include <cstring>
#include <new>

#include "libs/trk/loaders/sample_decoders.h"

namespace tumbor::trk {
namespace {

// What differs between the 8- and 16-bit forms.
struct ItForm {
    int pointBits;       // narrower values are sign-extended
    int fullWidth;       // the width a block starts at
    int changeBits;      // bits of a new width below 7
    uint32_t valueMask;  // the running value wraps here
    uint32_t rangeHalf;  // widths 7 .. full - 1 take b < v <= b + 2 * rangeHalf as changes
    uint32_t pointsPerBlock;
    int bytesPerPoint;
};

constexpr ItForm kIt8{8, 9, 3, 0xFF, 4, 32768, 1};
constexpr ItForm kIt16{16, 17, 4, 0xFFFF, 8, 16384, 2};

int nextWidth(uint32_t w, int width) {
    return static_cast<int>(w) >= width ? static_cast<int>(w) + 1 : static_cast<int>(w);
}

uint32_t signExtend(uint32_t value, int width) {
    const uint32_t top = uint32_t(1) << (width - 1);
    return (value ^ top) - top;
}

// Decodes up to pointCount points of one block into out; points the stream
// does not reach stay as they are (zero).
void decodeBlock(BitReader& bits, const ItForm& form, uint8_t* out, uint32_t pointCount) {
    int width = form.fullWidth;
    uint32_t running = 0;
    uint32_t done = 0;
    while (done < pointCount) {
        // A width beyond the full one is damage: the block's remaining points
        // are skipped, and reading them would change nothing else.
        if (width > form.fullWidth) return;
        uint32_t value = bits.read(width);
        if (width <= 6) {
            if (value == uint32_t(1) << (width - 1)) {
                width = nextWidth(bits.read(form.changeBits) + 1, width);
                continue;
            }
        } else if (width < form.fullWidth) {
            const uint32_t base = (form.valueMask >> (form.fullWidth - width)) - form.rangeHalf;
            if (value > base && value <= base + 2 * form.rangeHalf) {
                width = nextWidth(value - base, width);
                continue;
            }
        } else if (value > form.valueMask) {
            width = static_cast<int>(value & 255) + 1;
            continue;
        }
        if (width < form.pointBits) value = signExtend(value, width);
        running = (running + value) & form.valueMask;
        uint8_t* point = out + size_t(done) * form.bytesPerPoint;
        point[0] = static_cast<uint8_t>(running);
        if (form.bytesPerPoint == 2) point[1] = static_cast<uint8_t>(running >> 8);
        ++done;
    }
}

class ItDecoder final : public SampleDecoder {
public:
    ItDecoder(std::unique_ptr<uint8_t[]> data, size_t size) : data_(std::move(data)), size_(size) {}
    void decode(uint8_t* out, size_t count) override {
        const size_t available = size_ - position_;
        const size_t copied = std::min(count, available);
        if (copied != 0) std::memcpy(out, data_.get() + position_, copied);
        if (count > copied) std::memset(out + copied, 0, count - copied);
        position_ += copied;
    }

private:
    std::unique_ptr<uint8_t[]> data_;
    size_t size_;
    size_t position_ = 0;
};

}  // namespace

DecoderStart startItDecoder(ModuleReader& reader, SampleEncoding encoding, uint32_t byteLength,
                            std::unique_ptr<SampleDecoder>& decoder) {
    decoder.reset();
    // Anything but the 16-bit form decodes as 8-bit.
    const ItForm& form = encoding == SampleEncoding::it16 ? kIt16 : kIt8;
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[byteLength == 0 ? 1 : byteLength]());
    if (!data) return DecoderStart::outOfMemory;

    try {
        uint32_t pointsLeft = byteLength / form.bytesPerPoint;
        uint8_t* out = data.get();
        while (pointsLeft != 0 && reader.ok()) {
            // A block the file does not hold whole ends the sample: the rest
            // stays zero, and no read goes past the file or the block.
            if (reader.remaining() < 2) break;
            const uint16_t blockBytes = reader.u16le();
            if (blockBytes > reader.remaining()) break;
            std::vector<uint8_t> block(blockBytes);
            if (!reader.read(block.data(), block.size())) break;

            BitReader bits(std::move(block));
            const uint32_t points = std::min(pointsLeft, form.pointsPerBlock);
            decodeBlock(bits, form, out, points);
            out += size_t(points) * form.bytesPerPoint;
            pointsLeft -= points;
        }
        decoder = std::make_unique<ItDecoder>(std::move(data), byteLength);
        return DecoderStart::ok;
    } catch (const std::bad_alloc&) {
        decoder.reset();
        return DecoderStart::outOfMemory;
    }
}

}  // namespace tumbor::trk
