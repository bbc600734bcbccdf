// libFuzzer target: equalizer preset text read, written and read again,
// which must give the same presets.
#include <cstdlib>
#include <string>

#include "player/engine/equalizer_presets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tumbor;
    const std::vector<EqualizerPreset> presets =
        parseEqualizerPresets(std::string(reinterpret_cast<const char*>(data), size));
    if (parseEqualizerPresets(formatEqualizerPresets(presets)) != presets) std::abort();
    return 0;
}
