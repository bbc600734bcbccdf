// tumbor-count-check: makes WAV files whose frames count themselves and reads
// a played list of them back from its captures (one file a device opening,
// in order): every frame must follow the one before it, or begin the next
// file after the last frame of its predecessor, except at most CUTS times
// (the start, and each action that may move the sound elsewhere), and of them
// at most SEEKS times to elsewhere than a file's first frame.
//   usage: tumbor-count-check make FILE RATE NUMBER SECONDS   (prints the frame count)
//          tumbor-count-check check CUTS SEEKS FRAMES,FRAMES,... CAPTURE...
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tools/render/wav_writer.h"
#include "tools/soak_check/counting_sound.h"

namespace {

int make(const std::string& path, int rate, int number, double seconds) {
    if (rate < 8000 || rate > 96000 || number < 0 || number >= tumbor::soak::kMaxCountingFiles ||
        !(seconds > 0 && seconds < 600))
        return 2;
    const auto frames = static_cast<uint32_t>(std::lround(seconds * rate));
    tumbor::WavWriter writer(path, static_cast<uint32_t>(rate), 2, 16);
    for (uint32_t frame = 0; frame < frames && writer.ok(); ++frame) {
        int16_t samples[2];
        tumbor::soak::countingFrame(number, frame, samples);
        writer.write(samples, sizeof samples);
    }
    if (!writer.finish()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("%u\n", frames);
    return 0;
}

int check(int allowedCuts, int allowedSeeks, const std::string& frameList, char** captures, int count) {
    std::vector<uint32_t> fileFrames;
    std::istringstream list(frameList);
    for (std::string item; std::getline(list, item, ',');)
        fileFrames.push_back(std::strtoul(item.c_str(), nullptr, 10));
    std::vector<int16_t> samples;
    for (int i = 0; i < count; ++i) {
        std::ifstream file(captures[i], std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        const size_t at = samples.size();
        samples.resize(at + bytes.size() / 2);
        for (size_t k = 0; k + 1 < bytes.size(); k += 2)
            samples[at + k / 2] = static_cast<int16_t>(static_cast<uint8_t>(bytes[k]) |
                                                       static_cast<uint8_t>(bytes[k + 1]) << 8);
    }
    const tumbor::soak::CountingReport report = tumbor::soak::readCountingCapture(fileFrames, samples);
    std::printf(
        "%llu frames of sound in %d captures: %d hand-overs (%d after silence), %d cuts of at most %d, "
        "%d of them inside a file of at most %d\n",
        static_cast<unsigned long long>(report.frames), count, report.handOvers, report.silentHandOvers,
        report.cuts, allowedCuts, report.cutsInside, allowedSeeks);
    if (!report.problem.empty()) std::printf("%s\n", report.problem.c_str());
    const bool passed = report.problem.empty() && report.frames > 0 && report.cuts <= allowedCuts &&
                        report.cutsInside <= allowedSeeks && 2 * report.silentHandOvers <= report.handOvers;
    return passed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "make" && argc == 6)
        return make(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::strtod(argv[5], nullptr));
    if (command == "check" && argc >= 5)
        return check(std::atoi(argv[2]), std::atoi(argv[3]), argv[4], argv + 5, argc - 5);
    std::fputs(
        "usage: tumbor-count-check make FILE RATE NUMBER SECONDS\n"
        "       tumbor-count-check check CUTS SEEKS FRAMES,FRAMES,... CAPTURE...\n",
        stderr);
    return 2;
}
