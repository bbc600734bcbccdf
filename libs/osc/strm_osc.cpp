// Strm_OSC: the tone generator, a stream library that reads no file. This file
// is the contract adapter: the module record, its operations and the export.
// The one generator lives as long as the library, so its phase runs on from
// one tone to the next.
#include "libs/common/ascii_text.h"
#include "libs/common/guarded_call.h"
#include "libs/common/library_export.h"
#include "libs/common/module_message.h"
#include "libs/common/module_record.h"
#include "libs/common/module_text.h"
#include "libs/osc/tone_generator.h"
#include "libs/osc/tone_name.h"
#include "stream/stream_module.h"

namespace tumbor {
namespace {

constexpr int kBitsPerSecond = ToneGenerator::kSampleRate * 2 * 16;

StreamModule toneModule;
ToneGenerator generator;

int STREAM_CALL toneOpen() {
    return guardedCall(0, [] {
        if (!toneModule.fileName) return 0;
        lowerCaseAscii(toneModule.fileName);
        ToneName tone;
        if (!parseToneName(toneModule.fileName, tone)) return 0;
        generator.setTone(tone.frequency, tone.phased);
        setModuleText(toneModule.titleText, toneTitle(tone).c_str());
        return 1;
    });
}

int STREAM_CALL toneStart() {
    generator.restart();
    return 1;
}

int STREAM_CALL toneClose() {
    generator.restart();
    freeModuleText(toneModule.errorText);
    freeModuleText(toneModule.titleText);
    return 1;
}

int STREAM_CALL tonePosition() { return generator.positionTenths(); }
int STREAM_CALL toneBitrate() { return kBitsPerSecond; }

// The tone never ends.
int STREAM_CALL toneDecode(void* buffer, int bytes) {
    generator.render(static_cast<uint8_t*>(buffer), bytes);
    return 1;
}

int STREAM_CALL toneAbout() {
    return showModuleMessage(
        "Tone generator.\n\n"
        "Specify \"tone://<f>[p]\" to get a tone with the frequency f\n"
        "Using an appended \"p\" will reverse phase\n\n"
        "Examples:\n"
        "  tone://440\n"
        "  tone://63p");
}

void initRecord() {
    toneModule = newModuleRecord(pcmOutput | ownInput, ToneGenerator::kSampleRate, 2, 16, "",
                                 "TONE generator module v1.10");
    toneModule.open = toneOpen;
    toneModule.start = toneStart;
    toneModule.close = toneClose;
    toneModule.getPosition = tonePosition;
    toneModule.getBitrate = toneBitrate;
    toneModule.decode = toneDecode;
    toneModule.about = toneAbout;
    toneModule.configure = toneAbout;
}

StreamModule* STREAM_CALL getModule(int index) { return index == 0 ? &toneModule : nullptr; }

StreamLibraryHeader libraryHeader = {0x110, "Tone generator", getModule};

}  // namespace
}  // namespace tumbor

TUMBOR_STREAM_LIBRARY_EXPORT(tumbor::initRecord, tumbor::libraryHeader)
