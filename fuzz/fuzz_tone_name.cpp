// libFuzzer target: the tone generator's name parsing, then a little sound.
#include <string>
#include <vector>

#include "player/engine/module_loader.h"
#include "tests/unit/offered_name.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StreamModule& tone = *tumborGetStreamHeader()->getModule(0);
    std::string name(reinterpret_cast<const char*>(data), size);  // cut at the first NUL by the C string
    if (tumbor::testing::offerName(tone, name.c_str()) && tone.start()) {
        std::vector<uint8_t> buffer(4098);
        tone.decode(buffer.data(), static_cast<int>(buffer.size()));
        tone.getPosition();
    }
    tumbor::unloadModule(tone);
    return 0;
}
