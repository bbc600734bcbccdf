// Measures the playback engine's own CPU time per minute of audio: a long
// 44.1 kHz stereo song from a module whose decode is a plain fill (its time
// is measured and taken out), played into a simulated device as fast as the
// engine feeds it. The reference, measured in the same run, is one memcpy of
// the same audio. The goal is below 0.5 % of one core. The song is played a
// second time with every equalizer band and the pre-amp set; the difference
// is the equalizer's cost, whose goal is below 2 % of one core.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <vector>

#include "platform/simulated_wave_device.h"
#include "player/engine/playback_engine.h"

namespace {

constexpr uint32_t kBytesPerSecond = 176400;
constexpr int kMinutes = 30;
constexpr uint64_t kTotalBytes = uint64_t(kBytesPerSecond) * 60 * kMinutes;

StreamModule module;
uint64_t delivered = 0;
double decodeSeconds = 0;  // CPU time spent inside decode, on the output thread

double threadCpuSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

double processCpuSeconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

int STREAM_CALL benchOpen() { return 1; }
int STREAM_CALL benchStart() { return 1; }
int STREAM_CALL benchClose() { return 1; }
int STREAM_CALL benchPosition() { return static_cast<int>(delivered / (kBytesPerSecond / 10)); }
int STREAM_CALL benchLength() { return static_cast<int>(kTotalBytes / (kBytesPerSecond / 10)); }
int STREAM_CALL benchBitrate() { return kBytesPerSecond * 8; }
int STREAM_CALL benchDecode(void* buffer, int bytes) {
    double started = threadCpuSeconds();
    int more = delivered < kTotalBytes;
    if (more) {
        std::memset(buffer, static_cast<int>(delivered & 0xFF), static_cast<size_t>(bytes));
        delivered += static_cast<uint64_t>(bytes);
    }
    decodeSeconds += threadCpuSeconds() - started;
    return more;
}

double referenceSeconds() {
    std::vector<uint8_t> from(32768, 1), to(32768);
    double started = processCpuSeconds();
    for (uint64_t copied = 0; copied < kTotalBytes; copied += from.size()) {
        std::memcpy(to.data(), from.data(), from.size());
        from[copied % from.size()] = to[(copied + 1) % to.size()];  // keeps the copies from being elided
    }
    return processCpuSeconds() - started;
}

// The engine's CPU time, less the module's decode, for one play of the song.
double playedSeconds(tumbor::PlaybackEngine& engine) {
    std::mutex lock;
    std::condition_variable changed;
    bool ended = false;
    engine.setSongEndedHandler([&] {
        std::lock_guard<std::mutex> hold(lock);
        ended = true;
        changed.notify_all();
    });
    delivered = 0;
    decodeSeconds = 0;
    if (!engine.load("bench song")) {
        std::fprintf(stderr, "load failed: %s\n", engine.message().c_str());
        std::exit(1);
    }
    double started = processCpuSeconds();
    engine.play();
    {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [&] { return ended; });
    }
    return processCpuSeconds() - started - decodeSeconds;
}

}  // namespace

int main() {
    std::memcpy(module.magic, "TBSM", 4);
    module.flags = ownInput | pcmOutput;
    module.sampleRate = 44100;
    module.channels = 2;
    module.bitsPerSample = 16;
    module.open = benchOpen;
    module.start = benchStart;
    module.close = benchClose;
    module.getPosition = benchPosition;
    module.getLength = benchLength;
    module.getBitrate = benchBitrate;
    module.decode = benchDecode;

    tumbor::ModuleRegistry registry;
    registry.registerModule(&module, "bench", 0, nullptr, nullptr);
    tumbor::PlaybackEngine engine(registry, std::make_unique<platform::SimulatedWaveDevice>(
                                                platform::SimulatedWaveDevice::Pacing::fast, false));
    double engineSeconds = playedSeconds(engine);
    tumbor::EqualizerSettings equalizer;
    equalizer.enabled = true;
    equalizer.preampTenths = -30;
    for (size_t band = 0; band < tumbor::kEqualizerBands; ++band)
        equalizer.bandTenths[band] = band % 2 ? 60 : -60;
    engine.setEqualizer(equalizer);
    double equalizerSeconds = playedSeconds(engine) - engineSeconds;
    double reference = referenceSeconds();

    double perMinute = engineSeconds / kMinutes;
    std::printf("engine CPU per minute of audio: %.3f ms (%.4f %% of one core; goal below 0.5 %%)\n",
                perMinute * 1000, perMinute / 60 * 100);
    std::printf("reference (memcpy of the same audio) per minute: %.3f ms\n", reference / kMinutes * 1000);
    std::printf("ratio engine / reference: %.2f\n", reference > 0 ? engineSeconds / reference : 0.0);
    double equalizerPerMinute = equalizerSeconds / kMinutes;
    std::printf("equalizer CPU per minute of audio: %.3f ms (%.4f %% of one core; goal below 2 %%)\n",
                equalizerPerMinute * 1000, equalizerPerMinute / 60 * 100);
    std::printf("ratio equalizer / reference: %.2f\n", reference > 0 ? equalizerSeconds / reference : 0.0);
    return 0;
}
