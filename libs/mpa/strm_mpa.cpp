// STRM_MPA: the stream library for MPEG audio. This file is the contract
// adapter: the module record, its operations and the export, over the
// library's one stream, its settings and its shared tag record.
#include <string>

#include "libs/common/guarded_call.h"
#include "libs/common/library_export.h"
#include "libs/common/module_text.h"
#include "libs/mpa/id3v2_tag.h"
#include "libs/mpa/mpa_dialogs.h"
#include "libs/mpa/mpa_settings.h"
#include "libs/mpa/mpa_stream.h"
#include "libs/mpa/mpeg_data_start.h"
#include "libs/mpa/tag_editing.h"
#include "platform/dialogs.h"
#include "stream/stream_module.h"

namespace tumbor {
namespace {

StreamModule mpaModule;
StreamInput input(mpaModule);
MpaStream stream(input);
MpaSettings settings;
bool settingsLoaded = false;
SharedTag tag;
LoudnessTags loudness;  // from the ID3v2 tags of the file opened

// Settings are read once per process; later changes to the file are not
// seen. Without a settings file (no player) the defaults hold.
void loadSettingsOnce() {
    if (settingsLoaded) return;
    if (mpaModule.iniPath) settings = readSettings(mpaModule.iniPath);
    settingsLoaded = true;
}

// The ID3v1 title wins; the ID3v2 title stands in where there is none.
void updateTitle() {
    std::string title;
    if (tag.present && titleFromTag(tag.record, title))
        setModuleText(mpaModule.titleText, title.c_str());
    else if (!tag.id3v2Title.empty())
        setModuleText(mpaModule.titleText, tag.id3v2Title.c_str());
}

// The tag at the end of the stream, read through the input services; false
// when the read fails.
bool readStreamTag() {
    tag.present = false;
    uint32_t size = input.size();
    if (size < sizeof(Id3v1Tag) + 1) return true;
    if (!input.seek(size - sizeof(Id3v1Tag)) || !input.readExact(&tag.record, sizeof(Id3v1Tag))) return false;
    tag.present = hasTagSignature(tag.record);
    return true;
}

int STREAM_CALL mpaOpen() {
    return guardedCall(0, [] {
        loadSettingsOnce();
        DataStartResult start = findDataStart(input);
        if (!start.found) {
            setModuleText(mpaModule.errorText, start.errorText);
            return 0;
        }
        stream.setDataStart(start.offset);
        InputMpegSource source(input);
        loudness = LoudnessTags();
        tag.id3v2Title = titleFromFrontTags(source, start.tagsEnd, &loudness);
        if (!readStreamTag()) return 0;
        updateTitle();
        return 1;
    });
}

int STREAM_CALL mpaStart() {
    return guardedCall(0, [] {
        if (!stream.start(settings.quality, settings.stereo)) {
            setModuleText(mpaModule.errorText, "Error creating buffer.");
            return 0;
        }
        mpaModule.sampleRate = stream.outputRate();
        return 1;
    });
}

int STREAM_CALL mpaClose() {
    stream.stop();
    freeModuleText(mpaModule.errorText);
    freeModuleText(mpaModule.titleText);
    return 1;
}

int STREAM_CALL mpaPosition() { return stream.position(); }
int STREAM_CALL mpaLength() { return stream.length(); }
int STREAM_CALL mpaBitrate() { return stream.bitrate(); }
int STREAM_CALL mpaSeek(int tenths, int exact) {
    return guardedCall(0, [&] { return stream.seek(tenths, exact != 0); });
}
int STREAM_CALL mpaDecode(void* buffer, int bytes) {
    return guardedCall(0, [&] { return stream.decode(static_cast<uint8_t*>(buffer), bytes) ? 1 : 0; });
}

int STREAM_CALL mpaAbout() {
    return guardedCall(1, [] {
        platform::MessageBoxRequest box;
        box.text =
            "Audio MPEG Decoder (mp1,mp2,mp3,mpa)\n\nSupports MPEG1, MPEG2, MPEG2.5 with layer 1,2,3\n";
        platform::showMessageBox(box);
        return 1;
    });
}

int STREAM_CALL mpaConfigure() {
    return guardedCall(1, [] {
        loadSettingsOnce();
        MpaSettings chosen = settings;
        if (showConfigDialog(mpaModule.libraryInstance, chosen)) {
            settings = chosen;
            if (mpaModule.iniPath) writeSettings(settings, mpaModule.iniPath);
        }
        return 1;
    });
}

// The name is the player's; it is looked at, never changed.
int STREAM_CALL mpaSongInfo(const char* fileName) {
    return guardedCall(0, [&] {
        const char* name = fileName ? fileName : mpaModule.fileName;
        if (!name) return 0;
        switch (editFileTag(name, mpaModule.hostWindow, mpaModule.libraryInstance, tag)) {
            case TagEditOutcome::notHandled:
            case TagEditOutcome::writeFailed:
                return 0;
            case TagEditOutcome::cancelled:
                return 1;
            case TagEditOutcome::saved:
                break;
        }
        updateTitle();
        return 1;
    });
}

int STREAM_CALL mpaReserved() { return 0; }

int STREAM_CALL mpaSoundBytes() { return stream.lastSoundBytes(); }
int STREAM_CALL mpaLoudness(StreamLoudness* result) {
    if (!result || !loudness.any()) return 0;
    *result = loudness.loudness();
    return 1;
}
int STREAM_CALL mpaSetGapless(int on) {
    stream.setGapless(on != 0);
    return 1;
}
StreamModuleExtension mpaExtension = {sizeof(StreamModuleExtension), mpaSoundBytes, mpaLoudness, mpaSetGapless};

void initRecord() {
    StreamModule& record = mpaModule;
    record.magic[0] = 'T';
    record.magic[1] = 'B';
    record.magic[2] = 'S';
    record.magic[3] = 'M';
    record.flags = pcmOutput | utf8Text;
    record.sampleRate = 44100;
    record.channels = 2;
    record.bitsPerSample = 16;
    record.fileFilter = "MPEG I, II, II.5 layer 1,2,3 (*.mp1;*.mp2;*.mp3;*.mpa)|*.mp1;*.mp2;*.mp3;*.mpa|";
    record.description = "MPEG I, II, II.5 layer 1,2,3 decoder v1.10";
    record.moduleVersion = 0x110;
    record.open = mpaOpen;
    record.start = mpaStart;
    record.close = mpaClose;
    record.getPosition = mpaPosition;
    record.getLength = mpaLength;
    record.seek = mpaSeek;
    record.getBitrate = mpaBitrate;
    record.decode = mpaDecode;
    record.notify = nullptr;
    record.about = mpaAbout;
    record.configure = mpaConfigure;
    record.songInfo = mpaSongInfo;
    record.reserved = mpaReserved;
}

StreamModule* STREAM_CALL getModule(int index) { return index == 0 ? &mpaModule : nullptr; }

StreamModuleExtension* extensionOf(int index) { return index == 0 ? &mpaExtension : nullptr; }

StreamLibraryHeader libraryHeader = {0x100, "MPEG streaming library (MPEG 1,2,2.5 - layer 1,2,3)", getModule};

}  // namespace
}  // namespace tumbor

TUMBOR_STREAM_LIBRARY_EXPORT(tumbor::initRecord, tumbor::libraryHeader)
TUMBOR_STREAM_EXTENSION_EXPORT(tumbor::extensionOf)
