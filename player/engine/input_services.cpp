// The input services over the current byte source. Offsets and the end flag
// follow the buffered C stream calls on a file opened in binary mode, with two
// rules of the player: seeking past the size is refused and leaves the
// position alone, and the input counts as ended whenever the position stands
// at or past the size.
#include "player/engine/input_services.h"

#include <cstdint>
#include <mutex>

namespace tumbor {
namespace {

struct CurrentInput {
    std::mutex lock;
    std::unique_ptr<ByteSource> source;
    uint64_t position = 0;
    bool hitEnd = false;  // a read came up short
};

CurrentInput& current() {
    static CurrentInput input;
    return input;
}

uint64_t sizeLocked(const CurrentInput& input) { return input.source ? input.source->size() : 0; }

uint32_t STREAM_CALL ioTell() {
    CurrentInput& input = current();
    std::lock_guard<std::mutex> hold(input.lock);
    return static_cast<uint32_t>(input.position);
}

uint32_t STREAM_CALL ioSize() {
    CurrentInput& input = current();
    std::lock_guard<std::mutex> hold(input.lock);
    return static_cast<uint32_t>(sizeLocked(input));
}

int STREAM_CALL ioSeek(uint32_t offset) {
    CurrentInput& input = current();
    std::lock_guard<std::mutex> hold(input.lock);
    if (!input.source || offset > sizeLocked(input)) return 0;
    input.position = offset;
    input.hitEnd = false;
    return 1;
}

int STREAM_CALL ioRead(void* buffer, int itemSize, int itemCount) {
    CurrentInput& input = current();
    std::lock_guard<std::mutex> hold(input.lock);
    if (!input.source || !buffer || itemSize <= 0 || itemCount <= 0) return 0;
    uint64_t wanted = static_cast<uint64_t>(itemSize) * static_cast<uint64_t>(itemCount);
    size_t got = input.source->readAt(input.position, buffer, static_cast<size_t>(wanted));
    input.position += got;
    if (got < wanted) input.hitEnd = true;
    return static_cast<int>(got / static_cast<uint64_t>(itemSize));
}

int STREAM_CALL ioEof() {
    CurrentInput& input = current();
    std::lock_guard<std::mutex> hold(input.lock);
    return input.hitEnd || input.position >= sizeLocked(input) ? 1 : 0;
}

uint32_t STREAM_CALL nullTell() { return 0; }
int STREAM_CALL nullSeek(uint32_t) { return 0; }
int STREAM_CALL nullRead(void*, int, int) { return 0; }
int STREAM_CALL nullEof() { return 0; }

}  // namespace

void attachInput(std::unique_ptr<ByteSource> source) {
    CurrentInput& input = current();
    std::lock_guard<std::mutex> hold(input.lock);
    input.source = std::move(source);
    input.position = 0;
    input.hitEnd = false;
}

void detachInput() { attachInput(nullptr); }

bool hasInput() {
    CurrentInput& input = current();
    std::lock_guard<std::mutex> hold(input.lock);
    return input.source != nullptr;
}

void installInputServices(StreamModule& module) {
    module.ioTell = ioTell;
    module.ioSize = ioSize;
    module.ioSeek = ioSeek;
    module.ioRead = ioRead;
    module.ioEof = ioEof;
}

void installNullInputServices(StreamModule& module) {
    module.ioTell = nullTell;
    module.ioSize = nullTell;
    module.ioSeek = nullSeek;
    module.ioRead = nullRead;
    module.ioEof = nullEof;
}

}  // namespace tumbor
