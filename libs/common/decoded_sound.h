// Sound a decoder produced in its own portions (a frame, a packet), handed
// to the player in the byte counts its decode calls ask for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace tumbor {

class DecodedSound {
public:
    // Room for one portion of up to bytes; false when the memory cannot be had.
    bool allocate(size_t bytes) {
        buffer_.reset(new (std::nothrow) uint8_t[bytes]);
        capacity_ = buffer_ ? bytes : 0;
        clear();
        return buffer_ != nullptr;
    }
    void release() {
        buffer_.reset();
        capacity_ = 0;
        clear();
    }
    bool allocated() const { return buffer_ != nullptr; }

    // Where the decoder writes the next portion, once the last is handed over.
    uint8_t* room() { return buffer_.get(); }
    size_t capacity() const { return capacity_; }
    // The decoder wrote bytes at room().
    void filled(size_t bytes) {
        fill_ = bytes < capacity_ ? bytes : capacity_;
        taken_ = 0;
    }
    // Drops what was not handed over yet (after a seek).
    void clear() { fill_ = taken_ = 0; }
    bool empty() const { return taken_ == fill_; }

    // Copies up to count bytes to destination (which may be null: the bytes
    // are passed over), calling refill() whenever the portion is used up;
    // refill answers false at the end of the sound. Answers the bytes copied.
    template <typename Refill>
    size_t take(uint8_t* destination, size_t count, Refill refill) {
        size_t copied = 0;
        while (copied < count) {
            if (empty() && !refill()) break;
            if (empty()) continue;
            size_t chunk = fill_ - taken_;
            if (chunk > count - copied) chunk = count - copied;
            if (destination) std::memcpy(destination + copied, buffer_.get() + taken_, chunk);
            taken_ += chunk;
            copied += chunk;
        }
        return copied;
    }

    // A decode call: up to count bytes as take() copies them, with the rest of
    // destination (when there is one) filled with the silence byte. Nothing is
    // copied before allocate(). Answers the bytes of sound copied.
    template <typename Refill>
    size_t takePadded(uint8_t* destination, size_t count, uint8_t silence, Refill refill) {
        size_t copied = allocated() ? take(destination, count, refill) : 0;
        if (destination && copied < count) std::memset(destination + copied, silence, count - copied);
        return copied;
    }

private:
    std::unique_ptr<uint8_t[]> buffer_;
    size_t capacity_ = 0;
    size_t fill_ = 0;
    size_t taken_ = 0;
};

}  // namespace tumbor
