// Filling the playlist from the file system and playlist files (".m3u" and
// ".pls": plain text, one entry per line), and saving it.
#pragma once

#include <string>
#include <vector>

#include "player/engine/playlist.h"

namespace tumbor {

// Adds a file, a folder (every file in it and its subfolders, playlist files
// expanded), a playlist file's entries, or a location ("://"). With replace,
// the list is cleared just before the first entry is added, once the path is
// known to exist. Missing paths and unreadable playlists add nothing. Makes
// folders and playlists' folders the current folder, so relative entries
// resolve against them.
void addPath(Playlist& playlist, const std::string& text, bool replace);

// The entries of a playlist file: lines cut at their first LF or CR, empty
// lines skipped, longer lines taken in pieces of 259 characters. False when
// the file cannot be opened.
bool readPlaylistFile(const std::string& path, std::vector<std::string>& lines);

// Writes every entry followed by CR LF, replacing the file. False when it
// cannot be written.
bool savePlaylist(const Playlist& playlist, const std::string& path);

}  // namespace tumbor
