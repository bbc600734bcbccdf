// The pseudo file names of the tone generator: "tone://" and a frequency in
// hertz, with a trailing "p" for a right channel in opposite phase, e.g.
// "tone://440" or "tone://63p".
#pragma once

#include <string>

namespace tumbor {

struct ToneName {
    int frequency = 0;  // 1..22050 Hz
    bool phased = false;
};

// Reads a lower-case name. The frequency is the run of digits right after
// "tone://"; whatever follows it is ignored, except that a last character "p"
// asks for the inverted right channel. False when the name is no tone name.
bool parseToneName(const char* name, ToneName& tone);

// "Frequency 440Hz", or "Frequency 63Hz, phased".
std::string toneTitle(const ToneName& tone);

}  // namespace tumbor
