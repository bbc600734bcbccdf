// UTF-8 texts of tags and comments turned into the Windows-1252 text the
// player shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tumbor {
namespace ansi_detail {

// Windows-1252's characters 0x80 to 0x9F; 0 where it has none.
constexpr uint16_t kHighControls[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

inline char ansiCharacter(uint32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == code) return static_cast<char>(0x80 + i);
    return '?';
}

// Decodes the UTF-8 sequence at text[at]; answers its length, 0 when the
// bytes there are no well-formed sequence.
inline size_t decodeUtf8(const uint8_t* text, size_t length, size_t at, uint32_t& code) {
    uint8_t lead = text[at];
    size_t count = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (count == 0 || lead >= 0xF8 || at + count > length) return 0;
    code = lead & (0x7Fu >> count);
    for (size_t i = 1; i < count; ++i) {
        if ((text[at + i] & 0xC0) != 0x80) return 0;
        code = code << 6 | (text[at + i] & 0x3Fu);
    }
    static const uint32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[count] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return count;
}

}  // namespace ansi_detail

// UTF-8 as Windows-1252 text: characters it lacks, and bytes that are no
// UTF-8, become '?'. Ends at the first zero byte.
inline std::string ansiFromUtf8(const char* text, size_t length) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text);
    std::string ansi;
    for (size_t at = 0; at < length && bytes[at] != 0;) {
        uint32_t code = bytes[at];
        size_t count = code < 0x80 ? 1 : ansi_detail::decodeUtf8(bytes, length, at, code);
        if (count == 0) {
            ansi.push_back('?');
            ++at;
        } else {
            ansi.push_back(ansi_detail::ansiCharacter(code));
            at += count;
        }
    }
    return ansi;
}

}  // namespace tumbor
