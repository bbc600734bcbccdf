// libFuzzer target: an ID3v1 block turned into the player's title and the
// editor's texts, and the texts stored back; and the bytes as UTF-8 text of
// an ID3v2 tag turned into the player's ANSI text.
#include <cstdint>
#include <cstring>
#include <string>

#include "libs/mpa/id3v1_tag.h"
#include "libs/mpa/id3v2_tag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One character at most for each byte, and up to the first zero.
    std::string ansi = tumbor::ansiFromUtf8(reinterpret_cast<const char*>(data), size);
    if (ansi.size() > size || ansi.find('\0') != std::string::npos) __builtin_trap();
    if (size < sizeof(tumbor::Id3v1Tag)) return 0;
    tumbor::Id3v1Tag tag;
    std::memcpy(&tag, data, sizeof tag);
    std::string title;
    tumbor::titleFromTag(tag, title);
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
