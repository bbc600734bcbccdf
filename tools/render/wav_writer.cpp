// WAV output of the render tool.
#include "tools/render/wav_writer.h"

namespace tumbor {
namespace {

void putU16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void putU32(uint8_t* at, uint32_t value) {
    putU16(at, value);
    putU16(at + 2, value >> 16);
}

void fillHeader(uint8_t (&header)[44], uint32_t rate, uint32_t channels, uint32_t bits,
                uint32_t dataBytes) {
    uint32_t blockAlign = channels * bits / 8;
    const char* ids[] = {"RIFF", "WAVE", "fmt ", "data"};
    const int idOffsets[] = {0, 8, 12, 36};
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 4; ++c) header[idOffsets[i] + c] = static_cast<uint8_t>(ids[i][c]);
    putU32(header + 4, 36 + dataBytes);
    putU32(header + 16, 16);
    putU16(header + 20, 1);  // PCM
    putU16(header + 22, channels);
    putU32(header + 24, rate);
    putU32(header + 28, rate * blockAlign);
    putU16(header + 32, blockAlign);
    putU16(header + 34, bits);
    putU32(header + 40, dataBytes);
}

}  // namespace

WavWriter::WavWriter(const std::string& path, uint32_t sampleRate, uint32_t channels, uint32_t bits)
    : file_(std::fopen(path.c_str(), "wb")), ownsFile_(true) {
    uint8_t header[44];
    fillHeader(header, sampleRate, channels, bits, 0);
    // The format is kept in the file itself; finish() only patches the sizes.
    write(header, sizeof header);
    dataBytes_ = 0;
}

WavWriter::WavWriter(std::FILE* rawStream) : file_(rawStream), finished_(true) {}

WavWriter::~WavWriter() {
    if (ownsFile_ && file_) std::fclose(file_);
}

void WavWriter::write(const void* bytes, size_t count) {
    if (!file_ || failed_) return;
    if (std::fwrite(bytes, 1, count, file_) != count) failed_ = true;
    dataBytes_ += count;
}

bool WavWriter::finish() {
    if (!file_) return false;
    if (!finished_) {
        finished_ = true;
        uint8_t sizes[4];
        // A WAV file cannot describe more than 4 GiB of data.
        if (dataBytes_ > 0xFFFFFFFFu - 36) failed_ = true;
        putU32(sizes, static_cast<uint32_t>(36 + dataBytes_));
        if (std::fseek(file_, 4, SEEK_SET) != 0 || std::fwrite(sizes, 1, 4, file_) != 4) failed_ = true;
        putU32(sizes, static_cast<uint32_t>(dataBytes_));
        if (std::fseek(file_, 40, SEEK_SET) != 0 || std::fwrite(sizes, 1, 4, file_) != 4) failed_ = true;
    }
    if (std::fflush(file_) != 0) failed_ = true;
    return !failed_;
}

}  // namespace tumbor
