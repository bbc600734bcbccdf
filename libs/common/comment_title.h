// The title a stream's Vorbis-style comments ("TITLE=...", "ARTIST=...",
// UTF-8, as FLAC, Ogg Vorbis and Opus carry them) give the player: "artist -
// title", or the title alone, as UTF-8 text (the modules set utf8Text).
#pragma once

#include <cstddef>
#include <string>

#include "libs/common/ansi_from_utf8.h"

namespace tumbor {

// The most characters of a title handed to the player, whose texts hold 260.
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
        const std::string text = artist_.empty() ? title_ : artist_ + " - " + title_;
        // Cut after whole characters: every byte that does not continue one starts one.
        size_t at = 0;
        for (size_t characters = 0; at < text.size(); ++at) {
            const bool starts = (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
            if (starts && characters++ == kMaxCommentTitleLength) break;
        }
        return text.substr(0, at);
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
        value = wellFormedUtf8(comment + at + 1, length - at - 1);
    }

    // The text's well-formed UTF-8; a byte that is no UTF-8 becomes '?'. Ends at the first zero byte.
    static std::string wellFormedUtf8(const char* text, size_t length) {
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text);
        std::string kept;
        for (size_t at = 0; at < length && bytes[at] != 0;) {
            uint32_t code = bytes[at];
            const size_t count = code < 0x80 ? 1 : ansi_detail::decodeUtf8(bytes, length, at, code);
            kept.append(count ? text + at : "?", count ? count : 1);
            at += count ? count : 1;
        }
        return kept;
    }

    std::string title_;
    std::string artist_;
};

}  // namespace tumbor
