// The loaders' shared pieces: block reads, the byte cursor, sample placement.
#include "libs/trk/loaders/loader_support.h"

#include <new>

#include "libs/trk/sequencer/pitch.h"

namespace tumbor::trk {

int panningOfNibble(int value) { return kPanningSteps[value & 15]; }

bool readBlock(ModuleReader& reader, uint64_t count, std::vector<uint8_t>& bytes) {
    // The count comes from the file: check it against the file before
    // allocating anything.
    if (!reader.ok() || count > reader.remaining()) return false;
    try {
        bytes.assign(static_cast<size_t>(count), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return reader.read(bytes.data(), bytes.size());
}

void placeSampleData(Sample& sample, uint64_t offset, uint32_t fileSize) {
    if (offset == 0 || offset >= fileSize) {
        sample.length = 0;
        sample.fileOffset = 0;
        return;
    }
    sample.fileOffset = static_cast<uint32_t>(offset);
}

uint8_t ByteCursor::u8() {
    const uint8_t* at = take(1);
    return at ? at[0] : 0;
}

uint16_t ByteCursor::u16le() {
    const uint8_t* at = take(2);
    return at ? readU16le(at) : 0;
}

uint32_t ByteCursor::u32le() {
    const uint8_t* at = take(4);
    return at ? readU32le(at) : 0;
}

const uint8_t* ByteCursor::take(size_t count) {
    if (!ok_ || count > size_ - position_) {
        ok_ = false;
        position_ = size_;
        return nullptr;
    }
    const uint8_t* at = data_ + position_;
    position_ += count;
    return at;
}

}  // namespace tumbor::trk
