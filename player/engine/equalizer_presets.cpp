// The preset file's text, read and written.
#include "player/engine/equalizer_presets.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/utf8_files.h"

namespace tumbor {
namespace {

constexpr size_t kValueCount = 1 + kEqualizerBands;  // the pre-amp, then the bands

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Reads exactly kValueCount whole numbers separated by spaces; false for anything else.
bool parseValues(const char* at, const char* end, std::array<int, kValueCount>& values) {
    for (size_t i = 0; i < kValueCount; ++i) {
        while (at < end && isSpace(*at)) ++at;
        if (at == end) return false;
        int value = 0;
        const std::from_chars_result read = std::from_chars(at, end, value);
        if (read.ec == std::errc::result_out_of_range)
            value = *at == '-' ? -kEqualizerLimitTenths : kEqualizerLimitTenths;
        else if (read.ec != std::errc())
            return false;
        if (read.ptr < end && !isSpace(*read.ptr)) return false;
        values[i] = clampEqualizerTenths(value);
        at = read.ptr;
    }
    while (at < end && isSpace(*at)) ++at;
    return at == end;
}

bool parseLine(const std::string& line, EqualizerPreset& preset) {
    const size_t equals = line.rfind('=');
    if (equals == std::string::npos) return false;
    preset.name = equalizerPresetName(line.substr(0, equals));
    std::array<int, kValueCount> values{};
    if (preset.name.empty() || !parseValues(line.data() + equals + 1, line.data() + line.size(), values))
        return false;
    preset.preampTenths = values[0];
    std::copy(values.begin() + 1, values.end(), preset.bandTenths.begin());
    return true;
}

EqualizerPreset preset(const char* name, int preamp, std::array<int, kEqualizerBands> bands) {
    return EqualizerPreset{name, preamp, bands};
}

}  // namespace

const std::vector<EqualizerPreset>& builtInEqualizerPresets() {
    // Boosts come with a lower pre-amp, so loud songs keep clear of clipping.
    static const std::vector<EqualizerPreset> presets = {
        preset("Flat", 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
        preset("Bass boost", -60, {70, 60, 40, 10, 0, 0, 0, 0, 0, 0}),
        preset("Treble boost", -60, {0, 0, 0, 0, 0, 10, 40, 60, 70, 70}),
        preset("Loudness", -50, {60, 40, 0, -20, -10, 0, 20, 50, 50, 50}),
        preset("Voice", -30, {-40, -20, 0, 20, 40, 40, 20, 0, -20, -40}),
        preset("Rock", -40, {50, 30, -20, -40, -10, 20, 50, 60, 60, 60}),
    };
    return presets;
}

std::string equalizerPresetName(const std::string& name) {
    std::string kept = name;
    std::replace_if(
        kept.begin(), kept.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    const size_t first = kept.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return kept.substr(first, kept.find_last_not_of(' ') - first + 1);
}

std::vector<EqualizerPreset> parseEqualizerPresets(const std::string& text) {
    std::vector<EqualizerPreset> presets;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        EqualizerPreset read;
        if (parseLine(text.substr(start, end - start), read)) {
            auto same = std::find_if(presets.begin(), presets.end(),
                                     [&](const EqualizerPreset& p) { return p.name == read.name; });
            if (same != presets.end())
                *same = read;
            else
                presets.push_back(read);
        }
        start = end + 1;
    }
    return presets;
}

std::string formatEqualizerPresets(const std::vector<EqualizerPreset>& presets) {
    std::string text =
        "; Equalizer presets: name=pre-amp and the bands from 60 Hz to 16 kHz, in tenths of a dB\r\n";
    for (const EqualizerPreset& p : presets) {
        const std::string name = equalizerPresetName(p.name);
        if (name.empty()) continue;
        text += name + "=" + std::to_string(clampEqualizerTenths(p.preampTenths));
        for (int band : p.bandTenths) text += " " + std::to_string(clampEqualizerTenths(band));
        text += "\r\n";
    }
    return text;
}

std::vector<EqualizerPreset> readEqualizerPresetFile(const std::string& path) {
    FilePointer file(platform::openFile(path, "rb"));
    if (!file) return {};
    std::string bytes;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.append(chunk, got);
    return parseEqualizerPresets(bytes);
}

bool writeEqualizerPresetFile(const std::string& path, const std::vector<EqualizerPreset>& presets) {
    const std::string draft = path + ".new";
    const std::string text = formatEqualizerPresets(presets);
    FilePointer file(platform::openFile(draft, "wb"));
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    std::error_code error;
    if (std::fclose(file.release()) == 0 && written) {
        std::filesystem::rename(platform::fileSystemPath(draft), platform::fileSystemPath(path), error);
        if (!error) return true;
    }
    std::filesystem::remove(platform::fileSystemPath(draft), error);
    return false;
}

}  // namespace tumbor
