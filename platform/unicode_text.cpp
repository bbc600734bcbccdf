// UTF-8 and UTF-16 conversion.
#include "platform/unicode_text.h"

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isSurrogate(char32_t code) { return code >= 0xD800 && code <= 0xDFFF; }

}  // namespace

size_t decodeUtf8(std::string_view text, size_t at, char32_t& code) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    const size_t count = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    code = kReplacement;
    if (count == 0 || lead > 0xF4 || at + count > text.size()) return 1;
    char32_t value = lead & (0x7Fu >> count);
    for (size_t i = 1; i < count; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 1;
        value = value << 6 | (next & 0x3Fu);
    }
    static constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[count] || value > 0x10FFFF || isSurrogate(value)) return 1;
    code = value;
    return count;
}

void appendUtf8(std::string& text, char32_t code) {
    if (code > 0x10FFFF || isSurrogate(code)) code = kReplacement;
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | code >> 18);
        text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::u16string utf16FromUtf8(std::string_view utf8) {
    std::u16string utf16;
    utf16.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        char32_t code;
        at += decodeUtf8(utf8, at, code);
        if (code < 0x10000) {
            utf16 += static_cast<char16_t>(code);
        } else {
            code -= 0x10000;
            utf16 += static_cast<char16_t>(0xD800 | code >> 10);
            utf16 += static_cast<char16_t>(0xDC00 | (code & 0x3FF));
        }
    }
    return utf16;
}

std::string utf8FromUtf16(std::u16string_view utf16) {
    std::string utf8;
    utf8.reserve(utf16.size());
    for (size_t at = 0; at < utf16.size(); ++at) {
        char32_t code = utf16[at];
        if (code >= 0xD800 && code <= 0xDBFF && at + 1 < utf16.size() && utf16[at + 1] >= 0xDC00 &&
            utf16[at + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (utf16[++at] - 0xDC00);
        }
        appendUtf8(utf8, code);
    }
    return utf8;
}

bool isValidUtf8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        char32_t code;
        const size_t count = decodeUtf8(text, at, code);
        if (code == kReplacement && count == 1) return false;
        at += count;
    }
    return true;
}

std::string firstCharacters(std::string_view utf8, size_t count) {
    size_t at = 0;
    for (size_t taken = 0; at < utf8.size() && taken < count; ++taken) {
        char32_t code;
        at += decodeUtf8(utf8, at, code);
    }
    return std::string(utf8.substr(0, at));
}

}  // namespace platform
