// libFuzzer target: the Ogg Vorbis and Opus modules over the same bytes:
// probing, the decoders' headers, chained links, decoding, seeking and
// position queries, through their records.
#include "fuzz/stream_module_driver.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);

// libvorbisfile 1.3.7 and libopusfile 0.12 lose memory (a link's serial
// numbers, headers or comments) when the headers of a chain's later link are
// damaged; nothing a caller can free. Debian builds them without frame
// pointers, so the places are named only on stacks the slow unwinder takes.
// Everything else they allocate, the file itself first, is still watched.
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
extern "C" const char* __lsan_default_suppressions() { return "leak:ov_test_open\nleak:opus_tags_parse\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tumbor::driveModule(*tumborGetStreamHeader()->getModule(0), data, size);
    tumbor::driveModule(*tumborGetStreamHeader()->getModule(1), data, size);
    return 0;
}
