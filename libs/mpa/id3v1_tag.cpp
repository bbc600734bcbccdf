// ID3v1 fields to texts and back, and the genre list.
#include "libs/mpa/id3v1_tag.h"

#include <cstring>

#include "libs/common/utf8_text.h"

namespace tumbor {
namespace {

const char* const kGenreNames[kGenreCount] = {"Blues",
                                              "Classic Rock",
                                              "Country",
                                              "Dance",
                                              "Disco",
                                              "Funk",
                                              "Grunge",
                                              "Hip-Hop",
                                              "Jazz",
                                              "Metal",
                                              "New Age",
                                              "Oldies",
                                              "Other",
                                              "Pop",
                                              "R&B",
                                              "Rap",
                                              "Reggae",
                                              "Rock",
                                              "Techno",
                                              "Industrial",
                                              "Alternative",
                                              "Ska",
                                              "Death Metal",
                                              "Pranks",
                                              "Soundtrack",
                                              "Euro-Techno",
                                              "Ambient",
                                              "Trip-Hop",
                                              "Vocal",
                                              "Jazz+Funk",
                                              "Fusion",
                                              "Trance",
                                              "Classical",
                                              "Instrumental",
                                              "Acid",
                                              "House",
                                              "Game",
                                              "Sound Clip",
                                              "Gospel",
                                              "Noise",
                                              "AlternRock",
                                              "Bass",
                                              "Soul",
                                              "Punk",
                                              "Space",
                                              "Meditative",
                                              "Instrumental Pop",
                                              "Instrumental Rock",
                                              "Ethnic",
                                              "Gothic",
                                              "Darkwave",
                                              "Techno-Industrial",
                                              "Electronic",
                                              "Pop-Folk",
                                              "Eurodance",
                                              "Dream",
                                              "Southern Rock",
                                              "Comedy",
                                              "Cult",
                                              "Gangsta",
                                              "Top 40",
                                              "Christian Rap",
                                              "Pop/Funk",
                                              "Jungle",
                                              "Native American",
                                              "Cabaret",
                                              "New Wave",
                                              "Psychadelic",
                                              "Rave",
                                              "Showtunes",
                                              "Trailer",
                                              "Lo-Fi",
                                              "Tribal",
                                              "Acid Punk",
                                              "Acid Jazz",
                                              "Polka",
                                              "Retro",
                                              "Musical",
                                              "Rock & Roll",
                                              "Hard Rock",
                                              "Folk",
                                              "Folk-Rock",
                                              "National Folk",
                                              "Swing",
                                              "Fast Fusion",
                                              "Bebob",
                                              "Latin",
                                              "Revival",
                                              "Celtic",
                                              "Bluegrass",
                                              "Avantgarde",
                                              "Gothic Rock",
                                              "Progressive Rock",
                                              "Psychedelic Rock",
                                              "Symphonic Rock",
                                              "Slow Rock",
                                              "Big Band",
                                              "Chorus",
                                              "Easy Listening",
                                              "Acoustic",
                                              "Humour",
                                              "Speech",
                                              "Chanson",
                                              "Opera",
                                              "Chamber Music",
                                              "Sonata",
                                              "Symphony",
                                              "Booty Bass",
                                              "Primus",
                                              "Porn Groove",
                                              "Satire",
                                              "Slow Jam",
                                              "Club",
                                              "Tango",
                                              "Samba",
                                              "Folklore",
                                              "Ballad",
                                              "Power Ballad",
                                              "Rhythmic Soul",
                                              "Freestyle",
                                              "Duet",
                                              "Punk Rock",
                                              "Drum Solo",
                                              "Acapella",
                                              "Euro-House",
                                              "Dance Hall"};

// The field's bytes up to the first zero, at most its size.
template <size_t N>
std::string fieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

template <size_t N>
void storeText(const std::string& text, char (&field)[N]) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size() < N ? text.size() : N);
}

void trimTrailingBlanks(std::string& text) {
    size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
}

}  // namespace

const char* genreName(int number) {
    return number >= 0 && number < kGenreCount ? kGenreNames[number] : nullptr;
}

bool hasTagSignature(const Id3v1Tag& tag) { return std::memcmp(tag.signature, "TAG", 3) == 0; }

Id3v1Tag emptyTag() {
    Id3v1Tag tag;
    std::memset(&tag, 0, sizeof tag);
    std::memcpy(tag.signature, "TAG", 3);
    return tag;
}

bool titleFromTag(const Id3v1Tag& tag, std::string& title) {
    if (!hasTagSignature(tag) || tag.title[0] == 0) return false;
    std::string text = fieldText(tag.title);
    trimTrailingBlanks(text);
    if (tag.artist[0] != 0) {
        text += " (" + fieldText(tag.artist);
        trimTrailingBlanks(text);
        text += ")";
    }
    title = utf8FromWindows1252(text.data(), text.size());
    return true;
}

TagFields fieldsFromTag(const Id3v1Tag& tag) {
    TagFields fields;
    fields.title = fieldText(tag.title);
    fields.artist = fieldText(tag.artist);
    fields.album = fieldText(tag.album);
    fields.year = fieldText(tag.year);
    fields.comment = fieldText(tag.comment);
    fields.genre = tag.genre < kGenreCount ? tag.genre : -1;
    return fields;
}

void storeFields(const TagFields& fields, Id3v1Tag& tag) {
    storeText(fields.title, tag.title);
    storeText(fields.artist, tag.artist);
    storeText(fields.album, tag.album);
    storeText(fields.year, tag.year);
    storeText(fields.comment, tag.comment);
    tag.genre =
        fields.genre >= 0 && fields.genre < kGenreCount ? static_cast<uint8_t>(fields.genre) : kNoGenre;
}

}  // namespace tumbor
