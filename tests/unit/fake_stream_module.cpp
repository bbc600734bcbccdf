// The fake stream module's operations over module-wide state.
#include "tests/unit/fake_stream_module.h"

#include <atomic>
#include <cstring>

#include "libs/common/module_text.h"

namespace tumbor::testing {
namespace {

StreamModule fakeRecord;
FakeModuleConfig config;
std::atomic<uint32_t> offset{0};
std::atomic<int> polls{0};
std::atomic<int> reportedPosition{-1};
std::atomic<int> closes{0};
std::atomic<int> lastSound{0};
std::atomic<uint32_t> totalBytes{0};
std::atomic<uint32_t> sampleRate{0};
std::mutex callLock;
std::vector<int> notified;
std::vector<int> sought;

uint32_t bytesPerTenth() { return config.sampleRate * config.channels * config.bitsPerSample / 8 / 10; }

int STREAM_CALL fakeOpen() { return std::strncmp(fakeRecord.fileName, "fake", 4) == 0; }

int STREAM_CALL fakeStart() {
    offset = 0;
    fakeRecord.sampleRate = sampleRate;
    if (!config.startFails) return 1;
    if (config.startError) setModuleText(fakeRecord.errorText, config.startError);
    return 0;
}

int STREAM_CALL fakeClose() {
    freeModuleText(fakeRecord.errorText);
    ++closes;
    return 1;
}

int STREAM_CALL fakePosition() {
    int reported = reportedPosition;
    return reported >= 0 ? reported : static_cast<int>(offset / bytesPerTenth());
}

int STREAM_CALL fakeLength() { return static_cast<int>(totalBytes / bytesPerTenth()); }

int STREAM_CALL fakeSeek(int tenths, int) {
    {
        std::lock_guard<std::mutex> hold(callLock);
        sought.push_back(tenths);
    }
    uint64_t target = tenths < 0 ? 0 : uint64_t(tenths) * bytesPerTenth();
    offset = static_cast<uint32_t>(target < totalBytes ? target : totalBytes.load());
    return 1;
}

int STREAM_CALL fakeBitrate() { return static_cast<int>(config.sampleRate * config.channels * config.bitsPerSample); }

int STREAM_CALL fakeDecode(void* buffer, int bytes) {
    if (!config.pcm) return config.pollsUntilEnd < 0 || ++polls <= config.pollsUntilEnd;
    uint32_t at = offset;
    lastSound = 0;
    if (at >= totalBytes) return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    uint32_t count = static_cast<uint32_t>(bytes);
    uint32_t sound = totalBytes - at < count ? totalBytes - at : count;
    lastSound = static_cast<int>(sound);
    for (uint32_t i = 0; i < sound; ++i) out[i] = fakeSoundByte(at + i);
    std::memset(out + sound, 0, count - sound);
    offset = at + sound;
    return 1;
}

int STREAM_CALL fakeNotify(int event) {
    std::lock_guard<std::mutex> hold(callLock);
    notified.push_back(event);
    return 1;
}

int STREAM_CALL fakeNothing() { return 0; }

int STREAM_CALL fakeSoundBytes() { return lastSound; }

int STREAM_CALL fakeLoudness(StreamLoudness* loudness) {
    if (!config.tellsLoudness) return 0;
    *loudness = config.loudness;
    return 1;
}

StreamModuleExtension fakeExtension = {sizeof(StreamModuleExtension), fakeSoundBytes, fakeLoudness, nullptr};

}  // namespace

StreamModule& FakeStreamModule::configure(const FakeModuleConfig& newConfig) {
    config = newConfig;
    totalBytes = newConfig.totalBytes;
    sampleRate = newConfig.sampleRate;
    offset = 0;
    polls = 0;
    closes = 0;
    reportedPosition = newConfig.reportedPosition;
    {
        std::lock_guard<std::mutex> hold(callLock);
        notified.clear();
        sought.clear();
    }
    fakeRecord = StreamModule{};
    std::memcpy(fakeRecord.magic, "TBSM", 4);
    fakeRecord.flags = ownInput | (config.pcm ? pcmOutput : 0);
    fakeRecord.sampleRate = config.sampleRate;
    fakeRecord.channels = config.channels;
    fakeRecord.bitsPerSample = config.bitsPerSample;
    fakeRecord.fileFilter = "Fake files (*.fake)|*.fake|";
    fakeRecord.description = "fake module";
    fakeRecord.open = fakeOpen;
    fakeRecord.start = fakeStart;
    fakeRecord.close = fakeClose;
    fakeRecord.getPosition = fakePosition;
    fakeRecord.getLength = fakeLength;
    fakeRecord.seek = config.hasSeek ? fakeSeek : nullptr;
    fakeRecord.getBitrate = fakeBitrate;
    fakeRecord.decode = fakeDecode;
    fakeRecord.notify = fakeNotify;
    fakeRecord.reserved = fakeNothing;
    return fakeRecord;
}

StreamModule& FakeStreamModule::record() { return fakeRecord; }

const StreamModuleExtension* FakeStreamModule::extension() { return &fakeExtension; }

void FakeStreamModule::setTotalBytes(uint32_t bytes) { totalBytes = bytes; }

void FakeStreamModule::setSampleRate(uint32_t rate) { sampleRate = rate; }

void FakeStreamModule::setReportedPosition(int tenths) { reportedPosition = tenths; }

std::vector<int> FakeStreamModule::notifications() {
    std::lock_guard<std::mutex> hold(callLock);
    return notified;
}

std::vector<int> FakeStreamModule::seeks() {
    std::lock_guard<std::mutex> hold(callLock);
    return sought;
}

int FakeStreamModule::closeCount() { return closes; }

}  // namespace tumbor::testing
