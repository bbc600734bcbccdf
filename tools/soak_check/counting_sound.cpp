// Writing and reading back frames that count themselves.
#include "tools/soak_check/counting_sound.h"

namespace tumbor::soak {
namespace {

constexpr uint32_t kFramesPerStep = 65536;
constexpr int kStepsPerFile = 2048;

struct Place {
    int file = -1;
    uint32_t frame = 0;
};

}  // namespace

void countingFrame(int file, uint32_t frame, int16_t samples[2]) {
    samples[0] = static_cast<int16_t>(1 + file * kStepsPerFile + static_cast<int>(frame / kFramesPerStep));
    samples[1] = static_cast<int16_t>(static_cast<uint16_t>(frame % kFramesPerStep));
}

CountingReport readCountingCapture(const std::vector<uint32_t>& fileFrames,
                                   const std::vector<int16_t>& samples) {
    CountingReport report;
    const int files = static_cast<int>(fileFrames.size());
    Place last;
    bool silenceSinceLast = false;
    for (size_t at = 0; at + 1 < samples.size(); at += 2) {
        if (samples[at] == 0 && samples[at + 1] == 0) {
            silenceSinceLast = true;
            continue;
        }
        const int step = samples[at] - 1;
        Place place{step / kStepsPerFile, static_cast<uint32_t>(step % kStepsPerFile) * kFramesPerStep +
                                              static_cast<uint16_t>(samples[at + 1])};
        if (step < 0 || place.file >= files || place.frame >= fileFrames[static_cast<size_t>(place.file)]) {
            report.problem = "frame " + std::to_string(at / 2) + " of the capture belongs to no file";
            return report;
        }
        ++report.frames;
        const bool onward = place.file == last.file && place.frame == last.frame + 1;
        const bool handedOver = last.file >= 0 && place.frame == 0 && place.file == (last.file + 1) % files &&
                                last.frame + 1 == fileFrames[static_cast<size_t>(last.file)];
        if (handedOver) {
            ++report.handOvers;
            report.silentHandOvers += silenceSinceLast;
        } else if (!onward) {
            ++report.cuts;
            report.cutsInside += place.frame != 0;
        }
        last = place;
        silenceSinceLast = false;
    }
    return report;
}

}  // namespace tumbor::soak
