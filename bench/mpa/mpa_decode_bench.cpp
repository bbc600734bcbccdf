// The MPEG module's decode time against a plain libmpg123 decode of the same
// file in the same run, both from memory and to the same 16-bit stereo PCM.
// The module's share above 1.0 is what its input services, block cutting,
// its look at the first frame and its tags cost; the goal is under 5 %.
//   usage: mpa_decode_bench FILE.mp3 [ROUNDS]
#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <vector>

#include "player/engine/input_services.h"
#include "stream/stream_module.h"

extern "C" StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void);

namespace {

using Bytes = std::vector<unsigned char>;

struct MemoryReader {
    const Bytes* bytes;
    size_t position;
};

ssize_t readMemory(void* handle, void* buffer, size_t count) {
    auto* reader = static_cast<MemoryReader*>(handle);
    size_t left = reader->bytes->size() - reader->position;
    size_t take = std::min(count, left);
    std::memcpy(buffer, reader->bytes->data() + reader->position, take);
    reader->position += take;
    return static_cast<ssize_t>(take);
}

off_t seekMemory(void* handle, off_t offset, int whence) {
    auto* reader = static_cast<MemoryReader*>(handle);
    off_t base = whence == SEEK_SET   ? 0
                 : whence == SEEK_CUR ? static_cast<off_t>(reader->position)
                                      : static_cast<off_t>(reader->bytes->size());
    off_t target = base + offset;
    if (target < 0 || target > static_cast<off_t>(reader->bytes->size())) return -1;
    reader->position = static_cast<size_t>(target);
    return target;
}

// libmpg123 alone, set up as the module sets it up, reading from memory.
size_t decodePlain(const Bytes& file) {
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    mpg123_param(
        handle, MPG123_FLAGS,
        MPG123_QUIET | MPG123_NO_PEEK_END | MPG123_SKIP_ID3V2 | MPG123_FORCE_SEEKABLE | MPG123_FORCE_STEREO,
        0);
    mpg123_format_none(handle);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i) mpg123_format(handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
    MemoryReader reader{&file, 0};
    mpg123_replace_reader_handle(handle, readMemory, seekMemory, nullptr);
    mpg123_open_handle(handle, &reader);
    Bytes buffer(16384);
    size_t total = 0, done = 0;
    int result;
    do {
        result = mpg123_read(handle, buffer.data(), buffer.size(), &done);
        total += done;
    } while (result == MPG123_OK || result == MPG123_NEW_FORMAT);
    mpg123_close(handle);
    mpg123_delete(handle);
    return total;
}

// The module through its record, as the player drives it.
size_t decodeThroughModule(const Bytes& file) {
    StreamModule& module = *tumborGetStreamHeader()->getModule(0);
    tumbor::attachInput(std::make_unique<tumbor::MemorySource>(file));
    tumbor::installInputServices(module);
    size_t total = 0;
    if (module.open() && module.start()) {
        Bytes buffer(16384);
        while (module.decode(buffer.data(), 16384)) total += buffer.size();
    }
    module.close();
    tumbor::detachInput();
    return total;
}

template <typename Decode>
double seconds(Decode decode, const Bytes& file, size_t& produced) {
    // CPU time: on a machine shared with other work, wall time also counts
    // the moments this process waits for a core.
    std::clock_t started = std::clock();
    produced = decode(file);
    return static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: mpa_decode_bench FILE.mp3 [ROUNDS]\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int rounds = argc > 2 ? std::atoi(argv[2]) : 15;
    if (file.empty() || rounds < 1) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    // Rounds alternate so that both see the same machine; the fastest counts.
    // Short files get more rounds, at least two seconds of decoding in all,
    // so that a moment of contention on a shared machine is not the best.
    constexpr double kLeastSeconds = 2.0;
    double plainBest = 1e9, moduleBest = 1e9, spent = 0;
    size_t plainBytes = 0, moduleBytes = 0;
    for (int round = 0; round < rounds || spent < kLeastSeconds; ++round) {
        double plain = seconds(decodePlain, file, plainBytes);
        double module = seconds(decodeThroughModule, file, moduleBytes);
        plainBest = std::min(plainBest, plain);
        moduleBest = std::min(moduleBest, module);
        spent += plain + module;
    }
    std::printf("plain libmpg123: %.2f ms for %zu bytes of PCM\n", plainBest * 1000, plainBytes);
    std::printf("STRM_MPA module: %.2f ms for %zu bytes of PCM\n", moduleBest * 1000, moduleBytes);
    std::printf("module / plain: %.3f (goal: below 1.050)\n", moduleBest / plainBest);
    return 0;
}
