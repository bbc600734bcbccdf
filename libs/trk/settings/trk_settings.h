// The tracker library's four output settings, kept in the "STRM_TRK"
// section of the player's settings file, the output format they choose, and
// how the configuration dialog's radio buttons stand for them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "libs/trk/mixer/sound_driver.h"

namespace tumbor::trk {

struct TrkSettings {
    int quality = 0;        // output rate 44100 >> quality
    int stereo = 0;         // 1 mono, anything else stereo
    int interpolation = 0;  // non-zero: linear interpolation
    int bits = 16;          // 16 or 8
};

// Reads the four keys; missing entries give the defaults.
TrkSettings readTrkSettings(const std::string& iniPath);
// Writes the four keys as decimal text.
void writeTrkSettings(const TrkSettings& settings, const std::string& iniPath);

// The mixer's output format for the settings.
OutputMode outputModeFor(const TrkSettings& settings);

// The radio buttons (trk_control_ids.h) the dialog checks for the settings,
// and the settings the checked radios stand for.
std::vector<int> radiosFor(const TrkSettings& settings);
TrkSettings settingsFromRadios(const TrkSettings& old, const std::function<bool(int control)>& isChecked);

}  // namespace tumbor::trk
