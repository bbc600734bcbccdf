// Offers a name to an ownInput module the way the player's probe does: a
// heap copy in fileName, the input services that answer 0, then open.
#pragma once

#include <cstdlib>
#include <cstring>

#include "player/engine/input_services.h"
#include "stream/stream_module.h"

namespace tumbor::testing {

inline int offerName(StreamModule& module, const char* name) {
    std::free(module.fileName);
    module.fileName = static_cast<char*>(std::malloc(std::strlen(name) + 1));
    std::strcpy(module.fileName, name);
    installNullInputServices(module);
    return module.open();
}

}  // namespace tumbor::testing
