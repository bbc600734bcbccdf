// The MPEG files make_mpeg_files.sh encodes before the tests, their reference
// decodes, and the MPEG module driven through its record over them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "player/engine/input_services.h"
#include "stream/stream_module.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);

namespace tumbor::testing {

using Bytes = std::vector<uint8_t>;
using Samples = std::vector<int16_t>;

inline StreamModule& mpa() { return *tumborGetStreamHeader()->getModule(0); }

inline std::string mpegFilePath(const std::string& name) {
    const char* folder = std::getenv("TUMBOR_MPEG_FILES");
    return std::string(folder ? folder : ".") + "/" + name;
}

inline Bytes readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline Bytes mpegFile(const std::string& name) {
    Bytes bytes = readBytes(mpegFilePath(name));
    if (bytes.empty()) ADD_FAILURE() << "missing test file " << mpegFilePath(name);
    return bytes;
}

inline Samples toSamples(const Bytes& bytes) {
    Samples samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return samples;
}

// Lends the module the bytes as its input and offers them to it.
inline int offerMpeg(const Bytes& file) {
    attachInput(std::make_unique<MemorySource>(file));
    installInputServices(mpa());
    return mpa().open();
}

// Decodes buffers of the given size until decode answers 0.
inline Bytes decodeAll(int bufferSize) {
    Bytes all, buffer(static_cast<size_t>(bufferSize));
    while (mpa().decode(buffer.data(), bufferSize)) all.insert(all.end(), buffer.begin(), buffer.end());
    return all;
}

// Opens, starts and decodes a whole file in 16384-byte buffers.
inline Samples playFile(const Bytes& file) {
    if (offerMpeg(file) != 1 || mpa().start() != 1) {
        ADD_FAILURE() << "the module did not take the file";
        return {};
    }
    return toSamples(decodeAll(16384));
}

// Samples that differ by more than tolerance from index first on.
inline size_t countDifferences(const Samples& a, const Samples& b, size_t first, int tolerance) {
    size_t count = 0;
    for (size_t i = first; i < a.size() && i < b.size(); ++i)
        if (std::abs(a[i] - b[i]) > tolerance) ++count;
    return count;
}

// libmpg123 cross-built for Windows picks other decoder cores than the
// native one, whose rounding differs by one step.
#if defined(_WIN32)
constexpr int kDecoderTolerance = 1;
#else
constexpr int kDecoderTolerance = 0;
#endif

}  // namespace tumbor::testing
