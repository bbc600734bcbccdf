// A stream module linked into the test program, for engine tests. It takes
// names that start with "fake" (it reads no file), delivers a known byte
// pattern in the chosen format, and records what the engine asked of it.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "stream/stream_module.h"

namespace tumbor::testing {

struct FakeModuleConfig {
    bool pcm = true;                 // pcmOutput; otherwise the module plays by itself
    uint32_t sampleRate = 44100;
    uint32_t channels = 2;
    uint32_t bitsPerSample = 16;
    uint32_t totalBytes = 2000000;   // sound delivered before decode answers 0
    int pollsUntilEnd = -1;          // without pcmOutput: decode polls before the end (-1: never)
    bool startFails = false;
    const char* startError = nullptr;  // errorText left by a failing start
    bool hasSeek = true;
    int reportedPosition = -1;       // when >= 0, getPosition answers this
    bool tellsLoudness = false;      // the extension answers loudness (below)
    StreamLoudness loudness{};
};

// The byte the module delivers at a stream offset.
inline uint8_t fakeSoundByte(uint32_t offset) { return static_cast<uint8_t>(offset % 251 + 1); }

class FakeStreamModule {
public:
    // Resets the record and the recorded calls.
    static StreamModule& configure(const FakeModuleConfig& config);
    static StreamModule& record();
    // Its extension: the sound of each decode, and loudness when configured.
    static const StreamModuleExtension* extension();
    // Sound delivered before decode answers 0, from the next start on.
    static void setTotalBytes(uint32_t bytes);
    // The sample rate start announces, from the next start on.
    static void setSampleRate(uint32_t rate);
    static void setReportedPosition(int tenths);

    static std::vector<int> notifications();   // NOTIFY_* in order
    static std::vector<int> seeks();           // positions passed to seek, in order
    static int closeCount();
};

}  // namespace tumbor::testing
