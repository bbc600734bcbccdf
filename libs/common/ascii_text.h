// Case folding for the names modules recognise. Only A..Z change, so the
// result does not depend on the system's locale or code page.
#pragma once

namespace tumbor {

inline void lowerCaseAscii(char* text) {
    for (; *text; ++text)
        if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
}

}  // namespace tumbor
