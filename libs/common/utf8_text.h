// Texts the stream libraries that set utf8Text hand the player: tag and
// comment values kept as well-formed UTF-8, Windows-1252 tag bytes turned
// into UTF-8, and "artist - title" cut to the length of the player's texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tumbor {

// The most characters of a title handed to the player, whose texts hold 260.
constexpr size_t kMaxTitleLength = 259;

namespace utf8_detail {

// Windows-1252's characters 0x80 to 0x9F; 0 where it has none.
constexpr uint16_t kHighControls[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

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

inline void appendUtf8(std::string& text, uint32_t code) {
    if (code < 0x80) {
        text.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        text.push_back(static_cast<char>(0xC0 | code >> 6));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xE0 | code >> 12));
        text.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace utf8_detail

// The text's well-formed UTF-8; a byte that is no UTF-8 becomes '?'. Ends at
// the first zero byte.
inline std::string wellFormedUtf8(const char* text, size_t length) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text);
    std::string kept;
    for (size_t at = 0; at < length && bytes[at] != 0;) {
        uint32_t code = bytes[at];
        const size_t count = code < 0x80 ? 1 : utf8_detail::decodeUtf8(bytes, length, at, code);
        kept.append(count ? text + at : "?", count ? count : 1);
        at += count ? count : 1;
    }
    return kept;
}

// Windows-1252 text as UTF-8; the five bytes it leaves undefined become '?'.
// Ends at the first zero byte.
inline std::string utf8FromWindows1252(const char* text, size_t length) {
    std::string utf8;
    for (size_t at = 0; at < length && text[at] != 0; ++at) {
        const uint8_t byte = static_cast<uint8_t>(text[at]);
        const uint32_t code = byte >= 0x80 && byte < 0xA0 ? utf8_detail::kHighControls[byte - 0x80] : byte;
        utf8_detail::appendUtf8(utf8, code != 0 ? code : '?');
    }
    return utf8;
}

// "artist - title", or the title alone when there is no artist, cut after
// kMaxTitleLength whole characters.
inline std::string joinedTitle(const std::string& artist, const std::string& title) {
    const std::string text = artist.empty() ? title : artist + " - " + title;
    // Every byte that does not continue a character starts one.
    size_t at = 0;
    for (size_t characters = 0; at < text.size(); ++at) {
        const bool starts = (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
        if (starts && characters++ == kMaxTitleLength) break;
    }
    return text.substr(0, at);
}

}  // namespace tumbor
