// The sound output device: the wave-out functions the playback engine uses,
// as a small interface. Result codes are those of the Windows multimedia
// functions, so the engine can name each failure the same way on every build.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct WaveFormat {
    uint32_t sampleRate = 44100;
    uint32_t channels = 2;
    uint32_t bitsPerSample = 16;

    uint32_t blockAlign() const { return channels * bitsPerSample / 8; }
    uint32_t bytesPerSecond() const { return sampleRate * blockAlign(); }
    bool operator==(const WaveFormat& other) const {
        return sampleRate == other.sampleRate && channels == other.channels &&
               bitsPerSample == other.bitsPerSample;
    }
};

// Results of the wave-out calls (MMRESULT values).
enum WaveResult : uint32_t {
    kWaveOk = 0,
    kWaveBadDeviceId = 2,     // MMSYSERR_BADDEVICEID
    kWaveAllocated = 4,       // MMSYSERR_ALLOCATED
    kWaveNoDriver = 6,        // MMSYSERR_NODRIVER
    kWaveNoMemory = 7,        // MMSYSERR_NOMEM
    kWaveNoDriverCallback = 20,  // MMSYSERR_NODRIVERCB
    kWaveBadFormat = 32,      // WAVERR_BADFORMAT
    kWaveStillPlaying = 33,   // WAVERR_STILLPLAYING
};

// The device number of the system's default device (the wave mapper).
constexpr int kDefaultWaveDevice = -1;
// The most buffers a device holds at once.
constexpr int kMaxWaveBuffers = 64;

// Called from the device's own thread once for every buffer it hands back
// (played, or returned by reset). It must do almost nothing.
using BufferDoneCallback = void (*)(void* context);

class WaveDevice {
public:
    virtual ~WaveDevice() = default;

    virtual uint32_t open(int deviceId, const WaveFormat& format, BufferDoneCallback done,
                          void* context) = 0;
    virtual bool isOpen() const = 0;
    // Buffers are numbered 0 .. kMaxWaveBuffers-1; data stays owned by the caller.
    virtual uint32_t prepare(int index, uint8_t* data, uint32_t size) = 0;
    virtual void unprepare(int index) = 0;
    // Queues bytes of the buffer, at most its prepared size (a song's last
    // buffer may be shorter, so the next song follows without a gap).
    virtual void write(int index, uint32_t bytes) = 0;
    virtual void pause() = 0;
    virtual void restart() = 0;
    // Stops playing and hands back every queued buffer.
    virtual void reset() = 0;
    // kWaveStillPlaying while buffers are still queued.
    virtual uint32_t close() = 0;
    // Bytes played since the device was opened or last reset.
    virtual uint32_t positionBytes() = 0;
    // Low word left, high word right, 0 .. 0xFFFF each.
    virtual void setVolume(uint32_t volume) = 0;
};

// The system's sound output: wave-out on Windows; the native build, which has
// no sound device of its own, plays into a simulated device as fast as it can.
std::unique_ptr<WaveDevice> createSystemWaveDevice();

// The names (UTF-8) of the system's wave output devices, in device order (device 0 first).
std::vector<std::string> waveOutputDeviceNames();

}  // namespace platform
