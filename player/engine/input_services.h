// The five input services (ioTell, ioSize, ioSeek, ioRead, ioEof) the player
// lends a stream module. They are plain C functions without context, so each
// set works on one current input of the process: the playback slot for the
// song playing, the reader slot for the background reading of titles and
// lengths. Every call is serialised, as the window thread and the output
// thread may call them at the same time.
#pragma once

#include <cstddef>
#include <memory>

#include "player/engine/byte_source.h"
#include "stream/stream_module.h"

namespace tumbor {

enum class InputSlot { playback, reader };

// Makes source the slot's current input (replacing and closing any previous
// one) and rewinds it to offset 0.
void attachInput(std::unique_ptr<ByteSource> source, InputSlot slot = InputSlot::playback);
// Closes the slot's input; the services then behave as on an empty input.
void detachInput(InputSlot slot = InputSlot::playback);
bool hasInput(InputSlot slot = InputSlot::playback);
// Moves the slot's input back to offset 0, as if it were opened anew.
void rewindInput(InputSlot slot = InputSlot::playback);
// How many sources were attached to the slot since the program started: the
// files opened through it (a diagnostic the player answers to outside callers).
size_t inputsAttached(InputSlot slot);

// Points the module's five service slots at the slot's current input.
void installInputServices(StreamModule& module, InputSlot slot = InputSlot::playback);
// Points them at services that all answer 0, for ownInput modules.
void installNullInputServices(StreamModule& module);

}  // namespace tumbor
