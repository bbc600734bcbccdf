// The FLAC, Ogg Vorbis and Opus files make_codec_files.sh encodes before the
// tests, the sound they came from or decode to, and a module driven through
// its record over them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "player/engine/input_services.h"
#include "stream/stream_module.h"

extern "C" StreamModuleExtension* STREAM_CALL tumborGetStreamExtension(int index);

namespace tumbor::testing {

using Bytes = std::vector<uint8_t>;

inline std::string codecFilePath(const std::string& name) {
    const char* folder = std::getenv("TUMBOR_CODEC_FILES");
    return std::string(folder ? folder : ".") + "/" + name;
}

inline Bytes codecFile(const std::string& name) {
    std::ifstream file(codecFilePath(name), std::ios::binary);
    Bytes bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (bytes.empty()) ADD_FAILURE() << "missing test file " << codecFilePath(name);
    return bytes;
}

// The sound bytes of a WAV file: its data chunk.
inline Bytes wavSound(const Bytes& wav) {
    for (size_t at = 12; at + 8 <= wav.size();) {
        size_t length =
            wav[at + 4] | wav[at + 5] << 8 | wav[at + 6] << 16 | static_cast<size_t>(wav[at + 7]) << 24;
        if (std::memcmp(&wav[at], "data", 4) == 0)
            return Bytes(wav.begin() + static_cast<long>(at + 8),
                         wav.begin() + static_cast<long>(std::min(wav.size(), at + 8 + length)));
        at += 8 + length + (length & 1);
    }
    ADD_FAILURE() << "no data chunk";
    return {};
}

// 24-bit samples as the module plays them: their top 16 bits.
inline Bytes top16Of24(const Bytes& sound) {
    Bytes top;
    for (size_t at = 0; at + 3 <= sound.size(); at += 3)
        top.insert(top.end(), {sound[at + 1], sound[at + 2]});
    return top;
}

// 16-bit mono sound with each sample doubled to stereo.
inline Bytes doubledToStereo(const Bytes& mono) {
    Bytes stereo;
    for (size_t at = 0; at + 2 <= mono.size(); at += 2)
        stereo.insert(stereo.end(), {mono[at], mono[at + 1], mono[at], mono[at + 1]});
    return stereo;
}

inline Bytes joined(const Bytes& first, const Bytes& second) {
    Bytes all = first;
    all.insert(all.end(), second.begin(), second.end());
    return all;
}

// Lends the module the bytes as its input and offers them to it.
inline int offer(StreamModule& module, const Bytes& file) {
    attachInput(std::make_unique<MemorySource>(file));
    installInputServices(module);
    return module.open();
}

// Decodes buffers of the given size until decode answers 0.
inline Bytes decodeAll(StreamModule& module, int bufferSize = 16384) {
    Bytes all, buffer(static_cast<size_t>(bufferSize));
    while (module.decode(buffer.data(), bufferSize)) all.insert(all.end(), buffer.begin(), buffer.end());
    return all;
}

// Opens, starts and decodes a whole file.
inline Bytes playFile(StreamModule& module, const Bytes& file, int bufferSize = 16384) {
    if (offer(module, file) != 1 || module.start() != 1) {
        ADD_FAILURE() << "the module did not take the file";
        return {};
    }
    return decodeAll(module, bufferSize);
}

// A count of bytes rounded up to whole buffers.
// The loudness values the module with index reports for file; present is 0 without any.
inline StreamLoudness loudnessOf(int index, StreamModule& module, const Bytes& file) {
    StreamLoudness loudness{};
    StreamModuleExtension* extension = tumborGetStreamExtension(index);
    if (offer(module, file) != 1 || !extension || !extension->getLoudness) {
        ADD_FAILURE() << "no loudness from module " << index;
        return loudness;
    }
    if (!extension->getLoudness(&loudness)) loudness = StreamLoudness{};
    module.close();
    return loudness;
}

inline size_t roundedUp(size_t bytes, size_t buffer = 16384) {
    return (bytes + buffer - 1) / buffer * buffer;
}

// The largest difference between 16-bit samples of a and b, over the
// shorter of the two from sample first on.
inline int largestDifference(const Bytes& a, const Bytes& b, size_t first = 0) {
    int largest = 0;
    for (size_t at = first * 2; at + 2 <= a.size() && at + 2 <= b.size(); at += 2) {
        int sampleA = static_cast<int16_t>(a[at] | a[at + 1] << 8);
        int sampleB = static_cast<int16_t>(b[at] | b[at + 1] << 8);
        largest = std::max(largest, std::abs(sampleA - sampleB));
    }
    return largest;
}

inline bool allBytesAre(const Bytes& bytes, size_t from, uint8_t value) {
    return std::all_of(bytes.begin() + static_cast<long>(std::min(from, bytes.size())), bytes.end(),
                       [value](uint8_t byte) { return byte == value; });
}

}  // namespace tumbor::testing
