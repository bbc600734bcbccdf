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

}  // namespace platform
