// The MPEG files make_mpeg_files.sh encodes before the tests, their reference
// decodes, and the MPEG module driven through its record over them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "platform/utf8_files.h"
#include "player/engine/input_services.h"
#include "stream/stream_module.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);
extern "C" StreamModuleExtension* STREAM_CALL tumborGetStreamExtension(int index);

namespace tumbor::testing {

using Bytes = std::vector<uint8_t>;
using Samples = std::vector<int16_t>;

inline StreamModule& mpa() { return *tumborGetStreamHeader()->getModule(0); }

inline std::string mpegFilePath(const std::string& name) {
    const char* folder = std::getenv("TUMBOR_MPEG_FILES");
    return std::string(folder ? folder : ".") + "/" + name;
}

inline Bytes readBytes(const std::string& path) {
    std::ifstream file(platform::fileSystemPath(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline Bytes mpegFile(const std::string& name) {
    Bytes bytes = readBytes(mpegFilePath(name));
    if (bytes.empty()) ADD_FAILURE() << "missing test file " << mpegFilePath(name);
    return bytes;
}

inline Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Seven bits a byte, as ID3v2 stores its tag sizes (and v2.4 its frame sizes).
inline Bytes synchsafe(size_t size) {
    return {static_cast<uint8_t>(size >> 21 & 0x7F), static_cast<uint8_t>(size >> 14 & 0x7F),
            static_cast<uint8_t>(size >> 7 & 0x7F), static_cast<uint8_t>(size & 0x7F)};
}

// An ID3v2 text frame: its encoding byte, then the text as given.
inline Bytes id3v2TextFrame(int version, const char* id, uint8_t encoding, const Bytes& text) {
    size_t size = text.size() + 1;
    Bytes sizeBytes = version >= 4 ? synchsafe(size)
                                   : Bytes{static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                                           static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)};
    return joined({Bytes(id, id + 4), sizeBytes, Bytes{0, 0, encoding}, text});
}

// An ID3v2 tag around frames and padding; flag 0x10 adds a footer.
inline Bytes id3v2Tag(int version, const Bytes& frames, uint8_t flags = 0, size_t padding = 0) {
    size_t size = frames.size() + padding;
    Bytes header = joined({bytesOf("ID3"), Bytes{static_cast<uint8_t>(version), 0, flags}, synchsafe(size)});
    Bytes footer;
    if (flags & 0x10) footer = joined({bytesOf("3DI"), Bytes(header.begin() + 3, header.end())});
    return joined({header, frames, Bytes(padding, 0), footer});
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

// A reference decode in the module's layout: stereo, mono samples doubled.
inline Samples inModuleLayout(const Samples& reference, int channels) {
    if (channels == 2) return reference;
    Samples doubled;
    for (int16_t sample : reference) doubled.insert(doubled.end(), 2, sample);
    return doubled;
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
