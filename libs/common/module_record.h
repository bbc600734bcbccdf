// What every module record starts from: the magic, the output format
// announced before open, the texts and version, and the songInfo and reserved
// slots answering 0. The adapter fills in its operations.
#pragma once

#include "stream/stream_module.h"

namespace tumbor {

inline int STREAM_CALL answerNoSongInfo(const char*) { return 0; }
inline int STREAM_CALL answerReserved() { return 0; }

inline StreamModule newModuleRecord(uint32_t flags, uint32_t sampleRate, uint32_t channels,
                                    uint32_t bitsPerSample, const char* fileFilter, const char* description) {
    StreamModule record{};
    record.magic[0] = 'T';
    record.magic[1] = 'B';
    record.magic[2] = 'S';
    record.magic[3] = 'M';
    record.flags = flags;
    record.sampleRate = sampleRate;
    record.channels = channels;
    record.bitsPerSample = bitsPerSample;
    record.fileFilter = fileFilter;
    record.description = description;
    record.moduleVersion = 0x110;
    record.songInfo = answerNoSongInfo;
    record.reserved = answerReserved;
    return record;
}

}  // namespace tumbor
