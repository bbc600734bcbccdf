// Equalizer presets: a few built in, and the user's own in a text file
// beside the settings. Each line of the file is one preset: its name, "=",
// then the pre-amp and the ten bands (lowest first) in tenths of a dB,
// separated by spaces; any other line is ignored. Texts are UTF-8.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "player/engine/equalizer.h"

namespace tumbor {

// The preset file's name, in the settings' folder.
constexpr const char* kEqualizerPresetFileName = "Tumbor.eqp";

struct EqualizerPreset {
    std::string name;
    int preampTenths = 0;
    std::array<int, kEqualizerBands> bandTenths{};

    bool operator==(const EqualizerPreset& other) const {
        return name == other.name && preampTenths == other.preampTenths && bandTenths == other.bandTenths;
    }
};

const std::vector<EqualizerPreset>& builtInEqualizerPresets();

// The presets in text, in order. Values beyond the limits are held at them;
// a later preset of the same name takes the place of the earlier one.
std::vector<EqualizerPreset> parseEqualizerPresets(const std::string& text);
std::string formatEqualizerPresets(const std::vector<EqualizerPreset>& presets);

// The presets of a file; none when it is missing or unreadable.
std::vector<EqualizerPreset> readEqualizerPresetFile(const std::string& path);
// Replaces the file through a copy put in its place, so a failed write
// leaves the previous file whole. False when it cannot be written.
bool writeEqualizerPresetFile(const std::string& path, const std::vector<EqualizerPreset>& presets);

// A preset's name as the file can keep it: control characters become
// spaces, and spaces at either end are dropped.
std::string equalizerPresetName(const std::string& name);

}  // namespace tumbor
