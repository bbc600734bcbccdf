// Writes the bundled demo song: a few bars of plucked arpeggios as a 22050 Hz
// 8-bit mono WAV file. Run once; its output is kept in resources/demo.
//   usage: make_demo_song OUTPUT.wav
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "tools/render/wav_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_song OUTPUT.wav\n");
        return 2;
    }
    const int rate = 22050;
    const double noteSeconds = 0.125;
    // Semitones above A3 (220 Hz): four chords of eight notes each, twice.
    const int chords[4][4] = {{3, 7, 10, 15}, {0, 3, 8, 12}, {-2, 2, 5, 10}, {-4, 0, 3, 7}};
    std::vector<uint8_t> samples;
    const double pi = std::acos(-1.0);
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& chord : chords) {
            for (int step = 0; step < 8; ++step) {
                int semitone = chord[step % 4] + (step >= 4 ? 12 : 0);
                double frequency = 220.0 * std::pow(2.0, semitone / 12.0);
                int length = static_cast<int>(noteSeconds * rate);
                for (int i = 0; i < length; ++i) {
                    double t = static_cast<double>(i) / rate;
                    double envelope = std::exp(-t * 18.0);
                    double wave = std::sin(2 * pi * frequency * t) + 0.3 * std::sin(4 * pi * frequency * t);
                    samples.push_back(static_cast<uint8_t>(128 + std::lround(70 * envelope * wave)));
                }
            }
        }
    }
    tumbor::WavWriter writer(argv[1], rate, 1, 8);
    writer.write(samples.data(), samples.size());
    return writer.ok() && writer.finish() ? 0 : 1;
}
