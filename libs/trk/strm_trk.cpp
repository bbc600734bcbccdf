// Strm_TRK: the stream library for tracker modules. This file is the
// contract adapter: the module record, its operations and the export, over
// the library's one player, its settings and its windows.
#include <cstring>

#include "libs/common/guarded_call.h"
#include "libs/common/library_export.h"
#include "libs/common/module_record.h"
#include "libs/common/module_text.h"
#include "libs/common/stream_input.h"
#include "libs/trk/model/format_detection.h"
#include "libs/trk/settings/trk_settings.h"
#include "libs/trk/tracker_player.h"
#include "libs/trk/trk_about.h"
#include "libs/trk/trk_dialogs.h"
#include "platform/dialogs.h"
#include "stream/stream_module.h"

namespace tumbor {
namespace {

using namespace trk;

StreamModule trkModule;
StreamInput input(trkModule);
TrackerPlayer player;
SongFormat detected = SongFormat::none;
TrkSettings settings;
bool settingsLoaded = false;

// Read once for the life of the library; without a settings file (no
// player) the defaults hold.
void loadSettingsOnce() {
    if (settingsLoaded) return;
    if (trkModule.iniPath) settings = readTrkSettings(trkModule.iniPath);
    settingsLoaded = true;
}

SongFormat detectInput() {
    StreamByteSource source(input);
    ModuleReader reader(source);
    return detectFormat(reader);
}

int STREAM_CALL trkOpen() {
    return guardedCall(0, [] {
        detected = detectInput();
        return detected == SongFormat::none ? 0 : 1;
    });
}

int STREAM_CALL trkStart() {
    return guardedCall(0, [] {
        loadSettingsOnce();
        OutputMode mode = outputModeFor(settings);
        trkModule.sampleRate = mode.rate;
        trkModule.channels = mode.stereo ? 2 : 1;
        trkModule.bitsPerSample = mode.sixteenBit ? 16 : 8;
        if (detected == SongFormat::none) detected = detectInput();
        StreamByteSource source(input);
        if (const char* message = player.load(source, detected, mode)) {
            setModuleText(trkModule.errorText, message);
            return 0;
        }
        freeModuleText(trkModule.titleText);
        if (!player.song()->name.empty()) setModuleText(trkModule.titleText, player.song()->name.c_str());
        return 1;
    });
}

int STREAM_CALL trkClose() {
    return guardedCall(1, [] {
        if (songInfoOpen()) closeSongInfo();
        player.unload();
        detected = SongFormat::none;
        freeModuleText(trkModule.errorText);
        freeModuleText(trkModule.titleText);
        return 1;
    });
}

int STREAM_CALL trkPosition() { return player.position(); }
int STREAM_CALL trkLength() { return player.length(); }

int STREAM_CALL trkSeek(int tenths, int) {
    return guardedCall(1, [&] {
        player.seek(tenths);
        return 1;
    });
}

// The bit rate of 16-bit stereo at the output rate, whatever the real format.
int STREAM_CALL trkBitrate() { return static_cast<int>(trkModule.sampleRate * 32); }

int STREAM_CALL trkDecode(void* buffer, int bytes) {
    return guardedCall(0, [&] { return player.decode(static_cast<uint8_t*>(buffer), bytes) ? 1 : 0; });
}

int STREAM_CALL trkAbout() {
    return guardedCall(1, [] {
        platform::MessageBoxRequest box;
        box.text = trkAboutText();
        platform::showMessageBox(box);
        return 1;
    });
}

int STREAM_CALL trkConfigure() {
    return guardedCall(1, [] {
        loadSettingsOnce();
        TrkSettings chosen = settings;
        if (showConfigDialog(trkModule.libraryInstance, chosen)) {
            settings = chosen;
            if (trkModule.iniPath) writeTrkSettings(settings, trkModule.iniPath);
        }
        return 1;
    });
}

// The name is the player's; it is looked at, never changed.
int STREAM_CALL trkSongInfo(const char* fileName) {
    return guardedCall(0, [&] {
        if (fileName && (!trkModule.fileName || std::strcmp(fileName, trkModule.fileName) != 0)) return 0;
        if (songInfoOpen()) {
            closeSongInfo();
        } else if (const Song* song = player.song()) {
            showSongInfo(trkModule.hostWindow, trkModule.libraryInstance,
                         SongInfoText{song->name, song->message});
        }
        return 1;
    });
}

void initRecord() {
    trkModule = newModuleRecord(
        pcmOutput, 44100, 2, 16,
        "Module files (*.MOD;*.S3M;*.XM;*.IT;*.PTM;*.MTM;*.669;*.MDL;*.DSM;*.FAR;*.STM;*.DMF)|"
        "*.MOD;*.S3M;*.XM;*.IT;*.PTM;*.MTM;*.669;*.MDL;*.DSM;*.FAR;*.STM;*.DMF|",
        "Module loader v1.10");
    trkModule.open = trkOpen;
    trkModule.start = trkStart;
    trkModule.close = trkClose;
    trkModule.getPosition = trkPosition;
    trkModule.getLength = trkLength;
    trkModule.seek = trkSeek;
    trkModule.getBitrate = trkBitrate;
    trkModule.decode = trkDecode;
    trkModule.notify = nullptr;
    trkModule.about = trkAbout;
    trkModule.configure = trkConfigure;
    trkModule.songInfo = trkSongInfo;
}

StreamModule* STREAM_CALL getModule(int index) { return index == 0 ? &trkModule : nullptr; }

StreamLibraryHeader libraryHeader = {0x100, "Mixing modules", getModule};

}  // namespace
}  // namespace tumbor

TUMBOR_STREAM_LIBRARY_EXPORT(tumbor::initRecord, tumbor::libraryHeader)
