// Filling the playlist from the file system and playlist files (".m3u",
// ".m3u8", ".pls"), and saving it. Paths are UTF-8 text.
#pragma once

#include <string>
#include <vector>

#include "player/engine/playlist.h"
#include "player/engine/playlist_format.h"

namespace tumbor {

// Adds a file, a folder (every file in it and its subfolders, playlist files
// expanded), a playlist file's entries with their titles and lengths, or a
// location ("://"). With replace, the list is cleared just before the first
// entry is added, once the path is known to exist. Missing paths and
// unreadable playlists add nothing. Relative entries of a playlist file are
// made absolute against the playlist's folder; folders and playlists' folders
// also become the current folder.
void addPath(Playlist& playlist, const std::string& text, bool replace);

// The items of a playlist file, as written in it. False when the file cannot
// be opened.
bool readPlaylistFile(const std::string& path, std::vector<PlaylistItem>& items);

// Writes every entry with its title and length in the format the name's
// extension asks for (PLS unless ".m3u8" or ".m3u"), replacing the file.
// False when it cannot be written.
bool savePlaylist(const Playlist& playlist, const std::string& path);

}  // namespace tumbor
