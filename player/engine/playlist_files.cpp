// addPath, playlist file reading and saving.
#include "player/engine/playlist_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/dynamic_library.h"

namespace tumbor {
namespace {

namespace fs = std::filesystem;

// Folders inside folders and playlists naming playlists (or themselves) stop
// here rather than recursing without end.
constexpr int kMaxNesting = 32;

bool isPlaylistFileName(const std::string& name) {
    if (name.size() < 4) return false;
    std::string extension = name.substr(name.size() - 4);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".m3u" || extension == ".pls";
}

bool isDriveRoot(const std::string& text) {
    return text.size() == 3 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' &&
           text[2] == '\\';
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void addPathNested(Playlist& playlist, std::string text, bool replace, int nesting);

void addFolder(Playlist& playlist, const std::string& folder, bool replace, int nesting) {
    std::error_code error;
    fs::current_path(folder, error);
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    if (replace) playlist.clear();
    std::string prefix = folder;
    if (prefix.back() != '\\' && prefix.back() != '/') prefix += platform::pathSeparator();
    for (const std::string& name : names)
        if (name[0] != '.') addPathNested(playlist, prefix + name, false, nesting + 1);
}

void addPlaylistFile(Playlist& playlist, const std::string& path, bool replace, int nesting) {
    std::string folder = folderOf(path);
    std::error_code error;
    if (!folder.empty()) fs::current_path(folder, error);
    std::vector<std::string> lines;
    if (!readPlaylistFile(path, lines)) return;
    if (replace) playlist.clear();
    for (const std::string& line : lines) addPathNested(playlist, line, false, nesting + 1);
}

void addPathNested(Playlist& playlist, std::string text, bool replace, int nesting) {
    if (nesting > kMaxNesting) return;
    if (!text.empty() && text[0] == '"') text = text.size() >= 2 ? text.substr(1, text.size() - 2) : "";
    if (text.empty()) return;
    if (text.find("://") != std::string::npos) {
        if (replace) playlist.clear();
        playlist.append(text);
        return;
    }
    std::error_code error;
    fs::file_status status = fs::status(text, error);
    bool folder = isDriveRoot(text) || fs::is_directory(status);
    if (!folder && !fs::exists(status)) return;
    if (folder) {
        addFolder(playlist, text, replace, nesting);
    } else if (isPlaylistFileName(text)) {
        addPlaylistFile(playlist, text, replace, nesting);
    } else {
        if (replace) playlist.clear();
        playlist.append(text);
    }
}

}  // namespace

void addPath(Playlist& playlist, const std::string& text, bool replace) {
    addPathNested(playlist, text, replace, 0);
}

bool readPlaylistFile(const std::string& path, std::vector<std::string>& lines) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::string bytes;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    std::fclose(file);

    // Read as a text stream would be, in pieces of at most 259 characters
    // that end after a line break.
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) text += bytes[i];
    size_t at = 0;
    while (at < text.size()) {
        size_t end = std::min(text.find('\n', at), text.size() - 1);
        end = std::min(end, at + Playlist::kMaxEntryLength - 1);
        std::string piece = text.substr(at, end - at + 1);
        at = end + 1;
        piece = piece.substr(0, piece.find_first_of(std::string("\n\r\0", 3)));
        if (!piece.empty()) lines.push_back(piece);
    }
    return true;
}

bool savePlaylist(const Playlist& playlist, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = true;
    for (const std::string& entry : playlist.entries())
        written = written && std::fprintf(file, "%s\r\n", entry.c_str()) >= 0;
    return std::fclose(file) == 0 && written;
}

}  // namespace tumbor
