// The two settings of the MPEG module, kept in the "STRM_MPA" section of the
// player's settings file, and how the configuration dialog's radio buttons
// stand for them.
#pragma once

#include <functional>
#include <string>

namespace tumbor {

struct MpaSettings {
    int quality = 0;  // 0 full rate, 1 half rate, 2 quarter rate
    int stereo = -1;  // -1 stereo, 0 left only, 1 right only, 3 both mixed to mono
};

// Reads both keys; missing or non-numeric entries give the defaults.
MpaSettings readSettings(const std::string& iniPath);
// Writes both keys as decimal text; a file that cannot be written is ignored.
void writeSettings(const MpaSettings& settings, const std::string& iniPath);

// The configuration dialog's radio buttons to check for the settings
// (IDC_QUALITY_* and IDC_CHANNELS_* of mpa_control_ids.h); 0 leaves a group
// unchecked.
int qualityRadioFor(int quality);
int channelRadioFor(int stereo);

// The settings the checked radios stand for: the first checked button of each
// group wins, and a group with none checked keeps its old value.
MpaSettings settingsFromRadios(const MpaSettings& old, const std::function<bool(int control)>& isChecked);

}  // namespace tumbor
