// The test songs: shared samples, a few drum and bass helpers, and three
// songs whose patterns place each effect where it is heard.
#include "tools/trk_modules/test_modules.h"

#include <cmath>
#include <cstdint>

namespace tumbor::trk::test {
namespace {

using Wave = std::vector<int8_t>;

constexpr double kPi = 3.14159265358979323846;
constexpr int kRows = 64;

// Amiga periods of C-1 .. B-3, the range every MOD player plays.
constexpr int kPeriods[36] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
                              428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
                              214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

// A note by octave 1 .. 3 and semitone 0 .. 11 (above B-3 it stays B-3).
int note(int octave, int semitone) {
    int index = (octave - 1) * 12 + semitone;
    return kPeriods[index < 0 ? 0 : index > 35 ? 35 : index];
}

// Effect numbers as stored in a MOD cell.
enum Effect {
    kArpeggio = 0x0,
    kPortaUp = 0x1,
    kPortaDown = 0x2,
    kTonePorta = 0x3,
    kVibrato = 0x4,
    kTonePortaSlide = 0x5,
    kVibratoSlide = 0x6,
    kTremolo = 0x7,
    kPanning = 0x8,
    kOffset = 0x9,
    kVolumeSlide = 0xA,
    kJump = 0xB,
    kVolume = 0xC,
    kBreak = 0xD,
    kExtended = 0xE,
    kSpeed = 0xF
};

// Extended sub-commands, as the parameter's high nibble.
enum Extended {
    kFineUp = 0x10,
    kFineDown = 0x20,
    kVibratoWave = 0x40,
    kFineTune = 0x50,
    kLoop = 0x60,
    kTremoloWave = 0x70,
    kPan = 0x80,
    kRetrigger = 0x90,
    kFineVolumeUp = 0xA0,
    kFineVolumeDown = 0xB0,
    kCut = 0xC0,
    kDelay = 0xD0,
    kPatternDelay = 0xE0
};

// Deterministic noise: a linear congruential generator with a fixed seed.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    int next(int amplitude) {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<int>(state_ >> 16 & 0xFFFF) * (2 * amplitude + 1) / 65536 - amplitude;
    }

private:
    uint32_t state_;
};

int8_t clip(double value) { return static_cast<int8_t>(value > 127 ? 127 : value < -128 ? -128 : value); }

Wave square(int length, int cycle, int amplitude) {
    Wave wave(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i)
        wave[static_cast<size_t>(i)] = clip(i % cycle < cycle / 2 ? amplitude : -amplitude);
    return wave;
}

Wave saw(int length, int cycle, int amplitude) {
    Wave wave(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i)
        wave[static_cast<size_t>(i)] = clip(-amplitude + 2.0 * amplitude * (i % cycle) / (cycle - 1));
    return wave;
}

Wave sine(int length, int cycle, int amplitude) {
    Wave wave(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i)
        wave[static_cast<size_t>(i)] = clip(amplitude * std::sin(2 * kPi * i / cycle));
    return wave;
}

// Noise fading out over the length, optionally over a low tone (a snare).
Wave hit(int length, uint32_t seed, int amplitude, int toneCycle) {
    Noise noise(seed);
    Wave wave(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) {
        double fade = 1.0 - static_cast<double>(i) / length;
        double tone = toneCycle ? 0.5 * amplitude * std::sin(2 * kPi * i / toneCycle) : 0;
        wave[static_cast<size_t>(i)] = clip(fade * fade * (noise.next(amplitude) + tone));
    }
    return wave;
}

// A sine falling in pitch and fading: a bass drum.
Wave kick(int length) {
    Wave wave(static_cast<size_t>(length));
    double phase = 0;
    for (int i = 0; i < length; ++i) {
        double fade = 1.0 - static_cast<double>(i) / length;
        phase += 2 * kPi / (12 + 0.05 * i);
        wave[static_cast<size_t>(i)] = clip(120 * fade * std::sin(phase));
    }
    return wave;
}

// Three detuned saws with a soft attack: long enough to load in several chunks.
Wave pad(int length) {
    Wave wave(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) {
        double attack = i < 2000 ? i / 2000.0 : 1.0;
        double sum = 0;
        for (double cycle : {32.0, 32.3, 31.7}) sum += std::fmod(i / cycle, 1.0) * 2 - 1;
        wave[static_cast<size_t>(i)] = clip(36 * attack * sum);
    }
    return wave;
}

struct Cell {
    int period = 0, instrument = 0, effect = 0, parameter = 0;
};

