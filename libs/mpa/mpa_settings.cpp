// Settings through the profile service, and the radio button mapping.
#include "libs/mpa/mpa_settings.h"

#include <cctype>

#include "libs/mpa/mpa_control_ids.h"
#include "platform/profile.h"

namespace tumbor {
namespace {

const char kSection[] = "STRM_MPA";

struct RadioValue {
    int control;
    int value;
};

// In the order the dialog's OK reads them.
const RadioValue kQualityRadios[] = {{IDC_QUALITY_BEST, 0}, {IDC_QUALITY_MEDIUM, 1}, {IDC_QUALITY_WORST, 2}};
const RadioValue kChannelRadios[] = {
    {IDC_CHANNELS_STEREO, -1}, {IDC_CHANNELS_LEFT, 0}, {IDC_CHANNELS_RIGHT, 1}, {IDC_CHANNELS_MONO_MIX, 3}};

template <size_t N>
int radioFor(const RadioValue (&radios)[N], int value) {
    for (const RadioValue& radio : radios)
        if (radio.value == value) return radio.control;
    return 0;
}

template <size_t N>
int checkedValue(const RadioValue (&radios)[N], int old, const std::function<bool(int)>& isChecked) {
    for (const RadioValue& radio : radios)
        if (isChecked(radio.control)) return radio.value;
    return old;
}

// The key's number; defaultValue when the entry is missing or does not begin
// with a number (the profile call alone would give 0 for "abc").
int readNumber(const char* key, int defaultValue, const std::string& iniPath) {
    std::string text = platform::getProfileString(kSection, key, "", iniPath);
    size_t digit = text.find_first_not_of("+-");
    if (digit == std::string::npos || digit > 1 || !std::isdigit(static_cast<unsigned char>(text[digit])))
        return defaultValue;
    return static_cast<int>(platform::getProfileInt(kSection, key, defaultValue, iniPath));
}

}  // namespace

MpaSettings readSettings(const std::string& iniPath) {
    MpaSettings settings;
    settings.quality = readNumber("Quality", settings.quality, iniPath);
    settings.stereo = readNumber("Stereo", settings.stereo, iniPath);
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
