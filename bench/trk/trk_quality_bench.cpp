// trk_quality_bench: how clean the tracker mixer sounds, beside openmpt123's
// rendering of the same probe modules in the same run. Two XM songs are
// built here: a 16-bit sine of 32 points a cycle played on C-4, C-5, C-6
// and C-7 (from 0.19 to 1.5 points a frame), whose total harmonic
// distortion plus noise is measured for each interpolation; and a square
// wave cut in mid-cycle, whose energy above 10 kHz around the cut is
// measured with and without volume ramping.
//   usage: trk_quality_bench WORK_DIR   (openmpt123 on the PATH; without it
//   only our numbers are printed)
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "libs/trk/model/format_detection.h"
#include "libs/trk/tracker_player.h"

namespace {

using tumbor::trk::OutputMode;
using Bytes = std::vector<uint8_t>;
using Sound = std::vector<double>;

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kRate = 44100;
constexpr int kSpeed = 6;  // ticks a row, 20 ms each at tempo 125
constexpr int kRowsPerNote = 16;
constexpr int kNotes[] = {49, 61, 73, 85};  // C-4 .. C-7, the sample's rate 8363 Hz on C-4
constexpr int kCutRow = 4;

void put16(Bytes& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void put32(Bytes& out, size_t at, uint32_t value) {
    put16(out, at, value & 0xFFFF);
    put16(out, at + 2, value >> 16);
}

struct Cell {
    int note = 0;  // 0: none
    int effect = -1;
    int parameter = 0;
};

// An XM of two channels and one pattern, the cells on channel 1, one
// instrument of one looped 16-bit sample.
Bytes xmSong(const std::vector<Cell>& rows, const std::vector<int16_t>& points) {
    Bytes out(60 + 276, 0);
    std::memcpy(out.data(), "Extended Module: probe", 22);
    out[37] = 0x1A;
    put16(out, 58, 0x104);
    put32(out, 60, 276);
    put16(out, 64, 1);  // orders
    put16(out, 68, 2);  // channels
    put16(out, 70, 1);  // patterns
    put16(out, 72, 1);  // instruments
    put16(out, 74, 1);  // linear frequencies
    put16(out, 76, kSpeed);
    put16(out, 78, 125);
    Bytes packed;
    for (const Cell& cell : rows) {
        uint8_t flags = 0x80;
        Bytes fields;
        if (cell.note) {
            flags |= 3;
            fields.insert(fields.end(), {static_cast<uint8_t>(cell.note), 1});
        }
        if (cell.effect >= 0) {
            flags |= 0x18;
            fields.insert(fields.end(), {static_cast<uint8_t>(cell.effect), static_cast<uint8_t>(cell.parameter)});
        }
        packed.push_back(flags);
        packed.insert(packed.end(), fields.begin(), fields.end());
        packed.push_back(0x80);  // channel 2 is empty
    }
    Bytes pattern(9, 0);
    put32(pattern, 0, 9);
    put16(pattern, 5, static_cast<uint32_t>(rows.size()));
    put16(pattern, 7, static_cast<uint32_t>(packed.size()));
    out.insert(out.end(), pattern.begin(), pattern.end());
    out.insert(out.end(), packed.begin(), packed.end());
    Bytes instrument(263 + 40, 0);
    put32(instrument, 0, 263);
    put16(instrument, 27, 1);   // samples
    put32(instrument, 29, 40);  // sample header size
    const size_t sample = 263;
    const auto bytes = static_cast<uint32_t>(points.size() * 2);
    put32(instrument, sample, bytes);
    put32(instrument, sample + 4, 0);
    put32(instrument, sample + 8, bytes);
    instrument[sample + 12] = 64;
    instrument[sample + 14] = 1 | 16;  // forward loop, 16-bit
    instrument[sample + 15] = 128;
    int16_t previous = 0;
    for (int16_t point : points) {
        const auto delta = static_cast<uint16_t>(point - previous);
        instrument.insert(instrument.end(), {static_cast<uint8_t>(delta), static_cast<uint8_t>(delta >> 8)});
        previous = point;
    }
    out.insert(out.end(), instrument.begin(), instrument.end());
    return out;
}

Bytes sineSong() {
    std::vector<int16_t> points;
    for (int i = 0; i < 32; ++i) points.push_back(static_cast<int16_t>(std::lround(30000 * std::sin(2 * kPi * i / 32))));
    std::vector<Cell> rows(std::size(kNotes) * kRowsPerNote);
    for (size_t n = 0; n < std::size(kNotes); ++n) rows[n * kRowsPerNote].note = kNotes[n];
    return xmSong(rows, points);
}

Bytes squareSong() {
    std::vector<int16_t> points;
    for (int i = 0; i < 32; ++i) points.push_back(i < 16 ? 20000 : -20000);
    std::vector<Cell> rows(8);
    rows[0].note = kNotes[0];
    rows[kCutRow].effect = 0xE;
    rows[kCutRow].parameter = 0xC3;  // cut on tick 3
    return xmSong(rows, points);
}

// Ours, mono 16-bit at 44.1 kHz, to the song's end.
Sound renderOurs(const Bytes& song, int interpolation, bool ramping) {
    tumbor::trk::MemoryByteSource source(song);
    tumbor::trk::ModuleReader reader(source);
    OutputMode mode;
    mode.stereo = false;
    mode.interpolation = interpolation;
    mode.ramping = ramping;
    tumbor::trk::TrackerPlayer player;
    if (const char* message = player.load(source, tumbor::trk::detectFormat(reader), mode)) {
        std::fprintf(stderr, "cannot play the probe: %s\n", message);
        std::exit(1);
    }
    Sound sound;
    Bytes buffer(8192);
    while (player.decode(buffer.data(), static_cast<int>(buffer.size())))
        for (size_t i = 0; i + 1 < buffer.size(); i += 2)
            sound.push_back(static_cast<int16_t>(buffer[i] | buffer[i + 1] << 8));
    return sound;
}

// openmpt123's rendering, mono at 44.1 kHz: 16-bit without dither, or
// 32-bit float scaled to the 16-bit range; empty when it cannot be run.
Sound renderOpenmpt(const std::string& work, const Bytes& song, const std::string& options, bool floating = false) {
    const std::string input = work + "/probe.xm", output = work + "/probe.wav";
    std::ofstream(input, std::ios::binary).write(reinterpret_cast<const char*>(song.data()),
                                                 static_cast<std::streamsize>(song.size()));
    const std::string format = floating ? "--float" : "--no-float --dither 0";
    const std::string command = "openmpt123 --batch --quiet " + format + " --samplerate 44100 --channels 1 " +
                                options + " --repeat 0 --force --output '" + output + "' '" + input +
                                "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return {};
    std::ifstream in(output, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Sound sound;
    // The chunks after the RIFF header, up to "data".
    for (size_t at = 12; at + 8 <= file.size();) {
        const uint32_t size = file[at + 4] | file[at + 5] << 8 | file[at + 6] << 16 | uint32_t{file[at + 7]} << 24;
        if (std::memcmp(&file[at], "data", 4) == 0) {
            const size_t end = std::min<size_t>(file.size(), at + 8 + size);
            for (size_t i = at + 8; i + (floating ? 3 : 1) < end; i += floating ? 4 : 2) {
                if (floating) {
                    float value;
                    std::memcpy(&value, &file[i], 4);
                    sound.push_back(value * 32768.0);
                } else {
                    sound.push_back(static_cast<int16_t>(file[i] | file[i + 1] << 8));
                }
            }
            break;
        }
        at += 8 + size + (size & 1);
    }
    return sound;
}

size_t firstSound(const Sound& sound) {
    for (size_t i = 0; i < sound.size(); ++i)
        if (std::abs(sound[i]) > 1) return i;
    return sound.size();
}

size_t lastSound(const Sound& sound) {
    for (size_t i = sound.size(); i > 0; --i)
        if (std::abs(sound[i - 1]) > 1) return i - 1;
    return 0;
}

// The least-squares sine (with offset) at hz through x: the residual's
// energy against the sine's.
double residualRatio(const Sound& x, double hz) {
    double cc = 0, ss = 0, cs = 0, c1 = 0, s1 = 0, xc = 0, xs = 0, x1 = 0;
    const auto n = static_cast<double>(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        const double c = std::cos(2 * kPi * hz * static_cast<double>(i) / kRate);
        const double s = std::sin(2 * kPi * hz * static_cast<double>(i) / kRate);
        cc += c * c, ss += s * s, cs += c * s, c1 += c, s1 += s;
        xc += x[i] * c, xs += x[i] * s, x1 += x[i];
    }
    // Solve the 3x3 normal equations by Cramer's rule.
    const double m[3][3] = {{cc, cs, c1}, {cs, ss, s1}, {c1, s1, n}};
    const double r[3] = {xc, xs, x1};
    auto det = [](const double (&a)[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    double coefficients[3];
    for (int k = 0; k < 3; ++k) {
        double mk[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) mk[i][j] = j == k ? r[i] : m[i][j];
        coefficients[k] = det(mk) / det(m);
    }
    double signal = 0, residual = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double c = std::cos(2 * kPi * hz * static_cast<double>(i) / kRate);
        const double s = std::sin(2 * kPi * hz * static_cast<double>(i) / kRate);
        const double fit = coefficients[0] * c + coefficients[1] * s;
        signal += fit * fit;
        const double rest = x[i] - fit - coefficients[2];
        residual += rest * rest;
    }
    return residual / std::max(signal, 1e-30);
}

// THD+N in dB of a steady tone near hz: the residual after the best-fitting
// sine, its frequency found by a golden-section search.
double thdPlusNoise(const Sound& x, double hz) {
    double low = hz * 0.995, high = hz * 1.005;
    const double golden = (std::sqrt(5.0) - 1) / 2;
    for (int i = 0; i < 60; ++i) {
        const double a = high - golden * (high - low), b = low + golden * (high - low);
        if (residualRatio(x, a) < residualRatio(x, b)) {
            high = b;
        } else {
            low = a;
        }
    }
    return 10 * std::log10(residualRatio(x, (low + high) / 2));
}

// The mean THD+N of the four notes: a window of 16384 frames from half a
// second into each.
double sineThd(const Sound& sound) {
    const size_t onset = firstSound(sound);
    const size_t noteFrames = kRowsPerNote * kSpeed * kRate / 50;
    double sum = 0;
    for (size_t n = 0; n < std::size(kNotes); ++n) {
        const size_t from = onset + n * noteFrames + kRate / 2;
        if (from + 16384 > sound.size()) return NAN;
        const Sound window(sound.begin() + static_cast<std::ptrdiff_t>(from),
                           sound.begin() + static_cast<std::ptrdiff_t>(from + 16384));
        const double hz = 8363.0 / 32 * std::pow(2.0, static_cast<double>(kNotes[n] - kNotes[0]) / 12);
        sum += thdPlusNoise(window, hz);
    }
    return sum / static_cast<double>(std::size(kNotes));
}

// The energy above 10 kHz in dB (against a full-scale sine over the same
// window) of a 40 ms Hann window centred just before where the sound ends.
double energyAbove10kHz(const Sound& sound, size_t centre) {
    constexpr size_t kWindow = kRate / 25;
    if (centre < kWindow / 2 || centre + kWindow / 2 > sound.size()) return NAN;
    const size_t from = centre - kWindow / 2;
    double energy = 0;
    for (size_t bin = kWindow * 10000 / kRate; bin <= kWindow / 2; ++bin) {
        std::complex<double> sum = 0;
        for (size_t i = 0; i < kWindow; ++i) {
            const double hann = 0.5 - 0.5 * std::cos(2 * kPi * static_cast<double>(i) / kWindow);
            sum += sound[from + i] * hann * std::polar(1.0, -2 * kPi * static_cast<double>(bin * i) / kWindow);
        }
        energy += std::norm(sum);
    }
    const double fullScale = 32768.0 * 32768.0 * kWindow * kWindow * 0.375 / 4;  // a full-scale bin under Hann
    return 10 * std::log10(std::max(energy, 1e-30) / fullScale);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: trk_quality_bench WORK_DIR\n");
        return 2;
    }
    const std::string work = argv[1];
    const Bytes sine = sineSong(), square = squareSong();
    const char* names[] = {"none", "linear", "cubic", "sinc"};
    const char* taps[] = {"1", "2", "4", "8"};

    std::printf("THD+N of a 32-point 16-bit sine on C-4 .. C-7 (mean of the four notes, dB; lower is better)\n");
    std::printf("%-8s %8s   %s\n", "", "ours", "openmpt123: 16-bit, float");
    double ours[4];
    auto thd = [](const Sound& sound) { return sound.empty() ? NAN : sineThd(sound); };
    for (int kind = 0; kind < 4; ++kind) {
        ours[kind] = sineThd(renderOurs(sine, kind, false));
        const std::string filter = std::string("--filter ") + taps[kind];
        std::printf("%-8s %8.1f   %6.1f %6.1f  (%s)\n", names[kind], ours[kind], thd(renderOpenmpt(work, sine, filter)),
                    thd(renderOpenmpt(work, sine, filter, true)), filter.c_str());
    }
    std::printf("openmpt123 at its defaults: %.1f dB (16-bit), %.1f dB (float); ours, sinc with ramping: %.1f dB\n",
                thd(renderOpenmpt(work, sine, "")), thd(renderOpenmpt(work, sine, "", true)),
                sineThd(renderOurs(sine, 3, true)));
    std::printf("cubic against linear: %.1f dB better\n\n", ours[1] - ours[2]);

    std::printf("A square wave cut in mid-cycle: energy above 10 kHz around the cut (dB against full scale)\n");
    const Sound plain = renderOurs(square, 3, false);
    const size_t cut = lastSound(plain);
    const double without = energyAbove10kHz(plain, cut);
    const double with = energyAbove10kHz(renderOurs(square, 3, true), cut);
    std::printf("ours, sinc, no ramping   %8.1f\nours, sinc, ramping      %8.1f   (%.1f dB less)\n", without, with,
                without - with);
    const Sound theirs = renderOpenmpt(work, square, "");
    if (!theirs.empty()) {
        // Its ramp ends the sound about 2.5 ms after the cut's middle.
        const size_t end = lastSound(theirs);
        std::printf("openmpt123 defaults      %8.1f\n", energyAbove10kHz(theirs, end > 110 ? end - 110 : end));
        const Sound unramped = renderOpenmpt(work, square, "--ramping 0");
        if (!unramped.empty())
            std::printf("openmpt123 --ramping 0   %8.1f\n", energyAbove10kHz(unramped, lastSound(unramped)));
    }
    return 0;
}
