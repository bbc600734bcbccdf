// The title a stream's Vorbis-style comments ("TITLE=...", "ARTIST=...",
// UTF-8, as FLAC, Ogg Vorbis and Opus carry them) give the player: "artist -
// title", or the title alone, in the player's ANSI text.
#pragma once

#include <cstddef>
#include <string>

#include "libs/common/ansi_from_utf8.h"

namespace tumbor {

// The longest title handed to the player, whose texts hold 260 characters.
constexpr size_t kMaxCommentTitleLength = 259;

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
    std::string text() const {
        if (title_.empty()) return {};
        std::string text = artist_.empty() ? title_ : artist_ + " - " + title_;
        if (text.size() > kMaxCommentTitleLength) text.resize(kMaxCommentTitleLength);
        return text;
    }

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
        value = ansiFromUtf8(comment + at + 1, length - at - 1);
    }

    std::string title_;
    std::string artist_;
};

}  // namespace tumbor
