// The ANSI code page through MultiByteToWideChar and WideCharToMultiByte.
#include <windows.h>

#include "platform/code_page.h"
#include "platform/win32/wide_text.h"

namespace platform {

std::string utf8FromAnsi(std::string_view ansi) {
    if (ansi.empty()) return std::string();
    const int size = static_cast<int>(ansi.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), length);
    return utf8FromWide(wide);
}

std::string ansiFromUtf8(std::string_view utf8, bool* lossless) {
    if (lossless) *lossless = true;
    const std::wstring wide = wideFromUtf8(std::string(utf8));
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    // No best fit: a character the code page lacks becomes '?', never a look-alike.
    const int length =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(length), '\0');
    BOOL lacked = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, ansi.data(), length, nullptr,
                        &lacked);
    if (lossless) *lossless = !lacked;
    return ansi;
}

namespace {

// The short form of an existing file or folder, or "" when there is none.
std::wstring shortPathName(const std::wstring& path) {
    const DWORD length = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (length == 0) return std::wstring();
    std::wstring shortName(length, L'\0');
    const DWORD written = GetShortPathNameW(path.c_str(), shortName.data(), length);
    if (written == 0 || written >= length) return std::wstring();
    shortName.resize(written);
    return shortName;
}

}  // namespace

std::string ansiFileName(const std::string& utf8Path) {
    bool lossless = false;
    const std::string ansi = ansiFromUtf8(utf8Path, &lossless);
    if (lossless) return ansi;
    const std::wstring wide = wideFromUtf8(utf8Path);
    std::wstring shortName = shortPathName(wide);
    // A file not made yet (a settings file) has no short name; its folder may.
    const size_t slash = wide.find_last_of(L"\\/");
    if (shortName.empty() && slash != std::wstring::npos) {
        shortName = shortPathName(wide.substr(0, slash + 1));
        if (!shortName.empty()) shortName += wide.substr(slash + 1);
    }
    return shortName.empty() ? ansi : ansiFromUtf8(utf8FromWide(shortName));
}

}  // namespace platform
