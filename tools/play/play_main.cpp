// tumbor-play: plays one file through the playback engine and the system's
// sound device, to its end or for a given time, with an optional script of
// timed actions; or several files one after another without a gap. It is the
// engine's end-to-end harness.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/dynamic_library.h"
#include "player/engine/playback_engine.h"
#include "tools/play/play_script.h"

namespace {

const char kUsage[] =
    "usage: tumbor-play [options] FILE [ACTION...]\n"
    "  Plays FILE through the playback engine to its end.\n"
    "options:\n"
    "  --libs DIR        folder of the stream libraries (default: this program's folder)\n"
    "  --buffer TENTHS   output buffer length in tenths of a second (default 20)\n"
    "  --device N        wave device number (default -1, the system's default device)\n"
    "  --seconds S       stop after S seconds\n"
    "  --next FILE       then FILE, handed over without a gap (gapless playback); repeatable;\n"
    "                    where the device was as each began to be heard is printed at the end\n"
    "  --replaygain M    ReplayGain mode: 0 off (default), 1 track, 2 album\n"
    "  --equalizer P,B1,...,B10  equalizer on: pre-amp and ten bands in tenths of a dB\n"
    "actions, each at a time in milliseconds after playing starts:\n"
    "  MS:pause  MS:resume  MS:stop  MS:skip+  MS:skip-  MS:release\n"
    "  MS:seek:X/W (to X/W of the song)  MS:volume:V (0 .. 65536)\n";

struct Options {
    std::string libraryFolder;
    std::string file;
    int bufferTenths = 20;
    int device = -1;
    int maxMilliseconds = -1;
    std::deque<std::string> nextFiles;
    int replayGainMode = 0;
    tumbor::EqualizerSettings equalizer;
    std::vector<tumbor::PlayAction> actions;
};

// "P,B1,...,B10": the pre-amp and every band, all eleven required.
bool parseEqualizer(const char* text, tumbor::EqualizerSettings& equalizer) {
    for (int i = 0; i <= tumbor::kEqualizerBands; ++i) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end == text || *end != (i < tumbor::kEqualizerBands ? ',' : '\0')) return false;
        (i == 0 ? equalizer.preampTenths : equalizer.bandTenths[static_cast<size_t>(i - 1)]) =
            static_cast<int>(
                std::clamp<long>(value, -tumbor::kEqualizerLimitTenths, tumbor::kEqualizerLimitTenths));
        text = end + 1;
    }
    equalizer.enabled = true;
    return true;
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--libs" && hasValue) {
            options.libraryFolder = argv[++i];
        } else if (arg == "--buffer" && hasValue) {
            options.bufferTenths = std::atoi(argv[++i]);
        } else if (arg == "--device" && hasValue) {
            options.device = std::atoi(argv[++i]);
        } else if (arg == "--next" && hasValue) {
            options.nextFiles.push_back(argv[++i]);
        } else if (arg == "--replaygain" && hasValue) {
            options.replayGainMode = std::atoi(argv[++i]);
        } else if (arg == "--equalizer" && hasValue) {
            if (!parseEqualizer(argv[++i], options.equalizer)) return false;
        } else if (arg == "--seconds" && hasValue) {
            options.maxMilliseconds = static_cast<int>(std::atof(argv[++i]) * 1000);
        } else if (options.file.empty() && (arg.empty() || arg[0] != '-')) {
            options.file = arg;
        } else {
            tumbor::PlayAction action;
            if (!tumbor::parsePlayAction(arg, action)) return false;
            options.actions.push_back(action);
        }
    }
    return !options.file.empty();
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
    registry.build(options.libraryFolder, nullptr, "");
    tumbor::PlaybackEngine engine(registry, platform::createSystemWaveDevice());
    std::mutex endLock;
    std::condition_variable endChanged;
    bool ended = false;
    bool decoded = false;
    engine.setSongEndedHandler([&] {
        std::lock_guard<std::mutex> hold(endLock);
        ended = true;
        endChanged.notify_all();
    });
    auto handOverNow = [&] {
        std::lock_guard<std::mutex> hold(endLock);
        decoded = true;
        endChanged.notify_all();
    };
    engine.setSongDecodedHandler(handOverNow);
    // A song decoded while the one before it still plays is handed on once it
    // is heard. What the engine shows then, and the device's byte, are kept.
    std::vector<std::string> switches;
    engine.setSongStartedHandler([&] {
        const tumbor::NowPlaying now = engine.nowPlaying();
        uint32_t position = 0;
        engine.lendPlayingSound([&](const tumbor::PlayingSound& sound) { position = sound.positionBytes; });
        {
            std::lock_guard<std::mutex> hold(endLock);
            switches.push_back("started " + now.title + " at byte " + std::to_string(position) + ", " +
                               std::to_string(now.heardTenths) + " tenths heard");
        }
        handOverNow();
    });
    engine.setGapless(!options.nextFiles.empty());
    tumbor::ReplayGainSettings gain;
    gain.mode = options.replayGainMode;
    engine.setReplayGain(gain);
    engine.setEqualizer(options.equalizer);
    engine.setDevice(options.device);
    engine.setBufferLength(static_cast<uint32_t>(options.bufferTenths) * 100);

    if (!engine.load(options.file)) {
        std::fprintf(stderr, "%s\n", engine.message().c_str());
        return 1;
    }
    auto started = std::chrono::steady_clock::now();
    engine.play();

    // Waits for the end of the last song, handing the next file over whenever
    // a song has been decoded to its end; true when it ended before until.
    auto songOver = [&](std::chrono::steady_clock::time_point until) {
        std::unique_lock<std::mutex> hold(endLock);
        while (endChanged.wait_until(hold, until, [&] { return ended || decoded; })) {
            if (ended) return true;
            decoded = false;
            if (options.nextFiles.empty()) continue;
            std::string next = options.nextFiles.front();
            options.nextFiles.pop_front();
            hold.unlock();
            tumbor::PlaybackEngine::HandOver result = engine.handOver(next);
            if (result == tumbor::PlaybackEngine::HandOver::loaded) engine.play();
            if (result == tumbor::PlaybackEngine::HandOver::failed)
                std::fprintf(stderr, "%s\n", engine.message().c_str());
            hold.lock();
            // Not yet (the song before still plays): again at the next report.
            if (result == tumbor::PlaybackEngine::HandOver::notApplicable) options.nextFiles.push_front(next);
        }
        return false;
    };
    bool stopped = false;
    for (const tumbor::PlayAction& action : options.actions) {
        if (songOver(started + std::chrono::milliseconds(action.atMilliseconds))) break;
        tumbor::applyPlayAction(engine, action);
        if (action.kind == tumbor::PlayAction::Kind::stop) {
            stopped = true;
            break;
        }
    }
    if (!stopped) {
        auto limit = options.maxMilliseconds >= 0 ? started + std::chrono::milliseconds(options.maxMilliseconds)
                                                  : std::chrono::steady_clock::time_point::max();
        if (!songOver(limit)) engine.stop(1);
    }
    engine.closeDevice();
    for (const std::string& line : switches) std::printf("%s\n", line.c_str());
    std::printf("%s\n", engine.message().empty() ? "played" : engine.message().c_str());
    return 0;
}
