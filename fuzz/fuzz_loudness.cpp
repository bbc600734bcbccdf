// libFuzzer target: tag texts (one comment a line, as Vorbis comments and
// TXXX frames carry them) turned into loudness values, the gain the engine
// makes of them in every mode, and that gain applied to the bytes as PCM.
#include <cstdint>
#include <vector>

#include "libs/common/loudness_tags.h"
#include "player/engine/replay_gain.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    tumbor::LoudnessTags tags;
    size_t lineStart = 0;
    for (size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != '\n') continue;
        tags.addComment(text + lineStart, i - lineStart);
        lineStart = i + 1;
    }
    const StreamLoudness loudness = tags.loudness();
    for (int mode = 0; mode <= 2; ++mode) {
        for (bool noClip : {false, true}) {
            tumbor::ReplayGainSettings settings;
            settings.mode = mode;
            settings.noClip = noClip;
            settings.preampTenths = size > 0 ? static_cast<int8_t>(data[0]) * 5 : 0;
            uint32_t scale = tumbor::gainScale(settings, &loudness);
            if (mode == 0 && scale != tumbor::kUnityGain) __builtin_trap();
            // No gain goes beyond 60 dB either way.
            if (scale > 65536u * 1001u || scale < 65) __builtin_trap();
            std::vector<uint8_t> pcm(data, data + size);
            tumbor::applyGain(pcm.data(), pcm.size(), mode == 1 ? 8 : 16, scale);
        }
    }
    return 0;
}
