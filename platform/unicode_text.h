// The program keeps file names and titles as UTF-8 text; Windows takes them
// as UTF-16. These convert between the two. Bytes that are no UTF-8, and lone
// surrogates, become U+FFFD, so a conversion never fails.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

std::u16string utf16FromUtf8(std::string_view utf8);
std::string utf8FromUtf16(std::u16string_view utf16);

// Whether every byte belongs to a well-formed UTF-8 sequence.
bool isValidUtf8(std::string_view text);

// Decodes the character at text[at]: its code and the number of bytes it takes
// (1 and U+FFFD for a byte that begins no well-formed sequence).
size_t decodeUtf8(std::string_view text, size_t at, char32_t& code);
void appendUtf8(std::string& text, char32_t code);

// The text cut after at most count characters.
std::string firstCharacters(std::string_view utf8, size_t count);

}  // namespace platform
