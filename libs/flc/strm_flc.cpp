// Strm_FLC: the stream library for FLAC files, native and in Ogg. This file
// is the contract adapter: the module record, its about and configure boxes,
// and the export.
#include <FLAC/format.h>

#include <string>

#include "libs/common/decoder_module.h"
#include "libs/common/guarded_call.h"
#include "libs/common/library_export.h"
#include "libs/common/module_message.h"
#include "libs/common/module_record.h"
#include "libs/flc/flac_stream.h"
#include "stream/stream_module.h"

namespace tumbor {
namespace {

StreamModule flacModule;
StreamInput input(flacModule);
FlacStream stream(input);

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
    flacModule = newModuleRecord(pcmOutput | utf8Text, 44100, 2, 16, "FLAC files (*.flac)|*.flac|",
                                 "FLAC decoder (native and Ogg FLAC, mono/stereo) v1.10");
    DecoderModule<flacModule, stream>::fill(flacModule);
    flacModule.about = flacAbout;
    flacModule.configure = flacConfigure;
}

StreamModule* STREAM_CALL getModule(int index) { return index == 0 ? &flacModule : nullptr; }

StreamModuleExtension* extensionOf(int index) {
    return index == 0 ? DecoderModule<flacModule, stream>::extension() : nullptr;
}

StreamLibraryHeader libraryHeader = {0x100, "FLAC streaming library (native FLAC, Ogg FLAC)", getModule};

}  // namespace
}  // namespace tumbor

TUMBOR_STREAM_LIBRARY_EXPORT(tumbor::initRecord, tumbor::libraryHeader)
TUMBOR_STREAM_EXTENSION_EXPORT(tumbor::extensionOf)
