// The ID3v2 header's size fields are read here, since the tags must be passed
// before the frame search; their frames and text encodings are libmpg123's.
#include "libs/mpa/id3v2_tag.h"

#include <mpg123.h>

#include <cstring>
#include <memory>

namespace tumbor {
namespace {

constexpr uint8_t kFooterFlag = 0x10;  // a 10-byte copy of the header follows the tag

struct HandleDeleter {
    void operator()(mpg123_handle* handle) const {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};
using Handle = std::unique_ptr<mpg123_handle, HandleDeleter>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A text of libmpg123's: UTF-8, possibly several values separated by zeros,
// of which the first counts.
std::string firstValue(const mpg123_string* text) {
    if (!text || !text->p || text->fill == 0) return {};
    return ansiFromUtf8(text->p, text->fill);
}

// Windows-1252's characters 0x80 to 0x9F; 0 where it has none.
constexpr uint16_t kHighControls[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ansiCharacter(uint32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == code) return static_cast<char>(0x80 + i);
    return '?';
}

// Decodes the UTF-8 sequence at text[at]; answers its length, 0 when the
// bytes there are no well-formed sequence.
size_t decodeUtf8(const uint8_t* text, size_t length, size_t at, uint32_t& code) {
    uint8_t lead = text[at];
    size_t count = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (count == 0 || lead >= 0xF8 || at + count > length) return 0;
    code = lead & (0x7Fu >> count);
    for (size_t i = 1; i < count; ++i) {
        if ((text[at + i] & 0xC0) != 0x80) return 0;
        code = code << 6 | (text[at + i] & 0x3Fu);
    }
    static const uint32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[count] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return count;
}

}  // namespace

uint32_t id3v2TagBytes(const uint8_t (&header)[kId3v2HeaderBytes]) {
    if (std::memcmp(header, "ID3", 3) != 0 || header[3] == 0xFF || header[4] == 0xFF) return 0;
    uint32_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (header[i] & 0x80) return 0;  // sizes are synchsafe: seven bits a byte
        size = size << 7 | header[i];
    }
    uint32_t footer = (header[5] & kFooterFlag) ? static_cast<uint32_t>(kId3v2HeaderBytes) : 0;
    return static_cast<uint32_t>(kId3v2HeaderBytes) + size + footer;
}

uint64_t skipFrontTags(MpegSource& source) {
    uint64_t end = 0;
    uint8_t header[kId3v2HeaderBytes];
    while (source.seek(end) && source.read(header, sizeof header) == static_cast<int>(sizeof header)) {
        uint32_t bytes = id3v2TagBytes(header);
        if (bytes == 0 || end + bytes > source.size()) break;
        end += bytes;
    }
    return end;
}

std::string titleFromFrontTags(MpegSource& source, uint64_t tagsEnd) {
    if (tagsEnd == 0) return {};
    Handle handle(mpg123_new(nullptr, nullptr));
    if (!handle ||
        mpg123_param(handle.get(), MPG123_FLAGS, MPG123_QUIET | MPG123_NO_PEEK_END, 0) != MPG123_OK)
        return {};
    // The window holds nothing but the tags: libmpg123 parses each on its way
    // to the first frame, then meets the window's end.
    ReaderWindow window;
    window.source = &source;
    window.limit = tagsEnd;
    if (!openOnWindow(handle.get(), window)) return {};
    mpg123_framebyframe_next(handle.get());
    mpg123_id3v2* tags = nullptr;
    if (mpg123_id3(handle.get(), nullptr, &tags) != MPG123_OK || !tags) return {};
    std::string title = firstValue(tags->title);
    if (title.empty()) return {};
    std::string artist = firstValue(tags->artist);
    if (!artist.empty()) title = artist + " - " + title;
    if (title.size() > kMaxTitleLength) title.resize(kMaxTitleLength);
    return title;
}

std::string titleFromFrontTagsOfFile(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return {};
    FileMpegSource source(file.get());
    return titleFromFrontTags(source, skipFrontTags(source));
}

std::string ansiFromUtf8(const char* text, size_t length) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text);
    std::string ansi;
    for (size_t at = 0; at < length && bytes[at] != 0;) {
        uint32_t code = bytes[at];
        size_t count = code < 0x80 ? 1 : decodeUtf8(bytes, length, at, code);
        if (count == 0) {
            ansi.push_back('?');
            ++at;
        } else {
            ansi.push_back(ansiCharacter(code));
            at += count;
        }
    }
    return ansi;
}

}  // namespace tumbor
