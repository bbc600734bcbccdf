// The extension dialog's lines and the registry writes behind its OK.
#include "player/engine/file_types.h"

#include <algorithm>
#include <cctype>

namespace tumbor {
namespace {

constexpr size_t kMaxValueLength = 260;

// The patterns of a filter: the text between its first and second "|", split at ";".
std::vector<std::string> patternsOf(const std::string& filter) {
    std::vector<std::string> patterns;
    const size_t first = filter.find('|');
    if (first == std::string::npos) return patterns;
    const size_t second = filter.find('|', first + 1);
    const std::string list =
        filter.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(';', start), list.size());
        if (end > start) patterns.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return patterns;
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::vector<std::string> extensionLines(const std::vector<std::string>& moduleFilters) {
    std::vector<std::string> lines = {".m3u (Playlist)", ".m3u8 (Playlist)", ".pls (Playlist)"};
    for (const std::string& filter : moduleFilters) {
        for (const std::string& pattern : patternsOf(filter))
            lines.push_back(pattern[0] == '*' ? pattern.substr(1) : pattern);
    }
    return lines;
}

std::vector<std::string> extensionLines(const ModuleRegistry& registry) {
    std::vector<std::string> filters;
    for (const ModuleEntry& entry : registry.entries())
        filters.push_back(entry.record && entry.record->fileFilter ? entry.record->fileFilter : "");
    return extensionLines(filters);
}

std::string extensionOfLine(const std::string& line) { return line.substr(0, line.find(' ')); }

bool startsSelected(const std::string& extension, platform::FileTypeRegistry& registry) {
    const std::optional<std::string> value = registry.defaultValue(extension);
    if (!value) return true;
    if (value->size() > kMaxValueLength) return false;
    return lowerCase(*value) != lowerCase(kFileTypeName);
}

FileTypeRegistration registerFileTypes(platform::FileTypeRegistry& registry, const std::string& programPath,
                                       const std::vector<std::string>& extensions) {
    FileTypeRegistration registration;
    const std::string quoted = "\"" + programPath + "\"";
    const std::string type = kFileTypeName;
    auto write = [&](const std::string& key, const std::string& value) {
        if (!registry.setDefaultValue(key, value)) registration.refusedKeys.push_back(key);
    };
    write(type, "Tumbor media file");
    write(type + "\\shell\\open\\command", quoted + " \"%1\"");
    write(type + "\\DefaultIcon", quoted);
    for (const std::string& extension : extensions) write(extension, type);
    return registration;
}

platform::MessageBoxRequest registrationReport(const FileTypeRegistration& registration) {
    platform::MessageBoxRequest box;
    box.caption = "Register Extensions";
    if (registration.complete()) {
        box.text =
            "Registering file extensions has been completed. Double-clicking these files in the explorer "
            "will now start the player.";
        box.icon = platform::MessageIcon::information;
        return box;
    }
    box.text = "Registering file extensions has failed: the registry refused these keys:\n";
    for (const std::string& key : registration.refusedKeys) box.text += "\n" + key;
    box.text += "\n\nDouble-clicking these files may not start the player.";
    box.icon = platform::MessageIcon::error;
    return box;
}

}  // namespace tumbor
