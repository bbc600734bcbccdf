// Private-profile (INI file) access with the rules of the Windows profile
// functions: sections and keys match case-insensitively, values are trimmed,
// and writing one entry keeps every other line of the file.
#pragma once

#include <string>

namespace platform {

// The value of key in section, or defaultValue when the file, the section or
// the key is missing. Surrounding blanks are trimmed and one pair of matching
// quotes around the value is removed.
std::string getProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& path);

// The value parsed like GetPrivateProfileIntA: leading blanks, an optional
// sign, digits up to the first other character (so "12abc" is 12 and "abc" is
// 0; lower-case "0x", "0o" and "0b" prefixes choose the base), wrapping modulo
// 2^32; defaultValue when the key is missing or its value is empty.
unsigned getProfileInt(const std::string& section, const std::string& key, int defaultValue,
                       const std::string& path);

// Sets key in section to value, creating the file, the section or the key as
// needed; the other lines of the file stay as they were. Returns false when the
// file cannot be written.
bool writeProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path);

}  // namespace platform
