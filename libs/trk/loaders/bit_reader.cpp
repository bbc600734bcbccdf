// The bit reader of the packed and compressed sample streams: bits least
// significant first, past the end of the stream as zeros.
#include <utility>

#include "libs/trk/loaders/sample_decoders.h"

namespace tumbor::trk {

BitReader::BitReader(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

uint32_t BitReader::read(int count) {
    if (count <= 0) return 0;
    if (count > 32) count = 32;
    const uint64_t endBit = uint64_t(bytes_.size()) * 8;
    const uint64_t position = bitPosition_;
    bitPosition_ += static_cast<uint64_t>(count);
    if (position >= endBit) return 0;

    // Bytes in order with bits lowest first are the same bits as 32-bit
    // little-endian words; up to five bytes cover any 32 bits.
    const size_t first = static_cast<size_t>(position / 8);
    const int shift = static_cast<int>(position % 8);
    uint64_t window = 0;
    for (size_t i = 0; i < 5 && first + i < bytes_.size(); ++i)
        window |= uint64_t(bytes_[first + i]) << (8 * i);
    const uint64_t mask = (uint64_t(1) << count) - 1;
    return static_cast<uint32_t>((window >> shift) & mask);
}

bool BitReader::exhausted() const { return bitPosition_ > uint64_t(bytes_.size()) * 8; }

}  // namespace tumbor::trk
