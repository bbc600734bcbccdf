// UTF-8 texts handed to and taken from the wide Windows calls.
#pragma once

#include <string>

#include "platform/unicode_text.h"

namespace platform {

inline std::wstring wideFromUtf8(const std::string& utf8) {
    const std::u16string utf16 = utf16FromUtf8(utf8);
    return std::wstring(utf16.begin(), utf16.end());
}

inline std::string utf8FromWide(const wchar_t* wide, size_t length) {
    return utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(wide), length));
}

inline std::string utf8FromWide(const std::wstring& wide) { return utf8FromWide(wide.data(), wide.size()); }

}  // namespace platform
