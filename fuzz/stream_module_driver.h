// Drives one stream module over fuzzer bytes exactly as the player would:
// the bytes become the module's input through the player's input services,
// then open, start, a few decodes, seeks and queries, and close.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "player/engine/input_services.h"
#include "stream/stream_module.h"

namespace tumbor {

inline void driveModule(StreamModule& module, const uint8_t* data, size_t size) {
    attachInput(std::make_unique<MemorySource>(data, size));
    installInputServices(module);
    if (module.open() && module.start()) {
        std::vector<uint8_t> buffer(4096);
        for (int i = 0; i < 64 && module.decode(buffer.data(), 4096); ++i) {
            module.getPosition();
            if (module.getLength) module.getLength();
            if (module.seek && i == 2) module.seek(module.getPosition() + 1, 0);
            if (module.seek && i == 4) module.seek(-5, 1);
        }
        module.getBitrate();
    }
    module.close();
    detachInput();
}

}  // namespace tumbor
