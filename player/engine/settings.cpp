// The settings table: every key once, with its type, its place in Settings,
// and its rank in the order of writing (the table itself is in reading order).
#include "player/engine/settings.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/code_page.h"
#include "platform/profile.h"
#include "platform/unicode_text.h"
#include "platform/utf8_files.h"

namespace tumbor {
namespace {

enum class KeyType {
    signedNumber,
    unsignedNumber,  // written as an unsigned 32-bit number: -1 is 4294967295
    text             // at most 259 characters are kept
};

struct SettingKey {
    const char* section;
    const char* key;
    KeyType type;
    int Settings::*number;
    std::string Settings::*text;
    int writeRank;
};

constexpr size_t kMaxTextLength = 259;

SettingKey number(const char* section, const char* key, int Settings::*member, int rank,
                  KeyType type = KeyType::signedNumber) {
    return SettingKey{section, key, type, member, nullptr, rank};
}

SettingKey text(const char* section, const char* key, std::string Settings::*member, int rank) {
    return SettingKey{section, key, KeyType::text, nullptr, member, rank};
}

const std::vector<SettingKey>& settingKeys() {
    constexpr KeyType kUnsigned = KeyType::unsignedNumber;
    static const std::vector<SettingKey> keys = {
        number("Sound", "Device", &Settings::device, 33, kUnsigned),
        number("Sound", "Buffer", &Settings::buffer, 34, kUnsigned),
        number("Sound", "Volume", &Settings::volume, 35, kUnsigned),
        number("Sound", "Gapless", &Settings::gapless, 36),
        number("Sound", "ReplayGain", &Settings::replayGain, 37),
        number("Sound", "ReplayGainPreamp", &Settings::replayGainPreamp, 38),
        number("Sound", "ReplayGainNoClip", &Settings::replayGainNoClip, 39),
        number("Sound", "ReplayGainDefault", &Settings::replayGainDefault, 40),
        number("General", "PageOptions", &Settings::pageOptions, 13, kUnsigned),
        text("General", "Filepath", &Settings::filepath, 11),
        text("General", "LastLocation", &Settings::lastLocation, 12),
        number("General", "GUI", &Settings::gui, 18),
        number("General", "Timemode", &Settings::timemode, 19),
        number("General", "Systray", &Settings::systray, 20),
        number("General", "MinimizeState", &Settings::minimizeState, 21),
        number("General", "OpenFilter", &Settings::openFilter, 23),
        text("Plugins", "Library", &Settings::pluginLibrary, 28),
        number("Plugins", "Module", &Settings::pluginModule, 29, kUnsigned),
        number("Plugins", "AutoExecute", &Settings::autoExecute, 30, kUnsigned),
        number("Plugins", "Priority", &Settings::pluginPriority, 31),
        text("Plugins", "Path", &Settings::pluginPath, 32),
        text("Design", "Current", &Settings::designCurrent, 24),
        text("Design", "Path", &Settings::designPath, 25),
        text("Skin", "Current", &Settings::skinCurrent, 26),
        text("Skin", "Path", &Settings::skinPath, 27),
        number("General", "X", &Settings::x, 14),
        number("General", "Y", &Settings::y, 15),
        number("General", "Topmost", &Settings::topmost, 16),
        number("General", "Snap", &Settings::snap, 17),
        number("General", "Minimized", &Settings::minimized, 22),
        number("Playlist", "X", &Settings::playlistX, 1),
        number("Playlist", "Y", &Settings::playlistY, 2),
        number("Playlist", "XS", &Settings::playlistWidth, 3),
        number("Playlist", "YS", &Settings::playlistHeight, 4),
        number("Playlist", "Clear", &Settings::clear, 5),
        number("Playlist", "Repeat", &Settings::repeat, 6),
        number("Playlist", "RepeatX", &Settings::repeatX, 7),
        number("Playlist", "Shuffle", &Settings::shuffle, 8),
        number("Playlist", "Advance", &Settings::advance, 10),
        number("Playlist", "Active", &Settings::active, 9),
        number("Equalizer", "Enabled", &Settings::equalizerEnabled, 41),
        number("Equalizer", "Visible", &Settings::equalizerVisible, 42),
        number("Equalizer", "Preamp", &Settings::equalizerPreamp, 43),
        number("Equalizer", "Band1", &Settings::equalizerBand1, 44),
        number("Equalizer", "Band2", &Settings::equalizerBand2, 45),
        number("Equalizer", "Band3", &Settings::equalizerBand3, 46),
        number("Equalizer", "Band4", &Settings::equalizerBand4, 47),
        number("Equalizer", "Band5", &Settings::equalizerBand5, 48),
        number("Equalizer", "Band6", &Settings::equalizerBand6, 49),
        number("Equalizer", "Band7", &Settings::equalizerBand7, 50),
        number("Equalizer", "Band8", &Settings::equalizerBand8, 51),
        number("Equalizer", "Band9", &Settings::equalizerBand9, 52),
        number("Equalizer", "Band10", &Settings::equalizerBand10, 53),
    };
    return keys;
}

// The band keys, lowest band first.
constexpr int Settings::*kEqualizerBandKeys[kEqualizerBands] = {
    &Settings::equalizerBand1, &Settings::equalizerBand2, &Settings::equalizerBand3,
    &Settings::equalizerBand4, &Settings::equalizerBand5, &Settings::equalizerBand6,
    &Settings::equalizerBand7, &Settings::equalizerBand8, &Settings::equalizerBand9,
    &Settings::equalizerBand10};

}  // namespace

Settings Settings::defaults(const std::string& programFolder, int centredX, int centredY) {
    Settings settings;
    settings.filepath = programFolder;
    settings.pluginPath = programFolder + "Plugins\\";
    settings.designPath = programFolder;
    settings.skinPath = programFolder + "Skins\\";
    settings.x = centredX;
    settings.y = centredY;
    return settings;
}

ReplayGainSettings replayGainSettingsOf(const Settings& settings) {
    ReplayGainSettings gain;
    gain.mode = settings.replayGain >= ReplayGainSettings::off && settings.replayGain <= ReplayGainSettings::album
                    ? settings.replayGain
                    : ReplayGainSettings::off;
    gain.preampTenths = settings.replayGainPreamp;
    gain.noClip = settings.replayGainNoClip != 0;
    gain.defaultTenths = settings.replayGainDefault;
    return gain;
}

EqualizerSettings equalizerSettingsOf(const Settings& settings) {
    EqualizerSettings equalizer;
    equalizer.enabled = settings.equalizerEnabled != 0;
    equalizer.preampTenths = clampEqualizerTenths(settings.equalizerPreamp);
    for (size_t band = 0; band < kEqualizerBands; ++band)
        equalizer.bandTenths[band] = clampEqualizerTenths(settings.*kEqualizerBandKeys[band]);
    return equalizer;
}

void storeEqualizerSettings(Settings& settings, const EqualizerSettings& equalizer) {
    settings.equalizerEnabled = equalizer.enabled ? 1 : 0;
    settings.equalizerPreamp = clampEqualizerTenths(equalizer.preampTenths);
    for (size_t band = 0; band < kEqualizerBands; ++band)
        settings.*kEqualizerBandKeys[band] = clampEqualizerTenths(equalizer.bandTenths[band]);
}

// The profile calls take the file's name and its texts in the ANSI code page,
// as the stream libraries sharing the file do; the player's texts are UTF-8.
Settings readSettings(const std::string& iniPath, const Settings& defaults) {
    Settings settings = defaults;
    const std::string file = platform::ansiFileName(iniPath);
    for (const SettingKey& key : settingKeys()) {
        if (key.type == KeyType::text) {
            const std::string fallback = platform::ansiFromUtf8(settings.*key.text);
            std::string value = platform::getProfileString(key.section, key.key, fallback, file);
            settings.*key.text = platform::firstCharacters(platform::utf8FromAnsi(value), kMaxTextLength);
        } else {
            settings.*key.number = static_cast<int>(
                platform::getProfileInt(key.section, key.key, settings.*key.number, file));
        }
    }
    return settings;
}

bool writeSettings(const std::string& iniPath, const Settings& settings) {
    namespace fs = std::filesystem;
    std::vector<SettingKey> keys = settingKeys();
    std::sort(keys.begin(), keys.end(),
              [](const SettingKey& a, const SettingKey& b) { return a.writeRank < b.writeRank; });

    const fs::path file = platform::fileSystemPath(iniPath);
    const fs::path draft = platform::fileSystemPath(iniPath + ".new");
    std::error_code error;
    fs::remove(draft, error);
    if (fs::exists(file, error) && !fs::copy_file(file, draft, error)) return false;
    const std::string draftName = platform::ansiFileName(iniPath + ".new");

    bool written = true;
    for (const SettingKey& key : keys) {
        std::string value;
        if (key.type == KeyType::text)
            value = platform::ansiFromUtf8(settings.*key.text);
        else if (key.type == KeyType::unsignedNumber)
            value = std::to_string(static_cast<uint32_t>(settings.*key.number));
        else
            value = std::to_string(settings.*key.number);
        written = written && platform::writeProfileString(key.section, key.key, value, draftName);
    }
    if (written) {
        fs::rename(draft, file, error);
        if (!error) return true;
    }
    fs::remove(draft, error);
    return false;
}

}  // namespace tumbor
