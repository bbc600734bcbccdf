// The input services over the current byte source. Offsets and the end flag
// follow the buffered C stream calls on a file opened in binary mode, with two
// rules of the player: seeking past the size is refused and leaves the
// position alone, and the input counts as ended whenever the position stands
// at or past the size.
#include "player/engine/input_services.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace tumbor {
namespace {

struct CurrentInput {
    std::mutex lock;
    std::unique_ptr<ByteSource> source;
    uint64_t position = 0;
    bool hitEnd = false;  // a read came up short
    std::atomic<size_t> attached{0};
};

template <InputSlot slot>
CurrentInput& current() {
    static CurrentInput input;
    return input;
}

CurrentInput& currentOf(InputSlot slot) {
    return slot == InputSlot::playback ? current<InputSlot::playback>() : current<InputSlot::reader>();
}

uint64_t sizeLocked(const CurrentInput& input) { return input.source ? input.source->size() : 0; }

template <InputSlot slot>
uint32_t STREAM_CALL ioTell() {
    CurrentInput& input = current<slot>();
    std::lock_guard<std::mutex> hold(input.lock);
    return static_cast<uint32_t>(input.position);
}

template <InputSlot slot>
uint32_t STREAM_CALL ioSize() {
    CurrentInput& input = current<slot>();
    std::lock_guard<std::mutex> hold(input.lock);
    return static_cast<uint32_t>(sizeLocked(input));
}

template <InputSlot slot>
int STREAM_CALL ioSeek(uint32_t offset) {
    CurrentInput& input = current<slot>();
    std::lock_guard<std::mutex> hold(input.lock);
    if (!input.source || offset > sizeLocked(input)) return 0;
    input.position = offset;
    input.hitEnd = false;
    return 1;
}

template <InputSlot slot>
int STREAM_CALL ioRead(void* buffer, int itemSize, int itemCount) {
    CurrentInput& input = current<slot>();
    std::lock_guard<std::mutex> hold(input.lock);
    if (!input.source || !buffer || itemSize <= 0 || itemCount <= 0) return 0;
    uint64_t wanted = static_cast<uint64_t>(itemSize) * static_cast<uint64_t>(itemCount);
    size_t got = input.source->readAt(input.position, buffer, static_cast<size_t>(wanted));
    input.position += got;
    if (got < wanted) input.hitEnd = true;
    return static_cast<int>(got / static_cast<uint64_t>(itemSize));
}

template <InputSlot slot>
int STREAM_CALL ioEof() {
    CurrentInput& input = current<slot>();
    std::lock_guard<std::mutex> hold(input.lock);
    return input.hitEnd || input.position >= sizeLocked(input) ? 1 : 0;
}

uint32_t STREAM_CALL nullTell() { return 0; }
int STREAM_CALL nullSeek(uint32_t) { return 0; }
int STREAM_CALL nullRead(void*, int, int) { return 0; }
int STREAM_CALL nullEof() { return 0; }

}  // namespace

void attachInput(std::unique_ptr<ByteSource> source, InputSlot slot) {
    CurrentInput& input = currentOf(slot);
    std::lock_guard<std::mutex> hold(input.lock);
    if (source) ++input.attached;
    input.source = std::move(source);
    input.position = 0;
    input.hitEnd = false;
}

void rewindInput(InputSlot slot) {
    CurrentInput& input = currentOf(slot);
    std::lock_guard<std::mutex> hold(input.lock);
    input.position = 0;
    input.hitEnd = false;
}

size_t inputsAttached(InputSlot slot) { return currentOf(slot).attached; }

void detachInput(InputSlot slot) { attachInput(nullptr, slot); }

bool hasInput(InputSlot slot) {
    CurrentInput& input = currentOf(slot);
    std::lock_guard<std::mutex> hold(input.lock);
    return input.source != nullptr;
}

template <InputSlot slot>
void installServicesOf(StreamModule& module) {
    module.ioTell = ioTell<slot>;
    module.ioSize = ioSize<slot>;
    module.ioSeek = ioSeek<slot>;
    module.ioRead = ioRead<slot>;
    module.ioEof = ioEof<slot>;
}

void installInputServices(StreamModule& module, InputSlot slot) {
    if (slot == InputSlot::playback)
        installServicesOf<InputSlot::playback>(module);
    else
        installServicesOf<InputSlot::reader>(module);
}

void installNullInputServices(StreamModule& module) {
    module.ioTell = nullTell;
    module.ioSize = nullTell;
    module.ioSeek = nullSeek;
    module.ioRead = nullRead;
    module.ioEof = nullEof;
}

}  // namespace tumbor
