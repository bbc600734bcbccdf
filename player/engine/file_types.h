// Associating file extensions with the player: the lines of the extension
// dialog, which of them start selected, and writing the file type
// "Tumbor.File" with the chosen extensions into the registry's classes.
#pragma once

#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/shell_integration.h"
#include "player/engine/module_registry.h"

namespace tumbor {

constexpr char kFileTypeName[] = "Tumbor.File";

// ".m3u (Playlist)", ".m3u8 (Playlist)", ".pls (Playlist)", then every pattern of each filter
// ("Description|*.ext;*.ext2|") without its leading "*", in the order given.
std::vector<std::string> extensionLines(const std::vector<std::string>& moduleFilters);
// The same for the registered modules, in registry order.
std::vector<std::string> extensionLines(const ModuleRegistry& registry);

// The extension a line stands for: its text before the first blank.
std::string extensionOfLine(const std::string& line);

// A line starts selected unless its extension's key already names the
// player's file type (a value of at most 260 characters that is
// "tumbor.file" in lower case) or holds a longer value.
bool startsSelected(const std::string& extension, platform::FileTypeRegistry& registry);

struct FileTypeRegistration {
    std::vector<std::string> refusedKeys;  // the keys the registry did not take
    bool complete() const { return refusedKeys.empty(); }
};

// Writes "Tumbor.File" (its description, open command and icon, for the
// program at programPath) and points each extension at it. A refused key is
// skipped and noted; the others are still written.
FileTypeRegistration registerFileTypes(platform::FileTypeRegistry& registry, const std::string& programPath,
                                       const std::vector<std::string>& extensions);

// The box that reports the registration: the completion message, or an
// error naming the keys that were refused.
platform::MessageBoxRequest registrationReport(const FileTypeRegistration& registration);

}  // namespace tumbor
