// Strm_OGG: the stream library for Ogg Vorbis and Opus files. This file is
// the contract adapter: the two module records, their about and configure
// boxes, and the export. Each module has a stream of its own.
#include <opusfile.h>
#include <vorbis/codec.h>

#include <string>

#include "libs/common/decoder_module.h"
#include "libs/common/guarded_call.h"
#include "libs/common/library_export.h"
#include "libs/common/module_message.h"
#include "libs/common/module_record.h"
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
    vorbisModule = newModuleRecord(pcmOutput | utf8Text, 44100, 2, 16, "Ogg Vorbis files (*.ogg;*.oga)|*.ogg;*.oga|",
                                   "Ogg Vorbis decoder (mono/stereo, chained streams) v1.10");
    DecoderModule<vorbisModule, vorbis>::fill(vorbisModule);
    vorbisModule.about = vorbisAbout;
    vorbisModule.configure = vorbisConfigure;

    opusModule = newModuleRecord(pcmOutput | utf8Text, kOpusRate, 2, 16, "Opus files (*.opus)|*.opus|",
                                 "Opus decoder (48000 Hz stereo, chained streams) v1.10");
    DecoderModule<opusModule, opus>::fill(opusModule);
    opusModule.about = opusAbout;
    opusModule.configure = opusConfigure;
}

StreamModule* STREAM_CALL getModule(int index) {
    if (index == 0) return &vorbisModule;
    if (index == 1) return &opusModule;
    return nullptr;
}

StreamModuleExtension* extensionOf(int index) {
    if (index == 0) return DecoderModule<vorbisModule, vorbis>::extension();
    if (index == 1) return DecoderModule<opusModule, opus>::extension();
    return nullptr;
}

StreamLibraryHeader libraryHeader = {0x100, "Ogg streaming library (Vorbis, Opus)", getModule};

}  // namespace
}  // namespace tumbor

TUMBOR_STREAM_LIBRARY_EXPORT(tumbor::initRecords, tumbor::libraryHeader)
TUMBOR_STREAM_EXTENSION_EXPORT(tumbor::extensionOf)
