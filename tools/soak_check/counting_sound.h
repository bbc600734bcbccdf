// Sound whose every frame names its file and its place in that file, so that
// a capture of a playlist of such files can be read back frame by frame:
// whatever was lost, repeated or reordered shows as a jump. 16-bit stereo;
// the left sample is 1 + file * 2048 + frame / 65536, the right one
// frame % 65536, so no frame is silence.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tumbor::soak {

constexpr int kMaxCountingFiles = 15;

// The two samples of frame number frame of file number file.
void countingFrame(int file, uint32_t frame, int16_t samples[2]);

struct CountingReport {
    uint64_t frames = 0;      // frames of sound read
    int handOvers = 0;        // a file's last frame followed by its successor's first
    int silentHandOvers = 0;  // of them, with silence between
    int cuts = 0;             // any other change of place, the start included
    int cutsInside = 0;       // of them, those that went on elsewhere than a file's first frame
    std::string problem;      // a frame that belongs to no file: the check failed
};

// Reads captured 16-bit stereo samples played from a list of files (each
// one's frame count, in list order; the list repeats) and counts where the
// sound jumped. Silence, anywhere, is the device's.
CountingReport readCountingCapture(const std::vector<uint32_t>& fileFrames,
                                   const std::vector<int16_t>& samples);

}  // namespace tumbor::soak
