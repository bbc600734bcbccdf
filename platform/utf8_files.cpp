// UTF-8 names to the C runtime and to std::filesystem.
#include "platform/utf8_files.h"

#include "platform/unicode_text.h"

namespace platform {

std::FILE* openFile(const std::string& utf8Path, const char* mode) {
#if defined(_WIN32)
    const std::u16string path = utf16FromUtf8(utf8Path);
    const std::u16string wideMode = utf16FromUtf8(mode);
    return _wfopen(reinterpret_cast<const wchar_t*>(path.c_str()),
                   reinterpret_cast<const wchar_t*>(wideMode.c_str()));
#else
    return std::fopen(utf8Path.c_str(), mode);
#endif
}

std::filesystem::path fileSystemPath(const std::string& utf8Path) {
    return std::filesystem::u8path(utf8Path);
}

std::string utf8Path(const std::filesystem::path& path) { return path.u8string(); }

}  // namespace platform
