// libFuzzer target: an ID3v1 block turned into the player's title and the
// editor's texts, and the texts stored back.
#include <cstdint>
#include <cstring>
#include <string>

#include "libs/mpa/id3v1_tag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
