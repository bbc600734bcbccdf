// Settings through the profile service, and the radio button mapping.
#include "libs/mpa/mpa_settings.h"

#include "libs/common/library_settings.h"
#include "libs/mpa/mpa_control_ids.h"
#include "platform/profile.h"

namespace tumbor {
namespace {

const char kSection[] = "STRM_MPA";

// In the order the dialog's OK reads them.
const RadioValue kQualityRadios[] = {{IDC_QUALITY_BEST, 0}, {IDC_QUALITY_MEDIUM, 1}, {IDC_QUALITY_WORST, 2}};
const RadioValue kChannelRadios[] = {
    {IDC_CHANNELS_STEREO, -1}, {IDC_CHANNELS_LEFT, 0}, {IDC_CHANNELS_RIGHT, 1}, {IDC_CHANNELS_MONO_MIX, 3}};

}  // namespace

MpaSettings readSettings(const std::string& iniPath) {
    MpaSettings settings;
    settings.quality = readSettingNumber(kSection, "Quality", settings.quality, iniPath);
    settings.stereo = readSettingNumber(kSection, "Stereo", settings.stereo, iniPath);
    return settings;
}

void writeSettings(const MpaSettings& settings, const std::string& iniPath) {
    platform::writeProfileString(kSection, "Quality", std::to_string(settings.quality), iniPath);
    platform::writeProfileString(kSection, "Stereo", std::to_string(settings.stereo), iniPath);
}

int qualityRadioFor(int quality) { return radioFor(kQualityRadios, quality); }
int channelRadioFor(int stereo) { return radioFor(kChannelRadios, stereo); }

MpaSettings settingsFromRadios(const MpaSettings& old, const std::function<bool(int)>& isChecked) {
    MpaSettings settings;
    settings.quality = checkedValue(kQualityRadios, old.quality, isChecked);
    settings.stereo = checkedValue(kChannelRadios, old.stereo, isChecked);
    return settings;
}

}  // namespace tumbor
