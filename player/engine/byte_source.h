// Where a stream module's input bytes come from: a file opened by the player,
// or memory (tests and fuzzers). The size is fixed when the source is made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tumbor {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    // Copies up to count bytes starting at offset; returns how many were copied.
    virtual size_t readAt(uint64_t offset, void* buffer, size_t count) = 0;
};

// A file opened in binary read mode, its size measured at open.
class FileSource : public ByteSource {
public:
    // Null when the file cannot be opened or measured, or is 4 GiB or larger
    // (offsets across the module boundary are 32-bit).
    static std::unique_ptr<FileSource> open(const std::string& path);
    ~FileSource() override;
    uint64_t size() const override { return size_; }
    size_t readAt(uint64_t offset, void* buffer, size_t count) override;

private:
    FileSource(std::FILE* file, uint64_t size) : file_(file), size_(size) {}
    std::FILE* file_;
    uint64_t size_;
    uint64_t filePosition_ = 0;  // where the stdio stream stands, to skip needless seeks
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    MemorySource(const uint8_t* data, size_t size) : bytes_(data, data + size) {}
    uint64_t size() const override { return bytes_.size(); }
    size_t readAt(uint64_t offset, void* buffer, size_t count) override;

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace tumbor
