#include "libs/osc/tone_name.h"

#include <cstring>

namespace tumbor {
namespace {

constexpr int kHighestFrequency = 22050;  // half the output rate

}  // namespace

bool parseToneName(const char* name, ToneName& tone) {
    if (std::strncmp(name, "tone://", 7) != 0) return false;
    int frequency = 0;
    // Digits beyond the highest frequency need not be counted, which also
    // keeps a long run of them from overflowing.
    for (const char* digit = name + 7; *digit >= '0' && *digit <= '9'; ++digit) {
        frequency = frequency * 10 + (*digit - '0');
        if (frequency > kHighestFrequency) return false;
    }
    if (frequency < 1) return false;
    tone.frequency = frequency;
    tone.phased = name[std::strlen(name) - 1] == 'p';
    return true;
}

std::string toneTitle(const ToneName& tone) {
    return "Frequency " + std::to_string(tone.frequency) + "Hz" + (tone.phased ? ", phased" : "");
}

}  // namespace tumbor
