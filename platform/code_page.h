// Text in the system's ANSI code page: what older playlists, older senders of
// the hand-over and stream libraries built for char names use.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::string utf8FromAnsi(std::string_view ansi);
// Characters the code page lacks become '?'; lossless (when given) tells
// whether there were none.
std::string ansiFromUtf8(std::string_view utf8, bool* lossless = nullptr);

// A name for a file that code using the ANSI file calls can open: the ANSI
// form when the code page spells every character, else the file's short
// (8.3) name when the system keeps one, else the ANSI form with '?'.
std::string ansiFileName(const std::string& utf8Path);

}  // namespace platform
