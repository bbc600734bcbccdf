// Strm_DSC: the stream library for audio CD tracks. This file is the contract
// adapter: the module record, its operations and the export. The module
// delivers no PCM; the CD audio device plays the track and the player only
// polls decode to learn when it has finished.
#include <string>

#include "libs/common/ascii_text.h"
#include "libs/common/guarded_call.h"
#include "libs/common/library_export.h"
#include "libs/common/module_message.h"
#include "libs/common/module_record.h"
#include "libs/common/module_text.h"
#include "libs/dsc/cd_track_name.h"
#include "libs/dsc/cd_track_player.h"
#include "stream/stream_module.h"

namespace tumbor {
namespace {

constexpr int kCdBitsPerSecond = 44100 * 2 * 16;

StreamModule cdModule;
CdTrackPlayer player;

int STREAM_CALL cdOpen() {
    if (!cdModule.fileName) return 0;
    lowerCaseAscii(cdModule.fileName);
    int track = cdTrackNumber(cdModule.fileName);
    if (track < 1 || track > 99) return 0;
    player.setTrack(track);
    return 1;
}

int STREAM_CALL cdStart() {
    return guardedCall(0, [] {
        std::string openError;
        if (!player.openDevice(openError)) {
            if (!openError.empty()) setModuleText(cdModule.errorText, openError.c_str());
            return 0;
        }
        char title[] = "Audio track 00";
        title[12] = static_cast<char>('0' + player.track() / 10);
        title[13] = static_cast<char>('0' + player.track() % 10);
        setModuleText(cdModule.titleText, title);
        return player.playFromStart() ? 1 : 0;
    });
}

// Every operation that reaches the device is guarded: the native build's
// simulated drive records each command and could throw while doing so.
int STREAM_CALL cdClose() {
    guardedCall(0, [] {
        player.close();
        return 1;
    });
    freeModuleText(cdModule.errorText);
    freeModuleText(cdModule.titleText);
    return 1;
}

int STREAM_CALL cdPosition() {
    return guardedCall(0, [] { return player.position(); });
}
int STREAM_CALL cdLength() { return player.length(); }
int STREAM_CALL cdSeek(int tenths, int) {
    return guardedCall(0, [=] { return player.seek(tenths) ? 1 : 0; });
}
int STREAM_CALL cdBitrate() { return kCdBitsPerSecond; }
// Like a failed mode query, a failure here counts as still playing.
int STREAM_CALL cdDecode(void*, int) {
    return guardedCall(1, [] { return player.stillPlaying() ? 1 : 0; });
}

int STREAM_CALL cdNotify(int event) {
    return guardedCall(0, [=] {
        switch (event) {
            case NOTIFY_PAUSE:
                player.pause();
                return 1;
            case NOTIFY_RESUME:
                player.resume();
                return 1;
            case NOTIFY_STOP:
                player.stop();
                return 1;
            default:
                return 0;
        }
    });
}

int STREAM_CALL cdAbout() {
    return showModuleMessage(
        "CD player plugin. Simply open the .cda file on the CD-ROM drive.\n\n"
        "Sorry, but for the moment only the standard CD-ROM is supported.");
}

void initRecord() {
    cdModule =
        newModuleRecord(ownInput, 44100, 2, 16, "Audio tracks (*.CDA)|*.CDA|", "CD player module v1.10");
    cdModule.open = cdOpen;
    cdModule.start = cdStart;
    cdModule.close = cdClose;
    cdModule.getPosition = cdPosition;
    cdModule.getLength = cdLength;
    cdModule.seek = cdSeek;
    cdModule.getBitrate = cdBitrate;
    cdModule.decode = cdDecode;
    cdModule.notify = cdNotify;
    cdModule.about = cdAbout;
    cdModule.configure = cdAbout;
}

StreamModule* STREAM_CALL getModule(int index) { return index == 0 ? &cdModule : nullptr; }

StreamLibraryHeader libraryHeader = {0x110, "Line in module (with CD-Player support)", getModule};

}  // namespace
}  // namespace tumbor

TUMBOR_STREAM_LIBRARY_EXPORT(tumbor::initRecord, tumbor::libraryHeader)
