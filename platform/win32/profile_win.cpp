// The profile functions of kernel32; they do all the parsing and editing.
// They look for a path without a folder in the Windows directory, which is
// why callers pass full paths.
#include <windows.h>

#include <vector>

#include "platform/profile.h"

namespace platform {

std::string getProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& path) {
    std::vector<char> buffer(1024);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                                buffer.data(), size, path.c_str());
        // A value that fills the buffer up to the terminator may have been cut.
        if (length + 1 < size || size >= (1u << 30)) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

unsigned getProfileInt(const std::string& section, const std::string& key, int defaultValue,
                       const std::string& path) {
    return GetPrivateProfileIntA(section.c_str(), key.c_str(), defaultValue, path.c_str());
}

bool writeProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) !=
           FALSE;
}

}  // namespace platform
