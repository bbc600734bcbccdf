// Builds WAV and VOC files byte by byte for the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tumbor::testing {

using Bytes = std::vector<uint8_t>;

inline void appendU16(Bytes& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void appendU32(Bytes& out, uint32_t value) {
    appendU16(out, value);
    appendU16(out, value >> 16);
}

inline void appendText(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

inline void appendChunk(Bytes& out, const std::string& id, const Bytes& body, uint32_t declaredSize) {
    appendText(out, id);
    appendU32(out, declaredSize);
    out.insert(out.end(), body.begin(), body.end());
}

inline void appendChunk(Bytes& out, const std::string& id, const Bytes& body) {
    appendChunk(out, id, body, static_cast<uint32_t>(body.size()));
}

// Sample bytes 1, 2, 3, ... so that any shift or loss shows.
inline Bytes countingBytes(size_t count, uint8_t first = 1) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

struct WavSpec {
    uint32_t sampleRate = 44100;
    uint16_t channels = 2;
    uint16_t bitsPerSample = 16;
    uint32_t fmtSize = 16;       // 18 adds the cbSize word
    Bytes chunksBeforeData;      // complete chunks placed between "fmt " and "data"
    Bytes data;
    int64_t declaredDataSize = -1;  // the data chunk's size field; -1: the real size
};

inline Bytes makeWav(const WavSpec& layout) {
    Bytes fmt;
    appendU16(fmt, 1);
    appendU16(fmt, layout.channels);
    appendU32(fmt, layout.sampleRate);
    uint32_t blockAlign = layout.channels * layout.bitsPerSample / 8;
    appendU32(fmt, layout.sampleRate * blockAlign);
    appendU16(fmt, blockAlign);
    appendU16(fmt, layout.bitsPerSample);
    fmt.resize(layout.fmtSize, 0);

    Bytes body;
    appendText(body, "WAVE");
    appendChunk(body, "fmt ", fmt);
    body.insert(body.end(), layout.chunksBeforeData.begin(), layout.chunksBeforeData.end());
    uint32_t dataSize = layout.declaredDataSize < 0 ? static_cast<uint32_t>(layout.data.size())
                                                  : static_cast<uint32_t>(layout.declaredDataSize);
    appendChunk(body, "data", layout.data, dataSize);

    Bytes file;
    appendChunk(file, "RIFF", body);
    return file;
}

struct VocSpec {
    uint8_t timeConstant = 166;  // 1000000 / (256 - 166) = 11111 Hz
    uint8_t packMethod = 0;
    Bytes beforeBlock;           // bytes between the 26-byte header and the sound block
    Bytes data;
    int64_t declaredLength = -1;  // the block length field; -1: data size + 2
};

inline Bytes makeVoc(const VocSpec& layout) {
    Bytes file;
    appendText(file, "Creative Voice File");
    file.push_back(0x1A);
    appendU16(file, 26);      // data offset
    appendU16(file, 0x010A);  // version 1.10
    appendU16(file, 0x1129);  // version check value
    file.insert(file.end(), layout.beforeBlock.begin(), layout.beforeBlock.end());
    file.push_back(1);  // sound data block
    uint32_t length = layout.declaredLength < 0 ? static_cast<uint32_t>(layout.data.size() + 2)
                                              : static_cast<uint32_t>(layout.declaredLength);
    file.push_back(static_cast<uint8_t>(length));
    file.push_back(static_cast<uint8_t>(length >> 8));
    file.push_back(static_cast<uint8_t>(length >> 16));
    file.push_back(layout.timeConstant);
    file.push_back(layout.packMethod);
    file.insert(file.end(), layout.data.begin(), layout.data.end());
    file.push_back(0);  // terminator block
    return file;
}

}  // namespace tumbor::testing
