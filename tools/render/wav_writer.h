// Writes PCM to a canonical 44-byte-header WAV file, or raw to a stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tumbor {

class WavWriter {
public:
    // A WAV file at path; ok() tells whether it could be created.
    WavWriter(const std::string& path, uint32_t sampleRate, uint32_t channels, uint32_t bits);
    // Raw PCM, no header, to an already open stream such as stdout.
    explicit WavWriter(std::FILE* rawStream);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool ok() const { return file_ != nullptr && !failed_; }
    void write(const void* bytes, size_t count);
    // Completes the header; false if anything failed to be written.
    bool finish();

private:
    std::FILE* file_ = nullptr;
    bool ownsFile_ = false;
    bool failed_ = false;
    bool finished_ = false;
    uint64_t dataBytes_ = 0;
};

}  // namespace tumbor