// One pattern's cells, filled in any order and then written into the file.
class Grid {
public:
    explicit Grid(int channels) : channels_(channels), cells_(static_cast<size_t>(kRows * channels)) {}
    Cell& at(int row, int channel) { return cells_[static_cast<size_t>(row * channels_ + channel)]; }
    void play(int row, int channel, int period, int instrument, int effect = 0, int parameter = 0) {
        at(row, channel) = Cell{period, instrument, effect, parameter};
    }
    void effect(int row, int channel, int effect, int parameter) {
        at(row, channel).effect = effect;
        at(row, channel).parameter = parameter;
    }
    void writeTo(ModFile& file, int pattern) {
        for (int row = 0; row < kRows; ++row)
            for (int channel = 0; channel < channels_; ++channel) {
                const Cell& cell = at(row, channel);
                file.setCell(pattern, row, channel, cell.period, cell.instrument, cell.effect,
                             cell.parameter);
            }
    }

private:
    int channels_;
    std::vector<Cell> cells_;
};

// The samples all songs share (words for the loops).
void setSamples(ModFile& file) {
    file.setSample(1, square(64, 32, 90), 64, 0, 0, 32, "square bass");
    file.setSample(2, sine(256, 32, 110), 48, 3, 0, 128, "sine lead, fine-tune +3");
    file.setSample(3, hit(600, 7, 100, 0), 40, 0, 0, 0, "hihat");
    file.setSample(4, kick(2400), 64, 0, 0, 0, "kick");
    file.setSample(5, pad(12000), 56, 14, 2000, 4000, "pad, fine-tune -2");
    file.setSample(6, hit(1800, 99, 90, 40), 50, 7, 0, 0, "snare, fine-tune +7");
    file.setSample(7, saw(40, 20, 100), 64, 0, 0, 1, "blip, one-word loop");
    file.setSample(8, saw(128, 32, 100), 32, 9, 0, 64, "saw lead, fine-tune -7");
}

// Roots of a four-bar progression (A minor, F, C, G), octave 1.
constexpr int kRoots[4] = {9, 5, 0, 7};
constexpr int kThirds[4] = {0x37, 0x47, 0x47, 0x47};  // arpeggio: minor or major chord

// Bass in eighths on a channel: root and octave, one chord per 16 rows.
void bassLine(Grid& grid, int channel, int from, int to, int instrument) {
    for (int row = from; row < to; row += 2) {
        int chord = row / 16 % 4;
        int octave = row % 4 == 0 ? 1 : 2;
        grid.play(row, channel, note(octave, kRoots[chord]), instrument);
    }
}

// Kick on the beat, snare on the off-beat, hihats between.
void drums(Grid& grid, int kickChannel, int hatChannel, int from, int to) {
    for (int row = from; row < to; row += 2) {
        if (row % 8 == 0) grid.play(row, kickChannel, note(2, 0), 4);
        if (row % 8 == 4) grid.play(row, kickChannel, note(2, 0), 6);
        grid.play(row, hatChannel, note(3, 0), 3, kVolume, row % 4 ? 0x18 : 0x30);
    }
}

