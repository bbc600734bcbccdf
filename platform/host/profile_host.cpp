// INI files read and edited natively with the rules of the Windows profile
// functions. Writing edits the file as text: only the changed or added lines
// differ afterwards, every other byte stays as it was.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/profile.h"

namespace platform {
namespace {

constexpr std::string_view kNewline = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// GetPrivateProfileIntA reads the value into a 30-character buffer, so only
// the first 29 characters take part in the number.
constexpr std::size_t kIntTextLimit = 29;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

enum class ReadStatus { Ok, Missing, Failed };

ReadStatus readFile(const std::string& path, std::string& text) {
    text.clear();
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
    char chunk[16384];
    std::size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) text.append(chunk, count);
    // A folder opens on Linux but fails on the first read.
    return std::ferror(file.get()) ? ReadStatus::Failed : ReadStatus::Ok;
}

bool writeFile(const std::string& path, const std::string& text) {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    // A full disk may only show when the buffer is flushed on close.
    return std::fclose(file.release()) == 0 && written;
}

// The blanks Windows trims: white space, and ^Z left over from DOS editors.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    s = trimLeft(s);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The Windows functions take C strings, so text stops at the first NUL.
std::string_view untilNul(std::string_view s) { return s.substr(0, s.find('\0')); }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

// One matching pair of quotes around a value is not part of it.
std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

enum class LineKind { Blank, Section, Entry };

// One line of the file, as offsets into the text so that it can be edited in place.
struct Line {
    LineKind kind = LineKind::Blank;
    std::string_view name;       // section or key name, trimmed
    bool hasValue = false;       // an entry without '=' names a key that has no value
    std::size_t valueBegin = 0;  // the trimmed value; for an entry without '=',
    std::size_t valueEnd = 0;    // the empty range after its name
    std::size_t next = 0;        // start of the following line
    bool terminated = false;     // false for a last line without a line break
};

Line parseLine(std::string_view text, std::size_t begin, std::size_t end) {
    Line line;
    std::string_view content = trim(text.substr(begin, end - begin));
    if (content.empty()) return line;
    std::size_t contentBegin = static_cast<std::size_t>(content.data() - text.data());
    if (content.front() == '[') {
        std::size_t close = content.rfind(']');
        // Without a closing bracket the line is an ordinary entry.
        if (close != std::string_view::npos) {
            line.kind = LineKind::Section;
            line.name = untilNul(trim(content.substr(1, close - 1)));
            return line;
        }
    }
    line.kind = LineKind::Entry;
    std::size_t equals = content.find('=');
    if (equals == std::string_view::npos) {
        line.name = untilNul(content);
        line.valueBegin = line.valueEnd = contentBegin + content.size();
        return line;
    }
    line.name = untilNul(trim(content.substr(0, equals)));
    line.hasValue = true;
    std::string_view value = trimLeft(content.substr(equals + 1));
    line.valueBegin = static_cast<std::size_t>(value.data() - text.data());
    line.valueEnd = line.valueBegin + value.size();
    return line;
}

// "\r\n", "\n" and a lone "\r" all end a line.
std::vector<Line> splitLines(std::string_view text, std::size_t start) {
    std::vector<Line> lines;
    std::size_t begin = start;
    while (begin < text.size()) {
        std::size_t end = text.find_first_of("\r\n", begin);
        Line line;
        if (end == std::string_view::npos) {
            line = parseLine(text, begin, text.size());
            line.next = text.size();
        } else {
            line = parseLine(text, begin, end);
            bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
            line.next = end + (crlf ? 2 : 1);
            line.terminated = true;
        }
        lines.push_back(line);
        begin = line.next;
    }
    return lines;
}

// Where a section and a key were found among the lines of a file.
struct Location {
    bool sectionFound = false;
    const Line* entry = nullptr;  // the key's line, when the key exists
    const Line* last = nullptr;   // the section's header or last entry
};

// Lines before the first header form a section with an empty name. Only the
// first section of a name counts, as with Windows: keys in a repeated
// section are neither read nor written.
Location locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Location found;
    found.sectionFound = section.empty();
    for (const Line& line : lines) {
        if (line.kind == LineKind::Section) {
            if (found.sectionFound) break;
            found.sectionFound = equalsIgnoreCase(line.name, section);
            if (found.sectionFound) found.last = &line;
        } else if (line.kind == LineKind::Entry && found.sectionFound) {
            if (!found.entry && equalsIgnoreCase(line.name, key)) found.entry = &line;
            found.last = &line;
        }
    }
    return found;
}

