// The CD audio device through mciSendCommandA. No command asks for a
// notification, so no window is involved.
// mmsystem.h needs the types of windows.h, so the order stays.
// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

#include "platform/cd_audio.h"

namespace platform {
namespace {

CdError send(uint32_t device, UINT command, DWORD flags, void* parameters) {
    return mciSendCommandA(device, command, flags, reinterpret_cast<DWORD_PTR>(parameters));
}

CdError status(uint32_t device, DWORD item, DWORD extraFlags, DWORD track, DWORD& value) {
    MCI_STATUS_PARMS parameters{};
    parameters.dwItem = item;
    parameters.dwTrack = track;
    CdError error = send(device, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT | extraFlags, &parameters);
    if (error == kCdSuccess) value = static_cast<DWORD>(parameters.dwReturn);
    return error;
}

}  // namespace

CdError openCdAudio(uint32_t& device) {
    MCI_OPEN_PARMSA parameters{};
    parameters.lpstrDeviceType = reinterpret_cast<LPCSTR>(MCI_DEVTYPE_CD_AUDIO);
    CdError error = send(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID, &parameters);
    // The identifier is only meaningful when the open succeeded.
    if (error == kCdSuccess) device = parameters.wDeviceID;
    return error;
}

CdError closeCdAudio(uint32_t device) {
    MCI_GENERIC_PARMS parameters{};
    return send(device, MCI_CLOSE, 0, &parameters);
}

CdError cdTrackLength(uint32_t device, int track, uint32_t& msf) {
    DWORD value = 0;
    CdError error = status(device, MCI_STATUS_LENGTH, MCI_TRACK, static_cast<DWORD>(track), value);
    if (error == kCdSuccess) msf = value;
    return error;
}

CdError cdUseTrackTimes(uint32_t device) {
    MCI_SET_PARMS parameters{};
    parameters.dwTimeFormat = MCI_FORMAT_TMSF;
    return send(device, MCI_SET, MCI_SET_TIME_FORMAT, &parameters);
}

CdError cdPlay(uint32_t device, uint32_t fromTmsf, uint32_t toTmsf) {
    MCI_PLAY_PARMS parameters{};
    parameters.dwFrom = fromTmsf;
    parameters.dwTo = toTmsf;
    return send(device, MCI_PLAY, MCI_FROM | MCI_TO, &parameters);
}

CdError cdPosition(uint32_t device, uint32_t& tmsf) {
    DWORD value = 0;
    CdError error = status(device, MCI_STATUS_POSITION, 0, 0, value);
    if (error == kCdSuccess) tmsf = value;
    return error;
}

CdError cdMode(uint32_t device, CdMode& mode) {
    DWORD value = 0;
    CdError error = status(device, MCI_STATUS_MODE, 0, 0, value);
    if (error != kCdSuccess) return error;
    switch (value) {
        case MCI_MODE_STOP:
            mode = CdMode::stopped;
            break;
        case MCI_MODE_PLAY:
            mode = CdMode::playing;
            break;
        case MCI_MODE_PAUSE:
            mode = CdMode::paused;
            break;
        default:
            mode = CdMode::other;
            break;
    }
    return kCdSuccess;
}

CdError cdPause(uint32_t device) {
    MCI_GENERIC_PARMS parameters{};
    return send(device, MCI_PAUSE, MCI_WAIT, &parameters);
}

CdError cdStop(uint32_t device) {
    MCI_GENERIC_PARMS parameters{};
    return send(device, MCI_STOP, MCI_WAIT, &parameters);
}

std::string cdErrorText(CdError error) {
    // The buffer is left untouched for codes without a message.
    char text[260] = {};
    if (!mciGetErrorStringA(error, text, sizeof text)) return std::string();
    text[sizeof text - 1] = '\0';
    return text;
}

}  // namespace platform
