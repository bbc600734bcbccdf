// Strm_PCM: the stream library for WAV and VOC files. This file is the
// contract adapter: the two module records, their operations and the export.
// Both modules share one PcmStream, since only one module is open at a time.
#include "libs/common/guarded_call.h"
#include "libs/common/library_export.h"
#include "libs/common/module_message.h"
#include "libs/common/module_record.h"
#include "libs/common/module_text.h"
#include "libs/pcm/pcm_stream.h"
#include "stream/stream_module.h"

namespace tumbor {
namespace {

StreamModule wavModule;
StreamModule vocModule;
PcmStream pcm;
int lastSound = 0;  // bytes of sound the last decode delivered

int openWith(StreamModule& module, PcmOpenResult (*parse)(const StreamInput&, PcmStream&)) {
    return guardedCall(0, [&] {
        pcm = PcmStream();
        PcmOpenResult result = parse(StreamInput(module), pcm);
        if (result.errorText) setModuleText(module.errorText, result.errorText);
        if (!result.accepted) return 0;
        module.sampleRate = result.sampleRate;
        module.channels = result.channels;
        module.bitsPerSample = result.bitsPerSample;
        return 1;
    });
}

int closeModule(StreamModule& module) {
    freeModuleText(module.errorText);
    freeModuleText(module.titleText);
    return 1;
}

int STREAM_CALL wavOpen() { return openWith(wavModule, openWav); }
int STREAM_CALL vocOpen() { return openWith(vocModule, openVoc); }
int STREAM_CALL wavStart() { return StreamInput(wavModule).seek(pcm.dataStart) ? 1 : 0; }
int STREAM_CALL vocStart() { return StreamInput(vocModule).seek(pcm.dataStart) ? 1 : 0; }
int STREAM_CALL wavClose() { return closeModule(wavModule); }
int STREAM_CALL vocClose() { return closeModule(vocModule); }
int STREAM_CALL wavPosition() { return pcmPosition(pcm, StreamInput(wavModule)); }
int STREAM_CALL vocPosition() { return pcmPosition(pcm, StreamInput(vocModule)); }
int STREAM_CALL pcmLengthOp() { return pcmLength(pcm); }
int STREAM_CALL wavSeek(int tenths, int) { return pcmSeek(pcm, StreamInput(wavModule), tenths); }
int STREAM_CALL vocSeek(int tenths, int) { return pcmSeek(pcm, StreamInput(vocModule), tenths); }
int STREAM_CALL pcmBitrate() { return static_cast<int>(pcm.bytesPerSecond * 8); }
int STREAM_CALL wavDecode(void* buffer, int bytes) {
    return pcmDecode(pcm, StreamInput(wavModule), static_cast<uint8_t*>(buffer), bytes, lastSound);
}
int STREAM_CALL vocDecode(void* buffer, int bytes) {
    return pcmDecode(pcm, StreamInput(vocModule), static_cast<uint8_t*>(buffer), bytes, lastSound);
}
int STREAM_CALL pcmSoundBytes() { return lastSound; }

// WAV and VOC carry no loudness values: they play as they are.
StreamModuleExtension pcmExtension = {sizeof(StreamModuleExtension), pcmSoundBytes, nullptr, nullptr};
int STREAM_CALL wavAbout() { return showModuleMessage("WAV loader\n\nSupports loading of WAVe modules."); }
int STREAM_CALL vocAbout() {
    return showModuleMessage("VOC loader\n\nSupports loading of Creative Voice(tm) modules.");
}
int STREAM_CALL wavConfigure() { return showModuleMessage("There is no configuration possible with WAV files"); }
int STREAM_CALL vocConfigure() { return showModuleMessage("There is no configuration possible with VOC files"); }

StreamModule makeRecord(uint32_t rate, uint32_t channels, uint32_t bits, const char* filter,
                        const char* description) {
    StreamModule record = newModuleRecord(pcmOutput, rate, channels, bits, filter, description);
    record.getLength = pcmLengthOp;
    record.getBitrate = pcmBitrate;
    return record;
}

void initRecords() {
    wavModule = makeRecord(44100, 2, 16, "WAV files (*.wav)|*.wav|",
                           "WAV loader (8/16bits, mono/stereo) v1.10");
    wavModule.open = wavOpen;
    wavModule.start = wavStart;
    wavModule.close = wavClose;
    wavModule.getPosition = wavPosition;
    wavModule.seek = wavSeek;
    wavModule.decode = wavDecode;
    wavModule.about = wavAbout;
    wavModule.configure = wavConfigure;

    vocModule = makeRecord(11111, 1, 8, "Creative labs(tm) VOC files (*.voc)|*.voc|",
                           "VOC loader (8 bits, mono) v1.10");
    vocModule.open = vocOpen;
    vocModule.start = vocStart;
    vocModule.close = vocClose;
    vocModule.getPosition = vocPosition;
    vocModule.seek = vocSeek;
    vocModule.decode = vocDecode;
    vocModule.about = vocAbout;
    vocModule.configure = vocConfigure;
}

StreamModule* STREAM_CALL getModule(int index) {
    if (index == 0) return &wavModule;
    if (index == 1) return &vocModule;
    return nullptr;
}

StreamModuleExtension* extensionOf(int index) { return index == 0 || index == 1 ? &pcmExtension : nullptr; }

StreamLibraryHeader libraryHeader = {0x100, "RAW streams library (WAV, VOC)", getModule};

}  // namespace
}  // namespace tumbor

TUMBOR_STREAM_LIBRARY_EXPORT(tumbor::initRecords, tumbor::libraryHeader)
TUMBOR_STREAM_EXTENSION_EXPORT(tumbor::extensionOf)
