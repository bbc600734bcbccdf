// The bounded module reader and its two byte sources.
#include "libs/trk/loaders/module_reader.h"

#include <cstring>

namespace tumbor::trk {

size_t StreamByteSource::read(void* buffer, size_t count) {
    size_t done = 0;
    auto* bytes = static_cast<uint8_t*>(buffer);
    // The services take an int count.
    while (done < count) {
        int piece = static_cast<int>(count - done < 0x40000000 ? count - done : 0x40000000);
        int got = input_.readSome(bytes + done, piece);
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

bool MemoryByteSource::seek(uint32_t offset) {
    if (offset > size_) return false;
    position_ = offset;
    return true;
}

size_t MemoryByteSource::read(void* buffer, size_t count) {
    size_t available = size_ - position_;
    if (count > available) count = available;
    if (count) std::memcpy(buffer, data_ + position_, count);
    position_ += count;
    return count;
}

uint32_t ModuleReader::remaining() const {
    uint32_t at = source_.tell();
    uint32_t size = source_.size();
    return at < size ? size - at : 0;
}

bool ModuleReader::seek(uint64_t offset) {
    if (offset > 0xFFFFFFFFu || !source_.seek(static_cast<uint32_t>(offset))) ok_ = false;
    return ok_;
}

bool ModuleReader::read(void* buffer, size_t count) {
    if (count == 0) return ok_;
    size_t got = ok_ ? source_.read(buffer, count) : 0;
    if (got != count) {
        std::memset(buffer, 0, count);
        ok_ = false;
    }
    return ok_;
}

size_t ModuleReader::readSome(void* buffer, size_t count) {
    size_t got = ok_ ? source_.read(buffer, count) : 0;
    if (got < count) std::memset(static_cast<uint8_t*>(buffer) + got, 0, count - got);
    return got;
}

uint8_t ModuleReader::u8() {
    uint8_t value = 0;
    read(&value, 1);
    return value;
}

uint16_t ModuleReader::u16le() {
    uint8_t bytes[2];
    read(bytes, 2);
    return readU16le(bytes);
}

uint32_t ModuleReader::u32le() {
    uint8_t bytes[4];
    read(bytes, 4);
    return readU32le(bytes);
}

uint16_t ModuleReader::u16be() {
    uint8_t bytes[2];
    read(bytes, 2);
    return readU16be(bytes);
}

uint32_t ModuleReader::u32be() {
    uint8_t bytes[4];
    read(bytes, 4);
    return readU32be(bytes);
}

}  // namespace tumbor::trk
