// libFuzzer target: the first bytes of a file read as a Windows image's
// headers, as the player does before it loads a stream library or a plug-in.
#include <cstdint>

#include "platform/pe_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::peImageMachine(data, size);
    return 0;
}
