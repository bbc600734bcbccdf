// The five input services (ioTell, ioSize, ioSeek, ioRead, ioEof) the player
// lends a stream module. They are plain C functions without context, so they
// work on the one current input of the process; every call is serialised, as
// the window thread and the output thread may call them at the same time.
#pragma once

#include <memory>

#include "stream/stream_module.h"
#include "player/engine/byte_source.h"

namespace tumbor {

// Makes source the current input (replacing and closing any previous one) and
// rewinds it to offset 0.
void attachInput(std::unique_ptr<ByteSource> source);
// Closes the current input; the services then behave as on an empty input.
void detachInput();
bool hasInput();

// Points the module's five service slots at the current input.
void installInputServices(StreamModule& module);
// Points them at services that all answer 0, for ownInput modules.
void installNullInputServices(StreamModule& module);

}  // namespace tumbor
