// The presets menu's choices over the preset file.
#include "player/window/equalizer_preset_choices.h"

#include <algorithm>

namespace tumbor::window {

const std::vector<EqualizerPreset>& EqualizerPresetChoices::refresh() {
    presets_ = builtInEqualizerPresets();
    const std::vector<EqualizerPreset> own = readEqualizerPresetFile(filePath_);
    presets_.insert(presets_.end(), own.begin(), own.end());
    return presets_;
}

bool EqualizerPresetChoices::choose(size_t index, EqualizerSettings& settings) const {
    if (index >= presets_.size()) return false;
    settings.preampTenths = presets_[index].preampTenths;
    settings.bandTenths = presets_[index].bandTenths;
    return true;
}

bool EqualizerPresetChoices::save(const std::string& name, const EqualizerSettings& settings) {
    EqualizerPreset preset{equalizerPresetName(name), settings.preampTenths, settings.bandTenths};
    if (preset.name.empty()) return false;
    std::vector<EqualizerPreset> own = readEqualizerPresetFile(filePath_);
    auto same =
        std::find_if(own.begin(), own.end(), [&](const EqualizerPreset& p) { return p.name == preset.name; });
    if (same != own.end())
        *same = preset;
    else
        own.push_back(preset);
    const bool written = writeEqualizerPresetFile(filePath_, own);
    refresh();
    return written;
}

}  // namespace tumbor::window
