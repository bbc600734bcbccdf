// libFuzzer target: the FLAC module's signature test, libFLAC's metadata and
// frames (native and in Ogg), decoding, seeking and position queries,
// through its record.
#include "fuzz/stream_module_driver.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tumbor::driveModule(*tumborGetStreamHeader()->getModule(0), data, size);
    return 0;
}
