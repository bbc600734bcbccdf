// libFuzzer target: the Ogg Vorbis and Opus modules over the same bytes:
// probing, the decoders' headers, chained links, decoding, seeking and
// position queries, through their records.
#include "fuzz/stream_module_driver.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tumbor::driveModule(*tumborGetStreamHeader()->getModule(0), data, size);
    tumbor::driveModule(*tumborGetStreamHeader()->getModule(1), data, size);
    return 0;
}
