// libFuzzer target: the packed and compressed sample decoders. The first
// byte picks the encoding and the sample length; the rest is the file.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "libs/trk/loaders/module_reader.h"
#include "libs/trk/loaders/sample_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tumbor::trk;
    if (size == 0) return 0;
    constexpr SampleEncoding kEncodings[] = {SampleEncoding::mdl8, SampleEncoding::mdl16,
                                             SampleEncoding::dmfTree, SampleEncoding::it8,
                                             SampleEncoding::it16};
    const SampleEncoding encoding = kEncodings[(data[0] & 7) % 5];
    // Lengths from a few bytes to past four 32768-point blocks, odd ones too.
    const uint32_t scale = data[0] >> 3;
    const uint32_t length = scale * scale * 137 + scale;

    MemoryByteSource source(data + 1, size - 1);
    ModuleReader reader(source);
    std::unique_ptr<SampleDecoder> decoder;
    const bool compressed = encoding == SampleEncoding::it8 || encoding == SampleEncoding::it16;
    const DecoderStart started = compressed ? startItDecoder(reader, encoding, length, decoder)
                                            : startPackedDecoder(reader, encoding, length, decoder);
    if (started != DecoderStart::ok) return 0;

    // In chunks as the sample stage asks, with a little more than the sample.
    std::vector<uint8_t> chunk(8192);
    for (uint32_t done = 0; done < length + 7;) {
        const uint32_t count = std::min<uint32_t>(8192, length + 7 - done);
        decoder->decode(chunk.data(), count);
        done += count;
    }
    return 0;
}
