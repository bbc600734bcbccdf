// tumbor-render: plays a file through the stream libraries exactly as the
// player drives them and writes the sound to a WAV file (or raw PCM to
// standard output). Used as the reference driver in tests and benchmarks, and
// to convert a song to WAV.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "player/engine/module_loader.h"
#include "player/engine/module_registry.h"
#include "tools/render/wav_writer.h"

namespace {

const char kUsage[] =
    "usage: tumbor-render [options] FILE [OUTPUT]\n"
    "  Decodes FILE with the stream libraries and writes the sound to OUTPUT,\n"
    "  a WAV file, or raw PCM on standard output when OUTPUT is \"-\".\n"
    "options:\n"
    "  --libs DIR       folder of the stream libraries (default: this program's folder)\n"
    "  --buffer BYTES   decode buffer size: 4096, 8192, 16384 or 32768 (default 32768)\n"
    "  --seek TENTHS    seek to this position, in tenths of a second, before decoding\n"
    "  --seconds S      stop after S seconds of sound\n"
    "  --gapless        as the player with gapless playback on: encoder delay and padding\n"
    "                   cut, and the last buffer holds only its sound\n"
    "  --info           print what the module reports instead of decoding\n"
    "  --ini FILE       settings file the stream libraries read (default: none)\n";

struct Options {
    std::string libraryFolder;
    std::string input;
    std::string output;
    std::string iniPath;
    int bufferSize = 32768;
    int seekTenths = -1;           // none
    int64_t maxMilliseconds = -1;  // no limit
    bool info = false;
    bool gapless = false;
};

bool parseInt(const char* text, int& value) {
    char* end = nullptr;
    long parsed = std::strtol(text, &end, 10);
    if (!*text || *end || parsed < -2147483647L || parsed > 2147483647L) return false;
    value = static_cast<int>(parsed);
    return true;
}

bool parseOptions(int argc, char** argv, Options& options) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--info") {
            options.info = true;
        } else if (arg == "--gapless") {
            options.gapless = true;
        } else if (arg == "--libs" && hasValue) {
            options.libraryFolder = argv[++i];
        } else if (arg == "--ini" && hasValue) {
            options.iniPath = argv[++i];
            if (options.iniPath.empty()) return false;
        } else if (arg == "--buffer" && hasValue) {
            int size = 0;
            if (!parseInt(argv[++i], size) || size < 4096 || size > 32768 || (size & (size - 1)))
                return false;
            options.bufferSize = size;
        } else if (arg == "--seek" && hasValue) {
            if (!parseInt(argv[++i], options.seekTenths)) return false;
        } else if (arg == "--seconds" && hasValue) {
            char* end = nullptr;
            double seconds = std::strtod(argv[++i], &end);
            if (*end || !(seconds >= 0 && seconds < 1e9)) return false;
            // Whole milliseconds, so that both builds cut at the same byte.
            options.maxMilliseconds = std::llround(seconds * 1000);
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return false;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty() || positional.size() > 2) return false;
    options.input = positional[0];
    if (positional.size() == 2) options.output = positional[1];
    return options.info || !options.output.empty();
}

void printInfo(const tumbor::ModuleEntry& entry, const StreamModule& module, const std::string& name) {
    std::printf("description: %s\n", entry.description.c_str());
    std::printf("title: %s\n", module.titleText ? module.titleText : name.c_str());
    std::printf("sample rate: %u\n", module.sampleRate);
    std::printf("channels: %u\n", module.channels);
    std::printf("bits: %u\n", module.bitsPerSample);
    std::printf("length: %d\n", module.getLength ? module.getLength() : 0);
    std::printf("bit rate: %d\n", module.getBitrate ? module.getBitrate() : 0);
}

