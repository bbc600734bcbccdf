// The wave device on waveOutOpen and friends; WOM_DONE is passed on to the
// engine's callback and nothing else happens in the device's callback.
#include "platform/win32/wave_device_win.h"

#include "platform/win32/wide_text.h"

namespace platform {

WinWaveDevice::~WinWaveDevice() {
    if (!handle_) return;
    reset();
    while (close() == kWaveStillPlaying) {
    }
}

void CALLBACK WinWaveDevice::deviceProc(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    if (message != WOM_DONE) return;
    auto* device = reinterpret_cast<WinWaveDevice*>(instance);
    device->done_(device->context_);
}

uint32_t WinWaveDevice::open(int deviceId, const WaveFormat& format, BufferDoneCallback done, void* context) {
    WAVEFORMATEX wave{};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = static_cast<WORD>(format.channels);
    wave.nSamplesPerSec = format.sampleRate;
    wave.wBitsPerSample = static_cast<WORD>(format.bitsPerSample);
    wave.nBlockAlign = static_cast<WORD>(format.blockAlign());
    wave.nAvgBytesPerSec = format.bytesPerSecond();
    done_ = done;
    context_ = context;
    HWAVEOUT handle = nullptr;
    MMRESULT result = waveOutOpen(&handle, static_cast<UINT>(deviceId), &wave,
                                  reinterpret_cast<DWORD_PTR>(deviceProc), reinterpret_cast<DWORD_PTR>(this),
                                  CALLBACK_FUNCTION | WAVE_ALLOWSYNC);
    if (result == MMSYSERR_NOERROR) handle_ = handle;
    return result;
}

uint32_t WinWaveDevice::prepare(int index, uint8_t* data, uint32_t size) {
    WAVEHDR& header = headers_[index];
    header = WAVEHDR{};
    header.lpData = reinterpret_cast<LPSTR>(data);
    header.dwBufferLength = size;
    preparedSizes_[index] = size;
    return waveOutPrepareHeader(handle_, &header, sizeof header);
}

void WinWaveDevice::unprepare(int index) {
    waveOutUnprepareHeader(handle_, &headers_[index], sizeof(WAVEHDR));
    headers_[index] = WAVEHDR{};
}

void WinWaveDevice::write(int index, uint32_t bytes) {
    WAVEHDR& header = headers_[index];
    header.dwBufferLength = bytes < preparedSizes_[index] ? bytes : preparedSizes_[index];
    waveOutWrite(handle_, &header, sizeof header);
}
void WinWaveDevice::pause() { waveOutPause(handle_); }
void WinWaveDevice::restart() { waveOutRestart(handle_); }
void WinWaveDevice::reset() { waveOutReset(handle_); }

uint32_t WinWaveDevice::close() {
    MMRESULT result = waveOutClose(handle_);
    if (result == MMSYSERR_NOERROR) handle_ = nullptr;
    return result;
}

uint32_t WinWaveDevice::positionBytes() {
    MMTIME time{};
    time.wType = TIME_BYTES;
    if (waveOutGetPosition(handle_, &time, sizeof time) != MMSYSERR_NOERROR || time.wType != TIME_BYTES)
        return 0;
    return time.u.cb;
}

void WinWaveDevice::setVolume(uint32_t volume) { waveOutSetVolume(handle_, volume); }

std::unique_ptr<WaveDevice> createSystemWaveDevice() { return std::make_unique<WinWaveDevice>(); }

std::vector<std::string> waveOutputDeviceNames() {
    std::vector<std::string> names;
    const UINT count = waveOutGetNumDevs();
    for (UINT id = 0; id < count; ++id) {
        WAVEOUTCAPSW caps{};
        if (waveOutGetDevCapsW(id, &caps, sizeof caps) != MMSYSERR_NOERROR) caps.szPname[0] = L'\0';
        names.push_back(utf8FromWide(caps.szPname, wcsnlen(caps.szPname, MAXPNAMELEN)));
    }
    return names;
}

}  // namespace platform
