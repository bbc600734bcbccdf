// Decoders of the packed sample encodings: MDL's bit-packed 8- and 16-bit
// data (encodings 1 and 2), DMF's tree-coded data (3) and IT's compressed
// data (5 and 6). The sample stage fetches a sample's bytes through them in
// chunks; a damaged stream gives zero points, never a read outside its data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "libs/trk/loaders/module_reader.h"
#include "libs/trk/model/song.h"

namespace tumbor::trk {

// Bits least significant first from consecutive 32-bit little-endian words
// of a stream held in memory; bits past its end read as 0.
class BitReader {
public:
    BitReader() = default;
    explicit BitReader(std::vector<uint8_t> bytes);
    // count 0 .. 32; the bits as an unsigned number, first bit lowest.
    uint32_t read(int count);
    // True once a read went past the end of the stream.
    bool exhausted() const;

private:
    std::vector<uint8_t> bytes_;
    uint64_t bitPosition_ = 0;
};

// One sample's decoder, prepared by start and then asked for its bytes in
// order. start answers false when the stream cannot be had: the file does
// not hold the announced bytes (seek error) or memory is short.
class SampleDecoder {
public:
    virtual ~SampleDecoder() = default;
    // Writes the next count bytes of decoded sample data.
    virtual void decode(uint8_t* out, size_t count) = 0;
};

enum class DecoderStart { ok, seekError, outOfMemory };

// Encodings 1, 2 and 3: reads the 32-bit length and the stream from the
// reader's position (and, for 3, the decoding tree from the stream).
// byteLength is the sample's length in bytes.
DecoderStart startPackedDecoder(ModuleReader& reader, SampleEncoding encoding, uint32_t byteLength,
                                std::unique_ptr<SampleDecoder>& decoder);

// Encodings 5 and 6: decodes the whole sample of byteLength bytes from the
// reader's position into memory; blocks the file does not hold leave zero
// points.
DecoderStart startItDecoder(ModuleReader& reader, SampleEncoding encoding, uint32_t byteLength,
                            std::unique_ptr<SampleDecoder>& decoder);

}  // namespace tumbor::trk
