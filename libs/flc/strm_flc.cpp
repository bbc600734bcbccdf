// Strm_FLC: the stream library for FLAC files, native and in Ogg. This file
// is the contract adapter: the module record, its operations and the export.
#include <FLAC/format.h>

#include <string>

#include "libs/common/guarded_call.h"
#include "libs/common/library_export.h"
#include "libs/common/module_message.h"
#include "libs/common/module_record.h"
#include "libs/common/module_text.h"
#include "libs/flc/flac_stream.h"
#include "stream/stream_module.h"

namespace tumbor {
namespace {

StreamModule flacModule;
StreamInput input(flacModule);
FlacStream stream(input);

void takeFormat() {
    flacModule.sampleRate = stream.sampleRate();
    flacModule.channels = stream.channels();
    flacModule.bitsPerSample = stream.outputBits();
}

int STREAM_CALL flacOpen() {
    return guardedCall(0, [] {
        bool accepted = stream.open();
        if (stream.errorText()) setModuleText(flacModule.errorText, stream.errorText());
        if (!accepted) return 0;
        takeFormat();
        if (!stream.title().empty()) setModuleText(flacModule.titleText, stream.title().c_str());
        return 1;
    });
}

int STREAM_CALL flacStart() {
    return guardedCall(0, [] {
        if (!stream.start()) {
            setModuleText(flacModule.errorText,
                          stream.errorText() ? stream.errorText() : "Error creating buffer.");
            return 0;
        }
        takeFormat();
        return 1;
    });
}

int STREAM_CALL flacClose() {
    stream.close();
    freeModuleText(flacModule.errorText);
    freeModuleText(flacModule.titleText);
    return 1;
}

int STREAM_CALL flacPosition() { return stream.position(); }
int STREAM_CALL flacLength() { return stream.length(); }
int STREAM_CALL flacBitrate() { return stream.bitrate(); }
int STREAM_CALL flacSeek(int tenths, int) {
    return guardedCall(0, [&] { return stream.seek(tenths) ? 1 : 0; });
}
int STREAM_CALL flacDecode(void* buffer, int bytes) {
    return guardedCall(0, [&] { return stream.decode(static_cast<uint8_t*>(buffer), bytes) ? 1 : 0; });
}

int STREAM_CALL flacAbout() {
    return guardedCall(1, [] {
        std::string text =
            "FLAC Decoder (flac, oga)\n\nPlays native FLAC and Ogg FLAC files, mono or stereo,\n"
            "with 8 to 24 bits per sample (24 bits played as 16).\n\nlibFLAC ";
        text += FLAC__VERSION_STRING;
        return showModuleMessage(text.c_str());
    });
}
int STREAM_CALL flacConfigure() {
    return showModuleMessage("There is no configuration possible with FLAC files");
}

void initRecord() {
    flacModule = newModuleRecord(pcmOutput, 44100, 2, 16, "FLAC files (*.flac)|*.flac|",
                                 "FLAC decoder (native and Ogg FLAC, mono/stereo) v1.10");
    flacModule.open = flacOpen;
    flacModule.start = flacStart;
    flacModule.close = flacClose;
    flacModule.getPosition = flacPosition;
    flacModule.getLength = flacLength;
    flacModule.seek = flacSeek;
    flacModule.getBitrate = flacBitrate;
    flacModule.decode = flacDecode;
    flacModule.about = flacAbout;
    flacModule.configure = flacConfigure;
}

StreamModule* STREAM_CALL getModule(int index) { return index == 0 ? &flacModule : nullptr; }

StreamLibraryHeader libraryHeader = {0x100, "FLAC streaming library (native FLAC, Ogg FLAC)", getModule};

}  // namespace
}  // namespace tumbor

TUMBOR_STREAM_LIBRARY_EXPORT(tumbor::initRecord, tumbor::libraryHeader)
