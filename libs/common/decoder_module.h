// The operations of a module record over a decoder stream, for libraries
// whose modules each play one stream object: open, start and close, which
// carry the stream's format, title and messages into the record, and the
// queries, seek and decode, each guarded so that no exception crosses the
// contract. A stream offers open/start/close, errorText(), title(),
// sampleRate(), channels(), outputBits(), position(), length(), bitrate(),
// seek(tenths) and decode(destination, count).
#pragma once

#include <cstdint>

#include "libs/common/guarded_call.h"
#include "libs/common/module_text.h"
#include "stream/stream_module.h"

namespace tumbor {

template <StreamModule& module, auto& stream>
struct DecoderModule {
    // Points the record's operations at this stream; about and configure
    // stay the library's own.
    // The record's optional capabilities: the sound of each decode and the
    // stream's loudness values.
    static StreamModuleExtension* extension() {
        static StreamModuleExtension capabilities = {sizeof(StreamModuleExtension), soundBytes, loudness,
                                                     nullptr};
        return &capabilities;
    }

    static void fill(StreamModule& record) {
        record.open = open;
        record.start = start;
        record.close = close;
        record.getPosition = position;
        record.getLength = length;
        record.seek = seek;
        record.getBitrate = bitrate;
        record.decode = decode;
    }

private:
    static void takeFormat() {
        module.sampleRate = stream.sampleRate();
        module.channels = stream.channels();
        module.bitsPerSample = stream.outputBits();
    }
    static int STREAM_CALL open() {
        return guardedCall(0, [] {
            bool accepted = stream.open();
            if (stream.errorText()) setModuleText(module.errorText, stream.errorText());
            if (!accepted) return 0;
            takeFormat();
            if (!stream.title().empty()) setModuleText(module.titleText, stream.title().c_str());
            return 1;
        });
    }
    static int STREAM_CALL start() {
        return guardedCall(0, [] {
            if (!stream.start()) {
                setModuleText(module.errorText,
                              stream.errorText() ? stream.errorText() : "Error creating buffer.");
                return 0;
            }
            takeFormat();
            return 1;
        });
    }
    static int STREAM_CALL close() {
        stream.close();
        freeModuleText(module.errorText);
        freeModuleText(module.titleText);
        return 1;
    }
    static int STREAM_CALL position() { return stream.position(); }
    static int STREAM_CALL length() { return stream.length(); }
    static int STREAM_CALL bitrate() { return stream.bitrate(); }
    static int STREAM_CALL seek(int tenths, int) {
        return guardedCall(0, [tenths] { return stream.seek(tenths) ? 1 : 0; });
    }
    static int STREAM_CALL soundBytes() { return stream.lastSoundBytes(); }
    static int STREAM_CALL loudness(StreamLoudness* result) {
        if (!result || !stream.loudness().any()) return 0;
        *result = stream.loudness().loudness();
        return 1;
    }
    static int STREAM_CALL decode(void* buffer, int bytes) {
        return guardedCall(
            0, [buffer, bytes] { return stream.decode(static_cast<uint8_t*>(buffer), bytes) ? 1 : 0; });
    }
};

}  // namespace tumbor
