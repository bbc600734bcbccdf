// Strm_OGG: the stream library for Ogg Vorbis and Opus files. This file is
// the contract adapter: the two module records, their operations and the
// export. Each module has a stream of its own.
#include <opusfile.h>
#include <vorbis/codec.h>

#include <string>

#include "libs/common/guarded_call.h"
#include "libs/common/library_export.h"
#include "libs/common/module_message.h"
#include "libs/common/module_record.h"
#include "libs/common/module_text.h"
#include "libs/ogg/opus_stream.h"
#include "libs/ogg/vorbis_stream.h"
#include "stream/stream_module.h"

namespace tumbor {
namespace {

StreamModule vorbisModule;
StreamModule opusModule;
StreamInput vorbisInput(vorbisModule);
StreamInput opusInput(opusModule);
VorbisStream vorbis(vorbisInput);
OpusStream opus(opusInput);

// The operations both modules share, over a stream of either kind.
template <typename Stream>
int openModule(StreamModule& module, Stream& stream) {
    return guardedCall(0, [&] {
        bool accepted = stream.open();
        if (stream.errorText()) setModuleText(module.errorText, stream.errorText());
        if (!accepted) return 0;
        if (!stream.title().empty()) setModuleText(module.titleText, stream.title().c_str());
        return 1;
    });
}

template <typename Stream>
int startModule(StreamModule& module, Stream& stream) {
    return guardedCall(0, [&] {
        if (stream.start()) return 1;
        setModuleText(module.errorText, stream.errorText() ? stream.errorText() : "Error creating buffer.");
        return 0;
    });
}

template <typename Stream>
int closeModule(StreamModule& module, Stream& stream) {
    stream.close();
    freeModuleText(module.errorText);
    freeModuleText(module.titleText);
    return 1;
}

int STREAM_CALL vorbisOpen() {
    int accepted = openModule(vorbisModule, vorbis);
    if (accepted) {
        vorbisModule.sampleRate = vorbis.sampleRate();
        vorbisModule.channels = vorbis.channels();
    }
    return accepted;
}
int STREAM_CALL opusOpen() { return openModule(opusModule, opus); }
int STREAM_CALL vorbisStart() { return startModule(vorbisModule, vorbis); }
int STREAM_CALL opusStart() { return startModule(opusModule, opus); }
int STREAM_CALL vorbisClose() { return closeModule(vorbisModule, vorbis); }
int STREAM_CALL opusClose() { return closeModule(opusModule, opus); }
int STREAM_CALL vorbisPosition() { return vorbis.position(); }
int STREAM_CALL opusPosition() { return opus.position(); }
int STREAM_CALL vorbisLength() { return vorbis.length(); }
int STREAM_CALL opusLength() { return opus.length(); }
int STREAM_CALL vorbisBitrate() { return vorbis.bitrate(); }
int STREAM_CALL opusBitrate() { return opus.bitrate(); }
int STREAM_CALL vorbisSeek(int tenths, int) {
    return guardedCall(0, [&] { return vorbis.seek(tenths) ? 1 : 0; });
}
int STREAM_CALL opusSeek(int tenths, int) {
    return guardedCall(0, [&] { return opus.seek(tenths) ? 1 : 0; });
}
int STREAM_CALL vorbisDecode(void* buffer, int bytes) {
    return guardedCall(0, [&] { return vorbis.decode(static_cast<uint8_t*>(buffer), bytes) ? 1 : 0; });
}
int STREAM_CALL opusDecode(void* buffer, int bytes) {
    return guardedCall(0, [&] { return opus.decode(static_cast<uint8_t*>(buffer), bytes) ? 1 : 0; });
}

int STREAM_CALL vorbisAbout() {
    return guardedCall(1, [] {
        std::string text =
            "Ogg Vorbis Decoder (ogg, oga)\n\nPlays Ogg Vorbis files, mono or stereo, at their own rate.\n\n";
        text += vorbis_version_string();
        return showModuleMessage(text.c_str());
    });
}
int STREAM_CALL opusAbout() {
    return guardedCall(1, [] {
        std::string text = "Opus Decoder (opus)\n\nPlays Ogg Opus files in stereo at 48000 Hz.\n\nlibopus ";
        text += opus_get_version_string();
        return showModuleMessage(text.c_str());
    });
}
int STREAM_CALL vorbisConfigure() {
    return showModuleMessage("There is no configuration possible with Ogg Vorbis files");
}
int STREAM_CALL opusConfigure() {
    return showModuleMessage("There is no configuration possible with Opus files");
}

void initRecords() {
    vorbisModule = newModuleRecord(pcmOutput, 44100, 2, 16, "Ogg Vorbis files (*.ogg;*.oga)|*.ogg;*.oga|",
                                   "Ogg Vorbis decoder (mono/stereo, chained streams) v1.10");
    vorbisModule.open = vorbisOpen;
    vorbisModule.start = vorbisStart;
    vorbisModule.close = vorbisClose;
    vorbisModule.getPosition = vorbisPosition;
    vorbisModule.getLength = vorbisLength;
    vorbisModule.seek = vorbisSeek;
    vorbisModule.getBitrate = vorbisBitrate;
    vorbisModule.decode = vorbisDecode;
    vorbisModule.about = vorbisAbout;
    vorbisModule.configure = vorbisConfigure;

    opusModule = newModuleRecord(pcmOutput, kOpusRate, 2, 16, "Opus files (*.opus)|*.opus|",
                                 "Opus decoder (48000 Hz stereo, chained streams) v1.10");
    opusModule.open = opusOpen;
    opusModule.start = opusStart;
    opusModule.close = opusClose;
    opusModule.getPosition = opusPosition;
    opusModule.getLength = opusLength;
    opusModule.seek = opusSeek;
    opusModule.getBitrate = opusBitrate;
    opusModule.decode = opusDecode;
    opusModule.about = opusAbout;
    opusModule.configure = opusConfigure;
}

StreamModule* STREAM_CALL getModule(int index) {
    if (index == 0) return &vorbisModule;
    if (index == 1) return &opusModule;
    return nullptr;
}

StreamLibraryHeader libraryHeader = {0x100, "Ogg streaming library (Vorbis, Opus)", getModule};

}  // namespace
}  // namespace tumbor

TUMBOR_STREAM_LIBRARY_EXPORT(tumbor::initRecords, tumbor::libraryHeader)
