// libFuzzer target: an ID3v1 block turned into the player's title and the
// editor's texts, and the texts stored back; and the bytes as the text of a
// tag, kept as well-formed UTF-8 or read as Windows-1252.
#include <cstdint>
#include <cstring>
#include <string>

#include "libs/mpa/id3v1_tag.h"
#include "libs/mpa/id3v2_tag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // No more bytes than given, up to the first zero, and well formed.
    const char* text = reinterpret_cast<const char*>(data);
    const std::string kept = tumbor::wellFormedUtf8(text, size);
    if (kept.size() > size || kept.find('\0') != std::string::npos) __builtin_trap();
    const std::string read = tumbor::utf8FromWindows1252(text, size);
    if (read.find('\0') != std::string::npos || tumbor::wellFormedUtf8(read.data(), read.size()) != read)
        __builtin_trap();
    if (size < sizeof(tumbor::Id3v1Tag)) return 0;
    tumbor::Id3v1Tag tag;
    std::memcpy(&tag, data, sizeof tag);
    std::string title;
    if (tumbor::titleFromTag(tag, title) && tumbor::wellFormedUtf8(title.data(), title.size()) != title)
        __builtin_trap();
    tumbor::TagFields fields = tumbor::fieldsFromTag(tag);
    if (fields.genre >= 0) tumbor::genreName(fields.genre);
    tumbor::storeFields(fields, tag);
    // Storing what was read and reading it again changes nothing.
    tumbor::TagFields again = tumbor::fieldsFromTag(tag);
    if (again.title != fields.title || again.artist != fields.artist || again.album != fields.album ||
        again.year != fields.year || again.comment != fields.comment || again.genre != fields.genre)
        __builtin_trap();
    return 0;
}
