// addPath, playlist file reading and saving.
#include "player/engine/playlist_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/dynamic_library.h"
#include "platform/utf8_files.h"

namespace tumbor {
namespace {

namespace fs = std::filesystem;

// Folders inside folders and playlists naming playlists (or themselves) stop
// here rather than recursing without end.
constexpr int kMaxNesting = 32;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

bool isDriveRoot(const std::string& text) {
    return text.size() == 3 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' &&
           text[2] == '\\';
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// An entry of a playlist file as a path that holds wherever the playlist is
// loaded from: relative ones are taken from the playlist's folder.
std::string resolvedAgainst(const std::string& folder, const std::string& location) {
    if (folder.empty() || location.find("://") != std::string::npos) return location;
    const fs::path path = platform::fileSystemPath(location);
    if (path.has_root_name() || path.has_root_directory()) return location;
    return folder + location;
}

void addPathNested(Playlist& playlist, std::string text, bool replace, int nesting,
                   const EntryDetails& details);

void addFolder(Playlist& playlist, const std::string& folder, bool replace, int nesting) {
    std::error_code error;
    const fs::path folderPath = platform::fileSystemPath(folder);
    fs::current_path(folderPath, error);
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folderPath, error))
        names.push_back(platform::utf8Path(entry.path().filename()));
    std::sort(names.begin(), names.end());
    if (replace) playlist.clear();
    std::string prefix = folder;
    if (prefix.back() != '\\' && prefix.back() != '/') prefix += platform::pathSeparator();
    for (const std::string& name : names)
        if (name[0] != '.') addPathNested(playlist, prefix + name, false, nesting + 1, {});
}

void addPlaylistFile(Playlist& playlist, const std::string& path, bool replace, int nesting) {
    std::error_code error;
    const std::string folder =
        folderOf(platform::utf8Path(fs::absolute(platform::fileSystemPath(path), error)));
    if (!folder.empty()) fs::current_path(platform::fileSystemPath(folder), error);
    std::vector<PlaylistItem> items;
    if (!readPlaylistFile(path, items)) return;
    if (replace) playlist.clear();
    for (const PlaylistItem& item : items)
        addPathNested(playlist, resolvedAgainst(folder, item.location), false, nesting + 1, item.details);
}

void addPathNested(Playlist& playlist, std::string text, bool replace, int nesting,
                   const EntryDetails& details) {
    if (nesting > kMaxNesting) return;
    if (!text.empty() && text[0] == '"') text = text.size() >= 2 ? text.substr(1, text.size() - 2) : "";
    if (text.empty()) return;
    if (text.find("://") != std::string::npos) {
        if (replace) playlist.clear();
        playlist.append(text, details);
        return;
    }
    std::error_code error;
    fs::file_status status = fs::status(platform::fileSystemPath(text), error);
    bool folder = isDriveRoot(text) || fs::is_directory(status);
    if (!folder && !fs::exists(status)) return;
    if (folder) {
        addFolder(playlist, text, replace, nesting);
    } else if (isPlaylistFileName(text)) {
        addPlaylistFile(playlist, text, replace, nesting);
    } else {
        if (replace) playlist.clear();
        playlist.append(text, details);
    }
}

}  // namespace

void addPath(Playlist& playlist, const std::string& text, bool replace) {
    addPathNested(playlist, text, replace, 0, {});
}

bool readPlaylistFile(const std::string& path, std::vector<PlaylistItem>& items) {
    FilePointer file(platform::openFile(path, "rb"));
    if (!file) return false;
    std::string bytes;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.append(chunk, got);
    items = parsePlaylist(bytes);
    return true;
}

bool savePlaylist(const Playlist& playlist, const std::string& path) {
    std::vector<PlaylistItem> items;
    for (size_t i = 0; i < playlist.size(); ++i)
        items.push_back({playlist.entries()[i], playlist.details(i)});
    const std::string text = formatPlaylist(items, playlistFormatFor(path));
    FilePointer file(platform::openFile(path, "wb"));
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    return std::fclose(file.release()) == 0 && written;
}

}  // namespace tumbor
