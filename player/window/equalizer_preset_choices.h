// What the equalizer window's presets menu offers: the built-in presets and
// the user's own from the preset file, choosing one, and keeping the current
// levels as a preset of the user's.
#pragma once

#include <string>
#include <vector>

#include "player/engine/equalizer.h"
#include "player/engine/equalizer_presets.h"

namespace tumbor::window {

class EqualizerPresetChoices {
public:
    explicit EqualizerPresetChoices(std::string filePath) : filePath_(std::move(filePath)) {}

    // The built-in presets, then the user's, read from the file again.
    const std::vector<EqualizerPreset>& refresh();
    const std::vector<EqualizerPreset>& presets() const { return presets_; }
    size_t builtInCount() const { return builtInEqualizerPresets().size(); }

    // The levels of presets()[index] (the switch is left as it is); false for no such preset.
    bool choose(size_t index, EqualizerSettings& settings) const;
    // The levels kept under name in the file, taking the place of a preset of
    // the user's with that name. False for a name that is empty once cleaned,
    // or when the file cannot be written.
    bool save(const std::string& name, const EqualizerSettings& settings);

private:
    std::string filePath_;
    std::vector<EqualizerPreset> presets_;
};

}  // namespace tumbor::window
