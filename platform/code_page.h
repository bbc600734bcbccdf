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

}  // namespace platform
