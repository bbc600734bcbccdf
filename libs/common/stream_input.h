// A stream library's view of the player's input services, with byte-order
// helpers for the headers it parses. Decoding code takes this instead of the
// whole module record.
#pragma once

#include <cstdint>

#include "stream/stream_module.h"

namespace tumbor {

class StreamInput {
public:
    explicit StreamInput(const StreamModule& module) : module_(module) {}

    uint32_t tell() const { return module_.ioTell(); }
    uint32_t size() const { return module_.ioSize(); }
    bool eof() const { return module_.ioEof() != 0; }
    // Fails for offsets past the size, leaving the position unchanged.
    bool seek(uint64_t offset) const {
        return offset <= 0xFFFFFFFFu && module_.ioSeek(static_cast<uint32_t>(offset)) != 0;
    }
    // True when all count bytes were read.
    bool readExact(void* buffer, int count) const { return module_.ioRead(buffer, count, 1) == 1; }
    // The number of bytes read, up to count.
    int readSome(void* buffer, int count) const { return module_.ioRead(buffer, 1, count); }

private:
    const StreamModule& module_;
};

inline uint16_t readU16le(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

inline uint32_t readU24le(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16;
}

inline uint32_t readU32le(const uint8_t* bytes) {
    return readU24le(bytes) | static_cast<uint32_t>(bytes[3]) << 24;
}

inline uint32_t readU32be(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | static_cast<uint32_t>(bytes[3]);
}

}  // namespace tumbor
