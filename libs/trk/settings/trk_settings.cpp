// The tracker library's settings through the profile service, the output
// format they choose, and the configuration dialog's radio button mapping.
#include "libs/trk/settings/trk_settings.h"

#include <algorithm>

#include "libs/common/library_settings.h"
#include "libs/trk/trk_control_ids.h"
#include "platform/profile.h"

namespace tumbor::trk {
namespace {

const char kSection[] = "STRM_TRK";
const uint32_t kFullRate = 44100;
const int kLowestQuality = 2;

// Each group in the order the dialog's OK tests its buttons.
const RadioValue kQualityRadios[] = {
    {IDC_TRK_QUALITY_BEST, 0}, {IDC_TRK_QUALITY_MEDIUM, 1}, {IDC_TRK_QUALITY_WORST, 2}};
const RadioValue kChannelRadios[] = {{IDC_TRK_CHANNELS_STEREO, 0}, {IDC_TRK_CHANNELS_MONO, 1}};
const RadioValue kInterpolationRadios[] = {{IDC_TRK_INTERPOLATION_OFF, kInterpolationNone},
                                           {IDC_TRK_INTERPOLATION_ON, kInterpolationLinear},
                                           {IDC_TRK_INTERPOLATION_CUBIC, kInterpolationCubic},
                                           {IDC_TRK_INTERPOLATION_SINC, kInterpolationSinc}};
const RadioValue kBitsRadios[] = {{IDC_TRK_BITS_8, 8}, {IDC_TRK_BITS_16, 16}};

}  // namespace

TrkSettings readTrkSettings(const std::string& iniPath) {
    TrkSettings settings;
    settings.quality = readSettingNumber(kSection, "Quality", settings.quality, iniPath);
    settings.stereo = readSettingNumber(kSection, "Stereo", settings.stereo, iniPath);
    settings.interpolation = readSettingNumber(kSection, "Interpolation", settings.interpolation, iniPath);
    settings.bits = readSettingNumber(kSection, "Bits", settings.bits, iniPath);
    settings.ramping = readSettingNumber(kSection, "Ramping", settings.ramping, iniPath);
    settings.stereoSeparation = readSettingNumber(kSection, "StereoSeparation", settings.stereoSeparation, iniPath);
    return settings;
}

void writeTrkSettings(const TrkSettings& settings, const std::string& iniPath) {
    platform::writeProfileString(kSection, "Quality", std::to_string(settings.quality), iniPath);
    platform::writeProfileString(kSection, "Stereo", std::to_string(settings.stereo), iniPath);
    platform::writeProfileString(kSection, "Interpolation", std::to_string(settings.interpolation), iniPath);
    platform::writeProfileString(kSection, "Bits", std::to_string(settings.bits), iniPath);
    platform::writeProfileString(kSection, "Ramping", std::to_string(settings.ramping), iniPath);
    platform::writeProfileString(kSection, "StereoSeparation", std::to_string(settings.stereoSeparation),
                                 iniPath);
}

int separationWithinRange(int percent) { return std::clamp(percent, 0, TrkSettings::kMaxSeparation); }

OutputMode outputModeFor(const TrkSettings& settings) {
    OutputMode mode;
    // Out of range the quality would be a shift by any amount, negative or
    // wider than the rate.
    mode.rate = kFullRate >> std::clamp(settings.quality, 0, kLowestQuality);
    mode.stereo = settings.stereo != 1;
    // The mixer makes 8 or 16 bits only; anything but 16 is 8, also in what
    // the module reports.
    mode.sixteenBit = settings.bits == 16;
    // Values no button writes play linear, as any non-zero value once did.
    const bool known = settings.interpolation >= kInterpolationNone && settings.interpolation <= kInterpolationSinc;
    mode.interpolation = known ? settings.interpolation : kInterpolationLinear;
    mode.ramping = settings.ramping != 0;
    mode.stereoSeparation = separationWithinRange(settings.stereoSeparation);
    return mode;
}

std::vector<int> radiosFor(const TrkSettings& settings) {
    int quality = settings.quality == 1   ? IDC_TRK_QUALITY_MEDIUM
                  : settings.quality == 2 ? IDC_TRK_QUALITY_WORST
                                          : IDC_TRK_QUALITY_BEST;
    int channels = settings.stereo == 1 ? IDC_TRK_CHANNELS_MONO : IDC_TRK_CHANNELS_STEREO;
    // A value no button stands for shows as off, although it plays linear.
    int interpolation = radioFor(kInterpolationRadios, settings.interpolation);
    if (interpolation == 0) interpolation = IDC_TRK_INTERPOLATION_OFF;
    int bits = settings.bits == 8 ? IDC_TRK_BITS_8 : IDC_TRK_BITS_16;
    std::vector<int> checked{quality, channels, interpolation, bits};
    if (settings.ramping != 0) checked.push_back(IDC_TRK_RAMPING);
    return checked;
}

TrkSettings settingsFromRadios(const TrkSettings& old, const std::function<bool(int)>& isChecked,
                               int separation) {
    TrkSettings settings;
    settings.ramping = isChecked(IDC_TRK_RAMPING) ? 1 : 0;
    settings.stereoSeparation = separationWithinRange(separation);
    settings.quality = checkedValue(kQualityRadios, old.quality, isChecked);
    settings.stereo = checkedValue(kChannelRadios, old.stereo, isChecked);
    settings.interpolation = checkedValue(kInterpolationRadios, old.interpolation, isChecked);
    settings.bits = checkedValue(kBitsRadios, old.bits, isChecked);
    return settings;
}

}  // namespace tumbor::trk
