// Opening files and walking folders by UTF-8 names, the same way on every
// system (on Windows through the wide calls, so any name can be opened).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace platform {

// Like std::fopen; null when the file cannot be opened.
std::FILE* openFile(const std::string& utf8Path, const char* mode);

std::filesystem::path fileSystemPath(const std::string& utf8Path);
std::string utf8Path(const std::filesystem::path& path);

}  // namespace platform
