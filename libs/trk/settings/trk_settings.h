// The tracker library's output and sound settings, kept in the "STRM_TRK"
// section of the player's settings file, the output format they choose, and
// how the configuration dialog's controls stand for them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "libs/trk/mixer/sound_driver.h"

namespace tumbor::trk {

struct TrkSettings {
    int quality = 0;        // output rate 44100 >> quality
    int stereo = 0;         // 1 mono, anything else stereo
    int interpolation = 0;  // an Interpolation; other non-zero values: linear
    int bits = 16;          // 16 or 8
    int ramping = 0;        // 1: volume ramping
    int stereoSeparation = kDefaultSeparation;  // percent

    static constexpr int kDefaultSeparation = 100;
    static constexpr int kMaxSeparation = 200;
};

// Reads the keys; missing entries give the defaults.
TrkSettings readTrkSettings(const std::string& iniPath);
// Writes the keys as decimal text.
void writeTrkSettings(const TrkSettings& settings, const std::string& iniPath);

// The mixer's output format for the settings.
OutputMode outputModeFor(const TrkSettings& settings);

// A separation as the mixer takes it: 0 .. 200 percent.
int separationWithinRange(int percent);

// The radio buttons and check boxes (trk_control_ids.h) the dialog checks
// for the settings, and the settings the checked ones stand for; the
// separation is what its box holds, brought within range.
std::vector<int> radiosFor(const TrkSettings& settings);
TrkSettings settingsFromRadios(const TrkSettings& old, const std::function<bool(int control)>& isChecked,
                               int separation);

}  // namespace tumbor::trk