// 4 channels: speed 6 at tempo 125 with changes, a pattern break into the
// next pattern's row 10, a pattern loop, a pattern delay and a jump past
// pattern 3.
ModFile fourChannelSong() {
    ModFile file("M.K.", 4);
    file.setName("Four channel test");
    setSamples(file);
    file.setOrders({0, 1, 2, 3, 4});

    Grid intro(4);
    bassLine(intro, 0, 0, kRows, 1);
    for (int row = 0; row < kRows; row += 4) intro.effect(row, 0, kArpeggio, kThirds[row / 16 % 4]);
    drums(intro, 3, 2, 0, kRows);
    intro.effect(0, 3, kSpeed, 6);
    intro.effect(0, 0, kSpeed, 125);
    const int melody[] = {9, 12, 16, 14, 12, 9, 7, 5};
    for (int i = 0; i < 8; ++i) {
        int row = 16 + i * 6;
        intro.play(row, 1, note(2, melody[i]), 2, kVibrato, 0x46);
        intro.effect(row + 2, 1, kVibrato, 0);
        intro.effect(row + 4, 1, kVolumeSlide, 0x04);
    }
    intro.writeTo(file, 0);

    Grid slides(4);
    for (int row = 0; row < 48; row += 8) {
        slides.play(row, 0, note(1, kRoots[row / 16 % 4]), 1, row % 16 ? kPortaDown : kPortaUp, 0x03);
    }
    slides.effect(4, 0, kExtended, kFineUp | 3);
    slides.effect(12, 0, kExtended, kFineDown | 5);
    slides.play(0, 1, note(2, 9), 8);
    slides.play(8, 1, note(3, 0), 8, kTonePorta, 0x08);
    slides.effect(10, 1, kTonePorta, 0);
    slides.play(16, 1, note(2, 4), 8, kTonePortaSlide, 0x02);
    slides.effect(18, 1, kTonePortaSlide, 0x20);
    slides.play(24, 1, note(2, 7), 8, kExtended, kFineTune | 4);
    slides.effect(28, 1, kExtended, kFineVolumeDown | 8);
    slides.effect(30, 1, kExtended, kFineVolumeUp | 4);
    slides.play(32, 1, note(2, 9), 8, kVibratoSlide, 0x01);
    slides.effect(36, 1, kExtended, kCut | 3);
    for (int row = 0; row < 48; row += 4)
        slides.play(row, 2, note(2, 0), 5, row % 8 ? kOffset : kTremolo, row % 8 ? row * 2 : 0x48);
    for (int row = 0; row < 48; row += 4) slides.play(row, 3, note(2, 0), row % 8 ? 6 : 4);
    slides.effect(20, 3, kExtended, kRetrigger | 2);
    slides.effect(28, 3, kExtended, kDelay | 3);
    slides.play(46, 3, note(2, 0), 6, kExtended, kRetrigger | 1);
    slides.effect(47, 2, kBreak, 0x10);
    slides.writeTo(file, 1);

    Grid loop(4);
    bassLine(loop, 0, 10, 62, 1);
    drums(loop, 3, 2, 10, 62);
    loop.effect(16, 1, kExtended, kLoop | 0);
    loop.play(17, 1, note(2, 12), 2, kVibrato, 0x38);
    loop.play(24, 1, note(2, 14), 2, kExtended, kVibratoWave | 1);
    loop.effect(26, 1, kVibrato, 0x58);
    loop.effect(31, 1, kExtended, kLoop | 2);
    loop.effect(32, 2, kSpeed, 4);
    loop.effect(32, 1, kSpeed, 140);
    loop.effect(40, 1, kExtended, kPatternDelay | 3);
    loop.play(44, 1, note(2, 16), 8, kExtended, kFineTune | 12);
    loop.effect(48, 2, kSpeed, 6);
    loop.effect(56, 1, kSpeed, 125);
    loop.effect(58, 0, kExtended, kFineDown | 2);
    loop.effect(60, 1, kJump, 4);
    loop.writeTo(file, 2);

    // Jumped over: loud squares that would stand out.
    Grid skipped(4);
    for (int channel = 0; channel < 4; ++channel) skipped.play(0, channel, note(3, 0), 1, kVolume, 64);
    skipped.writeTo(file, 3);

    Grid outro(4);
    bassLine(outro, 0, 0, kRows, 1);
    drums(outro, 3, 2, 0, 56);
    outro.play(0, 1, note(2, 9), 5, kTremolo, 0x64);
    outro.effect(8, 1, kExtended, kTremoloWave | 1);
    outro.effect(9, 1, kTremolo, 0);
    outro.play(16, 1, note(2, 5), 5, kExtended, kTremoloWave | 2);
    outro.effect(17, 1, kTremolo, 0x88);
    outro.play(32, 1, note(2, 0), 2, kExtended, kVibratoWave | 2);
    outro.effect(33, 1, kVibrato, 0x6A);
    outro.effect(40, 0, kSpeed, 110);
    outro.play(48, 1, note(2, 7), 7, kArpeggio, 0x0C);
    outro.effect(52, 1, kSpeed, 100);
    outro.effect(56, 0, kExtended, kCut | 2);
    outro.play(56, 1, note(2, 9), 2, kVolumeSlide, 0x02);
    outro.writeTo(file, 4);
    return file;
}

