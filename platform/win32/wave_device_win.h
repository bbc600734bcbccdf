// The wave device on the Windows wave-out functions.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include "platform/wave_device.h"

namespace platform {

class WinWaveDevice : public WaveDevice {
public:
    ~WinWaveDevice() override;
    uint32_t open(int deviceId, const WaveFormat& format, BufferDoneCallback done, void* context) override;
    bool isOpen() const override { return handle_ != nullptr; }
    uint32_t prepare(int index, uint8_t* data, uint32_t size) override;
    void unprepare(int index) override;
    void write(int index, uint32_t bytes) override;
    void pause() override;
    void restart() override;
    void reset() override;
    uint32_t close() override;
    uint32_t positionBytes() override;
    void setVolume(uint32_t volume) override;

private:
    static void CALLBACK deviceProc(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR);

    HWAVEOUT handle_ = nullptr;
    BufferDoneCallback done_ = nullptr;
    void* context_ = nullptr;
    WAVEHDR headers_[kMaxWaveBuffers] = {};
    uint32_t preparedSizes_[kMaxWaveBuffers] = {};  // each header's length when it was prepared
};

}  // namespace platform
