// Checks the audio capture of the test harness: bytes written to wave-out
// under Wine arrive unchanged in the capture file, for 16-bit stereo and
// 8-bit mono. Exits 0 when they do.
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

HANDLE doneSignal;

void CALLBACK onDeviceMessage(HWAVEOUT, UINT message, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    if (message == WOM_DONE) ReleaseSemaphore(doneSignal, 1, nullptr);
}

bool playAndCompare(const char* captureFile, WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;

    std::vector<std::vector<char>> buffers(4, std::vector<char>(8192));
    unsigned seed = rate + channels;
    for (auto& buffer : buffers)
        for (char& byte : buffer) byte = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);

    HWAVEOUT device;
    MMRESULT opened = waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(onDeviceMessage),
                                  0, CALLBACK_FUNCTION);
    if (opened != MMSYSERR_NOERROR) {
        std::printf("waveOutOpen failed: %u\n", opened);
        return false;
    }
    std::vector<WAVEHDR> headers(buffers.size());
    for (size_t i = 0; i < buffers.size(); ++i) {
        headers[i] = WAVEHDR{};
        headers[i].lpData = buffers[i].data();
        headers[i].dwBufferLength = static_cast<DWORD>(buffers[i].size());
        waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR));
        waveOutWrite(device, &headers[i], sizeof(WAVEHDR));
    }
    for (size_t i = 0; i < buffers.size(); ++i) WaitForSingleObject(doneSignal, 20000);
    for (WAVEHDR& header : headers) waveOutUnprepareHeader(device, &header, sizeof(WAVEHDR));
    waveOutClose(device);

    std::vector<char> written;
    for (auto& buffer : buffers) written.insert(written.end(), buffer.begin(), buffer.end());
    std::vector<char> captured;
    if (std::FILE* file = std::fopen(captureFile, "rb")) {
        char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) captured.insert(captured.end(), chunk, chunk + got);
        std::fclose(file);
    }
    bool same = captured == written;
    std::printf("%u Hz %u-bit %u ch: wrote %u bytes, captured %u: %s\n", unsigned(rate), bits, channels,
                unsigned(written.size()), unsigned(captured.size()), same ? "identical" : "DIFFERENT");
    return same;
}

}  // namespace

int main() {
    const char* captureFile = std::getenv("TUMBOR_CAPTURE_FILE");
    if (!captureFile) {
        std::printf("TUMBOR_CAPTURE_FILE is not set\n");
        return 2;
    }
    doneSignal = CreateSemaphoreA(nullptr, 0, 1000, nullptr);
    bool ok = playAndCompare(captureFile, 2, 44100, 16) && playAndCompare(captureFile, 1, 22050, 8);
    CloseHandle(doneSignal);
    return ok ? 0 : 1;
}
