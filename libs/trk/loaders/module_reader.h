// The one reader every loader and sample decoder reads a module file
// through: bounded, explicit about byte order, over the player's input
// services or over memory (tests). A failed read or seek is remembered, so a
// loader may read a run of fields and check once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "libs/common/stream_input.h"

namespace tumbor::trk {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual bool seek(uint32_t offset) = 0;  // false past the size
    virtual uint32_t tell() const = 0;
    virtual uint32_t size() const = 0;
    virtual size_t read(void* buffer, size_t count) = 0;  // bytes read
};

// The file the player opened, through its input services.
class StreamByteSource final : public ByteSource {
public:
    explicit StreamByteSource(const StreamInput& input) : input_(input) {}
    bool seek(uint32_t offset) override { return input_.seek(offset); }
    uint32_t tell() const override { return input_.tell(); }
    uint32_t size() const override { return input_.size(); }
    size_t read(void* buffer, size_t count) override;

private:
    const StreamInput& input_;
};

class MemoryByteSource final : public ByteSource {
public:
    MemoryByteSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit MemoryByteSource(const std::vector<uint8_t>& bytes)
        : MemoryByteSource(bytes.data(), bytes.size()) {}
    bool seek(uint32_t offset) override;
    uint32_t tell() const override { return static_cast<uint32_t>(position_); }
    uint32_t size() const override { return static_cast<uint32_t>(size_); }
    size_t read(void* buffer, size_t count) override;

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

class ModuleReader {
public:
    explicit ModuleReader(ByteSource& source) : source_(source) {}

    // False once any read or seek has failed.
    bool ok() const { return ok_; }
    uint32_t tell() const { return source_.tell(); }
    uint32_t size() const { return source_.size(); }
    // Bytes between the position and the end.
    uint32_t remaining() const;

    bool seek(uint64_t offset);
    bool skip(uint64_t count) { return seek(uint64_t(tell()) + count); }
    // All count bytes, or false (and the buffer zero-filled).
    bool read(void* buffer, size_t count);
    // Up to count bytes; the number read. A short read is no failure.
    size_t readSome(void* buffer, size_t count);

    // Fixed-size fields; 0 after a failure.
    uint8_t u8();
    int8_t s8() { return static_cast<int8_t>(u8()); }
    uint16_t u16le();
    uint32_t u32le();
    uint16_t u16be();
    uint32_t u32be();

private:
    ByteSource& source_;
    bool ok_ = true;
};

// Byte-order helpers over a header already read into memory.
inline uint16_t readU16be(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]); }
using tumbor::readU16le;
using tumbor::readU32be;
using tumbor::readU32le;

}  // namespace tumbor::trk