std::size_t bodyStart(std::string_view text) {
    return text.substr(0, kUtf8Bom.size()) == kUtf8Bom ? kUtf8Bom.size() : 0;
}

// GetPrivateProfileStringA drops trailing spaces from the default (but keeps
// its first character) and removes quotes from it as from a value.
std::string_view cleanDefault(std::string_view value) {
    value = untilNul(value);
    while (value.size() > 1 && value.back() == ' ') value.remove_suffix(1);
    return unquote(value);
}

// The number as RtlUnicodeStringToInteger reads it with base 0: control
// characters and blanks, a sign, an optional 0b/0o/0x prefix, then digits of
// that base; the result wraps modulo 2^32.
unsigned parseProfileInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t base = 10;
    if (text.size() - i >= 2 && text[i] == '0') {
        switch (text[i + 1]) {
            case 'b': base = 2; break;
            case 'o': base = 8; break;
            case 'x': base = 16; break;
            default: break;
        }
        if (base != 10) i += 2;
    }
    std::uint32_t total = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        std::uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (lowerAscii(c) >= 'a' && lowerAscii(c) <= 'z') {
            digit = static_cast<std::uint32_t>(lowerAscii(c) - 'a' + 10);
        } else {
            break;
        }
        if (digit >= base) break;
        total = total * base + digit;
    }
    return negative ? 0u - total : total;
}

}  // namespace

std::string getProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& path) {
    std::string fallback(cleanDefault(defaultValue));
    std::string text;
    if (readFile(path, text) != ReadStatus::Ok) return fallback;
    std::vector<Line> lines = splitLines(text, bodyStart(text));
    Location found = locate(lines, trim(untilNul(section)), trim(untilNul(key)));
    if (!found.entry || !found.entry->hasValue) return fallback;
    std::string_view value(text);
    value = value.substr(found.entry->valueBegin, found.entry->valueEnd - found.entry->valueBegin);
    return std::string(unquote(untilNul(value)));
}

unsigned getProfileInt(const std::string& section, const std::string& key, int defaultValue,
                       const std::string& path) {
    std::string value = getProfileString(section, key, std::string(), path);
    if (value.empty()) return static_cast<unsigned>(defaultValue);
    return parseProfileInt(std::string_view(value).substr(0, kIntTextLimit));
}

bool writeProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path) {
    std::string text;
    if (readFile(path, text) == ReadStatus::Failed) return false;
    std::string_view sectionName = trim(untilNul(section));
    std::string_view keyName = trim(untilNul(key));
    // WritePrivateProfileStringA does not store leading blanks of the value.
    std::string_view newValue = trimLeft(untilNul(value));

    std::vector<Line> lines = splitLines(text, bodyStart(text));
    Location found = locate(lines, sectionName, keyName);

    std::string entryLine;
    entryLine.append(keyName).append("=").append(newValue).append(kNewline);
    if (found.entry) {
        const Line& entry = *found.entry;
        std::size_t length = entry.valueEnd - entry.valueBegin;
        if (entry.hasValue && std::string_view(text).substr(entry.valueBegin, length) == newValue)
            return true;
        std::string replacement(entry.hasValue ? "" : "=");
        replacement.append(newValue);
        text.replace(entry.valueBegin, length, replacement);
    } else if (found.sectionFound) {
        // A new key goes right after the section's last entry (comments
        // count as entries), ahead of blank lines before the next section.
        std::size_t at = found.last ? found.last->next : bodyStart(text);
        if (found.last && !found.last->terminated) entryLine.insert(0, kNewline);
        text.insert(at, entryLine);
    } else {
        if (text.size() > bodyStart(text) && text.back() != '\n' && text.back() != '\r')
            text.append(kNewline);
        text.append("[").append(sectionName).append("]").append(kNewline).append(entryLine);
    }
    return writeFile(path, text);
}

}  // namespace platform
