// libFuzzer target: the tracker library whole, from detection through the
// loaders and the sample stage to the sequencer and the mixer.
#include "fuzz/stream_module_driver.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tumbor::driveModule(*tumborGetStreamHeader()->getModule(0), data, size);
    return 0;
}