// 6 channels: speed 5 at tempo 132, panning by effect 8 and E8x, a pattern
// played twice through the order list, and a break in the last pattern
// that ends the song.
ModFile sixChannelSong() {
    ModFile file("6CHN", 6);
    file.setName("Six channel test");
    setSamples(file);
    file.setOrders({0, 1, 0, 2});

    for (int pattern = 0; pattern < 3; ++pattern) {
        Grid grid(6);
        int shift = pattern == 1 ? 5 : 0;  // the second pattern is in F
        for (int row = 0; row < kRows; row += 2) {
            int chord = (row / 16 + pattern) % 4;
            grid.play(row, 0, note(1, (kRoots[chord] + shift) % 12), row % 8 ? 1 : 7);
            if (row % 4 == 0) grid.effect(row, 0, kArpeggio, kThirds[chord]);
        }
        drums(grid, 5, 4, 0, kRows);
        for (int row = 0; row < kRows; row += 8) {
            int chord = (row / 16 + pattern) % 4;
            grid.play(row, 1, note(2, (kRoots[chord] + shift) % 12), 5, kTremolo, 0x34 + pattern);
            grid.play(row, 2, note(2, (kRoots[chord] + shift + 4) % 12), 2, kVibrato, 0x23);
            grid.play(row + 4, 3, note(3, (kRoots[chord] + shift + 7) % 12), 8, kVolumeSlide, 0x01);
        }
        grid.effect(0, 1, kPanning, 0x30);
        grid.effect(0, 2, kPanning, 0xC0);
        grid.effect(32, 3, kExtended, kPan | 3);
        grid.effect(48, 3, kExtended, kPan | 12);
        grid.effect(0, 4, kSpeed, pattern == 2 ? 6 : 5);
        grid.effect(0, 5, kSpeed, 132);
        if (pattern == 1) {
            grid.play(20, 3, note(3, 5), 2, kPortaUp, 0x02);
            grid.play(36, 3, note(3, 0), 2, kPortaDown, 0x04);
            grid.play(44, 3, note(2, 0), 8, kTonePorta, 0x10);
            grid.effect(45, 3, kTonePortaSlide, 0x01);
        }
        if (pattern == 2) {
            grid.play(8, 3, note(2, 0), 5, kOffset, 0x30);  // past the end of the attack part
            grid.effect(24, 2, kExtended, kPatternDelay | 1);
            grid.effect(40, 0, kBreak, 0);
        }
        grid.writeTo(file, pattern);
    }
    return file;
}

// 8 channels: speed 4 at tempo 100, four-note chords, a pattern loop on a
// late channel, an offset beyond a sample's end, the one-word loop sample
// and retriggers.
ModFile eightChannelSong() {
    ModFile file("8CHN", 8);
    file.setName("Eight channel test");
    setSamples(file);
    file.setOrders({0, 1, 2, 1});

    const int chordNotes[4][4] = {{9, 12, 16, 21}, {5, 9, 12, 17}, {0, 4, 7, 12}, {7, 11, 14, 19}};
    for (int pattern = 0; pattern < 3; ++pattern) {
        Grid grid(8);
        grid.effect(0, 0, kSpeed, 4);
        grid.effect(0, 1, kSpeed, pattern == 2 ? 90 : 100);
        bassLine(grid, 2, 2, kRows, pattern == 1 ? 8 : 1);
        drums(grid, 6, 7, 2, kRows);
        for (int row = 0; row < kRows; row += 16) {
            int chord = (row / 16 + pattern) % 4;
            for (int voice = 0; voice < 4; ++voice) {
                int semitone = chordNotes[chord][voice];
                int instrument = pattern == 2 ? 2 : 5;
                grid.play(row + voice % 2, 3 + voice % 3, note(2 + semitone / 12, semitone % 12), instrument,
                          voice % 2 ? kVibrato : kTremolo, 0x24 + voice);
            }
        }
        for (int row = 3; row < kRows; row += 6) grid.play(row, 1, note(3, (row * 5) % 12), 7, kVolume, 0x28);
        grid.effect(3, 0, kExtended, kPatternDelay | 2);
        if (pattern == 1) {
            grid.effect(32, 5, kExtended, kLoop | 0);
            grid.effect(39, 5, kExtended, kLoop | 1);
            grid.play(34, 5, note(2, 0), 4, kOffset, 0x20);  // the kick is shorter: silence
            grid.play(36, 5, note(3, 0), 6, kExtended, kRetrigger | 3);
        }
        if (pattern == 2) {
            grid.effect(0, 6, kPanning, 0x00);
            grid.effect(0, 7, kPanning, 0xFF);
            grid.effect(60, 0, kSpeed, 6);
            grid.effect(60, 1, kSpeed, 125);
        }
        grid.writeTo(file, pattern);
    }
    return file;
}

}  // namespace

std::vector<TestModule> makeTestModules() {
    return {
        {"four.mod", fourChannelSong()}, {"six.mod", sixChannelSong()}, {"eight.mod", eightChannelSong()}};
}

}  // namespace tumbor::trk::test
