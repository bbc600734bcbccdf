// The text of playlist files. ".m3u8" is UTF-8; ".m3u" and ".pls" are read as
// UTF-8 when they begin with a byte-order mark or are valid UTF-8, else in the
// ANSI code page. M3U lines may carry "#EXTM3U" and "#EXTINF:seconds,title";
// PLS files are either "[playlist]" with FileN, TitleN and LengthN, or plain
// lines, one entry each.
#pragma once

#include <string>
#include <vector>

#include "player/engine/playlist.h"

namespace tumbor {

enum class PlaylistFormat { m3u, m3u8, pls };

// By the name's extension, ignoring case: ".m3u", ".m3u8", ".pls"; anything
// else is no playlist.
bool isPlaylistFileName(const std::string& name);
// Saving: ".m3u8" and ".m3u" write M3U; any other name PLS.
PlaylistFormat playlistFormatFor(const std::string& name);

struct PlaylistItem {
    std::string location;  // as written in the file, in UTF-8
    EntryDetails details;
    bool operator==(const PlaylistItem& other) const {
        return location == other.location && details == other.details;
    }
};

// The items of a playlist file's bytes. Lines end at LF; each is cut at its
// first CR; empty lines are skipped; a line longer than 259 characters is
// taken in pieces of 259.
std::vector<PlaylistItem> parsePlaylist(const std::string& bytes);

// The bytes of a playlist file with these items, lines ended by CR LF. M3U8
// and PLS are UTF-8; M3U is in the ANSI code page unless that would lose a
// character, then UTF-8 with a byte-order mark.
std::string formatPlaylist(const std::vector<PlaylistItem>& items, PlaylistFormat format);

}  // namespace tumbor
