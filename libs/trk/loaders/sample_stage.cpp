// The common sample stage.
#include "libs/trk/loaders/sample_stage.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "libs/trk/loaders/sample_decoders.h"

namespace tumbor::trk {
namespace {

constexpr size_t kWorkBufferSize = 16448;
constexpr size_t kChunkSize = 8192;
constexpr uint32_t kGuardBytes = 8;

bool isPlainPcm(SampleEncoding encoding) {
    return encoding == SampleEncoding::pcm || encoding == SampleEncoding::pcmAlt;
}

// The most bytes a sample's data in a file of fileSize bytes can give: plain
// data no more than the file, packed data at most 16 bytes a file byte.
uint64_t mostBytesFrom(const Sample& sample, uint32_t fileSize) {
    return isPlainPcm(sample.encoding) ? fileSize : uint64_t(fileSize) * 16;
}

int reserveSampleMemory(Song& song, uint32_t fileSize) {
    uint64_t total = 0;
    for (std::unique_ptr<Sample>& sample : song.samples) {
        if (!sample) continue;
        sample->loadedLength = sample->length;
        if (sample->skip) sample->length = 0;
        uint64_t most = mostBytesFrom(*sample, fileSize);
        if (sample->length > most)
            sample->length = static_cast<uint32_t>(most) & (sample->is16Bit() ? ~1u : ~0u);
        if (sample->length) total += uint64_t(sample->length) + 16;
    }
    if (total > kSampleMemoryLimit) return kOutOfSampleMemory;
    for (std::unique_ptr<Sample>& sample : song.samples) {
        if (!sample || sample->length == 0) continue;
        sample->data.reset(new (std::nothrow) uint8_t[sample->length + 16]());
        if (!sample->data) return kOutOfSampleMemory;
    }
    return kSamplesLoaded;
}

// Running sums over a chunk; the sums carry over to the next chunk.
struct DeltaState {
    uint8_t byteSum = 0;
    uint16_t wordSum = 0;
};

void undoDelta(uint8_t* bytes, size_t count, bool words, DeltaState& delta) {
    if (!words) {
        for (size_t i = 0; i < count; ++i)
            bytes[i] = delta.byteSum = static_cast<uint8_t>(delta.byteSum + bytes[i]);
        return;
    }
    for (size_t i = 0; i + 1 < count; i += 2) {
        delta.wordSum = static_cast<uint16_t>(delta.wordSum + (bytes[i] | bytes[i + 1] << 8));
        bytes[i] = static_cast<uint8_t>(delta.wordSum);
        bytes[i + 1] = static_cast<uint8_t>(delta.wordSum >> 8);
    }
}

void makeSigned(uint8_t* bytes, size_t count, bool words) {
    size_t step = words ? 2 : 1;
    for (size_t i = words ? 1 : 0; i < count; i += step) bytes[i] ^= 0x80;
}

// Applies the 16-to-8 and decimation reductions in place; answers the bytes left.
size_t reduce(uint8_t* bytes, size_t count, const Sample& sample) {
    size_t pointSize = sample.is16Bit() ? 2 : 1;
    if (sample.to8Bit && pointSize == 2) {
        for (size_t i = 0; 2 * i + 1 < count; ++i) bytes[i] = bytes[2 * i + 1];
        count /= 2;
        pointSize = 1;
    }
    if (sample.decimationShift > 0) {
        size_t stride = pointSize << sample.decimationShift;
        size_t kept = 0;
        for (size_t at = 0; at + pointSize <= count; at += stride, kept += pointSize)
            std::memmove(bytes + kept, bytes + at, pointSize);
        count = kept;
    }
    return count;
}

int startDecoder(ModuleReader& reader, const Sample& sample, std::unique_ptr<SampleDecoder>& decoder) {
    DecoderStart started = DecoderStart::ok;
    switch (sample.encoding) {
        case SampleEncoding::mdl8:
        case SampleEncoding::mdl16:
        case SampleEncoding::dmfTree:
            started = startPackedDecoder(reader, sample.encoding, sample.length, decoder);
            break;
        case SampleEncoding::it8:
        case SampleEncoding::it16:
            started = startItDecoder(reader, sample.encoding, sample.length, decoder);
            break;
        default:
            break;
    }
    if (started == DecoderStart::seekError) return kSampleSeekError;
    if (started == DecoderStart::outOfMemory) return kOutOfMainMemory;
    return kSamplesLoaded;
}

int loadOneSample(ModuleReader& reader, Sample& sample, bool byteDelta, std::vector<uint8_t>& work) {
    if (sample.fileOffset && !reader.seek(sample.fileOffset)) return kSampleSeekError;
    std::unique_ptr<SampleDecoder> decoder;
    if (int result = startDecoder(reader, sample, decoder)) return result;

    int shifts = sample.decimationShift + sample.to8Bit + sample.decoderHalving;
    bool words = sample.is16Bit() && !byteDelta;
    DeltaState delta;
    uint8_t* destination = sample.data.get();
    uint8_t* end = destination + sample.length;
    for (uint32_t done = 0; done < sample.length;) {
        size_t chunk = std::min<size_t>(kChunkSize, sample.length - done);
        if (decoder)
            decoder->decode(work.data(), chunk);
        else
            reader.readSome(work.data(), chunk);  // missing bytes stay silent
        if (sample.isDelta) undoDelta(work.data(), chunk, words, delta);
        if (sample.isUnsigned) makeSigned(work.data(), chunk, sample.is16Bit());
        size_t kept = std::min<size_t>(reduce(work.data(), chunk, sample), chunk >> shifts);
        kept = std::min<size_t>(kept, static_cast<size_t>(end - destination));
        std::memcpy(destination, work.data(), kept);
        destination += kept;
        done += static_cast<uint32_t>(chunk);
    }
    return kSamplesLoaded;
}

void finishSample(Sample& sample) {
    int shifts = sample.decimationShift + sample.to8Bit + sample.decoderHalving;
    if (shifts) {
        sample.loopStart >>= shifts;
        sample.loopEnd >>= shifts;
        sample.length >>= shifts;
        sample.relativeNote -= 12 * sample.decimationShift;
    }
    if (sample.to8Bit || sample.decoderHalving) sample.flags &= ~kSample16Bit;
    sample.loopEnd = std::min(sample.loopEnd, sample.length);
    if (sample.loopStart >= sample.loopEnd) sample.flags &= ~(kSampleLooped | kSamplePingPong);
    // Interpolation reads one point past the end: the loop's start after a
    // loop, silence after a sample that ends.
    uint8_t* data = sample.data.get();
    if (sample.loops())
        std::memmove(data + sample.loopEnd, data + sample.loopStart, kGuardBytes);
    else
        std::memset(data + sample.length, 0, kGuardBytes);
}

}  // namespace

int loadSampleData(ModuleReader& reader, Song& song) {
    if (int result = reserveSampleMemory(song, reader.size())) return result;
    std::vector<uint8_t> work;
    try {
        work.resize(kWorkBufferSize);
    } catch (const std::bad_alloc&) {
        return kOutOfMainMemory;
    }
    bool byteDelta = song.format == SongFormat::ptm;
    for (std::unique_ptr<Sample>& sample : song.samples) {
        if (!sample || !sample->data || sample->length == 0 || sample->skip) continue;
        if (int result = loadOneSample(reader, *sample, byteDelta, work)) return result;
        finishSample(*sample);
    }
    return kSamplesLoaded;
}

const char* sampleStageMessage(int result) {
    switch (result) {
        case kSamplesLoaded:
        case 9:
            return nullptr;
        case kOutOfSampleMemory:
            return "Out of sample memory";
        case kSampleSeekError:
            return "Module is damaged (Seek error)";
        case kOutOfMainMemory:
            return "Out of main memory";
        default:
            return "Failed to load samples";
    }
}

}  // namespace tumbor::trk
