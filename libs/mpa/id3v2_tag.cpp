// The ID3v2 header's size fields are read here, since the tags must be passed
// before the frame search; their frames and text encodings are libmpg123's.
#include "libs/mpa/id3v2_tag.h"

#include <mpg123.h>

#include <cstring>
#include <memory>

#include "platform/utf8_files.h"

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
    return wellFormedUtf8(text->p, text->fill);
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

std::string titleFromFrontTags(MpegSource& source, uint64_t tagsEnd, LoudnessTags* loudness) {
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
    for (size_t i = 0; loudness && i < tags->extras; ++i) {
        const mpg123_text& extra = tags->extra[i];
        if (extra.description.p && extra.text.p)
            loudness->add(std::string_view(extra.description.p, std::strlen(extra.description.p)),
                          std::string_view(extra.text.p, std::strlen(extra.text.p)));
    }
    const std::string title = firstValue(tags->title);
    return title.empty() ? std::string() : joinedTitle(firstValue(tags->artist), title);
}

std::string titleFromFrontTagsOfFile(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(platform::openFile(path, "rb"));
    if (!file) return {};
    FileMpegSource source(file.get());
    return titleFromFrontTags(source, skipFrontTags(source));
}

}  // namespace tumbor
