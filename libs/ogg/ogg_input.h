// What the Vorbis and Opus streams share: the Ogg page signature at the start
// of the input, and C-runtime-like read, seek and tell over the player's
// input services for the decoders' callbacks.
#pragma once

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "libs/common/stream_input.h"

namespace tumbor {

// True when the input begins with an Ogg page's capture pattern; a cheap
// test before the decoders, which would search a whole foreign file for one.
inline bool startsWithOggPage(const StreamInput& input) {
    char pattern[4];
    return input.seek(0) && input.readExact(pattern, 4) && std::memcmp(pattern, "OggS", 4) == 0;
}

// Bytes read, up to count; 0 at the end.
inline int readOgg(const StreamInput& input, void* buffer, size_t count) {
    int wanted = count > INT_MAX ? INT_MAX : static_cast<int>(count);
    int got = wanted > 0 ? input.readSome(buffer, wanted) : 0;
    return got > 0 ? got : 0;
}

// fseek's arguments; 0 on success, -1 (position unchanged) outside the input.
inline int seekOgg(const StreamInput& input, int64_t offset, int whence) {
    int64_t base = whence == SEEK_CUR   ? static_cast<int64_t>(input.tell())
                   : whence == SEEK_END ? static_cast<int64_t>(input.size())
                                        : 0;
    if (offset > INT64_MAX - base) return -1;
    int64_t target = base + offset;
    return target >= 0 && input.seek(static_cast<uint64_t>(target)) ? 0 : -1;
}

}  // namespace tumbor