// Drives decode until the module reports the end or the limit is reached.
// soundBytes, when given, tells how much of each buffer is sound: the engine
// writes only that much in gapless playback and ends the song at a short buffer.
bool decodeToWriter(StreamModule& module, const Options& options, int(STREAM_CALL* soundBytes)(void),
                    tumbor::WavWriter& writer) {
    uint64_t limit = UINT64_MAX;
    if (options.maxMilliseconds >= 0) {
        uint64_t frameBytes = module.channels * module.bitsPerSample / 8;
        limit = static_cast<uint64_t>(options.maxMilliseconds) * module.sampleRate / 1000 * frameBytes;
    }
    std::vector<unsigned char> buffer(static_cast<size_t>(options.bufferSize));
    uint64_t written = 0;
    bool more = true;
    while (more && written < limit && module.decode(buffer.data(), options.bufferSize)) {
        uint64_t sound = buffer.size();
        if (soundBytes) {
            const int bytes = soundBytes();
            sound = static_cast<uint64_t>(std::clamp(bytes, 0, options.bufferSize));
            more = sound == buffer.size();
        }
        uint64_t take = std::min<uint64_t>(sound, limit - written);
        writer.write(buffer.data(), static_cast<size_t>(take));
        written += take;
    }
    return writer.finish();
}

// A module without PCM output plays by itself; it is polled every 50 ms.
void pollUntilEnd(StreamModule& module, const Options& options) {
    auto started = std::chrono::steady_clock::now();
    while (module.decode(nullptr, 0)) {
        auto elapsed = std::chrono::steady_clock::now() - started;
        if (options.maxMilliseconds >= 0 && elapsed >= std::chrono::milliseconds(options.maxMilliseconds))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

int play(StreamModule& module, const tumbor::ModuleEntry& entry, const Options& options,
         const StreamModuleExtension& extension) {
    if (options.info) {
        printInfo(entry, module, options.input);
        return 0;
    }
    if (options.seekTenths >= 0 && module.seek) module.seek(options.seekTenths, 1);
    if (module.notify) module.notify(NOTIFY_PLAY);
    bool ok = true;
    const auto soundBytes = options.gapless ? extension.soundBytes : nullptr;
    if (module.flags & pcmOutput) {
        if (options.output == "-") {
#if defined(_WIN32)
            _setmode(_fileno(stdout), _O_BINARY);
#endif
            tumbor::WavWriter writer(stdout);
            ok = decodeToWriter(module, options, soundBytes, writer);
        } else {
            tumbor::WavWriter writer(options.output, module.sampleRate, module.channels,
                                     module.bitsPerSample);
            ok = writer.ok() && decodeToWriter(module, options, soundBytes, writer);
        }
        if (!ok) std::fprintf(stderr, "Cannot write %s\n", options.output.c_str());
    } else {
        pollUntilEnd(module, options);
    }
    if (module.notify) module.notify(NOTIFY_STOP);
    if (module.seek) module.seek(0, 1);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (options.libraryFolder.empty()) options.libraryFolder = platform::programFolder();

    tumbor::ModuleRegistry registry;
    // Windows looks for a settings file named without a folder in its own
    // folder, so the libraries get the full path.
    std::string iniPath;
    if (!options.iniPath.empty()) iniPath = std::filesystem::absolute(options.iniPath).string();
    registry.build(options.libraryFolder, nullptr, iniPath);
    StreamModule* module = tumbor::probeModules(registry, options.input);
    if (!module) {
        std::fprintf(stderr, "%s\n", tumbor::unknownFormatMessage(options.input).c_str());
        return 1;
    }
    const tumbor::ModuleEntry* entry = nullptr;
    for (const tumbor::ModuleEntry& candidate : registry.entries())
        if (candidate.record == module) entry = &candidate;

    const StreamModuleExtension extension = registry.extensionOf(module);
    if (extension.setGapless) extension.setGapless(options.gapless ? 1 : 0);
    if (!module->start || !module->start()) {
        std::fprintf(stderr, "%s\n", tumbor::startFailureMessage(*module).c_str());
        tumbor::unloadModule(*module);
        return 1;
    }
    int result = play(*module, *entry, options, extension);
    tumbor::unloadModule(*module);
    return result;
}
