// Small pieces the format loaders share: bounded block reads, byte cursors
// over blocks held in memory, and where a sample's data begin.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "libs/trk/loaders/module_reader.h"
#include "libs/trk/model/song.h"

namespace tumbor::trk {

// The first multiple of 16 at or after offset.
inline uint64_t alignTo16(uint64_t offset) { return (offset + 15) & ~uint64_t(15); }

// The 16-step panning of the low nibble of value.
int panningOfNibble(int value);

// count bytes from the reader's position; false, with nothing allocated, when
// the file does not hold them.
bool readBlock(ModuleReader& reader, uint64_t count, std::vector<uint8_t>& bytes);

// Sample data that begin at offset in a file of fileSize bytes: a start the
// file does not reach leaves the sample without data (length 0), so the
// sample stage never seeks past the end.
void placeSampleData(Sample& sample, uint64_t offset, uint32_t fileSize);

// Reads through a block held in memory. A read past the end fails, gives
// zeros and stays failed, like ModuleReader.
class ByteCursor {
public:
    ByteCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteCursor(const std::vector<uint8_t>& bytes) : ByteCursor(bytes.data(), bytes.size()) {}

    bool ok() const { return ok_; }
    bool atEnd() const { return position_ >= size_; }
    size_t position() const { return position_; }
    size_t remaining() const { return size_ - position_; }

    uint8_t u8();
    uint16_t u16le();
    uint32_t u32le();
    // count bytes at the position, or null (and failed) when fewer remain.
    const uint8_t* take(size_t count);
    bool skip(size_t count) { return take(count) != nullptr || count == 0; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
    bool ok_ = true;
};

}  // namespace tumbor::trk
