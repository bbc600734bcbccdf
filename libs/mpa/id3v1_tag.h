// The 128-byte ID3v1 tag at the end of an MPEG file: its layout, the title
// the player shows for it, the genre names, and the texts the tag editor
// edits.
#pragma once

#include <cstdint>
#include <string>

namespace tumbor {

struct Id3v1Tag {
    char signature[3];  // "TAG" when a tag is present
    char title[30];     // zero- or space-padded, not terminated when full
    char artist[30];
    char album[30];
    char year[4];  // four characters
    char comment[30];
    uint8_t genre;  // index into the genre names; 255 for none
};
static_assert(sizeof(Id3v1Tag) == 128, "an ID3v1 tag is 128 bytes");

constexpr int kGenreCount = 126;
constexpr uint8_t kNoGenre = 255;

// Genre names by number, 0 to kGenreCount - 1.
const char* genreName(int number);

bool hasTagSignature(const Id3v1Tag& tag);
// A tag with the signature and every other byte zero.
Id3v1Tag emptyTag();

// "title (artist)" with trailing blanks trimmed, or "title" when the artist
// field is empty, as UTF-8 (the fields are Windows-1252 text); false (and
// title untouched) when the tag has no title.
bool titleFromTag(const Id3v1Tag& tag, std::string& title);

// The tag as the editor shows it: each field up to its first zero byte.
struct TagFields {
    std::string title, artist, album, year, comment;
    int genre = -1;  // -1: no genre selected
};

TagFields fieldsFromTag(const Id3v1Tag& tag);
// Writes the fields into tag, each cut to its size and zero-padded; the
// signature stays as it is.
void storeFields(const TagFields& fields, Id3v1Tag& tag);

}  // namespace tumbor
