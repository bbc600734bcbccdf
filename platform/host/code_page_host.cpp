// The native build stands in Windows-1252, the code page of a Western Windows.
#include <cstdint>

#include "platform/code_page.h"
#include "platform/unicode_text.h"

namespace platform {
namespace {

// Windows-1252's characters 0x80 to 0x9F; 0 where it has none.
constexpr char16_t kHighControls[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t unicodeOf(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80] ? kHighControls[byte - 0x80] : byte;
    return byte;
}

}  // namespace

std::string utf8FromAnsi(std::string_view ansi) {
    std::string utf8;
    for (char byte : ansi) appendUtf8(utf8, unicodeOf(static_cast<unsigned char>(byte)));
    return utf8;
}

std::string ansiFromUtf8(std::string_view utf8, bool* lossless) {
    std::string ansi;
    bool complete = true;
    for (size_t at = 0; at < utf8.size();) {
        char32_t code;
        at += decodeUtf8(utf8, at, code);
        char byte = '?';
        bool found = false;
        for (int candidate = 0; candidate < 256 && !found; ++candidate) {
            found = unicodeOf(static_cast<unsigned char>(candidate)) == code;
            if (found) byte = static_cast<char>(candidate);
        }
        complete = complete && found;
        ansi += byte;
    }
    if (lossless) *lossless = complete;
    return ansi;
}

// Native file calls take UTF-8 names as they are.
std::string ansiFileName(const std::string& utf8Path) { return utf8Path; }

}  // namespace platform
