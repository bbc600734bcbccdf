// Reading and writing the text of M3U, M3U8 and PLS playlists.
#include "player/engine/playlist_format.h"

#include <cctype>
#include <cstdlib>
#include <map>

#include "platform/code_page.h"
#include "platform/unicode_text.h"

namespace tumbor {
namespace {

const std::string kByteOrderMark = "\xEF\xBB\xBF";

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool endsWith(const std::string& text, const std::string& ending) {
    return text.size() >= ending.size() && lowerCase(text.substr(text.size() - ending.size())) == ending;
}

bool startsWith(const std::string& text, const std::string& beginning) {
    return lowerCase(text.substr(0, beginning.size())) == beginning;
}

std::string utf8TextOf(const std::string& bytes) {
    if (bytes.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0)
        return bytes.substr(kByteOrderMark.size());
    if (platform::isValidUtf8(bytes)) return bytes;
    return platform::utf8FromAnsi(bytes);
}

// Lines ended by LF, each cut at its first CR (or zero byte).
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        line = line.substr(0, line.find_first_of(std::string("\r\0", 2)));
        if (!line.empty()) lines.push_back(std::move(line));
        at = end + 1;
    }
    return lines;
}

// An entry line longer than an entry holds, taken in pieces as a fixed line
// buffer would read it.
void addPieces(std::vector<PlaylistItem>& items, const std::string& line, const EntryDetails& details) {
    for (size_t at = 0; at < line.size();) {
        std::string piece =
            platform::firstCharacters(std::string_view(line).substr(at), Playlist::kMaxEntryLength);
        at += piece.size();
        items.push_back({std::move(piece), details});
    }
}

int secondsOf(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return value >= 0 && value <= 0x7FFFFFFF ? static_cast<int>(value) : -1;
}

std::vector<PlaylistItem> parseM3u(const std::vector<std::string>& lines) {
    std::vector<PlaylistItem> items;
    EntryDetails pending;
    for (const std::string& line : lines) {
        if (startsWith(line, "#extinf:")) {
            const size_t comma = line.find(',');
            pending.lengthSeconds =
                secondsOf(line.substr(8, comma == std::string::npos ? std::string::npos : comma - 8));
            pending.title = comma == std::string::npos ? std::string() : line.substr(comma + 1);
        } else if (line[0] != '#') {
            addPieces(items, line, pending);
            pending = EntryDetails();
        }
    }
    return items;
}

// "[playlist]" sections: FileN, TitleN and LengthN in any order, entries in
// the order of their numbers.
std::vector<PlaylistItem> parsePlsSection(const std::vector<std::string>& lines) {
    std::map<long, PlaylistItem> numbered;
    for (const std::string& line : lines) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = lowerCase(line.substr(0, equals));
        const std::string value = line.substr(equals + 1);
        for (const char* field : {"file", "title", "length"}) {
            const std::string name = field;
            if (key.compare(0, name.size(), name) != 0 || key.size() == name.size()) continue;
            char* end = nullptr;
            const long number = std::strtol(key.c_str() + name.size(), &end, 10);
            if (*end != '\0') continue;
            PlaylistItem& item = numbered[number];
            if (name == "file") item.location = platform::firstCharacters(value, Playlist::kMaxEntryLength);
            if (name == "title") item.details.title = value;
            if (name == "length") item.details.lengthSeconds = secondsOf(value);
        }
    }
    std::vector<PlaylistItem> items;
    for (auto& [number, item] : numbered)
        if (!item.location.empty()) items.push_back(std::move(item));
    return items;
}

bool isPlsSection(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        const size_t first = line.find_first_not_of(" \t");
        const size_t last = line.find_last_not_of(" \t");
        if (first != std::string::npos && lowerCase(line.substr(first, last - first + 1)) == "[playlist]")
            return true;
    }
    return false;
}

// A title kept on its one line.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

std::string formatM3u(const std::vector<PlaylistItem>& items) {
    std::string text = "#EXTM3U\r\n";
    for (const PlaylistItem& item : items) {
        if (!item.details.title.empty() || item.details.lengthSeconds >= 0)
            text += "#EXTINF:" + std::to_string(item.details.lengthSeconds) + "," +
                    oneLine(item.details.title) + "\r\n";
        text += item.location + "\r\n";
    }
    return text;
}

std::string formatPls(const std::vector<PlaylistItem>& items) {
    std::string text = "[playlist]\r\n";
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        text += "File" + number + "=" + items[i].location + "\r\n";
        if (!items[i].details.title.empty())
            text += "Title" + number + "=" + oneLine(items[i].details.title) + "\r\n";
        if (items[i].details.lengthSeconds >= 0)
            text += "Length" + number + "=" + std::to_string(items[i].details.lengthSeconds) + "\r\n";
    }
    return text + "NumberOfEntries=" + std::to_string(items.size()) + "\r\nVersion=2\r\n";
}

}  // namespace

bool isPlaylistFileName(const std::string& name) {
    return endsWith(name, ".m3u") || endsWith(name, ".m3u8") || endsWith(name, ".pls");
}

PlaylistFormat playlistFormatFor(const std::string& name) {
    if (endsWith(name, ".m3u8")) return PlaylistFormat::m3u8;
    if (endsWith(name, ".m3u")) return PlaylistFormat::m3u;
    return PlaylistFormat::pls;
}

std::vector<PlaylistItem> parsePlaylist(const std::string& bytes) {
    const std::vector<std::string> lines = linesOf(utf8TextOf(bytes));
    return isPlsSection(lines) ? parsePlsSection(lines) : parseM3u(lines);
}

std::string formatPlaylist(const std::vector<PlaylistItem>& items, PlaylistFormat format) {
    switch (format) {
        case PlaylistFormat::m3u8:
            return formatM3u(items);
        case PlaylistFormat::pls:
            return formatPls(items);
        case PlaylistFormat::m3u:
            break;
    }
    const std::string utf8 = formatM3u(items);
    bool lossless = false;
    std::string ansi = platform::ansiFromUtf8(utf8, &lossless);
    return lossless ? ansi : kByteOrderMark + utf8;
}

}  // namespace tumbor
