// The title a stream's Vorbis-style comments ("TITLE=...", "ARTIST=...",
// UTF-8, as FLAC, Ogg Vorbis and Opus carry them) give the player: "artist -
// title", or the title alone, as UTF-8 text (the modules set utf8Text).
#pragma once

#include <cstddef>
#include <string>

#include "libs/common/utf8_text.h"

namespace tumbor {

class CommentTitle {
public:
    // One comment of length bytes, not necessarily zero-terminated. The first
    // TITLE and the first ARTIST count; field names are compared ignoring case.
    void add(const char* comment, size_t length) {
        if (!comment) return;
        if (title_.empty()) takeValue(comment, length, "title", title_);
        if (artist_.empty()) takeValue(comment, length, "artist", artist_);
    }

    // Empty when there is no title.
    std::string text() const { return title_.empty() ? std::string() : joinedTitle(artist_, title_); }

private:
    static void takeValue(const char* comment, size_t length, const char* field, std::string& value) {
        size_t at = 0;
        for (; field[at]; ++at) {
            if (at >= length) return;
            char letter = comment[at];
            if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
            if (letter != field[at]) return;
        }
        if (at >= length || comment[at] != '=') return;
        value = wellFormedUtf8(comment + at + 1, length - at - 1);
    }

    std::string title_;
    std::string artist_;
};

}  // namespace tumbor
